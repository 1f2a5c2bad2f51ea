#pragma once
// Letter names of pitches for notation: the song stores pitches and chord
// roots as numbers and sharp-spelled names; written music spells black keys
// as the key signature suggests (flats in flat keys, sharps otherwise).

#include <string>

namespace songloom::song {

struct Spelling {
    char step = 'C';  // 'A'..'G'
    int alter = 0;    // -1 flat, +1 sharp
};

// Spelling of a pitch class (any integer, taken mod 12).
Spelling SpellPitchClass(int pitchClass, bool flats);
// Pitch class of a letter with an alteration; -1 for a letter outside A..G.
int PitchClassOf(char step, int alter);
// The root name as a chord symbol shows it ("Bb", "F#", "C").
std::string SpelledRootName(int pitchClass, bool flats);

}  // namespace songloom::song
