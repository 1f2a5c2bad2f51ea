// Checks over the whole compiled-in catalogue.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "arrange/catalogue_cp932.h"
#include "arrange/style_catalogue.h"
#include "arrange/style_data.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

TEST(StyleData, RowsAndGridsReadWithoutFaults)
{
    const auto faults = StyleDataFaults();
    for (const auto& f : faults) ADD_FAILURE() << f;
}

// The forms made at build time are the converter's, and cover every text a
// style record takes from the catalogue: building one never needs the
// converter.
TEST(StyleData, BuiltInCp932FormsAreTheConvertersForEveryCatalogueText)
{
    const std::size_t count = CatalogueCp932FormCount();
    ASSERT_GT(count, 0u);
    for (std::size_t i = 0; i < count; ++i) {
        const Cp932Form form = CatalogueCp932FormAt(i);
        SCOPED_TRACE(std::string(form.utf8));
        if (i > 0) {
            EXPECT_LT(CatalogueCp932FormAt(i - 1).utf8, form.utf8);
        }
        EXPECT_EQ(form.cp932, Utf8ToCp932(form.utf8));
        EXPECT_EQ(Cp932ToUtf8(form.cp932), form.utf8);
    }
    std::vector<std::string_view> texts{kUndefinedStyleDescription};
    for (const StyleRow& row : CatalogueStyleRows()) texts.insert(texts.end(), {row.name, row.description});
    for (const RandomStyleRow& row : CatalogueRandomRows()) texts.insert(texts.end(), {row.name, row.description});
    for (const std::string_view text : texts) {
        const auto form = CatalogueCp932(text);
        ASSERT_TRUE(form.has_value()) << text;
        EXPECT_EQ(CatalogueTextCp932(text), *form);
    }
    // The record of a style carries the same bytes.
    Random random(3);
    StyleCatalogue catalogue;
    StyleRecord active;
    BuildStyleCatalogue(random, catalogue, active);
    const StyleRow& row = CatalogueStyleRows()[7];
    const StyleRecord& record = *catalogue.Record(row.category * kStylesPerCategory + row.slot);
    EXPECT_EQ(FieldText(record.name.data(), record.name.size()), *CatalogueCp932(row.name));
    EXPECT_EQ(FieldText(record.description.data(), record.description.size()), *CatalogueCp932(row.description));
}

TEST(StyleData, OtherTextsGoThroughTheConverter)
{
    const std::string_view text = "表にない題名";
    EXPECT_FALSE(CatalogueCp932(text).has_value());
    EXPECT_EQ(CatalogueTextCp932(text), Utf8ToCp932(text));
    EXPECT_EQ(Cp932ToUtf8(CatalogueTextCp932(text)), text);
}

class WholeCatalogue : public ::testing::Test {
protected:
    void SetUp() override
    {
        Random random(11);
        BuildStyleCatalogue(random, catalogue, active);
        for (const StyleRow& row : CatalogueStyleRows())
            fixed.push_back(catalogue.Record(row.category * kStylesPerCategory + row.slot));
    }
    StyleCatalogue catalogue;
    StyleRecord active;
    std::vector<const StyleRecord*> fixed;
};

