#include "arrange/style_catalogue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "common/reporter.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

std::string Chord(const BarPlanEntry& e) { return std::string(e.chord.begin(), e.chord.end()); }

StyleRecord Defaults(std::uint32_t seed = 1)
{
    Random random(seed);
    StyleRecord record;
    ApplyStyleDefaults(random, record);
    return record;
}

TEST(StyleDefaults, UndefinedStyleValues)
{
    const StyleRecord r = Defaults();
    EXPECT_EQ(r.channelInstrument[0], 0);
    EXPECT_EQ(r.channelInstrument[1], 0);
    EXPECT_EQ(r.channelInstrument[6], 0);
    for (int ch : {2, 3, 4, 5, 7, 8, 9}) EXPECT_EQ(r.channelInstrument[ch], kNoInstrument) << ch;
    for (int ch : {1, 2, 3, 4, 5, 7, 8, 9}) {
        const ChannelMixer& m = r.channelMixer[ch];
        EXPECT_EQ(m.volume, 100) << ch;
        for (int b = 1; b <= 8; ++b) EXPECT_EQ(m.Byte(b), 64) << ch << " byte " << b;
        EXPECT_EQ(m.doublingDelay, 0);
    }
    for (int ch = 1; ch <= 9; ++ch) EXPECT_EQ(r.channelDensity[ch], 100) << ch;
    EXPECT_EQ(r.channelMixer[0], ChannelMixer{});
    EXPECT_EQ(Cp932ToUtf8(r.Description()), kUndefinedStyleDescription);
    EXPECT_TRUE(r.Name().empty());
    EXPECT_EQ(r.formLength, 40);
    EXPECT_EQ(r.tempo, 750000);
    EXPECT_EQ(FieldView(r.defaultChordTemplate), "xxxx909099090909");
    EXPECT_EQ(FieldView(r.patternDatabase), "PATTERN.DB");
    EXPECT_EQ(FieldView(r.cadenceDatabase), "RESOLUT.DB");
    EXPECT_EQ(r.choiceWeights[2], 70);
    EXPECT_EQ(r.choiceOffsets[0], -25);
    EXPECT_EQ(r.copyMode, 6);
    EXPECT_EQ((std::array{r.accompanimentPattern, r.bassPattern, r.drumPattern, r.accompaniment2Pattern,
                          r.timeChartIndex}),
              (std::array{17, 10, 14, 15, 7}));
    EXPECT_EQ(r.partParams[1].partVariant, 2);
    EXPECT_EQ(r.partParams[1].highestNote, 80);
    EXPECT_EQ(r.partParams[1].lowestNote, 50);
    EXPECT_EQ(r.partParams[4], r.partParams[1]);
    EXPECT_EQ(r.partParams[5], r.partParams[1]);
    EXPECT_EQ(r.partParams[2], PartParams{});
    EXPECT_EQ(r.grids.grids[0].rowLabels[0], 5);
    EXPECT_EQ(r.grids.grids[3].rowLabels[13], 18);
    EXPECT_EQ(r.grids.grids[2].rowLabels[13], 24);
    EXPECT_EQ(r.grids.grids[4].rowLabels[0], 0);
    EXPECT_TRUE(r.barPlan.empty());
}

TEST(StyleFinish, BarPlanFollowsFormLengthAndMeter)
{
    StyleRecord r = Defaults();
    FinishStyle(r);
    ASSERT_EQ(r.barPlan.size(), 40u);
    for (std::size_t i = 0; i < r.barPlan.size(); ++i) {
        EXPECT_EQ(r.barPlan[i].length, 384) << i;
        EXPECT_EQ(Chord(r.barPlan[i]), (i / 4) % 2 == 0 ? "CMPS" : "GMPs") << i;
    }
    r.meter = kMeter78;
    FinishStyle(r);
    ASSERT_EQ(r.barPlan.size(), 40u);
    for (const auto& e : r.barPlan) EXPECT_EQ(e.length, 336);
    EXPECT_EQ(Chord(r.barPlan[4]), "GMPs");
    EXPECT_EQ(Chord(r.barPlan[8]), "CMPS");
    r.meter = kMeter34;
    r.formLength = 25;
    FinishStyle(r);
    ASSERT_EQ(r.barPlan.size(), 25u);
    EXPECT_EQ(r.barPlan[24].length, 288);
    EXPECT_EQ(Chord(r.barPlan[24]), "CMPS");
}

