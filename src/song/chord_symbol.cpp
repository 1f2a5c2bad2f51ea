#include "song/chord_symbol.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>

#include "song/pitch_spelling.h"
#include "song/song_tables.h"

namespace songloom::song {
namespace {

int Wrap(int pitchClass) { return ((pitchClass % 12) + 12) % 12; }

// The pitch classes of each type over a root of C, one bit each.
constexpr std::uint16_t Bits(std::initializer_list<int> intervals)
{
    std::uint16_t bits = 0;
    for (const int i : intervals) bits = static_cast<std::uint16_t>(bits | (1u << i));
    return bits;
}
constexpr std::array<std::uint16_t, kChordTypeCount> kTypeIntervals = {
    Bits({0, 4, 7}),     Bits({0, 3, 7}),     Bits({0, 4, 7, 10}),    Bits({0, 4, 7, 11}), Bits({0, 3, 7, 10}),
    Bits({0, 3, 7, 11}), Bits({0, 3, 6}),     Bits({0, 5, 7}),        Bits({0, 5, 7, 10}), Bits({0, 4, 8}),
    Bits({0, 4, 8, 11}), Bits({0, 4, 8, 10}), Bits({0, 3, 6, 9}),     Bits({0, 3, 6, 10}), Bits({0, 4, 7, 9}),
    Bits({0, 2, 4, 7, 10}), Bits({0, 3, 7, 9}), Bits({0, 4, 6, 10}),
};

std::uint16_t RotatedToRoot(std::uint16_t pitchClasses, int root)
{
    std::uint16_t bits = 0;
    for (int pc = 0; pc < 12; ++pc) {
        if (pitchClasses & (1u << pc)) bits = static_cast<std::uint16_t>(bits | (1u << Wrap(pc - root)));
    }
    return bits;
}

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
    if (chord.bass >= 0) {
        name += '/';
        name += SpelledRootName(chord.bass, flats);
    }
    return name;
}

ChordSymbol TransposedChord(const ChordSymbol& chord, int semitones)
{
    ChordSymbol moved = chord;
    if (moved.root >= 0) moved.root = Wrap(moved.root + semitones);
    if (moved.bass >= 0) moved.bass = Wrap(moved.bass + semitones);
    return moved;
}

bool RecogniseChord(const std::vector<int>& pitches, ChordSymbol& out)
{
    if (pitches.empty()) return false;
    std::uint16_t classes = 0;
    for (const int p : pitches) classes = static_cast<std::uint16_t>(classes | (1u << Wrap(p)));
    if (std::popcount(classes) < 3) return false;
    const int bass = Wrap(*std::min_element(pitches.begin(), pitches.end()));
    // The lowest note as the root first, then the roots above it.
    for (int step = 0; step < 12; ++step) {
        const int root = Wrap(bass + step);
        const std::uint16_t shape = RotatedToRoot(classes, root);
        for (int type = 0; type < kChordTypeCount; ++type) {
            if (kTypeIntervals[static_cast<std::size_t>(type)] != shape) continue;
            out = ChordSymbol{root, type, -1};
            return true;
        }
    }
    return false;
}

}  // namespace songloom::song