TEST_F(WholeCatalogue, EveryFixedStyleHasValidValues)
{
    for (const StyleRow& row : CatalogueStyleRows()) {
        const StyleRecord& r = *catalogue.Record(row.category * kStylesPerCategory + row.slot);
        SCOPED_TRACE(std::to_string(row.category) + "/" + std::to_string(row.slot) + " " + std::string(row.name));
        for (int ch = 0; ch < kStyleChannels; ++ch) {
            const int code = r.channelInstrument[ch];
            EXPECT_TRUE((code >= 0 && code <= 144) || code == kNoInstrument) << "channel " << ch << ": " << code;
            EXPECT_TRUE(r.channelOctave[ch] >= -1 && r.channelOctave[ch] <= 1);
            if (ch >= 1) {
                EXPECT_TRUE(r.channelDensity[ch] >= 20 && r.channelDensity[ch] <= 160) << ch;
            }
            EXPECT_LE(r.channelMixer[ch].volume, 127);
            EXPECT_LE(r.channelMixer[ch].pan, 127);
        }
        EXPECT_NE(r.channelInstrument[9], 0) << "a drum channel is switched on by any value but 256";
        EXPECT_TRUE(r.accompanimentPattern >= 1 && r.accompanimentPattern <= 60 && r.accompanimentPattern != 48);
        EXPECT_TRUE(r.accompaniment2Pattern >= 1 && r.accompaniment2Pattern <= 60 && r.accompaniment2Pattern != 48);
        EXPECT_TRUE(r.bassPattern >= 1 && r.bassPattern <= 23);
        EXPECT_TRUE(r.drumPattern >= 1 && r.drumPattern <= 38);
        for (int ch : {1, 4, 5}) {
            EXPECT_GT(r.partParams[ch].highestNote, r.partParams[ch].lowestNote) << ch;
            EXPECT_TRUE(r.partParams[ch].lineMethod >= 1 && r.partParams[ch].lineMethod <= 7) << ch;
        }
        const int bpm = 60000000 / r.tempo;
        EXPECT_TRUE(bpm >= 30 && bpm <= 200) << bpm;
        EXPECT_TRUE(r.meter >= 0 && r.meter <= 2);
        EXPECT_TRUE(r.rhythmFeel == 0 || r.rhythmFeel == 1 || r.rhythmFeel == 3);
        EXPECT_TRUE(r.databaseSet == 1 || r.databaseSet == 2);
        EXPECT_TRUE(r.formLength >= 16 && r.formLength <= 40);
        EXPECT_LT(Utf8ToCp932(row.name).size(), static_cast<std::size_t>(kStyleNameBytes));
        EXPECT_EQ(Cp932ToUtf8(r.Name()), row.name);
        EXPECT_EQ(Cp932ToUtf8(r.Description()), row.description);
        if (!row.name.empty()) {
            EXPECT_FALSE(row.description.empty());
        }
        EXPECT_EQ(r.randomCategory, 0);
        if (r.accompanimentPattern == 47 || r.accompaniment2Pattern == 47 || r.drumPattern == 28 ||
            r.bassPattern == 20) {
            const int grid = r.drumPattern == 28 ? kGridDrums : r.bassPattern == 20 ? kGridBass : 0;
            int on = 0;
            for (const auto& cells : r.grids.grids[static_cast<std::size_t>(grid)].cells)
                for (int v : cells) on += v;
            EXPECT_GT(on, 0) << "grid " << grid << " of a grid style is empty";
        }
    }
}

// Compares everything a rendering uses; the name, the description and the
// rhythm seed drawn at start-up are left out.
bool SameParameters(StyleRecord a, StyleRecord b)
{
    a.name = b.name;
    a.description = b.description;
    a.rhythmSeed = b.rhythmSeed;
    return a == b;
}

TEST_F(WholeCatalogue, NoTwoFixedStylesShareTheirParameters)
{
    for (std::size_t i = 0; i < fixed.size(); ++i)
        for (std::size_t j = i + 1; j < fixed.size(); ++j)
            EXPECT_FALSE(SameParameters(*fixed[i], *fixed[j]))
                << Cp932ToUtf8(fixed[i]->Name()) << " and " << Cp932ToUtf8(fixed[j]->Name());
}

TEST_F(WholeCatalogue, GridStylesHaveGridsOfTheirOwn)
{
    std::map<std::string, int> seen;
    for (const StyleRecord* r : fixed) {
        if (r->accompanimentPattern == 47) {
            const auto& g = r->grids.grids;
            std::string key;
            for (int grid : {0, 4})
                for (const auto& cells : g[static_cast<std::size_t>(grid)].cells)
                    for (int v : cells) key += static_cast<char>('0' + v);
            EXPECT_EQ(seen[key]++, 0) << Cp932ToUtf8(r->Name()) << " repeats another style's grids";
        }
    }
}

