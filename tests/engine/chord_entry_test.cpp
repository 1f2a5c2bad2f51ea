#include <gtest/gtest.h>

#include <set>
#include <string>

#include "arrange/engine_context.h"
#include "common/random.h"
#include "common/reporter.h"
#include "harmony/chord_entry.h"

namespace songloom::harmony {
namespace {

class ChordEntryTest : public ::testing::Test {
protected:
    ChordEntry Make(ChordCode code, std::string_view bassOffset = {})
    {
        return MakeChordEntry(context, ChordRecord{384, code}, bassOffset);
    }

    CapturingReporter reporter;
    Random random{12345};
    ChordKnowledgeBase knowledgeBase;
    ChordEntryContext context{reporter, random, knowledgeBase};
};

TEST_F(ChordEntryTest, DominantSeventhOnC)
{
    std::set<int> thirds;
    for (int i = 0; i < 40; ++i) {
        const ChordEntry e = Make("CMPs");
        EXPECT_EQ(e.root, 60);
        EXPECT_EQ(e.bass, 36);
        EXPECT_EQ(e.fifth, 67);
        EXPECT_EQ(e.seventh, 70);  // 58 lies below the range and is redrawn
        thirds.insert(e.third);
        EXPECT_EQ(e.length, 384);
        EXPECT_EQ(e.code, ChordCode("CMPs"));
        EXPECT_FALSE(e.HasBassOffset());
    }
    EXPECT_EQ(thirds, (std::set<int>{64, 76}));
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(ChordEntryTest, MinorTriadOnBKeepsTheRange)
{
    std::set<int> sevenths;
    for (int i = 0; i < 40; ++i) {
        const ChordEntry e = Make("BmPo");
        EXPECT_EQ(e.root, 71);
        EXPECT_EQ(e.bass, 47);
        EXPECT_EQ(e.third, 74);  // 86 is above the range
        EXPECT_EQ(e.fifth, 78);
        sevenths.insert(e.seventh);
    }
    EXPECT_EQ(sevenths, (std::set<int>{71, 83}));  // the doubled root, either octave
}

TEST_F(ChordEntryTest, OctaveRuleKeepsEveryRootAndIntervalIn60To83)
{
    const char thirds[] = {'m', 'M', '4'};
    const char sevenths[] = {'s', 'S', '6', 'o', '9'};
    for (char root : std::string_view("CdDeEFgGaAbB")) {
        for (char third : thirds) {
            for (char seventh : sevenths) {
                ChordCode code;
                code.bytes = {root, third, 'P', seventh};
                for (int i = 0; i < 8; ++i) {
                    const ChordEntry e = Make(code);
                    ASSERT_GE(e.third, kVoicingLow) << code.ToString();
                    ASSERT_LE(e.third, kVoicingHigh) << code.ToString();
                    ASSERT_GE(e.seventh, kVoicingLow) << code.ToString();
                    ASSERT_LE(e.seventh, kVoicingHigh) << code.ToString();
                    ASSERT_EQ((e.seventh - e.root + 24) % 12,
                              (seventh == 's' ? 10 : seventh == 'S' ? 11 : seventh == '6' ? 9
                                               : seventh == 'o'   ? 0  : 2));
                }
            }
        }
    }
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(ChordEntryTest, NoChordHasOnlyZeros)
{
    const ChordEntry e = Make(kNoChordCode);
    EXPECT_EQ(e.root, 0);
    EXPECT_EQ(e.bass, 0);
    EXPECT_EQ(e.third, 0);
    EXPECT_EQ(e.fifth, 0);
    EXPECT_EQ(e.seventh, 0);
    EXPECT_TRUE(reporter.reports().empty());
}

TEST_F(ChordEntryTest, BadCharactersAreReportedOnceEachAndFallBack)
{
    ChordEntry e = Make("XMPS");
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010022), 1u);
    EXPECT_EQ(reporter.reports().size(), 1u);
    EXPECT_EQ(e.root, 0);
    EXPECT_EQ(e.bass, 0);
    EXPECT_EQ(e.third, 0);
    EXPECT_EQ(e.fifth, 0);
    EXPECT_EQ(e.seventh, 0);

    reporter.Clear();
    e = Make("D?Z!");
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010023), 1u);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010024), 1u);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF010025), 1u);
    EXPECT_EQ(e.root, 62);
    EXPECT_EQ(e.third, 0);
    EXPECT_EQ(e.fifth, 62);  // a bad fifth doubles the root
    EXPECT_EQ(e.seventh, 0);

    reporter.Clear();
    Make("C---");  // what an unknown chord name converts to
    EXPECT_EQ(reporter.reports().size(), 3u);
}

