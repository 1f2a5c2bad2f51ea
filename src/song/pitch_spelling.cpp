#include "song/pitch_spelling.h"

#include <array>

namespace songloom::song {
namespace {

constexpr std::array<Spelling, 12> kSharpSpellings = {{
    {'C', 0}, {'C', 1}, {'D', 0}, {'D', 1}, {'E', 0}, {'F', 0},
    {'F', 1}, {'G', 0}, {'G', 1}, {'A', 0}, {'A', 1}, {'B', 0},
}};
constexpr std::array<Spelling, 12> kFlatSpellings = {{
    {'C', 0}, {'D', -1}, {'D', 0}, {'E', -1}, {'E', 0}, {'F', 0},
    {'G', -1}, {'G', 0}, {'A', -1}, {'A', 0}, {'B', -1}, {'B', 0},
}};
constexpr std::array<int, 7> kLetterPitchClass = {9, 11, 0, 2, 4, 5, 7};  // A..G

}  // namespace

Spelling SpellPitchClass(int pitchClass, bool flats)
{
    const auto pc = static_cast<std::size_t>(((pitchClass % 12) + 12) % 12);
    return flats ? kFlatSpellings[pc] : kSharpSpellings[pc];
}

int PitchClassOf(char step, int alter)
{
    if (step < 'A' || step > 'G') return -1;
    return ((kLetterPitchClass[static_cast<std::size_t>(step - 'A')] + alter) % 12 + 12) % 12;
}

std::string SpelledRootName(int pitchClass, bool flats)
{
    const Spelling s = SpellPitchClass(pitchClass, flats);
    std::string name(1, s.step);
    if (s.alter > 0) name += '#';
    if (s.alter < 0) name += 'b';
    return name;
}

}  // namespace songloom::song
