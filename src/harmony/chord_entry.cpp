#include "harmony/chord_entry.h"

#include "common/messages.h"

namespace songloom::harmony {
namespace {

constexpr std::uint32_t kRootError = 0xFF010022;
constexpr std::uint32_t kThirdError = 0xFF010023;
constexpr std::uint32_t kFifthError = 0xFF010024;
constexpr std::uint32_t kSeventhError = 0xFF010025;
constexpr std::uint32_t kSectionError = 0xFF0101C6;

constexpr int kTicksPerBeat = 96;
constexpr int kRootOctave = 60;
// The accompaniment pattern that keeps every third in the root's octave.
constexpr int kCloseThirdPattern = 47;

// Semitones above the root, or -1 for "none", or -2 for a bad character.
constexpr int kNone = -1;
constexpr int kBad = -2;

int ThirdInterval(char c)
{
    switch (c) {
    case 'm': return 3;
    case 'M': return 4;
    case '4': return 5;
    case 'o': return kNone;
    default: return kBad;
    }
}

int FifthInterval(char c)
{
    switch (c) {
    case 'P': return 7;
    case 'd': return 6;
    case 'A': return 8;
    case 'C': return kNone;
    default: return kBad;
    }
}

int SeventhInterval(char c)
{
    switch (c) {
    case 's': return 10;
    case 'S': return 11;
    case '6': return 9;
    case 'o': return 12;
    case '9': return 14;
    case 'd': return kNone;
    default: return kBad;
    }
}

bool InVoicingRange(int note) { return note >= kVoicingLow && note <= kVoicingHigh; }

// The octave rule: a draw of 2 (of 1-3) moves the note by shift, anything
// else keeps it; drawn again until the note lies in 60-83. Both placements
// are checked first so that a note that can never fit (only possible with
// a root outside 60-71) is kept plain instead of drawing forever.
int PlaceByOctaveRule(Random& random, int plain, int shift)
{
    if (!InVoicingRange(plain) && !InVoicingRange(plain + shift)) return plain;
    for (;;) {
        const int note = RandomBetween(random, 1, 3) == 2 ? plain + shift : plain;
        if (InVoicingRange(note)) return note;
    }
}

std::uint8_t Snap(const ChordTemplate& chordTemplate, std::uint8_t note)
{
    // 0 means "no such note" and must stay so.
    if (note == 0) return 0;
    return static_cast<std::uint8_t>(NextChordTone(chordTemplate, note));
}

struct InversionSlot {
    int section = 0;
    int position = 0;  // byte offset of the chord in its section's record list
    int interval = 0;
};

}  // namespace

void EncodeChordRecord(const ChordRecord& record, std::span<std::uint8_t, kChordRecordSize> out)
{
    out[0] = static_cast<std::uint8_t>(record.length >> 8);
    out[1] = static_cast<std::uint8_t>(record.length & 0xFF);
    for (std::size_t i = 0; i < 4; ++i) out[2 + i] = static_cast<std::uint8_t>(record.code.bytes[i]);
}

ChordRecord DecodeChordRecord(std::span<const std::uint8_t, kChordRecordSize> bytes)
{
    ChordRecord record;
    record.length = static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
    for (std::size_t i = 0; i < 4; ++i) record.code.bytes[i] = static_cast<char>(bytes[2 + i]);
    return record;
}

std::vector<ChordRecord> DecodeChordRecords(std::span<const std::uint8_t> bytes)
{
    std::vector<ChordRecord> records;
    for (std::size_t at = 0; at + kChordRecordSize <= bytes.size(); at += kChordRecordSize) {
        const ChordRecord record = DecodeChordRecord(bytes.subspan(at).first<kChordRecordSize>());
        if (record.length == 0) break;
        records.push_back(record);
    }
    return records;
}

int ChordEntry::BassOffsetValue() const
{
    if (!HasBassOffset()) return 0;
    const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
    return digit(bassOffset[0]) * 10 + digit(bassOffset[1]);
}

ChordEntry MakeChordEntry(const ChordEntryContext& context, const ChordRecord& record,
                          std::string_view bassOffset)
{
    ChordEntry entry;
    entry.record = record;
    entry.length = record.length;
    entry.code = record.code;

    const ChordCode code = record.code;
    int root = 0;
    if (code.root() != 'N') {
        const int pitchClass = RootPitchClass(code.root());
        if (pitchClass < 0) {
            EngineErrorMsg(context.reporter, kRootError);
        } else {
            root = kRootOctave + pitchClass;
        }
    }
    entry.root = static_cast<std::uint8_t>(root);
    entry.bass = static_cast<std::uint8_t>(root == 0 ? 0 : root - 24);

    const int third = ThirdInterval(code.third());
    const int fifth = FifthInterval(code.fifth());
    const int seventh = SeventhInterval(code.seventh());
    if (third == kBad) EngineErrorMsg(context.reporter, kThirdError);
    if (fifth == kBad) EngineErrorMsg(context.reporter, kFifthError);
    if (seventh == kBad) EngineErrorMsg(context.reporter, kSeventhError);

    // Without a root there is nothing to place the other notes against.
    if (root != 0) {
        if (third >= 0) {
            entry.third = static_cast<std::uint8_t>(
                context.accompanimentPattern == kCloseThirdPattern
                    ? root + third
                    : PlaceByOctaveRule(context.random, root + third, 12));
        }
        if (fifth >= 0) entry.fifth = static_cast<std::uint8_t>(root + fifth);
        if (fifth == kBad) entry.fifth = entry.root;
        if (seventh >= 0) {
            entry.seventh = static_cast<std::uint8_t>(PlaceByOctaveRule(context.random, root + seventh, -12));
        }
    }

    if (context.snapToTemplate) {
        ChordTemplate chordTemplate = kDefaultChordTemplate;
        LookUpChordTemplate(context.knowledgeBase, code, chordTemplate);
        entry.root = Snap(chordTemplate, entry.root);
        entry.bass = Snap(chordTemplate, entry.bass);
        entry.third = Snap(chordTemplate, entry.third);
        entry.fifth = Snap(chordTemplate, entry.fifth);
        entry.seventh = Snap(chordTemplate, entry.seventh);
    }

    if (!bassOffset.empty() && bassOffset[0] != '\0') {
        entry.bassOffset[0] = bassOffset[0];
        entry.bassOffset[1] = bassOffset.size() > 1 ? bassOffset[1] : '0';
        entry.bass = static_cast<std::uint8_t>(entry.bass + entry.BassOffsetValue());
    }
    return entry;
}

bool AppendChordEntry(const ChordEntryContext& context, ChordList& list, const ChordRecord& record,
                      int bassOffset)
{
    if (list.entries.size() >= kChordListCapacity) return false;
    const int offset = bassOffset < 0 ? 0 : bassOffset % 100;
    const char digits[2] = {static_cast<char>('0' + offset / 10), static_cast<char>('0' + offset % 10)};
    list.entries.push_back(MakeChordEntry(context, record, std::string_view(digits, 2)));
    return true;
}

void ClearChordList(ChordList& list) { list.entries.clear(); }

int ChordListBeats(const ChordList& list)
{
    std::int64_t ticks = 0;
    for (const auto& entry : list.entries) ticks += entry.length;
    return static_cast<int>(ticks / kTicksPerBeat);
}

int BuildChordList(const ChordEntryContext& context, ChordList& list,
                   std::span<const ChordSection> sections)
{
    ClearChordList(list);

    // The random inversions are drawn whether or not they are used, so the
    // generators after this see the same random sequence either way.
    std::array<InversionSlot, 5> slots{};
    for (auto& slot : slots) {
        slot.section = RandomBetween(context.random, 0, 3);
        slot.position = RandomBetween(context.random, 0, 7) * static_cast<int>(kChordRecordSize);
        slot.interval = RandomBetween(context.random, 0, 1) == 0 ? 7
                        : RandomBetween(context.random, 0, 1) == 0 ? 3 : 5;
    }
    // Mode 1 applies a slot to its chord position in every section.
    const int inversionMode = RandomBetween(context.random, 0, 1);

    for (std::size_t s = 0; s < sections.size(); ++s) {
        const ChordSection& section = sections[s];
        if (section.number < 1) {
            EngineErrorMsg(context.reporter, kSectionError);
            continue;
        }
        for (std::size_t c = 0; c < section.chords.size(); ++c) {
            int offset = 0;
            if (context.inversionSwitch) {
                const int position = static_cast<int>(c * kChordRecordSize);
                for (const auto& slot : slots) {
                    const bool sectionMatches = inversionMode == 1 || slot.section == static_cast<int>(s);
                    if (sectionMatches && slot.position == position) offset = slot.interval;
                }
            }
            if (!AppendChordEntry(context, list, section.chords[c], offset)) return ChordListBeats(list);
        }
    }
    return ChordListBeats(list);
}

int BuildChordList(const ChordEntryContext& context, ChordList& list,
                   std::span<const std::uint8_t> chordRecords)
{
    const ChordSection whole{1, DecodeChordRecords(chordRecords)};
    return BuildChordList(context, list, std::span(&whole, 1));
}

}  // namespace songloom::harmony
