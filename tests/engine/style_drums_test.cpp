// The catalogue's drum parts: kits by genre and a groove of its own for
// every fixed style.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "arrange/drum_part.h"
#include "arrange/engine_context.h"
#include "arrange/pattern_context.h"
#include "common/reporter.h"
#include <algorithm>
#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "pattern_test_song.h"

namespace songloom::arrange {
namespace {

class DrumCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random random(3);
        BuildStyleCatalogue(random, catalogue, active);
        for (const StyleRow& row : CatalogueStyleRows()) {
            const StyleRecord& r = *catalogue.Record(row.category * kStylesPerCategory + row.slot);
            if (r.channelInstrument[kDrumChannel] != kNoInstrument)
                drums[std::to_string(row.category) + "/" + std::to_string(row.slot)] = &r;
        }
    }
    const StyleRecord& At(const std::string& id) const { return *drums.at(id); }

    StyleCatalogue catalogue;
    StyleRecord active;
    std::map<std::string, const StyleRecord*> drums;
};

TEST_F(DrumCatalogue, KitsFollowTheGenre)
{
    // The GS kits the bundled FluidR3 sound font holds in bank 128.
    const std::set<int> kits{0, 8, 16, 24, 25, 32, 40, 48};
    std::set<int> used;
    for (const auto& [id, r] : drums) {
        EXPECT_TRUE(r->drumKitProgram == kKitByPattern || kits.count(r->drumKitProgram)) << id;
        used.insert(r->drumKitProgram);
        if (id[0] == '8') {
            EXPECT_TRUE(r->drumKitProgram == 24 || r->drumKitProgram == 25) << id << " techno on a drum machine";
        }
        if (r->drumPattern == 11) {
            EXPECT_TRUE(r->drumKitProgram == 32 || r->drumKitProgram == 40) << id << " swing on a jazz kit";
        }
    }
    EXPECT_EQ(At("3/8").drumKitProgram, 48);  // the bolero's snare is an orchestra's
    EXPECT_EQ(At("0/17").drumKitProgram, 16);
    EXPECT_EQ(At("2/14").drumKitProgram, 40);  // slow blues on brushes
    EXPECT_EQ(At("0/10").drumKitProgram, 25);
    EXPECT_GE(used.size(), 7u);
}

// What a style's drum part repeats in one meter: its groove's grid of sound
// codes, or for the style's own grid the sounds of the columns a bar plays.
std::vector<int> GrooveOf(const StyleRecord& r, int meter)
{
    Random random(1);
    CapturingReporter reporter;
    PatternContext context(random, reporter);
    CopyStyleValues(context, r);
    context.meter = meter;
    if (r.drumPattern != 28) return DrumPatternGrid(context, r.drumPattern);
    std::vector<int> sounds;
    const StepGrid& grid = r.grids.grids[kGridDrums];
    const int columns = meter == kMeter34 ? 12 : kGridSteps;
    for (int c = 0; c < columns; ++c) {
        for (int row = 0; row < kGridRows; ++row)
            if (grid.cells[row][c] == 1) sounds.push_back(grid.rowLabels[row] + 35);
        sounds.push_back(-1);
    }
    return sounds;
}

// No two fixed styles play one groove, in whichever meter the song puts
// them (a song is in 4/4 or 3/4; a 7/8 style also plays its own).
TEST_F(DrumCatalogue, EveryStyleHasAGrooveOfItsOwn)
{
    for (int meter : {kMeter44, kMeter34, kMeter78}) {
        std::map<std::pair<int, std::vector<int>>, std::string> seen;
        for (const auto& [id, r] : drums) {
            if (meter == kMeter78 && r->meter != kMeter78) continue;
            const std::vector<int> groove = GrooveOf(*r, meter);
            if (r->drumPattern == 4) continue;  // drawn afresh for every part
            ASSERT_FALSE(groove.empty()) << id;
            const auto [it, fresh] = seen.emplace(std::make_pair(r->rhythmFeel == kTripletFeel, groove), id);
            EXPECT_TRUE(fresh) << id << " plays the groove of " << it->second << " in meter " << meter;
        }
    }
}

