#include "pictures/guitar_chord_book.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

namespace songloom::pictures {
namespace {

// Tones of a chord-book type, read from the name itself: a base quality, then
// the alterations and tensions in brackets.
std::set<int> TonesOfBookType(std::string type) {
    std::set<int> tones;
    std::string tensions;
    if (const auto open = type.find('('); open != std::string::npos) {
        tensions = type.substr(open + 1, type.size() - open - 2);
        type = type.substr(0, open);
    }
    const std::map<std::string, std::set<int>> bases = {
        {"△", {0, 4, 7}}, {"m", {0, 3, 7}}, {"7", {0, 4, 7, 10}}, {"△7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}}, {"m△7", {0, 3, 7, 11}}, {"sus4", {0, 5, 7}}, {"7sus4", {0, 5, 7, 10}},
        {"dim", {0, 3, 6}}, {"dim7", {0, 3, 6, 9}}, {"aug", {0, 4, 8}}, {"6", {0, 4, 7, 9}},
        {"m6", {0, 3, 7, 9}}, {"69", {0, 4, 7, 9, 2}}, {"m69", {0, 3, 7, 9, 2}}, {"△9", {0, 4, 7, 11, 2}},
        {"m9", {0, 3, 7, 10, 2}}, {"9", {0, 4, 7, 10, 2}}, {"m11", {0, 3, 7, 10, 5}}, {"13", {0, 4, 7, 10, 9}},
        {"add9", {0, 4, 7, 2}},
    };
    const auto base = bases.find(type);
    if (base == bases.end()) return {};
    tones = base->second;
    std::size_t start = 0;
    while (start < tensions.size()) {
        std::size_t end = tensions.find(',', start);
        if (end == std::string::npos) end = tensions.size();
        const std::string t = tensions.substr(start, end - start);
        const std::map<std::string, int> added = {{"b9", 1}, {"9", 2}, {"#9", 3}, {"11", 5},
                                                  {"#11", 6}, {"b13", 8}, {"13", 9}};
        if (t == "b5" || t == "#5") {
            tones.erase(7);
            tones.insert(t == "b5" ? 6 : 8);
        } else if (added.count(t) != 0) {
            tones.insert(added.at(t));
        } else {
            return {};
        }
        start = end + 1;
    }
    return tones;
}

int RootOfName(const std::string& name, std::size_t& length) {
    const std::string letters = "C D EF G A B";
    const int natural = static_cast<int>(letters.find(name[0]));
    length = name.size() > 1 && name[1] == '#' ? 2 : 1;
    return (natural + (length == 2 ? 1 : 0)) % 12;
}

TEST(GuitarChordBook, EveryEntrySpellsItsChordAndIsPlayable) {
    std::map<std::string, int> perChord;
    for (const ChordBookEntry& entry : kChordBook) {
        const std::string name(entry.name.substr(0, entry.name.find('/')));
        std::size_t rootLength = 0;
        const int root = RootOfName(name, rootLength);
        const std::string type = name.substr(rootLength);
        const std::set<int> tones = TonesOfBookType(type);
        ASSERT_FALSE(tones.empty()) << name << " has a type the book does not name";

        std::set<int> sounding;
        int lowFret = 99, highFret = -1, played = 0;
        for (std::size_t s = 0; s < 6; ++s) {
            const int fret = entry.frets[s];
            ASSERT_GE(fret, -1) << name;
            if (fret < 0) continue;
            ++played;
            const int interval = ((kOpenStrings[s] + fret - root) % 12 + 12) % 12;
            EXPECT_TRUE(tones.count(interval) != 0) << name << " string " << 6 - s << " sounds a wrong note";
            sounding.insert(interval);
            if (fret > 0) {
                lowFret = std::min(lowFret, fret);
                highFret = std::max(highFret, fret);
            }
        }
        EXPECT_GE(played, 3) << name;
        EXPECT_TRUE(sounding.count(0) != 0) << name << " has no root";
        std::set<int> missing;
        std::set_difference(tones.begin(), tones.end(), sounding.begin(), sounding.end(),
                            std::inserter(missing, missing.begin()));
        EXPECT_TRUE(missing.empty() || missing == std::set<int>{7})
            << name << " leaves out more than the fifth";
        if (highFret >= 0) {
            EXPECT_LE(highFret - lowFret, 3) << name << " spans more than four frets";
        }
        ++perChord[name];
    }
    EXPECT_EQ(perChord.size(), 480U);  // 40 types over 12 roots
    for (const auto& [name, count] : perChord) EXPECT_GE(count, 1) << name;
}

TEST(GuitarChordBook, NamesAndTellingRows) {
    ASSERT_EQ(kChordBook.size(), 961U);
    const auto c = FindChord("C△");
    ASSERT_EQ(c.size(), 3U);
    EXPECT_EQ(c[0].frets, (std::array<int, 6>{0, 3, 2, 0, 1, 0}));
    EXPECT_EQ(c[1].frets, (std::array<int, 6>{-1, 3, 5, 5, 5, 3}));
    const auto d = FindChord("D△");
    ASSERT_FALSE(d.empty());
    // The open D shape; the low E and A strings would sound a ninth and a fifth
    // under the root, so they stay silent.
    EXPECT_EQ(d[0].frets, (std::array<int, 6>{-1, -1, 0, 2, 3, 2}));
    // Black-key roots carry both spellings and are found by the sharp one.
    const auto cs = FindChord("C#m7");
    ASSERT_EQ(cs.size(), 2U);
    EXPECT_EQ(cs[0].name, "C#m7/Dbm7");
    EXPECT_TRUE(FindChord("Dbm7").empty());
    EXPECT_TRUE(FindChord("C").empty());  // the major triad is "C△"
    EXPECT_EQ(ChordBookName(10, "7(b9)"), "A#7(b9)");
    EXPECT_EQ(FirstFretFor(c[0], 5), 1);
    EXPECT_EQ(FirstFretFor(ChordBookEntry{"x", {-1, 7, 9, 9, 8, 7}}, 5), 7);
    EXPECT_EQ(FirstFretFor(ChordBookEntry{"x", {0, 0, 0, 0, 0, 0}}, 5), 1);
    EXPECT_EQ(SoundingNotes(c[0]), (std::array<int, 6>{52, 60, 64, 67, 72, 76}));
}

TEST(GuitarChordBook, SongSuffixPairs) {
    EXPECT_EQ(BookTypeOfSongSuffix(" "), "△");
    EXPECT_EQ(BookTypeOfSongSuffix("M7"), "△7");
    EXPECT_EQ(BookTypeOfSongSuffix("mM7"), "m△7");
    EXPECT_EQ(BookTypeOfSongSuffix("aug7"), "7(#5)");
    EXPECT_EQ(BookTypeOfSongSuffix("m7b5"), "m7(b5)");
    EXPECT_EQ(BookTypeOfSongSuffix("augM7"), "△7(#5)");
    // These song types have no pair, so the palette shows no fingering.
    for (const char* none : {"6", "9", "m6", "7b5", ""}) EXPECT_EQ(BookTypeOfSongSuffix(none), "") << none;
    std::set<std::string_view> names;
    for (const auto& t : kChordBookTypes) names.insert(t.bookName);
    EXPECT_EQ(names.size(), 40U);
}

}  // namespace
}  // namespace songloom::pictures