TEST(StyleFinish, FormLengthOutsideTheRoomGivesAnEmptyOrCappedPlan)
{
    StyleRecord r = Defaults();
    for (int length : {0, -5}) {
        r.formLength = length;
        FinishStyle(r);
        EXPECT_TRUE(r.barPlan.empty()) << length;
    }
    r.formLength = 5000;
    FinishStyle(r);
    EXPECT_EQ(r.barPlan.size(), static_cast<std::size_t>(kBarPlanCapacity));
    EXPECT_EQ(kBarPlanCapacity, 692);
}

TEST(StyleFinish, CopyModeSixCopiesTheMelodyParametersToChannelFour)
{
    StyleRecord r = Defaults();
    r.partParams[1].ornament = 14;
    r.partParams[4].partKind = 10;
    FinishStyle(r);
    EXPECT_EQ(r.partParams[4], r.partParams[1]);

    r = Defaults();
    r.copyMode = 0;
    r.partParams[1].ornament = 14;
    r.partParams[4].partKind = 10;
    FinishStyle(r);
    EXPECT_EQ(r.partParams[4].partKind, 10);
    EXPECT_EQ(r.partParams[4].ornament, 0);
}

TEST(StyleGrids, HoldsCopyThePreviousStepAndWrapOverTheBar)
{
    GridBlock block;
    StepGrid& g = block.grids[0];
    g.cells[2][14] = 1;
    g.cells[5][3] = 1;
    g.holds[15] = 1;
    g.holds[0] = 1;
    g.holds[4] = 1;
    g.holds[5] = 1;
    PropagateHolds(block);
    // Step 0 reaches step 14's notes only through the second pass.
    EXPECT_EQ(g.cells[2][15], 1);
    EXPECT_EQ(g.cells[2][0], 1);
    EXPECT_EQ(g.cells[2][1], 0);
    EXPECT_EQ(g.cells[5][4], 1);
    EXPECT_EQ(g.cells[5][5], 1);
    EXPECT_EQ(g.cells[5][6], 0);
}

TEST(StyleGrids, EachSecondBarGridUsesItsOwnHoldsAndTheDrumGridNone)
{
    GridBlock block;
    block.grids[3].cells[0][0] = 1;
    block.grids[3].holds[1] = 1;
    block.grids[7].cells[0][0] = 1;   // grid 3's hold flags do not drive grid 7
    block.grids[5].cells[4][8] = 1;
    block.grids[5].holds[9] = 1;
    block.grids[2].cells[1][0] = 1;
    block.grids[2].holds[1] = 1;
    block.grids[6].cells[1][0] = 1;
    block.grids[6].holds[1] = 1;
    PropagateHolds(block);
    EXPECT_EQ(block.grids[3].cells[0][1], 1);
    EXPECT_EQ(block.grids[7].cells[0][1], 0);
    EXPECT_EQ(block.grids[5].cells[4][9], 1);
    EXPECT_EQ(block.grids[2].cells[1][1], 0);
    EXPECT_EQ(block.grids[6].cells[1][1], 0);

    block.grids[7].holds[1] = 1;
    PropagateHolds(block);
    EXPECT_EQ(block.grids[7].cells[0][1], 1);
}

TEST(StyleGrids, GridModeOneHandsStepZeroBetweenTheBarsOfPairZero)
{
    for (int mode : {0, 1}) {
        GridBlock block;
        block.gridMode = mode;
        block.grids[4].cells[6][15] = 1;  // last step of the second bar
        block.grids[0].holds[0] = 1;
        block.grids[0].cells[9][15] = 1;  // last step of the first bar
        block.grids[4].holds[0] = 1;
        PropagateHolds(block);
        if (mode == 1) {
            EXPECT_EQ(block.grids[0].cells[6][0], 1);
            EXPECT_EQ(block.grids[4].cells[9][0], 1);
        } else {
            EXPECT_EQ(block.grids[0].cells[6][0], 0);
            EXPECT_EQ(block.grids[0].cells[9][0], 1);  // its own step 15
            EXPECT_EQ(block.grids[4].cells[9][0], 0);
        }
    }
}

