#include "app/chord_list_file.h"

#include <gtest/gtest.h>

#include "song/song_tables.h"
#include "support/test_paths.h"

namespace songloom::app {
namespace {

TEST(ChordListFile, QuotedFieldKeepsItsSeparator)
{
    CapturingReporter reporter;
    ChordRows rows;
    ASSERT_TRUE(ParseChordList(reporter, "C,\"C,E\",G7\r\nAm,,F\r\n", rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"C", "C,E", "G7"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"Am", "", "F"}));
}

TEST(ChordListFile, LimitsToSixteenFieldsAndTenLines)
{
    CapturingReporter reporter;
    std::string text;
    for (int line = 0; line < 12; ++line) {
        for (int i = 0; i < 20; ++i) text += (i ? "," : "") + std::to_string(i);
        text += "\r\n";
    }
    ChordRows rows;
    ASSERT_TRUE(ParseChordList(reporter, text, rows));
    EXPECT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[0].size(), 16u);
    EXPECT_EQ(rows[0][15], "15");
}

TEST(ChordListFile, OpenQuoteIsReported)
{
    CapturingReporter reporter;
    ChordRows rows{{"keep"}};
    EXPECT_FALSE(ParseChordList(reporter, "C,\"E,G\r\n", rows));
    EXPECT_TRUE(reporter.Has("GNLL", 0x1E000002));
    EXPECT_EQ(rows, (ChordRows{{"keep"}}));
}

TEST(ChordListFile, DoubleByteTrailIsNeverASeparator)
{
    CapturingReporter reporter;
    ChordRows rows;
    // 0x82 0x2C would split at the comma if the lead byte were ignored.
    const std::string text = std::string("\x82\x2C") + "x,y\r\n";
    ASSERT_TRUE(ParseChordList(reporter, text, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{std::string("\x82\x2C") + "x", "y"}));
}

TEST(ChordListFile, WrittenListReadsBackPaddedToTheWidestRow)
{
    test::TempDir dir;
    CapturingReporter reporter;
    const ChordRows rows{{"C", "F", "G7"}, {"Am", "C,E"}};
    ASSERT_TRUE(SaveChordList(reporter, dir.File("chord.txt"), rows));
    ChordRows back;
    ASSERT_TRUE(LoadChordList(reporter, dir.File("chord.txt"), back));
    EXPECT_EQ(FormatChordList(rows), "C,F,G7\r\nAm,\"C,E\",\r\n");
    EXPECT_EQ(back, (ChordRows{{"C", "F", "G7"}, {"Am", "C,E", ""}}));
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_FALSE(LoadChordList(reporter, dir.File("none.txt"), back));
}

TEST(ChordListFile, DefaultListsOfMajorAndMinorKeys)
{
    EXPECT_EQ(DefaultChordList(0), (ChordRows{{"C", "Dm", "Em", "F", "G", "Am", "Bdim"}}));
    EXPECT_EQ(DefaultChordList(1), (ChordRows{{"G", "Am", "Bm", "C", "D", "Em", "F#dim"}}));
    EXPECT_EQ(DefaultChordList(15), (ChordRows{{"Am", "Bdim", "C", "Dm", "Em", "F", "G"}}));
}

}  // namespace
}  // namespace songloom::app
