#pragma once
// Chord entries: each chord of the song structure with its length and
// concrete MIDI notes for root, bass, third, fifth and seventh, in song
// order. The bass, accompaniment and drum generators walk the ChordList.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_code.h"
#include "harmony/chord_template.h"

namespace songloom::harmony {

// One record of the engine chord list: length in ticks (96 a beat) and code.
// Its file image is six bytes: length high byte, low byte, the four code
// characters. A record of length 0 ends a list.
struct ChordRecord {
    std::uint16_t length = 0;
    ChordCode code;

    friend bool operator==(const ChordRecord&, const ChordRecord&) = default;
};
inline constexpr std::size_t kChordRecordSize = 6;

void EncodeChordRecord(const ChordRecord& record, std::span<std::uint8_t, kChordRecordSize> out);
ChordRecord DecodeChordRecord(std::span<const std::uint8_t, kChordRecordSize> bytes);
// The records of an engine chord list image up to its terminating record of
// length 0 (or the end of the bytes; a trailing partial record is ignored).
std::vector<ChordRecord> DecodeChordRecords(std::span<const std::uint8_t> bytes);

struct ChordEntry {
    ChordRecord record;
    std::uint8_t root = 0;     // 60 (C) to 71 (B); 0 for NoCd or a bad root
    std::int32_t length = 0;   // ticks
    std::uint8_t bass = 0;     // root two octaves down, plus the bass offset
    std::uint8_t third = 0;    // 0 when none
    std::uint8_t fifth = 0;    // 0 when none
    std::uint8_t seventh = 0;  // seventh, sixth, octave or ninth; 0 when none
    ChordCode code;
    // Two decimal digits (tens, units) of the bass offset in semitones, or
    // a NUL first character when the entry has none.
    std::array<char, 2> bassOffset{};

    bool HasBassOffset() const { return bassOffset[0] != '\0'; }
    // The offset's value; 0 when there is none.
    int BassOffsetValue() const;

    friend bool operator==(const ChordEntry&, const ChordEntry&) = default;
};

// Entries a ChordList holds at most.
inline constexpr std::size_t kChordListCapacity = 500;

// A class, not a struct, because the engine context declares it ahead.
class ChordList {
public:
    std::vector<ChordEntry> entries;  // never more than kChordListCapacity
};

// What entry building reads besides the record: the engine's reporter and
// generator, the knowledge base, and three values of the active style.
struct ChordEntryContext {
    Reporter& reporter;
    Random& random;
    const ChordKnowledgeBase& knowledgeBase;
    int accompanimentPattern = 0;  // 47 places thirds without drawing an octave
    bool snapToTemplate = false;   // the style's second melody option is 1
    bool inversionSwitch = false;  // random bass inversions; every preset is off
};

// Lowest and highest note the octave rule places thirds and sevenths in.
inline constexpr int kVoicingLow = 60;
inline constexpr int kVoicingHigh = 83;

// Builds one entry. Every bad code character is reported (YRAC 0xFF010022
// root, 0x23 third, 0x24 fifth, 0x25 seventh) and the entry is still made:
// a bad root gives root 0 and no third, fifth or seventh; a bad fifth
// equals the root. bassOffset: two digits added to the bass, or empty.
ChordEntry MakeChordEntry(const ChordEntryContext& context, const ChordRecord& record,
                          std::string_view bassOffset);

// Appends an entry whose bass offset (0-99 semitones) is written as two
// digits. false, and nothing appended, when the list is full.
bool AppendChordEntry(const ChordEntryContext& context, ChordList& list, const ChordRecord& record,
                      int bassOffset);

void ClearChordList(ChordList& list);

// Sum of the entries' lengths in ticks divided by 96.
int ChordListBeats(const ChordList& list);

// One section of the song structure and the chords it plays. Numbers start
// at 1.
struct ChordSection {
    int number = 1;
    std::vector<ChordRecord> chords;
};

// Refills list from the sections in order (a section numbered below 1 is
// reported, YRAC 0xFF0101C6, and skipped) and returns its length in beats.
// Stops when the list is full.
int BuildChordList(const ChordEntryContext& context, ChordList& list,
                   std::span<const ChordSection> sections);
// One section holding the whole engine chord list image (six-byte records up
// to the closing zero length).
int BuildChordList(const ChordEntryContext& context, ChordList& list,
                   std::span<const std::uint8_t> chordRecords);

}  // namespace songloom::harmony
