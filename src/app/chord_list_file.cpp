#include "app/chord_list_file.h"

#include <array>

#include "common/general.h"
#include "song/list_file.h"
#include "song/song_tables.h"

namespace songloom::app {
namespace {

struct Degree {
    int semitones;
    std::string_view type;
};
constexpr std::array<Degree, 7> kMajorTriads{{{0, ""}, {2, "m"}, {4, "m"}, {5, ""}, {7, ""}, {9, "m"}, {11, "dim"}}};
constexpr std::array<Degree, 7> kNaturalMinorTriads{
    {{0, "m"}, {2, "dim"}, {3, ""}, {5, "m"}, {7, "m"}, {8, ""}, {10, ""}}};
constexpr std::array<std::string_view, 12> kSharpRoots{"C", "C#", "D", "D#", "E", "F",
                                                       "F#", "G", "G#", "A", "A#", "B"};

}  // namespace

// The window's chord list is a list file like any other: reading, writing
// and their reports are the shared list-file code's.
bool ParseChordList(Reporter& reporter, std::string_view text, ChordRows& rows)
{
    return song::ParseListText(reporter, text, rows);
}

std::string FormatChordList(const ChordRows& rows) { return song::FormatListText(rows); }

bool LoadChordList(Reporter& reporter, const std::string& path, ChordRows& rows)
{
    // No list yet is the normal first start, not an error.
    if (!FileExists(path)) return false;
    return song::ReadListFile(reporter, path, rows);
}

bool SaveChordList(Reporter& reporter, const std::string& path, const ChordRows& rows)
{
    return song::WriteListFile(reporter, path, rows);
}

ChordRows DefaultChordList(int key)
{
    const int k = song::IsValidKey(key) ? key : 0;
    const song::KeyRow& row = song::KeyTable[static_cast<std::size_t>(k)];
    const auto& triads = row.mode == 0 ? kMajorTriads : kNaturalMinorTriads;
    std::vector<std::string> names;
    for (const Degree& d : triads) {
        names.push_back(std::string(kSharpRoots[static_cast<std::size_t>((row.tonic + d.semitones) % 12)]) +
                        std::string(d.type));
    }
    return {names};
}

}  // namespace songloom::app