TEST(StyleRhythmSeed, StepCodesForEachMeterAndFeel)
{
    struct Case { int meter, feel, barSteps; };
    for (const Case c : {Case{kMeter44, 0, 32}, Case{kMeter44, 3, 24}, Case{kMeter34, 0, 24},
                         Case{kMeter34, 3, 18}, Case{kMeter78, 0, 28}}) {
        for (std::uint32_t seedValue : {1u, 99u, 12345u}) {
            Random random(seedValue);
            std::array<std::uint8_t, kRhythmSeedSteps> seed{};
            DrawRhythmSeed(random, c.meter, c.feel, seed);
            for (int i = 0; i < kRhythmSeedSteps; ++i) {
                EXPECT_LE(seed[i], 1) << i;
                if (i % c.barSteps == 0) {
                    EXPECT_EQ(seed[i], 1) << c.meter << "/" << c.feel << " step " << i;
                }
            }
        }
    }
    Random random(5);
    std::array<std::uint8_t, kRhythmSeedSteps> seed{};
    seed.fill(1);
    DrawRhythmSeed(random, kMeter78, kTripletFeel, seed);
    EXPECT_EQ(seed, (std::array<std::uint8_t, kRhythmSeedSteps>{}));
}

TEST(StyleRhythmSeed, SameSeedSameTableOtherSeedsDiffer)
{
    std::array<std::uint8_t, kRhythmSeedSteps> a{}, b{};
    Random r1(42), r2(42);
    DrawRhythmSeed(r1, kMeter44, 0, a);
    DrawRhythmSeed(r2, kMeter44, 0, b);
    EXPECT_EQ(a, b);
    int differing = 0;
    for (std::uint32_t s = 1; s <= 20; ++s) {
        Random r(s * 7919);
        DrawRhythmSeed(r, kMeter44, 0, b);
        differing += a != b;
    }
    EXPECT_GE(differing, 15);
}

TEST(StyleTimeCharts, DatabaseSetTimeChartAndMeterChooseTheNames)
{
    StyleRecord r = Defaults();
    TimeChartNames n = ChooseTimeCharts(r);
    EXPECT_EQ(r.databaseSet, 1);
    EXPECT_EQ(n.homeChord, "CMPS");
    EXPECT_EQ(n.timeChart, "TIMECHT.DB");
    EXPECT_EQ(n.cadenceTimeChart, "RESTIME.DB");

    r.timeChartIndex = 6;
    n = ChooseTimeCharts(r);
    EXPECT_EQ(n.homeChord, "CMPs");

    r.meter = kMeter34;
    r.databaseSet = 2;
    r.timeChartIndex = 3;
    n = ChooseTimeCharts(r);
    EXPECT_EQ(r.databaseSet, 2);
    EXPECT_EQ(n.homeChord, "AmPs");
    EXPECT_EQ(n.timeChart, "TIMECHT3.DB");
    EXPECT_EQ(n.cadenceTimeChart, "RESTIME3.DB");

    r.meter = kMeter44;
    r.databaseSet = 7;  // anything but 1 counts as the second set
    n = ChooseTimeCharts(r);
    EXPECT_EQ(r.databaseSet, 2);
    EXPECT_EQ(n.timeChart, "TIMECHT.DB2");
    EXPECT_EQ(n.cadenceTimeChart, "RESTIME.DB2");

    r.timeChartIndex = 6;
    r.meter = kMeter78;
    n = ChooseTimeCharts(r);
    EXPECT_EQ(r.databaseSet, 1);
    EXPECT_EQ(n.homeChord, "CMPs");
    EXPECT_EQ(n.timeChart, "TIMECHT7.DB");
    EXPECT_EQ(n.cadenceTimeChart, "RESTIME7.DB");
}

class StyleCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random random(20261208);
        BuildStyleCatalogue(random, catalogue, active);
    }
    const StyleRecord& At(int category, int slot) { return *CatalogueRecord(catalogue, category, slot); }
    std::string Name(int category, int slot) { return Cp932ToUtf8(At(category, slot).Name()); }

    StyleCatalogue catalogue;
    StyleRecord active;
};

