#pragma once
// The song's eighteen chord types as MusicXML harmony kinds. One table
// serves the writer and the reader, so what is written reads back as the
// same type.

#include <array>
#include <string_view>

namespace songloom::song {

struct HarmonyDegree {
    int value = 0;  // 0: no degree
    int alter = 0;
    std::string_view type;  // "add", "alter" or "subtract"
    bool operator==(const HarmonyDegree&) const = default;
};

struct HarmonyKind {
    std::string_view kind;  // the <kind> value
    std::string_view text;  // how the symbol is shown (the kind's text attribute)
    std::array<HarmonyDegree, 1> degrees{};
};

// By chord type index (song_tables.h ChordTypes). Types without a kind of
// their own are a kind with one degree added or altered.
const HarmonyKind& HarmonyKindOfType(int type);
// The type of a kind with its degrees; -1 when none of the eighteen.
int TypeOfHarmonyKind(std::string_view kind, const HarmonyDegree& degree);

}  // namespace songloom::song
