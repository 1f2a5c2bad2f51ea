#pragma once
// The chord palette's default lists: the chords of a scale built on a key's
// tonic, with sharp-spelled roots or with roman degrees, the scales a key
// offers, and the notes that sound a palette chord as a preview.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace songloom::harmony {

// Scale numbers of the default lists.
inline constexpr int kScaleMajor = 0;
inline constexpr int kScaleNaturalMinor = 1;
inline constexpr int kScaleHarmonicMinor = 2;
inline constexpr int kScaleNaturalHarmonicMinor = 12;

struct DiatonicChord {
    int degree;             // semitones above the tonic
    std::string_view type;  // "" for the major triad (a drop completes it)
};

// The triads of a scale; empty for a scale number without a list.
std::vector<DiatonicChord> DiatonicTriads(int scale);

// The roman numeral of a degree (0..11): "I", "bII", ... "VII".
std::string_view RomanDegree(int degree);

// DiatonicChordList: the chord names of scale on tonic (pitch class 0..11),
// or, without a tonic, the roman-degree names ("I", "IIm", "bIII", ...).
std::vector<std::string> DiatonicChordList(int scale, std::optional<int> tonic);

// The scale selector's entries for a key of the song's key table (UTF-8):
// one for a major key, three for a minor one.
std::vector<std::string_view> ScaleSelectorEntries(int key);
// The scale of a selector entry for key: major keys always the major scale;
// minor keys entry 0 natural, 1 harmonic, 2 natural and harmonic (any other
// entry natural).
int ScaleOfSelection(int key, int entry);

// Pitches that sound a chord name of the song's vocabulary (sharp or flat
// root, a type suffix, a bare root for the major triad) from the root in the
// octave above middle C's; empty for a name that is no chord.
std::vector<int> ChordPreviewNotes(std::string_view name);

}  // namespace songloom::harmony