TEST_F(StyleCatalogueTest, SlotZeroOneIsActiveBeforeAnySelection)
{
    ASSERT_NE(catalogue.Record(kCatalogueSlots - 1), nullptr);
    EXPECT_EQ(catalogue.Record(kCatalogueSlots), nullptr);
    EXPECT_EQ(catalogue.Record(-1), nullptr);
    EXPECT_EQ(Cp932ToUtf8(active.Name()), "ｱﾝﾌﾟﾗｸﾞﾄﾞ");
    EXPECT_EQ(active, At(0, 1));
    // The row writes channel 1 three times; the last write counts.
    EXPECT_EQ(active.channelInstrument[1], 53);
}

TEST_F(StyleCatalogueTest, SelectCopiesTheRecordAndChoosesItsCharts)
{
    CapturingReporter reporter;
    TimeChartNames names;
    ASSERT_TRUE(SelectStyle(reporter, catalogue, 0, 23, active, names));
    EXPECT_EQ(Cp932ToUtf8(active.Name()), "３拍子ﾎﾟｯﾌﾟｽ");
    EXPECT_EQ(names.timeChart, "TIMECHT3.DB");
    ASSERT_TRUE(SelectStyle(reporter, catalogue, 0, 19, active, names));
    EXPECT_EQ(names.timeChart, "TIMECHT7.DB");
    EXPECT_EQ(names.homeChord, "AmPs");
    EXPECT_TRUE(reporter.reports().empty());

    const StyleRecord before = active;
    const TimeChartNames namesBefore = names;
    for (auto [category, slot] : {std::pair{9, 0}, {-1, 3}, {0, 24}, {2, -1}}) {
        EXPECT_FALSE(SelectStyle(reporter, catalogue, category, slot, active, names));
        EXPECT_EQ(CatalogueRecord(catalogue, category, slot), nullptr);
    }
    EXPECT_EQ(reporter.Count("GENE", 0x0100000B), 4u);
    EXPECT_EQ(active, before);
    EXPECT_EQ(names.timeChart, namesBefore.timeChart);
}

TEST_F(StyleCatalogueTest, EmptySlotsCarryTheDefaultsAndTheUndefinedDescription)
{
    const StyleRecord& empty = At(1, 15);
    EXPECT_TRUE(empty.Name().empty());
    EXPECT_EQ(Cp932ToUtf8(empty.Description()), kUndefinedStyleDescription);
    EXPECT_EQ(empty.channelInstrument[1], 0);
    EXPECT_EQ(empty.channelInstrument[3], kNoInstrument);
    EXPECT_EQ(empty.barPlan.size(), 40u);
    EXPECT_EQ(empty.randomCategory, 0);

    const StyleRecord& unnamed = At(8, 8);
    EXPECT_TRUE(unnamed.Name().empty());
    EXPECT_TRUE(unnamed.Description().empty());
    EXPECT_NE(unnamed.channelInstrument[3], kNoInstrument);
}

TEST_F(StyleCatalogueTest, RandomSlotsHaveDefaultsANameAndTheirMark)
{
    const char* names[] = {"ﾗﾝﾀﾞﾑ海外", "ﾗﾝﾀﾞﾑ国内", "ﾗﾝﾀﾞﾑｼﾞｬｽﾞ", "ﾗﾝﾀﾞﾑｸﾗｼｯｸ", "ﾗﾝﾀﾞﾑ民族東",
                           "ﾗﾝﾀﾞﾑ民族西", "ﾗﾝﾀﾞﾑｹﾞｰﾑ", "ﾗﾝﾀﾞﾑﾋｰﾘﾝｸﾞ", "ﾗﾝﾀﾞﾑﾃｸﾉ"};
    for (int c = 0; c < kStyleCategories; ++c) {
        const StyleRecord& r = At(c, 0);
        EXPECT_EQ(Name(c, 0), names[c]);
        EXPECT_EQ(r.randomCategory, c + 1);
        EXPECT_EQ(r.channelInstrument[3], kNoInstrument);
        EXPECT_EQ(r.tempo, 750000);
        EXPECT_NE(Cp932ToUtf8(r.Description()), kUndefinedStyleDescription);
    }
    EXPECT_EQ(Cp932ToUtf8(At(0, 0).Description()),
              "毎回異なる音楽スタイルをランダムに生成し、演奏します。生成される音楽スタイルをファイルに書き出すように設定しておけば、後で読み込んで使用することもできます。");
}

