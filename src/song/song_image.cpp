#include "song/song_image.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "common/general.h"
#include "common/messages.h"

namespace songloom::song {
namespace {

// Marks left in never-written memory by older writers.
constexpr std::uint32_t kFreedMemoryMark = 0xFEEEFEEE;
constexpr std::uint8_t kUninitialisedMark = 0xDD;
constexpr int kSlowestTempo = 40;
constexpr int kFastestTempo = 240;
constexpr int kRepairedTempo = 80;
constexpr int kLastCategory = 8;
constexpr int kLastStyle = 23;
// The melody instrument list has 152 entries: 128 General MIDI programs,
// then extra voices and instrument groups the user can choose as well.
constexpr int kLastInstrument = 151;

// Where the parts of one image size lie.
struct Layout {
    std::size_t size;
    std::size_t chordRecord;  // 8 (name only) or 16
    std::size_t slotRecord;   // 12 (c0 and one text) or 36
    bool hasInfo;
    bool hasReserved;

    std::size_t MelodyOffset() const { return MaxBeats * chordRecord; }
    std::size_t AfterMelody() const { return MelodyOffset() + MaxSlots * slotRecord; }
    std::size_t HeaderOffset() const { return AfterMelody() + (hasInfo ? image::kInfoSize : 0); }
};

constexpr Layout kLayouts[] = {
    {image::kSize, 16, 36, true, true},
    {image::kSizeNoReserved, 16, 36, true, false},
    {image::kSizeNoInfo, 8, 36, false, false},
    {image::kSizeOldest, 8, 12, false, false},
};
static_assert(MaxBeats * 8 + MaxSlots * 12 + 12 == image::kSizeOldest);
static_assert(MaxBeats * 8 + MaxSlots * 36 + 12 == image::kSizeNoInfo);
static_assert(image::kReserved == image::kSizeNoReserved);

std::optional<Layout> LayoutOfSize(std::size_t size)
{
    for (const auto& layout : kLayouts) {
        if (layout.size == size) return layout;
    }
    return std::nullopt;
}

std::int32_t GetI32(std::span<const std::uint8_t> b, std::size_t at)
{
    const std::uint32_t v = std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8 |
                            std::uint32_t{b[at + 2]} << 16 | std::uint32_t{b[at + 3]} << 24;
    return static_cast<std::int32_t>(v);
}

void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int64_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    b[at + 2] = static_cast<std::uint8_t>(v >> 16);
    b[at + 3] = static_cast<std::uint8_t>(v >> 24);
}

template <typename T, std::size_t N>
void GetBytes(std::span<const std::uint8_t> b, std::size_t at, std::array<T, N>& out,
              std::size_t count = N)
{
    static_assert(sizeof(T) == 1);
    out = {};
    std::memcpy(out.data(), b.data() + at, count);
}

template <typename T, std::size_t N>
void PutBytes(std::vector<std::uint8_t>& b, std::size_t at, const std::array<T, N>& in)
{
    static_assert(sizeof(T) == 1);
    std::memcpy(b.data() + at, in.data(), N);
}

void DecodeInfo(std::span<const std::uint8_t> b, std::size_t at, SongInfo& info)
{
    GetBytes(b, at + image::kComposer, info.composer);
    GetBytes(b, at + image::kMemo, info.memo);
    info.category = GetI32(b, at + image::kCategory);
    info.style = GetI32(b, at + image::kStyle);
    info.tempo = GetI32(b, at + image::kTempo);
    info.instrument = GetI32(b, at + image::kInstrument);
    GetBytes(b, at + image::kInfoReserved, info.reserved);
    GetBytes(b, at + image::kTitle, info.title);
}

void EncodeInfo(std::vector<std::uint8_t>& b, std::size_t at, const SongInfo& info)
{
    PutBytes(b, at + image::kComposer, info.composer);
    PutBytes(b, at + image::kMemo, info.memo);
    PutI32(b, at + image::kCategory, info.category);
    PutI32(b, at + image::kStyle, info.style);
    PutI32(b, at + image::kTempo, info.tempo);
    PutI32(b, at + image::kInstrument, info.instrument);
    PutBytes(b, at + image::kInfoReserved, info.reserved);
    PutBytes(b, at + image::kTitle, info.title);
}

// Chords, melody and info of any layout; the header and reserved area are
// the caller's.
void DecodeAreas(std::span<const std::uint8_t> b, const Layout& layout, SongData& song)
{
    for (std::size_t i = 0; i < MaxBeats; ++i) {
        const std::size_t at = i * layout.chordRecord;
        ChordCell& cell = song.chords[i];
        if (layout.chordRecord == image::kChordRecord) {
            GetBytes(b, at, cell.name);
            GetBytes(b, at + 8, cell.extra);
        } else {
            GetBytes(b, at, cell.name, 7);  // the 8th byte is forced to zero
            cell.extra = {};
        }
    }
    for (std::size_t i = 0; i < MaxSlots; ++i) {
        const std::size_t at = layout.MelodyOffset() + i * layout.slotRecord;
        MelodySlot& slot = song.melody[i];
        slot.text = {};
        if (layout.slotRecord == image::kSlotRecord) {
            for (std::size_t c = 0; c < 3; ++c) slot.cell[c] = GetI32(b, at + c * 4);
            for (std::size_t t = 0; t < 3; ++t) GetBytes(b, at + 12 + t * 8, slot.text[t]);
        } else {
            slot.cell = {GetI32(b, at), kHold, kNotTriplet};
            GetBytes(b, at + 4, slot.text[0]);
        }
    }
    song.info = SongInfo{};
    if (layout.hasInfo) DecodeInfo(b, layout.AfterMelody(), song.info);
}

// The repairs every layout but the oldest gets after loading.
void RepairInfo(SongInfo& info)
{
    if (static_cast<std::uint32_t>(info.category) == kFreedMemoryMark) info.category = 0;
    if (static_cast<std::uint32_t>(info.style) == kFreedMemoryMark) info.style = 1;
    if (static_cast<std::uint8_t>(info.memo[0]) == kUninitialisedMark) info.memo[0] = 0;
    if (info.tempo < kSlowestTempo || info.tempo > kFastestTempo) info.tempo = kRepairedTempo;
    if (info.instrument < 0 || info.instrument > kLastInstrument) info.instrument = 0;
    // A style outside the catalogue would index past it.
    if (info.category < 0 || info.category > kLastCategory) info.category = 0;
    if (info.style < 0 || info.style > kLastStyle) info.style = 1;
}

// Values the editing, drawing and engine code can rely on: pitches 0..127 and
// the marks.
bool CellsHoldValues(const SongData& song)
{
    for (const auto& slot : song.melody) {
        for (int c = 0; c < 2; ++c) {
            if (slot.cell[c] < kHold || slot.cell[c] > 127) return false;
        }
        if (slot.cell[2] < kNotTriplet || slot.cell[2] > 127) return false;
    }
    return true;
}

// Every chord of the song (its active beats) a name the engine can read: a
// root and a type, a bare root, or empty.
bool ChordsHoldNames(const SongData& song)
{
    std::string_view checked;  // a chord mostly lasts several beats
    for (int beat = 0; beat < song.ActiveBeats(); ++beat) {
        const std::string_view name = song.ChordName(beat);
        if (name.empty() || name == kInactiveChord || name == checked) continue;
        if (!ParseChordName(CompleteChordName(name)).ok()) return false;
        checked = name;
    }
    return true;
}

}  // namespace

