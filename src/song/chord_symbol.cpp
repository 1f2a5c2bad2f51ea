#include "song/chord_symbol.h"

#include "song/pitch_spelling.h"
#include "song/song_tables.h"

namespace songloom::song {
namespace {

int Wrap(int pitchClass) { return ((pitchClass % 12) + 12) % 12; }

}  // namespace

bool ParseChordSymbol(std::string_view name, ChordSymbol& out)
{
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.empty() || name == "----") return false;
    ChordSymbol chord;
    chord.root = ChordRootIndex(name);
    if (chord.root < 0) return false;
    std::string_view rest = name.substr(ChordRootLength(name));
    const bool bareRoot = rest.empty() || rest.starts_with("on") || rest.starts_with('/');
    if (bareRoot) {
        chord.type = 0;
    } else {
        const ChordParts parts = ParseChordName(name);
        chord.type = parts.type;
        if (chord.type < 0) return false;
        rest.remove_prefix(ChordTypes[static_cast<std::size_t>(chord.type)].size());
    }
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    if (rest.starts_with("on")) {
        rest.remove_prefix(2);
    } else if (rest.starts_with('/')) {
        rest.remove_prefix(1);
    } else if (!rest.empty()) {
        return false;
    }
    if (!rest.empty()) {
        if (ChordRootLength(rest) != rest.size()) return false;
        chord.bass = ChordRootIndex(rest);
        if (chord.bass < 0) return false;
    }
    out = chord;
    return true;
}

std::string ChordCellName(const ChordSymbol& chord)
{
    std::string name = ChordNameOf(chord.root, chord.type);
    if (!name.empty() && chord.bass >= 0) name += "on" + std::string(ChordRoots[static_cast<std::size_t>(Wrap(chord.bass))]);
    return name;
}

std::string ChordDisplayName(const ChordSymbol& chord, bool flats)
{
    if (chord.root < 0 || chord.type < 0 || chord.type >= kChordTypeCount) return {};
    std::string name = SpelledRootName(chord.root, flats);
    if (chord.type != 0) name += ChordTypes[static_cast<std::size_t>(chord.type)];
    if (chord.bass >= 0) name += "/" + SpelledRootName(chord.bass, flats);
    return name;
}

ChordSymbol TransposedChord(const ChordSymbol& chord, int semitones)
{
    ChordSymbol moved = chord;
    if (moved.root >= 0) moved.root = Wrap(moved.root + semitones);
    if (moved.bass >= 0) moved.bass = Wrap(moved.bass + semitones);
    return moved;
}

}  // namespace songloom::song
