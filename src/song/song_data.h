#pragma once
// SongData: the song the user edits. One chord name per beat (1024 beats),
// one melody slot per eighth note (2048 slots, each two sixteenth cells or
// three triplet cells), the song information block, bar count, beats per bar
// and key. Everything is a fixed-size array addressed by arithmetic on
// (bar, beat, eighth, sixteenth); nothing is allocated per note.
//
// Positions are computed, never stored: beat index = bar * beats + beat,
// slot index = beat index * 2 + eighth. Bars are 0-based here.
//
// Operations that can refuse take the Reporter first; a refusal reports
// "SGDT" and leaves the song unchanged.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"
#include "song/song_tables.h"

namespace songloom::song {

inline constexpr int MaxBeats = 1024;
inline constexpr int MaxSlots = 2048;
inline constexpr int MaxBars = 256;  // the largest bar count the user can set
inline constexpr int kReservedWords = 512;

// Melody cell values besides pitches 0..127.
inline constexpr std::int32_t kRest = -1;        // a rest starts here
inline constexpr std::int32_t kHold = -2;        // the previous cell goes on
inline constexpr std::int32_t kNotTriplet = -3;  // in c2 only

// Text of an inactive chord cell.
inline constexpr std::string_view kInactiveChord = "----";

struct ChordCell {
    std::array<char, 8> name{};   // zero-terminated chord name (CP932)
    std::array<char, 8> extra{};  // carried with the cell, never set but to ""

    std::string_view Name() const;
    void SetName(std::string_view text);  // cut to 7 bytes, zero-padded
    bool operator==(const ChordCell&) const = default;
};

struct MelodySlot {
    // c0, c1: the two sixteenths (c2 == kNotTriplet); or three triplet cells.
    std::array<std::int32_t, 3> cell{kHold, kHold, kNotTriplet};
    std::array<std::array<char, 8>, 3> text{};  // lyric of each cell (CP932)

    bool IsTriplet() const { return cell[2] != kNotTriplet; }
    void ClearTexts() { text = {}; }
    bool operator==(const MelodySlot&) const = default;
};

struct SongInfo {
    std::array<char, 64> composer{};  // CP932, zero-terminated
    std::array<char, 128> memo{};     // no operation fills it
    std::int32_t category = 0;        // music style category 0..8
    std::int32_t style = 1;           // style within the category
    std::int32_t tempo = 120;         // quarter notes per minute
    std::int32_t instrument = 0;      // melody instrument 0..151
    std::array<std::uint8_t, 48> reserved{};
    std::array<char, 64> title{};     // CP932, zero-terminated

    bool operator==(const SongInfo&) const = default;
};

// What sounds at a cell: the value that started there (pitch, kRest, or
// kHold when nothing started before it) and its length in sixteenths.
struct SoundingNote {
    std::int32_t value = kRest;
    int sixteenths = 0;
    double Eighths() const { return sixteenths / 2.0; }
};

// The reporter of the song ("SGDT"). 0 is the code for a bad argument or a
// position outside the song.
void SongErrorMsg(Reporter& reporter, std::uint32_t code);
namespace sgdt {
inline constexpr std::uint32_t kBadArgument = 0;
inline constexpr std::uint32_t kSongData = 1;
inline constexpr std::uint32_t kNoteValueHere = 2;
inline constexpr std::uint32_t kLyricTooLong = 3;
}  // namespace sgdt

class SongData {
public:
    // A fresh song of 8 bars in 4/4, C major, without a home file.
    SongData();
    // Reads the song file at path (song_image.h: ReadSongFile) or, when there
    // is none or it is empty or refused, resets with the given values. The
    // bar count, beats and key of the song are written back into the three.
    SongData(Reporter& reporter, std::string path, int& bars, int& beats, int& key);

    // New song content: info reset, chords keyName/"----", fresh slots,
    // reserved zero. beats of 0, a key outside the table or a bar count that
    // does not fit are refused with SGDT 0.
    bool Reset(Reporter& reporter, int bars, int beats, int key);
    // Writes the image to path, or to the home path when path is empty.
    bool Save(Reporter& reporter, const std::string& path = {}) const;