TEST_F(StyleCatalogueTest, TellingRows)
{
    struct Row {
        int category, slot;
        const char* name;
        int meter, tempo;
        std::array<int, 8> instruments;
        std::array<int, 4> patterns;  // accompaniment, bass, drum, accompaniment 2
        const char* pattern;
        const char* cadence;
        int set;
    };
    constexpr int o = kNoInstrument;
    const Row rows[] = {
        {0, 1, "ｱﾝﾌﾟﾗｸﾞﾄﾞ", 0, 500000, {53, 32, 24, o, o, o, o, 1}, {47, 13, 1, 15}, "PATTERN.DB2", "RESOLUT.DB2", 2},
        {0, 10, "ﾗｯﾌﾟ", 0, 650000, {128, 32, 11, 28, 117, 30, o, 2}, {14, 10, 14, 15}, "PATTERN.DB", "RESOLUT.DB", 1},
        {0, 19, "ﾌﾟﾛｸﾞﾚ", 2, 500000, {30, 32, 18, 17, o, o, o, 1}, {10, 13, 20, 15}, "PATTERN.DB2", "RESOLUT.DB2", 2},
        {0, 23, "３拍子ﾎﾟｯﾌﾟｽ", 1, 650000, {88, 32, 1, 21, o, 89, o, 1}, {16, 7, 1, 13}, "PATTERN.DB", "RESOLUT.DB", 1},
        {1, 1, "演歌", 0, 850000, {65, 32, 24, o, o, 48, o, 1}, {27, 11, 17, 13}, "PATTERN.DB2", "RESOLUT.DB", 2},
        {2, 3, "ﾌﾞﾙｰｽｶﾙﾃｯﾄ", 0, 500000, {65, 32, 1, 1, o, o, o, 1}, {10, 6, 11, 15}, "PATTERN.DBB", "RESOLUT.DBB", 1},
        {6, 10, "ﾏｶﾛﾆｳｴｽﾀﾝ", 0, 650000, {78, 38, 25, o, 117, 14, o, 3}, {4, 10, 8, 15}, "PATTERN.DB2", "RESOLUT.DB2", 2},
        {7, 2, "ｼﾙｸﾛｰﾄﾞ", 0, 2000000, {75, o, 46, 53, o, 103, o, 3}, {47, 9, 22, 15}, "PATTERN.DB", "RESOLUT.DB", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.category) + "/" + std::to_string(row.slot));
        const StyleRecord& r = At(row.category, row.slot);
        EXPECT_EQ(Name(row.category, row.slot), row.name);
        EXPECT_EQ(r.meter, row.meter);
        EXPECT_EQ(r.tempo, row.tempo);
        const int channels[] = {1, 2, 3, 4, 5, 7, 8, 9};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(r.channelInstrument[channels[i]], row.instruments[i]) << channels[i];
        EXPECT_EQ(r.accompanimentPattern, row.patterns[0]);
        EXPECT_EQ(r.bassPattern, row.patterns[1]);
        EXPECT_EQ(r.drumPattern, row.patterns[2]);
        EXPECT_EQ(r.accompaniment2Pattern, row.patterns[3]);
        EXPECT_EQ(FieldView(r.patternDatabase), row.pattern);
        EXPECT_EQ(FieldView(r.cadenceDatabase), row.cadence);
        EXPECT_EQ(r.databaseSet, row.set);
        EXPECT_EQ(r.randomCategory, 0);
    }
    const StyleRecord& unplugged = At(0, 1);
    EXPECT_EQ(unplugged.formLength, 25);
    EXPECT_EQ(unplugged.barPlan.size(), 25u);
    EXPECT_EQ(unplugged.partParams[1].highestNote, 84);
    EXPECT_EQ(unplugged.partParams[1].lowestNote, 60);
    EXPECT_EQ(unplugged.rhythmFeel, 0);
    int cells = 0;
    for (const auto& row : unplugged.grids.grids[0].cells)
        for (int v : row) cells += v;
    EXPECT_GT(cells, 0);

    EXPECT_EQ(At(0, 10).partParams[1].ornament, 14);
    EXPECT_EQ(At(0, 10).partParams[1].highestNote, 58);
    EXPECT_EQ(At(0, 10).partParams[1].lowestNote, 33);
    EXPECT_EQ(Cp932ToUtf8(At(0, 10).Description()), "犬の声のラップです。（ＧＭでは、犬の声になりません。）");
    EXPECT_EQ(At(0, 19).timeChartIndex, 5);
    EXPECT_EQ(At(0, 19).barPlan[0].length, 336);
    EXPECT_EQ(At(0, 23).timeChartIndex, 1);
    EXPECT_EQ(Cp932ToUtf8(At(0, 23).Description()), "３拍子のﾎﾟｯﾌﾟｽを演奏します。");
    EXPECT_EQ(At(1, 1).rhythmFeel, 3);
    EXPECT_EQ(At(2, 3).partParams[1].ornament, 3);
    EXPECT_EQ(At(2, 3).timeChartIndex, 6);
    EXPECT_EQ(At(2, 3).rhythmFeel, 3);
    EXPECT_EQ(At(6, 10).partParams[1].ornament, 19);
    EXPECT_EQ(At(6, 10).formLength, 24);
    EXPECT_EQ(At(6, 10).channelDensity[1], 20);
    EXPECT_EQ(At(7, 2).tempo, 2000000);
}

