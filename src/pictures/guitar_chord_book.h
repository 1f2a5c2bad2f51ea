#pragma once
// The guitar palette's chord book: fingerings for 40 chord types over the
// twelve roots, and the pairing of the book's type names with the song's
// chord suffixes. Plain data, no Qt, so the palette and tests share it.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace songloom::pictures {

// Frets from the 6th (lowest) string to the 1st; -1 = not played, 0 = open.
struct ChordBookEntry {
    std::string_view name;  // "C△", or "C#△/Db△" for a black-key root
    std::array<int, 6> frets;
};

inline constexpr std::size_t kChordBookEntries = 961;
extern const std::array<ChordBookEntry, kChordBookEntries> kChordBook;

// MIDI notes of the open strings, 6th to 1st.
inline constexpr std::array<int, 6> kOpenStrings = {52, 57, 62, 67, 71, 76};

// A chord-book type name and the song suffix it stands for ("" = none: the
// song has no such type).
struct ChordBookType {
    std::string_view bookName;
    std::string_view songSuffix;
};

inline constexpr std::array<ChordBookType, 40> kChordBookTypes{{
    {"△", " "}, {"m", "m"}, {"7", "7"}, {"△7", "M7"}, {"m7", "m7"}, {"m△7", "mM7"},
    {"sus4", "sus4"}, {"7sus4", "7sus4"}, {"dim", "dim"}, {"dim7", "dim7"}, {"aug", "aug"},
    {"7(#5)", "aug7"}, {"m7(b5)", "m7b5"}, {"△7(#5)", "augM7"}, {"6", ""}, {"m6", ""}, {"69", ""},
    {"m69", ""}, {"7(b5)", ""}, {"m7(#5)", ""}, {"△7(b5)", ""}, {"m△7(#5)", ""}, {"m△7(b5)", ""},
    {"△9", ""}, {"m9", ""}, {"9", ""}, {"7(b9)", ""}, {"7(#9)", ""}, {"m11", ""}, {"m7(b5,11)", ""},
    {"7(#11)", ""}, {"7(9,11)", ""}, {"7(#9,#11)", ""}, {"13", ""}, {"7(9,13)", ""},
    {"7(9,#11,13)", ""}, {"7(b13)", ""}, {"7(b9,b13)", ""}, {"7(b9,#11,b13)", ""}, {"add9", ""},
}};

// The book's type name for a song suffix; empty when the book has none.
std::string_view BookTypeOfSongSuffix(std::string_view songSuffix);

// The sharp-spelled name looked up for root 0..11 and a book type ("C#△").
std::string ChordBookName(int root, std::string_view bookType);

// The entries of one chord, in book order (position 1 is the first); empty
// when the name has none. An entry matches when its name before "/" equals
// name.
std::span<const ChordBookEntry> FindChord(std::string_view name);

// The first fret a fingerboard of shownFrets fret spaces starts at so the
// whole fingering fits: 1 (the nut) when it reaches no higher than
// shownFrets, else its lowest fretted fret.
int FirstFretFor(const ChordBookEntry& entry, int shownFrets);

// MIDI notes sounded by the played strings, lowest string first.
std::array<int, 6> SoundingNotes(const ChordBookEntry& entry);  // -1 for a silent string

}  // namespace songloom::pictures