// The grooves a genre is known by.
TEST_F(DrumCatalogue, GenresKeepTheirKickAndSnare)
{
    auto steps = [&](const std::string& id) { return GrooveOf(At(id), At(id).meter); };
    auto has = [](int code, std::initializer_list<int> codes) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    };
    const std::initializer_list<int> kicks{2, 5, 22, 26, 29, 30, 32, 33, 37, 39, 46, 48, 49};
    // Trance: a kick on every beat, the first included.
    const auto trance = steps("8/4");
    for (std::size_t i = 0; i < trance.size(); i += 2) EXPECT_TRUE(has(trance[i], kicks)) << i;
    // Rock: snare on 2 and 4 of every bar, the kick on 1.
    for (const char* id : {"0/3", "0/9", "0/11", "0/17"}) {
        const auto rock = steps(id);
        for (std::size_t bar = 0; bar < rock.size() / 8; ++bar) {
            EXPECT_TRUE(has(rock[bar * 8], kicks)) << id;
            EXPECT_TRUE(has(rock[bar * 8 + 2], {4, 28, 29, 34, 38})) << id << " bar " << bar;
            EXPECT_TRUE(has(rock[bar * 8 + 6], {4, 28, 29, 34, 38})) << id << " bar " << bar;
        }
    }
    // Bossa nova: the rim click (37) and the shaker, never a tambourine.
    for (const char* id : {"0/20", "5/3"}) {
        const auto bossa = steps(id);
        EXPECT_NE(std::find(bossa.begin(), bossa.end(), 47), bossa.end()) << id;
        for (int code : bossa) EXPECT_FALSE(has(code, {10, 36, 37, 38})) << id;
    }
    // Swing: the hi-hat foot on 2 and 4 under the ride.
    for (const auto& [id, r] : drums) {
        if (r->drumPattern != 11 || r->drumVariation == 4) continue;
        const auto swing = steps(id);
        for (std::size_t beat = 1; beat < swing.size() / 3; beat += 2) EXPECT_EQ(swing[beat * 3], 43) << id;
    }
    // Waltzes: the kick on 1 only.
    for (const char* id : {"0/23", "5/4", "5/15"}) {
        const auto waltz = steps(id);
        EXPECT_TRUE(has(waltz[0], kicks)) << id;
        for (std::size_t i = 1; i < 6; ++i) EXPECT_FALSE(has(waltz[i], kicks)) << id << " step " << i;
    }
}

// A drum grid may name its rows' sounds: the first rows take the GM notes
// given; a note outside the drum map or a fifteenth label is a fault.
TEST(DrumGridRows, LabelsNameTheRowsSounds)
{
    GridBlock block;
    block.grids[kGridDrums].rowLabels = kDrumRowLabels;
    std::vector<std::string> faults;
    ApplyGridRow({0, 2, kGridDrums, "L:36,56,75 1:x...x...x...x..."}, block, faults);
    EXPECT_TRUE(faults.empty());
    const StepGrid& grid = block.grids[kGridDrums];
    EXPECT_EQ(grid.rowLabels[0], 1);
    EXPECT_EQ(grid.rowLabels[1], 21);
    EXPECT_EQ(grid.rowLabels[2], 40);
    EXPECT_EQ(grid.rowLabels[3], kDrumRowLabels[3]);
    EXPECT_EQ(grid.cells[1][4], 1);
    ApplyGridRow({0, 2, kGridDrums, "L:34,56"}, block, faults);
    ApplyGridRow({0, 2, kGridDrums, "L:35,36,37,38,39,40,41,42,43,44,45,46,47,48,49"}, block, faults);
    ApplyGridRow({0, 2, kGridDrums, "L:36,x"}, block, faults);
    EXPECT_EQ(faults.size(), 3u);
    EXPECT_EQ(block.grids[kGridDrums].rowLabels[1], 21);  // a faulty token changes nothing
}

}  // namespace
}  // namespace songloom::arrange
