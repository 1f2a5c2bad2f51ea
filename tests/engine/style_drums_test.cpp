// The catalogue's drum parts: kits by genre and a groove of its own for
// every fixed style.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "arrange/drum_part.h"
#include "arrange/engine_context.h"
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
            const StyleRecord& r = catalogue.records[static_cast<std::size_t>(row.category * kStylesPerCategory + row.slot)];
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
