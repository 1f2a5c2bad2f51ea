#pragma once
// A chord cell's name as a chord symbol: root, type and an optional bass
// note ("C onE" or "C/E"), for notation and for transposed display. The
// cells themselves keep their sharp-spelled names.

#include <string>
#include <string_view>
#include <vector>

namespace songloom::song {

struct ChordSymbol {
    int root = -1;  // pitch class
    int type = -1;  // index into ChordTypes
    int bass = -1;  // pitch class of a named bass, -1 when none
    bool operator==(const ChordSymbol&) const = default;
};

// False for "----", an empty name and anything whose root or type is not
// in the song's vocabulary. A bare root ("C") is the major triad.
bool ParseChordSymbol(std::string_view name, ChordSymbol& out);
// The name a chord cell holds: sharp root, type suffix, "on" and the bass.
std::string ChordCellName(const ChordSymbol& chord);
// The name shown on a score: the root spelled with flats when asked, the
// major triad's blank left off.
std::string ChordDisplayName(const ChordSymbol& chord, bool flats);
// Root and bass moved by semitones (any integer).
ChordSymbol TransposedChord(const ChordSymbol& chord, int semitones);

}  // namespace songloom::song

namespace songloom::song {

// The chord that exactly the pitch classes of the notes played form, by
// the song's eighteen types; where one set reads two ways (C6 and Am7) the
// root nearest above the lowest note wins, the lowest note itself first. False for fewer than three pitch classes or
// a set that is none of the types.
bool RecogniseChord(const std::vector<int>& pitches, ChordSymbol& out);

}  // namespace songloom::song
