#include "pictures/staff_notes.h"

#include <gtest/gtest.h>

#include "common/reporter.h"
#include "melody_builder.h"

namespace songloom::pictures {
namespace {

using test::MelodyBuilder;

struct Shape {
    int pitch;
    Tick start;
    Tick length;
    int kind;
    int dots;
    bool tie;
    bool operator==(const Shape&) const = default;
};

std::vector<Shape> Shapes(const BarContent& bar) {
    std::vector<Shape> out;
    for (const StaffNote& n : bar.notes) out.push_back({n.pitch, n.start, n.length, n.kind, n.dots, n.tieToNext});
    return out;
}

std::ostream& operator<<(std::ostream& os, const Shape& s) {
    return os << "{" << s.pitch << "," << s.start << "," << s.length << ",k" << s.kind << ",d" << s.dots
              << (s.tie ? ",tie" : "") << "}";
}

TEST(BarContent, KindsOfTheNoteValues) {
    CapturingReporter reporter;
    MelodyBuilder m(2, 4);
    // 16th, 8th, a dotted 8th over the beat (shown as 16th tied to 8th), 8th, half
    m.Add(60, 1).Add(62, 2).Add(64, 3).Add(65, 2).Add(67, 8);
    m.Add(69, 6).Add(71, 2).Add(72, 4).Add(74, 4);             // dotted quarter, 8th, quarter, quarter
    const auto bar0 = Shapes(BuildBarContent(reporter, m.view(), 0));
    EXPECT_EQ(bar0, (std::vector<Shape>{{60, 0, 24, kind::kSixteenth, 0, false},
                                        {62, 24, 48, kind::kEighth, 0, false},
                                        {64, 72, 24, kind::kSixteenth, 0, true},
                                        {64, 96, 48, kind::kBeamStart, 0, false},
                                        {65, 144, 48, kind::kBeamEnd, 0, false},
                                        {67, 192, 192, kind::kHalf, 0, false}}));
    const auto bar1 = Shapes(BuildBarContent(reporter, m.view(), 1));
    EXPECT_EQ(bar1, (std::vector<Shape>{{69, 0, 144, kind::kDottedQuarter, 1, false},
                                        {71, 144, 48, kind::kEighth, 0, false},
                                        {72, 192, 96, kind::kQuarter, 0, false},
                                        {74, 288, 96, kind::kQuarter, 0, false}}));
    EXPECT_TRUE(reporter.reports().empty());
    int dots = 0;
    EXPECT_EQ(KindOfLength(384, dots), kind::kWhole);
    EXPECT_EQ(KindOfLength(288, dots), kind::kDottedHalf);
    EXPECT_EQ(dots, 1);
    EXPECT_EQ(KindOfLength(336, dots), kind::kDottedHalf);
    EXPECT_EQ(dots, 2);
    EXPECT_EQ(KindOfLength(120, dots), -1);
}

TEST(BarContent, EighthsOnABeatAreBeamedInPairs) {
    CapturingReporter reporter;
    MelodyBuilder m(1, 4);
    m.Add(60, 2).Add(62, 2).Add(64, 1).Add(65, 2).Add(67, 1).Add(69, 2).Add(71, 2).Rest(2).Add(72, 2);
    const BarContent bar = BuildBarContent(reporter, m.view(), 0);
    std::vector<int> kinds;
    for (const StaffNote& n : bar.notes) kinds.push_back(n.kind);
    // An eighth off the beat or beside a rest keeps its flag.
    EXPECT_EQ(kinds, (std::vector<int>{kind::kBeamStart, kind::kBeamEnd, kind::kSixteenth, kind::kEighth,
                                       kind::kSixteenth, kind::kBeamStart, kind::kBeamEnd, kind::kEighth,
                                       kind::kEighth}));
    EXPECT_TRUE(bar.notes[7].IsRest());
}

TEST(BarContent, TiesAcrossTheBarLineAndWholeBarRests) {
    CapturingReporter reporter;
    MelodyBuilder m(3, 3);
    m.Add(67, 8).Add(72, 8).Add(74, 8).Rest(12);  // 3/4: a note over the bar line
    const BarContent first = BuildBarContent(reporter, m.view(), 0);
    ASSERT_EQ(first.notes.size(), 2U);
    EXPECT_TRUE(first.notes[1].tieToNext);
    EXPECT_EQ(first.notes[1].length, 96);
    const BarContent second = BuildBarContent(reporter, m.view(), 1);
    ASSERT_EQ(second.notes.size(), 2U);
    EXPECT_TRUE(second.notes[0].tieFromBefore);
    EXPECT_EQ(second.notes[0].pitch, 72);
    EXPECT_EQ(second.notes[0].length, 96);
    EXPECT_EQ(second.notes[1].length, 192);
    const BarContent third = BuildBarContent(reporter, m.view(), 2);
    ASSERT_EQ(third.notes.size(), 1U);
    EXPECT_TRUE(third.notes[0].IsRest());
    EXPECT_EQ(third.notes[0].kind, kind::kWhole);  // a whole-bar rest in 3/4 too
    EXPECT_EQ(third.length, 288);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST(BarContent, RestsSplitAtTheBeats) {
    CapturingReporter reporter;
    MelodyBuilder m(1, 4);
    m.Add(60, 2).Rest(14);  // an eighth, then rests to the end of the bar
    const auto shapes = Shapes(BuildBarContent(reporter, m.view(), 0));
    EXPECT_EQ(shapes, (std::vector<Shape>{{60, 0, 48, kind::kEighth, 0, false},
                                          {-1, 48, 48, kind::kEighth, 0, false},
                                          {-1, 96, 96, kind::kQuarter, 0, false},
                                          {-1, 192, 192, kind::kHalf, 0, false}}));
}

TEST(BarContent, TripletsChordNamesAndLyrics) {
    CapturingReporter reporter;
    MelodyBuilder m(1, 4);
    m.Add(60, 4).Triplet(62, -2, 64).Rest(2).Add(65, 8);
    m.Chord(0, "C ").Chord(1, "C ").Chord(2, "G7").Chord(3, "G7");
    const BarContent bar = BuildBarContent(reporter, m.view(), 0);
    ASSERT_EQ(bar.notes.size(), 5U);
    EXPECT_TRUE(bar.notes[1].triplet);
    EXPECT_EQ(bar.notes[1].length, 32);
    EXPECT_EQ(bar.notes[1].kind, kind::kEighth);
    EXPECT_EQ(bar.notes[2].start, 128);
    EXPECT_EQ(bar.notes[2].kind, kind::kSixteenth);
    ASSERT_EQ(bar.chordNames.size(), 2U);
    EXPECT_EQ(bar.chordNames[0].text, "C");
    EXPECT_EQ(bar.chordNames[1].text, "G7");
    EXPECT_EQ(bar.chordNames[1].tick, 192);
    EXPECT_TRUE(reporter.reports().empty());

    test::MelodyBuilder words(1, 4);
    words.Add(60, 2).Lyric("\x82\xa0").Add(62, 2);  // CP932 for a kana
    const BarContent sung = BuildBarContent(reporter, words.view(), 0);
    ASSERT_EQ(sung.lyrics.size(), 1U);
    EXPECT_EQ(sung.lyrics[0].tick, 48);
}

TEST(BarContent, NoteValuesWithoutSymbolAreReported) {
    CapturingReporter reporter;
    // A note held over nine eighths: code 1, drawn as tied pieces.
    MelodyBuilder longNote(2, 4);
    longNote.Add(67, 18).Rest(14);
    const BarContent bar = BuildBarContent(reporter, longNote.view(), 0);
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{"音価が異常です。"});
    ASSERT_FALSE(bar.notes.empty());
    EXPECT_TRUE(bar.notes.back().tieToNext);
    BuildBarContent(reporter, longNote.view(), 1);  // reported where it starts only
    EXPECT_EQ(reporter.reports().size(), 1U);

    // A triplet cell held into a plain sixteenth: below an eighth, no symbol.
    reporter.Clear();
    MelodyBuilder mixed(1, 4);
    mixed.Triplet(60, 62, 64).Add(-2, 1).Add(65, 1).Add(67, 12);
    const BarContent odd = BuildBarContent(reporter, mixed.view(), 0);
    EXPECT_EQ(reporter.lines(), std::vector<std::string>{"コード名が読み取れません。"});
    EXPECT_EQ(odd.notes[2].pitch, 64);
    EXPECT_TRUE(odd.notes[2].tieToNext);
}

}  // namespace
}  // namespace songloom::pictures