std::vector<std::uint8_t> BuildSongImage(const SongData& song, int beats, int key)
{
    std::vector<std::uint8_t> b(kSongImageSize, 0);
    for (std::size_t i = 0; i < MaxBeats; ++i) {
        PutBytes(b, image::kChords + i * image::kChordRecord, song.chords[i].name);
        PutBytes(b, image::kChords + i * image::kChordRecord + 8, song.chords[i].extra);
    }
    for (std::size_t i = 0; i < MaxSlots; ++i) {
        const std::size_t at = image::kMelody + i * image::kSlotRecord;
        const MelodySlot& slot = song.melody[i];
        for (std::size_t c = 0; c < 3; ++c) PutI32(b, at + c * 4, slot.cell[c]);
        for (std::size_t t = 0; t < 3; ++t) PutBytes(b, at + 12 + t * 8, slot.text[t]);
    }
    EncodeInfo(b, image::kInfo, song.info);
    PutI32(b, image::kBars, song.bars());
    PutI32(b, image::kBeats, beats);
    PutI32(b, image::kKey, key);
    for (std::size_t i = 0; i < kReservedWords; ++i) {
        PutI32(b, image::kReserved + i * 4, song.reserved[i]);
    }
    return b;
}

bool WriteSongImage(Reporter& reporter, const SongData& song, int beats, int key,
                    const std::string& path)
{
    if (path.empty()) {
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        return false;
    }
    return WriteWholeFile(reporter, path, BuildSongImage(song, beats, key));
}

