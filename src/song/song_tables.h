#pragma once
// The song's fixed vocabularies: the 30 keys, the ten note values and the
// chord names written into chord cells (twelve sharp-spelled roots and
// eighteen type suffixes, a blank meaning the major triad).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/reporter.h"

namespace songloom::song {

struct KeyRow {
    std::string_view name;
    int tonic;      // pitch class, 0 = C
    int mode;       // 0 major, 1 minor
    int signature;  // number of sharps, negative for flats
};

inline constexpr int kKeyCount = 30;

inline constexpr std::array<KeyRow, kKeyCount> KeyTable = {{
    {"C", 0, 0, 0},     {"G", 7, 0, 1},     {"D", 2, 0, 2},     {"A", 9, 0, 3},
    {"E", 4, 0, 4},     {"B", 11, 0, 5},    {"F#", 6, 0, 6},    {"C#", 1, 0, 7},
    {"F", 5, 0, -1},    {"Bb", 10, 0, -2},  {"Eb", 3, 0, -3},   {"Ab", 8, 0, -4},
    {"Db", 1, 0, -5},   {"Gb", 6, 0, -6},   {"Cb", 11, 0, -7},  {"Am", 9, 1, 0},
    {"Em", 4, 1, 1},    {"Bm", 11, 1, 2},   {"F#m", 6, 1, 3},   {"C#m", 1, 1, 4},
    {"G#m", 8, 1, 5},   {"D#m", 3, 1, 6},   {"A#m", 10, 1, 7},  {"Dm", 2, 1, -1},
    {"Gm", 7, 1, -2},   {"Cm", 0, 1, -3},   {"Fm", 5, 1, -4},   {"Bbm", 10, 1, -5},
    {"Ebm", 3, 1, -6},  {"Abm", 8, 1, -7},
}};

constexpr bool IsValidKey(int key) { return key >= 0 && key < kKeyCount; }

// The key's name as chord cells and the key display use it: the table's name,
// followed by one blank unless it ends in "m" ("C " for C major, "Am").
std::string KeyNameOf(int key);

struct NoteValueRow {
    int sixteenths;          // length in sixteenth cells (one eighth slot = 2)
    std::string_view name;   // UTF-8, for the UI
    constexpr double Eighths() const { return sixteenths / 2.0; }
};

inline constexpr int kNoteValueCount = 10;

inline constexpr std::array<NoteValueRow, kNoteValueCount> NoteValueTable = {{
    {1, "16分音符"},
    {2, "8分音符"},
    {3, "付点8分音符"},
    {4, "4分音符"},
    {6, "付点4分音符"},
    {8, "2分音符"},
    {10, "2分音符と8分音符"},
    {12, "付点2分音符"},
    {14, "複付点2分音符"},
    {16, "全音符"},
}};

// The row of NoteValueTable with that length in sixteenths; 0 for a length
// that has no row (2.5, 3.5, ... eighths).
constexpr int NoteValueIndexOfSixteenths(int sixteenths)
{
    for (int i = 0; i < kNoteValueCount; ++i) {
        if (NoteValueTable[i].sixteenths == sixteenths) return i;
    }
    return 0;
}

inline constexpr int kChordRootCount = 12;
inline constexpr int kChordTypeCount = 18;

inline constexpr std::array<std::string_view, kChordRootCount> ChordRoots = {
    "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};

// Flat spellings accepted when a name is read, by root index; empty where a
// white key has no such spelling.
inline constexpr std::array<std::string_view, kChordRootCount> ChordFlatRoots = {
    "", "Db", "", "Eb", "", "", "Gb", "", "Ab", "", "Bb", ""};

inline constexpr std::array<std::string_view, kChordTypeCount> ChordTypes = {
    " ",   "m",     "7",    "M7",   "m7",   "mM7", "dim", "sus4", "7sus4",
    "aug", "augM7", "aug7", "dim7", "m7b5", "6",   "9",   "m6",   "7b5"};

// A chord name's root and type indices; -1 for a part that is not found.
struct ChordParts {
    int root = -1;
    int type = -1;
    bool ok() const { return root >= 0 && type >= 0; }
};

// The root index of the start of name (one character, or two when the second
// is '#' or 'b'); -1 when it is none of the twelve roots or their flats.
int ChordRootIndex(std::string_view name);
// Length of the root spelling at the start of name (2 with '#'/'b', else 1).
std::size_t ChordRootLength(std::string_view name);

// Splits name into root and type. The suffixes are tried from the last to the
// first so that "m7b5" wins over "m7" and "m". A part that is not found shows
// the composition driver's untagged box (code 0) once.
ChordParts SplitChordName(Reporter& reporter, std::string_view name);
// The same without any report (for previews and tests of a name).
ChordParts ParseChordName(std::string_view name);

// "C" becomes "C " (a bare root gets the blank suffix); other names as given.
std::string CompleteChordName(std::string_view name);

// Sharp-spelled root followed by the suffix; empty when an index is outside.
std::string ChordNameOf(int root, int type);

}  // namespace songloom::song