TEST_F(StyleCatalogueTest, EachSlotDrawsItsOwnRhythmSeed)
{
    EXPECT_NE(At(0, 1).rhythmSeed, At(0, 2).rhythmSeed);
    EXPECT_NE(At(3, 5).rhythmSeed, At(3, 6).rhythmSeed);
    Random again(20261208);
    StyleCatalogue second;
    StyleRecord secondActive;
    BuildStyleCatalogue(again, second, secondActive);
    for (int i = 0; i < kCatalogueSlots; ++i) EXPECT_EQ(*second.Record(i), *catalogue.Record(i)) << i;
}

TEST(StyleCatalogueMaking, RecordsDoNotDependOnWhenOrWhereTheyAreMade)
{
    Random inOrder(77), backwards(77);
    StyleCatalogue first, second;
    StyleRecord firstActive, secondActive;
    BuildStyleCatalogue(inOrder, first, firstActive);
    BuildStyleCatalogue(backwards, second, secondActive);
    // The engine goes on with the same random numbers whichever records it
    // asks for later.
    EXPECT_EQ(RandomBetween(inOrder, 0, 1 << 30), RandomBetween(backwards, 0, 1 << 30));
    const StyleRecord* made = nullptr;
    std::thread other([&] { made = second.Record(100); });
    const StyleRecord* here = second.Record(100);
    other.join();
    EXPECT_EQ(made, here);
    for (int i = kCatalogueSlots - 1; i >= 0; --i) ASSERT_NE(second.Record(i), nullptr);
    for (int i = 0; i < kCatalogueSlots; ++i) EXPECT_EQ(*first.Record(i), *second.Record(i)) << i;
    EXPECT_EQ(firstActive, secondActive);
    EXPECT_EQ(StyleCatalogue().Record(0), nullptr);
}

TEST_F(StyleCatalogueTest, FixedRhythmTablesOutliveTheRandomDraw)
{
    Random other(777);
    StyleCatalogue second;
    StyleRecord secondActive;
    BuildStyleCatalogue(other, second, secondActive);
    const StyleRecord& raga = At(0, 8);  // writes its own table over the drawn one
    EXPECT_EQ(raga.rhythmSeed, CatalogueRecord(second, 0, 8)->rhythmSeed);
    EXPECT_EQ(raga.rhythmSeed[0], 1);
    EXPECT_EQ(raga.rhythmSeed[1], 0);
    EXPECT_EQ(raga.rhythmSeed[3], 1);
    EXPECT_EQ(raga.rhythmSeed[16], 1);  // the 16-step table repeats
    EXPECT_NE(At(0, 2).rhythmSeed, CatalogueRecord(second, 0, 2)->rhythmSeed);
}

}  // namespace
}  // namespace songloom::arrange