bool RestoreSongImage(std::span<const std::uint8_t> bytes, SongData& song)
{
    if (bytes.size() != kSongImageSize) return false;
    const SongData before = song;
    DecodeAreas(bytes, kLayouts[0], song);
    if (!song.SetHeader(GetI32(bytes, image::kBars), GetI32(bytes, image::kBeats),
                        GetI32(bytes, image::kKey))) {
        song = before;  // not an image this song took
        return false;
    }
    for (std::size_t i = 0; i < kReservedWords; ++i) {
        song.reserved[i] = static_cast<std::uint32_t>(GetI32(bytes, image::kReserved + i * 4));
    }
    return true;
}

bool DecodeSongImage(Reporter& reporter, std::span<const std::uint8_t> bytes, SongData& song)
{
    const auto layout = LayoutOfSize(bytes.size());
    if (!layout) return false;
    // Decoded aside: a refused image leaves the song as it was. (On the heap:
    // a song is some 90 KB, much for a thread's stack.)
    const auto aside = std::make_unique<SongData>(song);
    SongData& decoded = *aside;
    DecodeAreas(bytes, *layout, decoded);
    if (layout->size != image::kSizeOldest) RepairInfo(decoded.info);

    std::size_t header = layout->HeaderOffset();
    if (GetI32(bytes, header) < 1) header = layout->AfterMelody();
    const int bars = GetI32(bytes, header);
    const int beats = GetI32(bytes, header + 4);
    const int key = GetI32(bytes, header + 8);

    decoded.reserved = {};
    if (layout->hasReserved) {
        for (std::size_t i = 0; i < kReservedWords; ++i) {
            decoded.reserved[i] = static_cast<std::uint32_t>(GetI32(bytes, image::kReserved + i * 4));
        }
    }
    // The song's arrays hold at most 256 bars of 3 or 4 beats, the key names
    // a row of the key table, the cells hold pitches or marks and the chords
    // of the song are chord names. An image that fails any of these is no
    // song this program wrote (a damaged file, or another kind of file of
    // the same size): it is refused rather than taken in repaired.
    if (!decoded.SetHeader(bars, beats, key) || !CellsHoldValues(decoded) || !ChordsHoldNames(decoded)) {
        SongErrorMsg(reporter, sgdt::kSongData);
        return false;
    }
    song = decoded;
    return true;
}

SongFileStatus ReadSongFile(Reporter& reporter, const std::string& path, SongData& song,
                            int bars, int beats, int key)
{
    const auto resetWithCallerValues = [&] { song.Reset(reporter, bars, beats, key); };
    std::error_code ec;
    const bool regular = !path.empty() && std::filesystem::is_regular_file(path, ec);
    const std::uintmax_t size = regular ? std::filesystem::file_size(path, ec) : 0;
    if (!regular || ec || size == 0) {
        resetWithCallerValues();
        return SongFileStatus::kNoFile;
    }
    // Only the four image sizes are songs; reading anything else with the
    // current layout would take garbage (or run past a short file).
    if (!LayoutOfSize(size)) {
        GeneralErrorMsg(reporter, gene::kFileSize);
        resetWithCallerValues();
        return SongFileStatus::kRefused;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes, kSongImageSize)) {
        GeneralErrorMsg(reporter, gene::kCannotOpen);
        resetWithCallerValues();
        return SongFileStatus::kUnreadable;
    }
    if (!LayoutOfSize(bytes.size())) {  // the file changed under us
        GeneralErrorMsg(reporter, gene::kFileSize);
        resetWithCallerValues();
        return SongFileStatus::kRefused;
    }
    if (!DecodeSongImage(reporter, bytes, song)) {  // reported: it fails its checks
        resetWithCallerValues();
        return SongFileStatus::kRefused;
    }
    return SongFileStatus::kRead;
}

}  // namespace songloom::song
