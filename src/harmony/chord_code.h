#pragma once
// The engine's chord code: four characters (root, third, fifth, seventh or
// added tone) that every generator works on instead of the song's chord
// names, and the conversions between song names, codes and display names.
//
//   root    C D E F G A B naturals; d e g a b for the five flat keys; N (NoCd)
//   third   M major, m minor, 4 suspended fourth
//   fifth   P perfect, d diminished, A augmented
//   seventh o none, s minor 7th, S major 7th, 6 sixth (or dim. 7th), 9 added 9th

#include <array>
#include <string>
#include <string_view>

#include "common/reporter.h"

namespace songloom::harmony {

struct ChordCode {
    std::array<char, 4> bytes{'-', '-', '-', '-'};

    constexpr ChordCode() = default;
    // From a four-character literal: ChordCode("CMPS").
    constexpr ChordCode(const char (&text)[5]) : bytes{text[0], text[1], text[2], text[3]} {}
    // The first four bytes of text; missing bytes are NUL.
    static ChordCode FromBytes(std::string_view text);

    constexpr char root() const { return bytes[0]; }
    constexpr char third() const { return bytes[1]; }
    constexpr char fifth() const { return bytes[2]; }
    constexpr char seventh() const { return bytes[3]; }
    std::string_view view() const { return {bytes.data(), bytes.size()}; }
    std::string ToString() const { return std::string(view()); }

    friend constexpr bool operator==(const ChordCode&, const ChordCode&) = default;
};

// No chord.
inline constexpr ChordCode kNoChordCode("NoCd");
// A beat beyond the end of the song; also "-" in positions 2 to 4 is what an
// unconvertible chord name leaves.
inline constexpr ChordCode kUndefinedChordCode("----");
// Closes the melody source list; stands in for NoCd where a real chord is
// needed.
inline constexpr ChordCode kClosingChordCode("CMPS");

// Pitch class 0 (C) to 11 (B) of a code's root character; -1 for anything
// else ("N" included).
int RootPitchClass(char root);

// A song chord name ("F#m7", "Bb", "C", "Gsus4") to its code. A sharp or
// flat moves the root a semitone (B# is C, Fb is E); a letter outside A-G
// before an accidental shows the converter's box with code 0 and is kept.
// The suffix must match the song vocabulary exactly; any other suffix
// leaves "---" in positions 2 to 4. An empty name gives "----".
ChordCode ChordNameToCode(Reporter& reporter, std::string_view name);

// A short display name for chord markers: "N/C", "Eb 7", "Cm 7", "Cdim ",
// "C M7". A flat root is written upper case with "b". The seventh-flat-five
// code (M d s) reads "C 7b5"; with a natural root it is first reported as a
// diminished-chord error (YRAC 0xFF01006B). Sixth, added ninth, suspended
// and augmented qualities are not shown.
std::string ChordCodeToDisplayName(Reporter& reporter, ChordCode code);

// Appends "on" and the sharp-spelled name of pitch's pitch class ("onC#");
// a negative pitch appends nothing.
void AppendBassName(std::string& text, int pitch);

// The song chord name for display with a sharp root respelled as the flat
// (C#m7 reads Dbm7); E# and B# stay as they are.
std::string FlatSpelling(std::string_view name);

}  // namespace songloom::harmony
