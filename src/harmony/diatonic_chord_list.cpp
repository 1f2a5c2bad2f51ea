#include "harmony/diatonic_chord_list.h"

#include "song/song_tables.h"

namespace songloom::harmony {
namespace {

constexpr std::array<DiatonicChord, 7> kMajor{{{0, ""}, {2, "m"}, {4, "m"}, {5, ""}, {7, ""}, {9, "m"}, {11, "dim"}}};
constexpr std::array<DiatonicChord, 7> kNaturalMinor{
    {{0, "m"}, {2, "dim"}, {3, ""}, {5, "m"}, {7, "m"}, {8, ""}, {10, ""}}};
constexpr std::array<DiatonicChord, 7> kHarmonicMinor{
    {{0, "m"}, {2, "dim"}, {3, "aug"}, {5, "m"}, {7, ""}, {8, ""}, {11, "dim"}}};
constexpr std::array<DiatonicChord, 10> kNaturalHarmonicMinor{{{0, "m"},
                                                               {2, "dim"},
                                                               {3, ""},
                                                               {3, "aug"},
                                                               {5, "m"},
                                                               {7, "m"},
                                                               {7, ""},
                                                               {8, ""},
                                                               {10, ""},
                                                               {11, "dim"}}};

constexpr std::array<std::string_view, 12> kRoman = {"I",   "bII", "II",  "bIII", "III",  "IV",
                                                     "bV",  "V",   "bVI", "VI",   "bVII", "VII"};

// Semitones above the root of each of the 18 type suffixes, in ChordTypes order.
constexpr std::array<std::array<int, 4>, song::kChordTypeCount> kTypeTones{{
    {0, 4, 7, -1},   // " "
    {0, 3, 7, -1},   // m
    {0, 4, 7, 10},   // 7
    {0, 4, 7, 11},   // M7
    {0, 3, 7, 10},   // m7
    {0, 3, 7, 11},   // mM7
    {0, 3, 6, -1},   // dim
    {0, 5, 7, -1},   // sus4
    {0, 5, 7, 10},   // 7sus4
    {0, 4, 8, -1},   // aug
    {0, 4, 8, 11},   // augM7
    {0, 4, 8, 10},   // aug7
    {0, 3, 6, 9},    // dim7
    {0, 3, 6, 10},   // m7b5
    {0, 4, 7, 9},    // 6
    {0, 4, 10, 14},  // 9 (the fifth left out)
    {0, 3, 7, 9},    // m6
    {0, 4, 6, 10},   // 7b5
}};

constexpr int kPreviewRootBase = 60;

template <std::size_t N>
std::vector<DiatonicChord> ToVector(const std::array<DiatonicChord, N>& a)
{
    return {a.begin(), a.end()};
}

}  // namespace

std::vector<DiatonicChord> DiatonicTriads(int scale)
{
    switch (scale) {
    case kScaleMajor: return ToVector(kMajor);
    case kScaleNaturalMinor: return ToVector(kNaturalMinor);
    case kScaleHarmonicMinor: return ToVector(kHarmonicMinor);
    case kScaleNaturalHarmonicMinor: return ToVector(kNaturalHarmonicMinor);
    default: return {};
    }
}

std::string_view RomanDegree(int degree) { return kRoman[static_cast<std::size_t>(((degree % 12) + 12) % 12)]; }

std::vector<std::string> DiatonicChordList(int scale, std::optional<int> tonic)
{
    std::vector<std::string> names;
    for (const DiatonicChord& chord : DiatonicTriads(scale)) {
        std::string name;
        if (tonic) {
            const int root = ((*tonic + chord.degree) % 12 + 12) % 12;
            name = std::string(song::ChordRoots[static_cast<std::size_t>(root)]);
        } else {
            name = std::string(RomanDegree(chord.degree));
        }
        names.push_back(name + std::string(chord.type));
    }
    return names;
}

std::vector<std::string_view> ScaleSelectorEntries(int key)
{
    if (song::IsValidKey(key) && song::KeyTable[static_cast<std::size_t>(key)].mode == 1) {
        return {"ﾅﾁｭﾗﾙ･ﾏｲﾅｰ", "ﾊｰﾓﾆｯｸ･ﾏｲﾅｰ", "ﾅﾁｭﾗﾙ+ﾊｰﾓﾆｯｸ･ﾏｲﾅｰ"};
    }
    return {"ﾒｼﾞｬｰ"};
}

int ScaleOfSelection(int key, int entry)
{
    if (!song::IsValidKey(key) || song::KeyTable[static_cast<std::size_t>(key)].mode == 0) return kScaleMajor;
    switch (entry) {
    case 1: return kScaleHarmonicMinor;
    case 2: return kScaleNaturalHarmonicMinor;
    default: return kScaleNaturalMinor;
    }
}

std::vector<int> ChordPreviewNotes(std::string_view name)
{
    const song::ChordParts parts = song::ParseChordName(song::CompleteChordName(name));
    if (!parts.ok()) return {};
    std::vector<int> notes;
    for (const int tone : kTypeTones[static_cast<std::size_t>(parts.type)]) {
        if (tone >= 0) notes.push_back(kPreviewRootBase + parts.root + tone);
    }
    return notes;
}

}  // namespace songloom::harmony
