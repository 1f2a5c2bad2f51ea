// The compact rows: what a row writes over the defaults, and how faults in
// hand-written rows are caught.
#include <gtest/gtest.h>

#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

StyleRow Row(std::string_view mixer, std::string_view extra)
{
    return StyleRow{3, 5, "ﾃｽﾄ", kMeter34, 600000, 3, {40, 43, kOff, kOff, kOff, 48, kOff, 22},
                    {12, 0, 0, 7}, "B/2/2", 6, 4, 20, 90, 60, mixer, extra, "説明です。"};
}

TEST(StyleRow, ColumnsAndExtrasLandInTheirFieldsLaterWritesWin)
{
    Random random(1);
    StyleRecord r;
    ApplyStyleDefaults(random, r);
    std::vector<std::string> faults;
    ApplyStyleRow(Row("1:110,30,90,20 9:80",
                      "ins.1=41 den.3=140 oct.2=-1 kind.4=10 hi.4=84 lo.4=60 orn.1=14 orn2.1=5 "
                      "cw=50,20 vf=1,0,1,1 tpl=CMPS909099090909 bri.1=90 dly.3=12 gm=2 cont=1,0,1,0 "
                      "copy=0 ins.1=42"),
                  r, faults);
    EXPECT_TRUE(faults.empty()) << faults.front();
    EXPECT_EQ(Cp932ToUtf8(r.Name()), "ﾃｽﾄ");
    EXPECT_EQ(r.channelInstrument[1], 42);
    EXPECT_EQ(r.channelInstrument[7], 48);
    EXPECT_EQ(r.channelInstrument[9], 22);
    EXPECT_EQ(r.accompanimentPattern, 12);
    EXPECT_EQ(r.bassPattern, 10);  // 0 keeps the default
    EXPECT_EQ(r.drumPattern, 14);
    EXPECT_EQ(r.accompaniment2Pattern, 7);
    EXPECT_EQ(FieldView(r.patternDatabase), "PATTERN.DBB");
    EXPECT_EQ(FieldView(r.cadenceDatabase), "RESOLUT.DB2");
    EXPECT_EQ(r.databaseSet, 2);
    EXPECT_EQ(r.timeChartIndex, 6);
    EXPECT_EQ(r.noteDatabaseKind, 4);
    EXPECT_EQ(r.formLength, 20);
    EXPECT_EQ(r.rhythmFeel, 3);
    EXPECT_EQ(r.partParams[1].highestNote, 90);
    EXPECT_EQ(r.partParams[1].ornament, 14);
    EXPECT_EQ(r.partParams[1].ornament2, 5);
    EXPECT_EQ(r.partParams[4].partKind, 10);
    EXPECT_EQ(r.partParams[4].lowestNote, 60);
    const ChannelMixer& m = r.channelMixer[1];
    EXPECT_EQ((std::array{m.volume, m.pan, m.reverb, m.chorus, m.brightness, m.attack}),
              (std::array<std::uint8_t, 6>{110, 30, 90, 20, 90, 64}));
    EXPECT_EQ(r.channelMixer[9].volume, 80);
    EXPECT_EQ(r.channelMixer[9].pan, 64);  // a short mixer entry keeps the rest
    EXPECT_EQ(r.channelMixer[3].doublingDelay, 12);
    EXPECT_EQ(r.channelDensity[3], 140);
    EXPECT_EQ(r.channelOctave[2], -1);
    EXPECT_EQ((std::array{r.choiceWeights[0], r.choiceWeights[1], r.choiceWeights[2]}), (std::array{50, 20, 70}));
    EXPECT_EQ(r.voiceFlags[1], 0);
    EXPECT_EQ(FieldView(r.defaultChordTemplate), "CMPS909099090909");
    EXPECT_EQ(r.grids.gridMode, 2);
    EXPECT_EQ(r.grids.continueSwitch[2], 1);
    FinishStyle(r);
    EXPECT_EQ(r.partParams[4].partKind, 10) << "copy=0 keeps channel 4's own values";
}

TEST(StyleRow, FaultsAreListedAndTheRestOfTheRowStillApplies)
{
    Random random(1);
    StyleRecord r;
    ApplyStyleDefaults(random, r);
    std::vector<std::string> faults;
    StyleRow row = Row("1:110,30 12:90 x", "bogus=1 orn.1=abc den.3=150 hi.99=3 tpl=short seed=12 cw=1,2,3,4,5,6,7,8,9");
    row.databases = "3/1/1";
    row.name = "とても長いスタイルの名前です";  // 28 bytes in CP932
    ApplyStyleRow(row, r, faults);
    EXPECT_EQ(faults.size(), 10u);
    for (const auto& f : faults) EXPECT_EQ(f.rfind("3/5", 0), 0u) << f;
    EXPECT_EQ(r.channelDensity[3], 150);
    EXPECT_EQ(r.channelMixer[1].pan, 30);
    EXPECT_EQ(r.Name().size(), 18u);  // cut on a character boundary before the NUL
    EXPECT_EQ(FieldView(r.patternDatabase), "PATTERN.DB");
}

TEST(StyleGridRow, CellsAndHoldsOfOneGrid)
{
    GridBlock block;
    std::vector<std::string> faults;
    ApplyGridRow({0, 1, 4, "2:x...x...x...x... 13:...............x H:.x.............."}, block, faults);
    EXPECT_TRUE(faults.empty());
    EXPECT_EQ(block.grids[4].cells[2][4], 1);
    EXPECT_EQ(block.grids[4].cells[2][5], 0);
    EXPECT_EQ(block.grids[4].cells[13][15], 1);
    EXPECT_EQ(block.grids[4].holds[1], 1);
    EXPECT_EQ(block.grids[0], StepGrid{});

    ApplyGridRow({0, 1, 16, "2:x..............."}, block, faults);
    ApplyGridRow({0, 1, 0, "2:x.............. 14:x............... Q:x..............."}, block, faults);
    EXPECT_EQ(faults.size(), 4u);
}

}  // namespace
}  // namespace songloom::arrange