TEST_F(ChordEntryTest, CloseThirdPatternDrawsNothingForTheThird)
{
    context.accompanimentPattern = 47;
    const ChordEntry e = Make("FMPS");
    EXPECT_EQ(e.third, 69);
    // Without the pattern, C's third lands on 76 about a third of the time.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(Make("CMPS").third, 64);
    EXPECT_EQ(Make("B4Ps").third, 76);
}

TEST_F(ChordEntryTest, SnapMovesNotesToTemplateChordTones)
{
    context.snapToTemplate = true;
    // An empty knowledge base: the default C major scale template stands.
    const ChordEntry e = Make("CMds");
    EXPECT_EQ(e.root, 60);
    EXPECT_EQ(e.bass, 36);
    EXPECT_EQ(e.fifth, 67);    // F# snapped up to G
    EXPECT_EQ(e.seventh, 71);  // Bb snapped up to B
    EXPECT_TRUE(e.third == 64 || e.third == 76);

    knowledgeBase.buffer.Assign("dMPS 0900 0900 9000|");
    const ChordEntry d = Make("dMPo");
    EXPECT_EQ(d.root, 61);
    EXPECT_EQ(d.fifth, 68);
    EXPECT_EQ(d.seventh, 73);  // the doubled root, snapped to itself
    EXPECT_TRUE(d.third == 65 || d.third == 77);

    // NoCd keeps its zeros: "none" is not a note to snap.
    const ChordEntry n = Make(kNoChordCode);
    EXPECT_EQ(n.third, 0);
    EXPECT_EQ(n.root, 0);
}

TEST_F(ChordEntryTest, BassOffsetIsAddedToTheBass)
{
    ChordEntry e = Make("GMPs", "07");
    EXPECT_EQ(e.bass, 43 + 7);
    EXPECT_EQ(e.BassOffsetValue(), 7);
    e = Make("GMPs", "12");
    EXPECT_EQ(e.bass, 55);
    e = Make("GMPs", std::string_view("\0\0", 2));  // a zero byte: none
    EXPECT_EQ(e.bass, 43);
    EXPECT_FALSE(e.HasBassOffset());
}

TEST_F(ChordEntryTest, ChordListAppendsUpToItsCapacity)
{
    ChordList list;
    EXPECT_TRUE(AppendChordEntry(context, list, ChordRecord{96, "AmPs"}, 5));
    ASSERT_EQ(list.entries.size(), 1u);
    EXPECT_EQ(list.entries[0].bassOffset, (std::array<char, 2>{'0', '5'}));
    EXPECT_EQ(list.entries[0].bass, 45 + 5);

    while (list.entries.size() < kChordListCapacity) {
        ASSERT_TRUE(AppendChordEntry(context, list, ChordRecord{100, "CMPS"}, 0));
    }
    EXPECT_FALSE(AppendChordEntry(context, list, ChordRecord{96, "CMPS"}, 0));
    EXPECT_EQ(list.entries.size(), kChordListCapacity);
    // Integer division of the total ticks.
    EXPECT_EQ(ChordListBeats(list), (96 + 499 * 100) / 96);
    ClearChordList(list);
    EXPECT_TRUE(list.entries.empty());
    EXPECT_EQ(ChordListBeats(list), 0);
}

