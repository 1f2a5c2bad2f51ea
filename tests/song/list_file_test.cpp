#include <gtest/gtest.h>

#include <fstream>

#include "common/general.h"
#include "common/text.h"
#include "song/list_file.h"
#include "support/test_paths.h"

namespace songloom::song {
namespace {

ListRows Parse(std::string_view text, CapturingReporter& r)
{
    ListRows rows{{"untouched"}};
    EXPECT_TRUE(ParseListText(r, text, rows));
    return rows;
}

TEST(ListFile, FieldsLinesAndQuotes)
{
    CapturingReporter r;
    EXPECT_EQ(Parse("C,F,G\r\nAm,,Em\r\n", r), (ListRows{{"C", "F", "G"}, {"Am", "", "Em"}}));
    // A quoted field keeps its separator: one button.
    EXPECT_EQ(Parse("\"C,E\",G\r\n", r), (ListRows{{"C,E", "G"}}));
    // A quoted field may even hold a line end; "" is one quote.
    EXPECT_EQ(Parse("\"a\r\nb\",\"say \"\"x\"\"\"\r\n", r), (ListRows{{"a\r\nb", "say \"x\""}}));
    // A last line without CR LF counts; a bare LF ends a line too; blanks stay.
    EXPECT_EQ(Parse("C \nDm7", r), (ListRows{{"C "}, {"Dm7"}}));
    EXPECT_EQ(Parse("", r), ListRows{});
    EXPECT_TRUE(r.reports().empty());
}

TEST(ListFile, LimitsOfFieldsLinesAndNameBytes)
{
    CapturingReporter r;
    std::string line;
    for (int i = 0; i < 20; ++i) line += (i ? "," : "") + std::to_string(i);
    ListRows rows = Parse(line + "\r\n", r);
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].size(), 16u);
    EXPECT_EQ(rows[0][15], "15");

    std::string many;
    for (int i = 0; i < 13; ++i) many += "L" + std::to_string(i) + "\r\n";
    rows = Parse(many, r);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[9][0], "L9");

    rows = Parse(std::string(40, 'x'), r);
    EXPECT_EQ(rows[0][0].size(), 31u);
    EXPECT_TRUE(r.reports().empty());
}

TEST(ListFile, ShiftJisLeadBytesNeverEndAField)
{
    CapturingReporter r;
    // 0x81 0x2C is no valid pair, but a lead byte always takes the next byte:
    // the comma after it does not split the field.
    const std::string text = std::string("\x81,X,Y") + "\r\n";
    EXPECT_EQ(Parse(text, r), (ListRows{{"\x81,X", "Y"}}));
    // Real text: a lead byte is never cut away from its trail at the limit.
    const std::string kana = Utf8ToCp932("コードコードコードコードコードコード");  // 36 bytes
    const ListRows cut = Parse(kana, r);
    EXPECT_EQ(cut[0][0].size(), 30u);
    EXPECT_EQ(Cp932ToUtf8(cut[0][0]), "コードコードコードコードコード");
}

TEST(ListFile, DoubleByteTextSurvivesWritingBack)
{
    CapturingReporter r;
    // A lead byte whose trail byte is a quote or a comma; a lead byte alone
    // at the end of the text, which is dropped rather than glued to a
    // separator when the list is written back.
    const ListRows rows = Parse(std::string("\"\x81\"\",\x81,Z\r\nA,\x81"), r);
    EXPECT_EQ(rows, (ListRows{{"\x81\"", "\x81,Z"}, {"A", ""}}));
    ListRows back;
    ASSERT_TRUE(ParseListText(r, FormatListText(rows), back));
    EXPECT_EQ(back, rows);
    EXPECT_TRUE(r.reports().empty());
}

TEST(ListFile, UnterminatedQuoteIsReportedAndLeavesTheRows)
{
    CapturingReporter r;
    ListRows rows{{"keep"}};
    EXPECT_FALSE(ParseListText(r, "C,\"E,G\r\nAm\r\n", rows));
    EXPECT_EQ(rows, (ListRows{{"keep"}}));
    ASSERT_EQ(r.lines().size(), 1u);
    EXPECT_EQ(r.lines()[0], "GNLL1E000002 リストファイルのデータにエラーがあります。");
}

TEST(ListFile, WriteWidensEveryLineToTheWidestRowAndRoundTrips)
{
    const ListRows rows{{"C", "F"}, {"Am", "Dm", "G7", "C,E"}, {"say \"hi\""}};
    const std::string text = FormatListText(rows);
    EXPECT_EQ(text, "C,F,,\r\nAm,Dm,G7,\"C,E\"\r\n\"say \"\"hi\"\"\",,,\r\n");
    CapturingReporter r;
    ListRows back;
    ASSERT_TRUE(ParseListText(r, text, back));
    EXPECT_EQ(back, (ListRows{{"C", "F", "", ""}, {"Am", "Dm", "G7", "C,E"}, {"say \"hi\"", "", "", ""}}));
}

TEST(ListFile, FilesRoundTripCp932AndReportTheirFailures)
{
    test::TempDir dir;
    CapturingReporter r;
    const std::string path = dir.File("chord.txt");
    const ListRows rows{{Utf8ToCp932("ド"), "C#m7", Utf8ToCp932("表,示")}, {"G "}};
    ASSERT_TRUE(WriteListFile(r, path, rows));
    ListRows back;
    ASSERT_TRUE(ReadListFile(r, path, back));
    EXPECT_EQ(back, (ListRows{{Utf8ToCp932("ド"), "C#m7", Utf8ToCp932("表,示")}, {"G ", "", ""}}));
    EXPECT_EQ(Cp932ToUtf8(back[0][2]), "表,示");

    // A folder cannot be opened as a list file, nor written over.
    ListRows keep{{"keep"}};
    EXPECT_FALSE(ReadListFile(r, dir.path(), keep));
    EXPECT_TRUE(r.Has("GNLL", gnll::kCannotOpen));
    EXPECT_FALSE(WriteListFile(r, dir.File("missing/chord.txt"), rows));
    ASSERT_TRUE(r.Has("GNLS", gnls::kCannotOpen));
    EXPECT_EQ(r.lines().back(),
              "GNLS2C000001 リストファイルが開けません。ドラッグ＆ドロップの操作はコピーではなく、"
              "ショートカットに対して行ってください。");

    // Beyond the 1 MiB buffer: refused whole, not cut inside a field.
    {
        std::ofstream big(dir.File("big.txt"), std::ios::binary);
        big << std::string(kListFileCapacity + 1, 'C');
    }
    EXPECT_FALSE(ReadListFile(r, dir.File("big.txt"), keep));
    EXPECT_TRUE(r.Has("GNLL", gnll::kTooMany));
    EXPECT_EQ(keep, (ListRows{{"keep"}}));
}

TEST(ListFile, OtherCodesShowTheDefaultTexts)
{
    CapturingReporter r;
    ListLoadErrorMsg(r, 0x1E000009);
    ListSaveErrorMsg(r, 0x2C000002);
    EXPECT_EQ(r.lines()[0], "GNLL1E000009 リストの読み込みでエラーがおきました。");
    EXPECT_EQ(r.lines()[1], "GNLS2C000002 リストの書き出しでエラーがおきました。");
}

}  // namespace
}  // namespace songloom::song
