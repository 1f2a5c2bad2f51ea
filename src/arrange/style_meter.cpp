#include "arrange/style_meter.h"

#include <algorithm>

namespace songloom::arrange {
namespace {

// Bass pattern of a waltz (one note a chord, the bar's downbeat) and the
// 4/4 ballad bass that takes its place when a waltz style plays in 4/4.
constexpr int kWaltzBass = 23;
constexpr int kBalladBass = 7;

constexpr std::array<int, 6> kMelodicGrids = {0, 1, 3, 4, 5, 7};

}  // namespace

std::string_view MeterText(int meter)
{
    return meter == kMeter44 ? "4/4" : meter == kMeter34 ? "3/4" : "7/8";
}

int SongMeter(int beatsPerBar) { return beatsPerBar == 3 ? kMeter34 : kMeter44; }

bool StyleWrittenFor(const StyleRecord& style, int beatsPerBar) { return style.meter == SongMeter(beatsPerBar); }

void RepeatHalfBar(GridBlock& grids, int stepsPerBeat)
{
    const int half = 2 * stepsPerBeat;
    auto repeat = [&](StepGrid& grid) {
        for (auto& row : grid.cells) {
            for (int s = 0; s < half && half + s < kGridSteps; ++s) {
                row[static_cast<std::size_t>(half + s)] = row[static_cast<std::size_t>(s)];
            }
        }
        for (int s = 0; s < half && half + s < kGridSteps; ++s) {
            grid.holds[static_cast<std::size_t>(half + s)] = grid.holds[static_cast<std::size_t>(s)];
        }
    };
    for (const int g : kMelodicGrids) repeat(grids.grids[static_cast<std::size_t>(g)]);
    repeat(grids.grids[kGridDrums]);
}

void FitStyleToMeter(StyleRecord& style, int beatsPerBar)
{
    const int meter = SongMeter(beatsPerBar);
    if (style.meter == meter) return;
    const int written = style.meter;
    style.meter = meter;
    for (BarPlanEntry& entry : style.barPlan) entry.length = BarTicks(meter);
    if (written == kMeter34 && meter == kMeter44) {
        RepeatHalfBar(style.grids, style.rhythmFeel == kTripletFeel ? 3 : 4);
        if (style.bassPattern == kWaltzBass) style.bassPattern = kBalladBass;
    }
}

StyleSlot DefaultStyleForMeter(const StyleCatalogue& catalogue, int beatsPerBar)
{
    const int meter = SongMeter(beatsPerBar);
    for (int category = 0; category < kStyleCategories; ++category) {
        for (int slot = 1; slot < kStylesPerCategory; ++slot) {
            const StyleRecord* record = CatalogueRecord(catalogue, category, slot);
            if (record == nullptr || record->randomCategory != 0 || record->meter != meter) continue;
            if (record->channelInstrument[kStyleChannels - 1] == kNoInstrument) continue;  // no band
            return {category, slot};
        }
    }
    return {};
}

StyleSlot StyleForImportedSong(const StyleCatalogue& catalogue, StyleSlot chosen, int beatsPerBar)
{
    const StyleRecord* record = CatalogueRecord(catalogue, chosen.category, chosen.slot);
    if (record != nullptr && StyleWrittenFor(*record, beatsPerBar)) return chosen;
    return DefaultStyleForMeter(catalogue, beatsPerBar);
}

StyleSlot StyleAfterMeterChange(const StyleCatalogue& catalogue, StyleSlot current, int beatsPerBar)
{
    const int other = SongMeter(beatsPerBar) == kMeter34 ? 4 : 3;
    if (current == DefaultStyleForMeter(catalogue, other)) return DefaultStyleForMeter(catalogue, beatsPerBar);
    return current;
}

}  // namespace songloom::arrange