TEST(ChordRecordImage, SixBytesHighByteFirstAndAZeroLengthEndsTheList)
{
    std::array<std::uint8_t, 6> bytes{};
    EncodeChordRecord(ChordRecord{768, "gmPs"}, bytes);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 6>{0x03, 0x00, 'g', 'm', 'P', 's'}));
    EXPECT_EQ(DecodeChordRecord(bytes), (ChordRecord{768, "gmPs"}));

    const std::uint8_t list[] = {0x03, 0x00, 'C', 'M', 'P', 'S', 0x01, 0x80, 'G', 'M', 'P', 's',
                                 0x00, 0x00, 'A', 'm', 'P', 's'};
    const auto records = DecodeChordRecords(list);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1], (ChordRecord{384, "GMPs"}));
    // A list cut inside a record keeps only its whole records.
    EXPECT_EQ(DecodeChordRecords(std::span(list, 10)).size(), 1u);
}

class BuildChordListTest : public ChordEntryTest {
protected:
    std::vector<ChordSection> OneSection(int chords)
    {
        ChordSection section;
        for (int i = 0; i < chords; ++i) section.chords.push_back(ChordRecord{192, i % 2 ? "GMPs" : "CMPS"});
        return {section};
    }
};

TEST_F(BuildChordListTest, OneSectionHoldsTheWholeChordList)
{
    ChordList list;
    list.entries.push_back(ChordEntry{});  // stale entry of an earlier composition
    const auto sections = OneSection(8);
    EXPECT_EQ(BuildChordList(context, list, sections), 16);
    ASSERT_EQ(list.entries.size(), 8u);
    EXPECT_EQ(list.entries[1].code, ChordCode("GMPs"));
    for (const auto& e : list.entries) EXPECT_EQ(e.BassOffsetValue(), 0);
}

TEST_F(BuildChordListTest, BadSectionIsReportedAndSkippedAndTheListStopsWhenFull)
{
    ChordList list;
    auto sections = OneSection(2);
    sections.push_back(ChordSection{0, {ChordRecord{96, "CMPS"}}});
    EXPECT_EQ(BuildChordList(context, list, sections), 4);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF0101C6), 1u);

    EXPECT_EQ(BuildChordList(context, list, OneSection(600)), 1000);
    EXPECT_EQ(list.entries.size(), kChordListCapacity);
}

TEST_F(BuildChordListTest, FromTheEngineChordListAndSongSections)
{
    std::vector<std::uint8_t> image(3 * kChordRecordSize + 2, 0);
    EncodeChordRecord(ChordRecord{768, "CMPS"}, std::span(image).subspan(0).first<kChordRecordSize>());
    EncodeChordRecord(ChordRecord{384, "gmPs"}, std::span(image).subspan(6).first<kChordRecordSize>());
    EncodeChordRecord(ChordRecord{192, "NoCd"}, std::span(image).subspan(12).first<kChordRecordSize>());
    ChordList list;
    EXPECT_EQ(BuildChordList(context, list, image), 14);
    ASSERT_EQ(list.entries.size(), 3u);
    EXPECT_EQ(list.entries[1].root, 66);
    EXPECT_EQ(list.entries[2].root, 0);

    std::vector<arrange::SongSection> sections(2);
    sections[0].chordRecords = image;
    sections[1].letter = '@';  // before 'A': not a section
    sections[1].chordRecords = image;
    EXPECT_EQ(BuildChordList(context, list, sections), 14);
    EXPECT_EQ(reporter.Count("YRAC", 0xFF0101C6), 1u);
}

TEST_F(BuildChordListTest, InversionsDrawTheSameNumbersWhetherUsedOrNot)
{
    ChordList off;
    ChordList on;
    const auto sections = OneSection(8);
    random.Seed(7);
    BuildChordList(context, off, sections);
    const auto afterOff = random.state();
    random.Seed(7);
    context.inversionSwitch = true;
    BuildChordList(context, on, sections);
    EXPECT_EQ(random.state(), afterOff);
    int inverted = 0;
    for (std::size_t i = 0; i < on.entries.size(); ++i) {
        const int offset = on.entries[i].BassOffsetValue();
        EXPECT_TRUE(offset == 0 || offset == 3 || offset == 5 || offset == 7);
        EXPECT_EQ(on.entries[i].bass, off.entries[i].bass + offset);
        inverted += offset != 0;
    }
    EXPECT_GT(inverted, 0);
}

}  // namespace
}  // namespace songloom::harmony
