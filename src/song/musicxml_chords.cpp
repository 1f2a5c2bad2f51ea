#include "song/musicxml_chords.h"

#include "song/song_tables.h"

namespace songloom::song {
namespace {

constexpr std::array<HarmonyKind, kChordTypeCount> kKinds = {{
    {"major", "", {}},
    {"minor", "m", {}},
    {"dominant", "7", {}},
    {"major-seventh", "M7", {}},
    {"minor-seventh", "m7", {}},
    {"major-minor", "mM7", {}},
    {"diminished", "dim", {}},
    {"suspended-fourth", "sus4", {}},
    {"suspended-fourth", "7sus4", {{{7, 0, "add"}}}},
    {"augmented", "aug", {}},
    {"major-seventh", "augM7", {{{5, 1, "alter"}}}},
    {"augmented-seventh", "aug7", {}},
    {"diminished-seventh", "dim7", {}},
    {"half-diminished", "m7b5", {}},
    {"major-sixth", "6", {}},
    {"dominant-ninth", "9", {}},
    {"minor-sixth", "m6", {}},
    {"dominant", "7b5", {{{5, -1, "alter"}}}},
}};

}  // namespace

const HarmonyKind& HarmonyKindOfType(int type)
{
    return kKinds[type >= 0 && type < kChordTypeCount ? static_cast<std::size_t>(type) : 0];
}

int TypeOfHarmonyKind(std::string_view kind, const HarmonyDegree& degree)
{
    for (std::size_t i = 0; i < kKinds.size(); ++i) {
        if (kKinds[i].kind == kind && kKinds[i].degrees[0] == degree) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace songloom::song