    // Grows with fresh bars or shrinks (freed chord cells become "----";
    // melody outside the song is kept until the song grows again). Returns
    // false, unchanged, when n is not 1..MaxBars or does not fit MaxBeats.
    bool SetBarCount(int n);
    // Writes root + type into count chord cells from (bar, beat) on, across
    // bar lines, up to the end of the song.
    bool SetChord(Reporter& reporter, int bar, int beat, int root, int type, int count);
    // The chord name of a beat as a whole (the phrase palette writes names
    // unchanged); false when the beat is outside the song.
    bool SetChordName(int beatIndex, std::string_view name);
    // Places a note (pitch 0..127) or a rest (-1) of NoteValueTable[valueIndex]
    // at the slot's first (sub 0) or second (sub 1) sixteenth.
    bool SetNote(Reporter& reporter, int bar, int eighth, int pitch, int valueIndex, int sub);
    // Turns the note at that cell into a rest.
    void ClearNote(int bar, int eighth, int sub);
    // Copies a whole slot (cells and texts); ignored outside the 2048 slots.
    void PutSlot(int bar, int eighth, const MelodySlot& slot);
    SoundingNote GetNote(int bar, int eighth, int sub) const;
    std::int32_t GetSecondCell(int bar, int eighth) const;
    // Slots from (bar, eighth) that a dropped note may fill: the holds after
    // it, then a rest start and the rest starts right after it.
    int FreeRun(int bar, int eighth) const;
    // After a paste: a value held into slotIndex over more than 8 slots is
    // cut by a rest start there.
    void BreakLongHold(int slotIndex);
    bool IsUntouched() const;

    // Single-level undo: the snapshot is the exact file image.
    void TakeSnapshot();
    void RestoreSnapshot();
    bool HasSnapshot() const { return !snapshot_.empty(); }
    const std::vector<std::uint8_t>& Snapshot() const { return snapshot_; }

    // Whole-bar operations.
    void CopyBar(int from, int to);
    void ClearBar(int bar);
    void ClearTexts(int first, int last);
    bool InsertBars(Reporter& reporter, int first, int last);
    bool DeleteBars(Reporter& reporter, int first, int last);
    // 4/4 <-> 3/4, keeping the bar count.
    bool ChangeBeats(Reporter& reporter, int newBeats);
    // Moves chords and melody from oldKey to newKey; key = newKey afterwards.
    bool Transpose(Reporter& reporter, int oldKey, int newKey);
    // Changes the key signature only (chords and melody stay).
    bool SetKey(int key);

    int bars() const { return bars_; }
    int beats() const { return beats_; }
    int key() const { return key_; }
    std::string_view keyName() const { return std::string_view(keyName_.data()); }
    const std::string& homePath() const { return homePath_; }
    void SetHomePath(std::string path) { homePath_ = std::move(path); }

    int ActiveBeats() const { return bars_ * beats_; }
    int ActiveSlots() const { return bars_ * beats_ * 2; }
    int SlotsPerBar() const { return beats_ * 2; }
    // Slot index of (bar, eighth); -1 outside the 2048 slots or the bar.
    int SlotIndex(int bar, int eighth) const;
    std::string_view ChordName(int beatIndex) const;
    // The value sounding at the first cell of slotIndex, following holds
    // back; kRest when only holds lead back to the start of the song.
    std::int32_t SoundingValueAt(int slotIndex) const;
    // The same from a sixteenth cell (slot * 2 + sub).
    std::int32_t SoundingValueAtCell(int pos) const;

    // The song's data, addressed by beat and slot index. Cells outside the
    // song (at and beyond ActiveBeats / ActiveSlots) are inactive.
    std::array<ChordCell, MaxBeats> chords{};
    std::array<MelodySlot, MaxSlots> melody{};
    SongInfo info{};
    std::array<std::uint32_t, kReservedWords> reserved{};

    // Sets the header words as an image gives them (song_image.cpp): false,
    // unchanged, unless bars is 1..256, beats 3 or 4 and key in the table.
    bool SetHeader(int bars, int beats, int key);

private:
    // Reset with values already known to fit.
    void ResetChecked(int bars, int beats, int key);
    void RebuildKeyName();
    void FreshSlot(int slotIndex, int beatsForBarStarts);
    // Gives a bar that begins with a hold its own start again.
    void RestartHeldBar(int slotIndex, std::int32_t value);

    int bars_ = 8;
    int beats_ = 4;
    int key_ = 0;
    std::array<char, 16> keyName_{};
    std::vector<std::uint8_t> snapshot_;  // empty: no snapshot
    std::string homePath_;
};

}  // namespace songloom::song
