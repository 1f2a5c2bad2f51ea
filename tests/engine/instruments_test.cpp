#include "arrange/instruments.h"

#include <gtest/gtest.h>

#include <set>

#include "common/reporter.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

TEST(Instruments, NamesOfTheTableAndTheUnusedChannel)
{
    CapturingReporter reporter;
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 0)), "ｸﾞﾗﾝﾄﾞ ﾋﾟｱﾉ");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 13)), "木琴");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 77)), "尺八");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 127)), "銃声");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 128)), "犬");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 133)), "ﾃﾞｨｼﾞﾘﾄﾞｩ");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 136)), "ﾋﾟｱﾉｸﾞﾙｰﾌﾟ");
    EXPECT_EQ(Cp932ToUtf8(InstrumentName(reporter, 151)), "未定義ﾊﾞﾘｴｰｼｮﾝ7");
    EXPECT_EQ(InstrumentName(reporter, kNoInstrument), "---");
    EXPECT_TRUE(reporter.reports().empty());
}

TEST(Instruments, EveryNameConvertsAndFitsTheNameField)
{
    std::set<std::string_view> names;
    for (int code = 0; code < kInstrumentCodeCount; ++code) {
        const std::string_view utf8 = InstrumentNameUtf8(code);
        ASSERT_FALSE(utf8.empty()) << code;
        const std::string cp932 = Utf8ToCp932(utf8);
        EXPECT_EQ(Cp932ToUtf8(cp932), utf8) << code;
        EXPECT_LE(cp932.size(), static_cast<std::size_t>(kStyleNameBytes - 1)) << code << " " << utf8;
        names.insert(utf8);
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kInstrumentCodeCount)) << "two codes share a name";
}

TEST(Instruments, CodesOutsideTheTableReportAndGiveNothing)
{
    for (int code : {-1, 152, 255, 257}) {
        CapturingReporter reporter;
        EXPECT_EQ(InstrumentName(reporter, code), "") << code;
        EXPECT_TRUE(reporter.Has("YRAC", 0xFF010156)) << code;
        EXPECT_EQ(InstrumentNameUtf8(code), "") << code;
    }
}

TEST(Instruments, GroupsDrawOnlyTheirMembersAndReachEachOfThem)
{
    CapturingReporter reporter;
    Random random(7);
    for (int code = 136; code <= 144; ++code) {
        const auto members = InstrumentGroupMembers(code);
        ASSERT_FALSE(members.empty()) << code;
        const std::set<int> allowed(members.begin(), members.end());
        std::set<int> drawn;
        for (int i = 0; i < 400; ++i) {
            const int program = ResolveInstrument(reporter, random, code, 3);
            EXPECT_TRUE(allowed.count(program)) << code << " drew " << program;
            drawn.insert(program);
        }
        EXPECT_EQ(drawn, allowed) << code;
    }
    EXPECT_EQ(InstrumentGroupMembers(140).size(), 19u);
    EXPECT_EQ(InstrumentGroupMembers(138)[3], 11);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST(Instruments, PlainCodesComeBackWithoutDrawing)
{
    CapturingReporter reporter;
    Random random(3);
    for (int code : {0, 53, 127, 128, 135, kNoInstrument, 200}) {
        const std::uint32_t before = random.state();
        EXPECT_EQ(ResolveInstrument(reporter, random, code, 1), code);
        EXPECT_EQ(random.state(), before) << code;
    }
}

TEST(Instruments, EmptyGroupsReportInsteadOfIndexingOutside)
{
    CapturingReporter reporter;
    Random random(3);
    for (int code = 145; code <= 151; ++code) {
        EXPECT_TRUE(InstrumentGroupMembers(code).empty());
        EXPECT_EQ(ResolveInstrument(reporter, random, code, 1), 0);
    }
    EXPECT_EQ(reporter.Count("YRAC", 0xFF0101A4), 7u);
}

}  // namespace
}  // namespace songloom::arrange
