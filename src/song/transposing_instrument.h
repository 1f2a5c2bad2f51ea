#pragma once
// The instruments whose parts are written above the pitch they sound: the
// score and its chord names can be shown as such a player reads them. The
// song itself always holds sounding pitches.

#include <array>
#include <string_view>

namespace songloom::song {

struct TransposingInstrument {
    std::string_view name;  // as the user chooses it: "C", "Bb", "Eb", "F"
    int writtenAbove;       // semitones the written part lies above the sound
};

// Concert pitch; B-flat (clarinet, trumpet, soprano saxophone: a major
// second); E-flat (alto saxophone: a major sixth); F (horn: a fifth).
inline constexpr std::array<TransposingInstrument, 4> kTransposingInstruments = {{
    {"C", 0}, {"Bb", 2}, {"Eb", 9}, {"F", 7}}};

// The instrument of that name; nullptr for any other.
constexpr const TransposingInstrument* FindTransposingInstrument(std::string_view name)
{
    for (const auto& instrument : kTransposingInstruments) {
        if (instrument.name == name) return &instrument;
    }
    return nullptr;
}

}  // namespace songloom::song