TEST_F(WholeCatalogue, OneHundredFortyFiveSlotsHoldAStyle)
{
    int styles = 0, named = 0;
    for (int i = 0; i < kCatalogueSlots; ++i) {
        const StyleRecord& r = *catalogue.Record(i);
        const bool undefined = Cp932ToUtf8(r.Description()) == kUndefinedStyleDescription;
        styles += !undefined;
        named += !r.Name().empty();
        if (undefined) {
            EXPECT_TRUE(r.Name().empty());
        }
    }
    EXPECT_EQ(styles, 145);
    EXPECT_EQ(named, 144);  // category 8 slot 8 has parameters but no name
    EXPECT_EQ(fixed.size(), 136u);
}

TEST_F(WholeCatalogue, ChannelsOnlyUseProgramsTheirGeneratorsCanPlay)
{
    for (const StyleRecord* r : fixed) {
        SCOPED_TRACE(Cp932ToUtf8(r->Name()));
        for (int ch = 0; ch < kStyleChannels; ++ch) {
            const int code = r->channelInstrument[ch];
            EXPECT_TRUE(code != 129 && code != 134 && code != 135) << "no program for extra voice " << code;
        }
        // Melodic percussion takes the low byte as the program; effects know three programs.
        EXPECT_TRUE(r->channelInstrument[5] < 128 || r->channelInstrument[5] == kNoInstrument);
        const int effect = r->channelInstrument[8];
        EXPECT_TRUE(effect == 122 || effect == 123 || effect == 126 || effect == kNoInstrument) << effect;
        if (r->copyMode != kCopyMelodyParams) {
            EXPECT_NE(r->partParams[4], r->partParams[1]) << "own channel 4 values that nobody set";
        }
    }
}

// Voices that sustain (string ensembles, pads, church and reed organs) hold
// or swell their chords: no fixed style gives them the short stabs of funk
// (15, 29), the bossa guitar (20), shuffle comping (22), organ off-beats (24)
// or a stride left hand (42); the jazz, blues and shō voicings go with
// styles that have a comping part.
TEST_F(WholeCatalogue, SustainedVoicesHoldTheirChords)
{
    const auto sustains = [](int program) {
        return (program >= 48 && program <= 51) || (program >= 88 && program <= 95) || program == 19 || program == 20;
    };
    for (const StyleRow& row : CatalogueStyleRows()) {
        const StyleRecord& r = *catalogue.Record(row.category * kStylesPerCategory + row.slot);
        SCOPED_TRACE(std::to_string(row.category) + "/" + std::to_string(row.slot));
        for (const auto& [channel, pattern] : {std::pair{3, r.accompanimentPattern}, std::pair{7, r.accompaniment2Pattern}}) {
            if (!sustains(r.channelInstrument[static_cast<std::size_t>(channel)])) continue;
            for (const int stab : {15, 20, 22, 24, 29, 42}) EXPECT_NE(pattern, stab) << "channel " << channel;
        }
        if (r.comping != 0) {
            EXPECT_NE(r.channelInstrument[3], kNoInstrument);
        }
    }
}

// The pattern numbers are spread over the catalogue as the generators'
// users are: the grid accompaniment and the strummed, figured and broken
// chords lead; the style's own drum grid and the two ride and hi-hat
// grooves follow.
TEST_F(WholeCatalogue, PatternNumbersAreSpreadAsTheirUsers)
{
    std::map<int, int> accompaniment, drums;
    for (const StyleRecord* r : fixed) {
        ++accompaniment[r->accompanimentPattern];
        ++drums[r->drumPattern];
    }
    EXPECT_EQ(accompaniment[47], 28);
    EXPECT_EQ(accompaniment[4], 17);
    // The swing guitar comps in its own figure (44) and three piano styles
    // have their own left hands (Alberti 12, rolling 11, rolled 59), so that
    // no two styles play alike.
    EXPECT_EQ(accompaniment[10], 10);
    EXPECT_EQ(accompaniment[9], 5);
    EXPECT_EQ(drums[28], 12);
    EXPECT_EQ(drums[11], 6);
    EXPECT_EQ(drums[17], 6);
}

}  // namespace
}  // namespace songloom::arrange
