// The song file reader on any bytes. The raw input is decoded as it is (most
// sizes are refused); then it is laid into each of the four image sizes so
// that every layout's decoder and checks see arbitrary content (most such
// images are refused too); then into a current image whose header, cells and
// chords are made to pass, which must decode, and the decoded song goes
// through the operations that walk its cells.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/reporter.h"
#include "song/drop_target.h"
#include "song/song_image.h"

namespace {

constexpr std::size_t kSizes[] = {32780, 81932, 90444, 92492};

void Exercise(songloom::Reporter& reporter, songloom::song::SongData& song, std::uint8_t selector)
{
    using namespace songloom::song;
    // Whatever was read must round-trip through the current image.
    const auto image = BuildSongImage(song, song.beats(), song.key());
    SongData again;
    if (!DecodeSongImage(reporter, image, again)) __builtin_trap();
    if (BuildSongImage(again, again.beats(), again.key()) != image) __builtin_trap();

    // A few positions: a song of holds makes every lookup walk the song.
    for (int bar = selector % 5; bar < song.bars(); bar += 37) {
        for (int e = 0; e < song.SlotsPerBar(); e += 3) {
            (void)song.GetNote(bar, e, selector & 1);
            (void)song.FreeRun(bar, e);
        }
    }
    (void)song.IsUntouched();
    song.TakeSnapshot();
    switch (selector % 6) {
    case 0: song.Transpose(reporter, song.key(), selector % kKeyCount); break;
    case 1: song.ChangeBeats(reporter, song.beats() == 4 ? 3 : 4); break;
    case 2: song.InsertBars(reporter, 0, selector % 3); break;
    case 3: song.DeleteBars(reporter, selector % 5, selector % 9); break;
    case 4: DropLengthOnScore(song, selector % 9, 0, 0); break;
    default: DropNoteOnScore(reporter, song, selector % 128, selector % 4, selector % 6); break;
    }
    song.RestoreSnapshot();
    if (BuildSongImage(song, song.beats(), song.key()) != image) __builtin_trap();
}

void PutI32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t value)
{
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::int32_t GetI32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{b[at + i]} << (8 * i);
    return static_cast<std::int32_t>(v);
}

// A current image the reader's checks pass, keeping as much of the fuzzed
// content as they allow: a header the song can hold, cell values folded into
// the pitches and marks, a chord name on every beat of the song.
void MakePassable(std::vector<std::uint8_t>& b, std::uint8_t selector)
{
    namespace im = songloom::song::image;
    const int bars = 1 + selector % 64;
    const int beats = 3 + (selector & 1);
    PutI32(b, im::kBars, bars);
    PutI32(b, im::kBeats, beats);
    PutI32(b, im::kKey, selector % songloom::song::kKeyCount);
    for (std::size_t slot = 0; slot < songloom::song::MaxSlots; ++slot) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t at = im::kMelody + slot * im::kSlotRecord + c * 4;
            const std::int64_t raw = GetI32(b, at);
            const int low = c < 2 ? -2 : -3;
            const auto span = static_cast<std::int64_t>(127 - low + 1);
            PutI32(b, at, static_cast<std::int32_t>(((raw % span) + span) % span + low));
        }
    }
    static constexpr char kNames[][8] = {"C ", "Am", "G7", "F#m7b5", "Bbsus4", "Eaug"};
    for (int beat = 0; beat < bars * beats; ++beat) {
        const char* name = kNames[(b[im::kChords + static_cast<std::size_t>(beat) * im::kChordRecord] & 0x7F) % 6];
        for (std::size_t i = 0; i < 8; ++i) b[im::kChords + static_cast<std::size_t>(beat) * im::kChordRecord + i] = 0;
        std::memcpy(b.data() + im::kChords + static_cast<std::size_t>(beat) * im::kChordRecord, name, std::strlen(name));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    songloom::CapturingReporter reporter;
    songloom::song::SongData song;
    const std::vector<std::uint8_t> raw(data, data + size);
    if (songloom::song::DecodeSongImage(reporter, raw, song)) Exercise(reporter, song, 0);

    // Short inputs are repeated over the image so the header words, the info
    // block and the cells all take fuzzed values.
    if (size == 0) return 0;
    const std::uint8_t selector = data[0];
    std::vector<std::uint8_t> image(kSizes[selector % 4]);
    std::size_t filled = std::min(size, image.size());
    std::memcpy(image.data(), data, filled);
    while (filled < image.size()) {
        const std::size_t n = std::min(filled, image.size() - filled);
        std::memcpy(image.data() + filled, image.data(), n);
        filled += n;
    }
    // An image that fails the checks is refused and leaves the song as it was.
    songloom::song::SongData laid;
    const auto untouched = songloom::song::BuildSongImage(laid, laid.beats(), laid.key());
    if (songloom::song::DecodeSongImage(reporter, image, laid)) {
        Exercise(reporter, laid, selector);
    } else if (songloom::song::BuildSongImage(laid, laid.beats(), laid.key()) != untouched) {
        __builtin_trap();
    }

    std::vector<std::uint8_t> valid(kSizes[3]);
    for (std::size_t i = 0; i < valid.size(); ++i) valid[i] = data[i % size];
    MakePassable(valid, selector);
    songloom::song::SongData passed;
    if (!songloom::song::DecodeSongImage(reporter, valid, passed)) __builtin_trap();
    Exercise(reporter, passed, selector);
    return 0;
}
