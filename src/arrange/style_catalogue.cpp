#include "arrange/style_catalogue.h"

#include <algorithm>
#include <array>
#include <optional>

#include "arrange/catalogue_cp932.h"
#include "arrange/engine_context.h"
#include "arrange/style_data.h"
#include "common/messages.h"
#include "common/text.h"

namespace songloom::arrange {
namespace {

constexpr std::array<std::string_view, kStyleCategories> kCategoryNames = {
    "ﾎﾟｯﾌﾟｽ(海外)",   "ﾎﾟｯﾌﾟｽ(日本)",   "ｼﾞｬｽﾞ",
    "ｸﾗｼｯｸ",          "民族音楽(東洋)", "民族音楽(西洋)",
    "ｹﾞｰﾑ音楽 / ｻｳﾝﾄﾞﾄﾗｯｸ", "ﾋｰﾘﾝｸﾞ音楽", "ﾃｸﾉ",
};

constexpr std::array<int, 8> kDefaultChoiceWeights = {40, 10, 70, 90, 90, 92, 94, 96};
constexpr std::array<int, 8> kDefaultChoiceOffsets = {-25, -25, 0, 10, 20, 30, 40, 50};
constexpr std::string_view kDefaultChordTemplate = "xxxx909099090909";

// Channels whose mixer and density the defaults fill (0 and 6 have none of
// their own: channel 6 plays with channel 1's mixer).
constexpr std::array<int, 8> kMixedChannels = {1, 2, 3, 4, 5, 7, 8, 9};

void CopyStep(StepGrid& grid, int from, int to)
{
    for (auto& row : grid.cells) row[static_cast<std::size_t>(to)] = row[static_cast<std::size_t>(from)];
}

void PropagateGrid(StepGrid& grid)
{
    for (int c = 0; c < kGridSteps; ++c) {
        const int p = c == 0 ? kGridSteps - 1 : c - 1;
        if (grid.holds[static_cast<std::size_t>(c)] == 1) CopyStep(grid, p, c);
    }
}

// Steps of one bar in the rhythm table; 0 when the meter and feel have none.
int RhythmSeedBarSteps(int meter, int rhythmFeel)
{
    const bool triplet = rhythmFeel == kTripletFeel;
    switch (meter) {
    case kMeter44: return triplet ? 24 : 32;
    case kMeter34: return triplet ? 18 : 24;
    case kMeter78: return triplet ? 0 : 28;
    default: return 0;
    }
}

}  // namespace

std::string_view StyleCategoryNameUtf8(int category)
{
    if (category < 0 || category >= kStyleCategories) return {};
    return kCategoryNames[static_cast<std::size_t>(category)];
}

namespace {

// A rhythm seed in two halves: the random choices, then the table they make.
RhythmMotif DrawRhythmMotif(Random& random, int meter, int rhythmFeel)
{
    RhythmMotif m;
    m.groupSize = RandomBetween(random, 2, 4);
    m.phraseLength = RandomBetween(random, 4, 8);
    m.motifLength = RandomBetween(random, 1, 2) == 1 ? RandomBetween(random, 4, 8) : RandomBetween(random, 4, 32);
    if (RhythmSeedBarSteps(meter, rhythmFeel) == 0) return m;  // no table: no starts drawn
    m.starts[0] = 1;
    for (int i = 1; i < m.motifLength; ++i)
        m.starts[static_cast<std::size_t>(i)] = RandomBetween(random, 1, 3) == 1 ? 1 : 0;
    return m;
}

void ExpandRhythmMotif(const RhythmMotif& m, int meter, int rhythmFeel,
                       std::array<std::uint8_t, kRhythmSeedSteps>& seed)
{
    seed.fill(0);
    const int barSteps = RhythmSeedBarSteps(meter, rhythmFeel);
    if (barSteps == 0) return;
    // The motif repeats through the bar; every bar and every phrase of
    // groupSize x phraseLength steps starts with a new note value.
    const int phraseSteps = m.groupSize * m.phraseLength;
    for (int i = 0; i < kRhythmSeedSteps; ++i) {
        const int inBar = i % barSteps;
        const bool starts = inBar == 0 || inBar % phraseSteps == 0 ||
                            m.starts[static_cast<std::size_t>(inBar % m.motifLength)] == 1;
        seed[static_cast<std::size_t>(i)] = starts ? 1 : 0;
    }
}

}  // namespace

void DrawRhythmSeed(Random& random, int meter, int rhythmFeel,
                    std::array<std::uint8_t, kRhythmSeedSteps>& seed)
{
    ExpandRhythmMotif(DrawRhythmMotif(random, meter, rhythmFeel), meter, rhythmFeel, seed);
}

namespace {

// Everything of an undefined style but its rhythm seed, which is drawn.
StyleRecord UndefinedStyle()
{
    StyleRecord record;
    for (int ch : kMixedChannels) {
        const auto c = static_cast<std::size_t>(ch);
        record.channelInstrument[c] = ch == 1 ? 0 : kNoInstrument;
        ChannelMixer& mixer = record.channelMixer[c];
        mixer.volume = 100;
        for (int b = kMixChorus; b <= kMixPan; ++b) mixer.SetByte(b, kMixerUntouched);
        mixer.doublingDelay = 0;
    }
    for (int ch = 1; ch < kStyleChannels; ++ch) record.channelDensity[static_cast<std::size_t>(ch)] = 100;
    record.formLength = 40;
    SetField(record.description, CatalogueTextCp932(kUndefinedStyleDescription));
    record.meter = kMeter44;
    record.tempo = 750000;
    record.databaseSet = 1;
    record.noteDatabaseKind = 1;
    record.rhythmFeel = 0;
    SetField(record.defaultChordTemplate, kDefaultChordTemplate);
    record.voiceFlags = {1, 1, 1, 1};
    record.choiceWeights = kDefaultChoiceWeights;
    record.choiceOffsets = kDefaultChoiceOffsets;
    SetField(record.patternDatabase, "PATTERN.DB");
    SetField(record.cadenceDatabase, "RESOLUT.DB");
    for (int g : {kGridAccompaniment1, kGridAccompaniment2, kGridBass})
        record.grids.grids[static_cast<std::size_t>(g)].rowLabels = kVoiceRowLabels;
    record.grids.grids[kGridDrums].rowLabels = kDrumRowLabels;
    record.copyMode = kCopyMelodyParams;
    record.accompanimentPattern = 17;
    record.timeChartIndex = 7;
    record.drumPattern = 14;
    record.drumKitProgram = kKitByPattern;
    record.accompaniment2Pattern = 15;
    record.bassPattern = 10;

    PartParams& melody = record.partParams[1];
    melody.partVariant = 2;
    melody.highestNote = 80;
    melody.lowestNote = 50;
    melody.lineMethod = 1;
    record.partParams[4] = melody;
    record.partParams[5] = melody;
    return record;
}

const StyleRecord& UndefinedStyleTemplate()
{
    static const StyleRecord kUndefined = UndefinedStyle();
    return kUndefined;
}

// Drawn before the meter and feel of the style are known: every catalogue
// seed is a 4/4 straight table.
RhythmMotif DrawDefaultRhythmMotif(Random& random) { return DrawRhythmMotif(random, kMeter44, 0); }

void ExpandDefaultRhythmMotif(const RhythmMotif& rhythm, std::array<std::uint8_t, kRhythmSeedSteps>& seed)
{
    ExpandRhythmMotif(rhythm, kMeter44, 0, seed);
}

}  // namespace

void ApplyStyleDefaults(Random& random, StyleRecord& record)
{
    record = UndefinedStyleTemplate();
    ExpandDefaultRhythmMotif(DrawDefaultRhythmMotif(random), record.rhythmSeed);
}

void FinishStyle(StyleRecord& record)
{
    record.barPlan.clear();
    const int entries = std::clamp(record.formLength, 0, kBarPlanCapacity);
    const int length = BarTicks(record.meter);
    record.barPlan.reserve(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        BarPlanEntry entry;
        entry.length = length;
        const std::string_view code = (i / 4) % 2 == 0 ? "CMPS" : "GMPs";
        std::copy(code.begin(), code.end(), entry.chord.begin());
        record.barPlan.push_back(entry);
    }
    if (record.copyMode == kCopyMelodyParams) record.partParams[4] = record.partParams[1];
}

void PropagateHolds(GridBlock& block)
{
    for (int pass = 0; pass < 2; ++pass) {
        for (int g : {0, 1, 3}) PropagateGrid(block.grids[static_cast<std::size_t>(g)]);
        for (int g : {4, 5, 7}) PropagateGrid(block.grids[static_cast<std::size_t>(g)]);
        if (block.gridMode == 1) {
            StepGrid& first = block.grids[0];
            StepGrid& second = block.grids[4];
            if (first.holds[0] == 1)
                for (int r = 0; r < kGridRows; ++r) first.cells[r][0] = second.cells[r][kGridSteps - 1];
            if (second.holds[0] == 1)
                for (int r = 0; r < kGridRows; ++r) second.cells[r][0] = first.cells[r][kGridSteps - 1];
        }
    }
}

namespace {

// A slot's record: the undefined style with the slot's rhythm seed, then
// its rows over it.
StyleRecord MakeCatalogueRecord(int index, const RhythmMotif& rhythm)
{
    StyleRecord record = UndefinedStyleTemplate();
    ExpandDefaultRhythmMotif(rhythm, record.rhythmSeed);
    const int category = index / kStylesPerCategory;
    const int slot = index % kStylesPerCategory;
    if (slot == 0) {
        for (const RandomStyleRow& r : CatalogueRandomRows()) {
            if (r.category != category) continue;
            SetField(record.name, CatalogueTextCp932(r.name));
            SetField(record.description, CatalogueTextCp932(r.description));
            record.randomCategory = category + 1;
        }
    }
    std::vector<std::string> faults;  // the data tests list them; a build goes on
    const auto isSlot = [&](const auto& row) { return row.category == category && row.slot == slot; };
    std::optional<StyleRow> row;  // a later row for the slot wins
    for (const StyleRow& r : CatalogueStyleRows())
        if (isSlot(r)) row = r;
    if (row) {
        ApplyStyleRow(*row, record, faults);
        for (const DrumRow& drums : CatalogueDrumRows())
            if (isSlot(drums)) ApplyDrumRow(drums, record);
        bool hasGrids = false;
        for (const GridRow& grid : CatalogueGridRows()) {
            if (!isSlot(grid)) continue;
            ApplyGridRow(grid, record.grids, faults);
            hasGrids = true;
        }
        if (hasGrids) PropagateHolds(record.grids);
    }
    FinishStyle(record);
    return record;
}

}  // namespace

const StyleRecord* StyleCatalogue::Record(int index) const
{
    if (!slots_ || index < 0 || index >= kCatalogueSlots) return nullptr;
    Slot& s = slots_[static_cast<std::size_t>(index)];
    std::call_once(s.made, [&] { s.record = std::make_unique<StyleRecord>(MakeCatalogueRecord(index, s.rhythm)); });
    return s.record.get();
}

void BuildStyleCatalogue(Random& random, StyleCatalogue& catalogue, StyleRecord& activeStyle)
{
    catalogue.slots_ = std::make_unique<StyleCatalogue::Slot[]>(kCatalogueSlots);
    for (int index = 0; index < kCatalogueSlots; ++index)
        catalogue.slots_[static_cast<std::size_t>(index)].rhythm = DrawDefaultRhythmMotif(random);
    activeStyle = *catalogue.Record(1);
}

int StyleDefaultTempo(const StyleRecord& style)
{
    // The record keeps microseconds per quarter note.
    return style.tempo > 0 ? static_cast<int>(60000000LL / style.tempo) : 120;
}

int StyleDefaultInstrument(const StyleRecord& style) { return style.channelInstrument[kMelodyChannel]; }

const StyleRecord* CatalogueRecord(const StyleCatalogue& catalogue, int category, int slot)
{
    if (category < 0 || category >= kStyleCategories || slot < 0 || slot >= kStylesPerCategory)
        return nullptr;
    return catalogue.Record(category * kStylesPerCategory + slot);
}

TimeChartNames ChooseTimeCharts(StyleRecord& activeStyle)
{
    TimeChartNames names;
    const bool alternative = activeStyle.timeChartIndex == kAlternativeHomeChart;
    if (activeStyle.databaseSet == 1 || alternative) {
        activeStyle.databaseSet = 1;
        names.homeChord = alternative ? "CMPs" : "CMPS";
        names.timeChart = "TIMECHT.DB";
        names.cadenceTimeChart = "RESTIME.DB";
    } else {
        activeStyle.databaseSet = 2;
        names.homeChord = "AmPs";
        names.timeChart = "TIMECHT.DB2";
        names.cadenceTimeChart = "RESTIME.DB2";
    }
    if (activeStyle.meter == kMeter34) {
        names.timeChart = "TIMECHT3.DB";
        names.cadenceTimeChart = "RESTIME3.DB";
    } else if (activeStyle.meter == kMeter78) {
        names.timeChart = "TIMECHT7.DB";
        names.cadenceTimeChart = "RESTIME7.DB";
    }
    return names;
}

bool SelectStyle(Reporter& reporter, const StyleCatalogue& catalogue, int category, int slot,
                 StyleRecord& activeStyle, TimeChartNames& timeCharts)
{
    const StyleRecord* record = CatalogueRecord(catalogue, category, slot);
    if (!record) {
        GeneralErrorMsg(reporter, gene::kBadParameter);
        return false;
    }
    activeStyle = *record;
    timeCharts = ChooseTimeCharts(activeStyle);
    return true;
}

}  // namespace songloom::arrange
