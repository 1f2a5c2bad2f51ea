#pragma once
// The style catalogue: 9 categories of 24 slots, built once at start-up, and
// the operations that make a style record and copy one into the engine's
// active style.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "arrange/style_record.h"
#include "common/random.h"
#include "common/reporter.h"

namespace songloom::arrange {

inline constexpr int kStyleCategories = 9;
inline constexpr int kStylesPerCategory = 24;
inline constexpr int kCatalogueSlots = kStyleCategories * kStylesPerCategory;  // 216

// What a rhythm seed is drawn from: note values start at every group of
// groupSize x phraseLength steps and where the motif's starts say.
struct RhythmMotif {
    int groupSize = 2;
    int phraseLength = 4;
    int motifLength = 1;
    std::array<std::uint8_t, 32> starts{};
};

// The catalogue's 216 slots (category * 24 + slot). Building it draws every
// slot's rhythm motif, in slot order; a slot's record is made from the motif
// and the slot's rows the first time it is asked for, so a command that
// renders one song makes two records, not 216. A record never changes once
// made, and asking for one is safe from any thread.
class StyleCatalogue {
public:
    bool Built() const { return slots_ != nullptr; }
    // The record of slot index; nullptr before the build or outside 0-215.
    const StyleRecord* Record(int index) const;

private:
    friend void BuildStyleCatalogue(Random& random, StyleCatalogue& catalogue, StyleRecord& activeStyle);
    struct Slot {
        RhythmMotif rhythm;
        std::once_flag made;
        std::unique_ptr<StyleRecord> record;
    };
    std::unique_ptr<Slot[]> slots_;
};

// Names chosen with the active style: the two time-chart files and the home
// chord code the harmony side starts from.
struct TimeChartNames {
    std::string timeChart = "TIMECHT.DB";
    std::string cadenceTimeChart = "RESTIME.DB";
    std::string homeChord = "CMPS";  // "CMPS", "CMPs" or "AmPs"
};

// Category names in list order, UTF-8 (the UI shows them).
std::string_view StyleCategoryNameUtf8(int category);
// The description an undefined slot carries, UTF-8.
inline constexpr std::string_view kUndefinedStyleDescription =
    "このボタンに音楽スタイルは定義されていません。";

// Writes every default of an undefined style into record: piano melody on
// channel 1, every other part off, default mixers, patterns, databases, grid
// row labels, a fresh rhythmSeed (drawn for 4/4 straight), channel 1's part
// parameters copied into channels 4 and 5. The bar plan stays empty until
// FinishStyle.
void ApplyStyleDefaults(Random& random, StyleRecord& record);

// Builds the bar plan (formLength entries of the meter's bar length, chord
// codes "CMPS" and "GMPs" alternating in groups of four bars; nothing below
// 1, at most kBarPlanCapacity) and, when copyMode is 6, copies channel 1's
// part parameters into channel 4's.
void FinishStyle(StyleRecord& record);

// Fills held steps with the notes of the step before, twice over the block:
// grids 0, 1 and 3, then the second-bar grids 4, 5 and 7, each by its own hold
// flags (grid 7 does not borrow grid 3's), then with gridMode 1 the step 0
// hand-over between grids 0 and 4.
void PropagateHolds(GridBlock& block);

// 96 step codes of a random rhythm for the given meter and feel (1 = a note
// value starts, 0 = it goes on). A meter and feel without a step count (7/8
// in triplet feel) leave the table all zero.
void DrawRhythmSeed(Random& random, int meter, int rhythmFeel,
                    std::array<std::uint8_t, kRhythmSeedSteps>& seed);

// Fills all 216 slots and copies category 0 slot 1 into activeStyle. The
// random parts (each slot's rhythmSeed) come from random, which the app seeds
// from the clock just before; they are all drawn here, whichever records are
// made later.
void BuildStyleCatalogue(Random& random, StyleCatalogue& catalogue, StyleRecord& activeStyle);

// The record of (category, slot); nullptr outside 0-8 / 0-23 or before the
// catalogue is built.
const StyleRecord* CatalogueRecord(const StyleCatalogue& catalogue, int category, int slot);

// What choosing a style brings to the song: its tempo in quarter notes per
// minute (120 when the record has none) and its melody instrument (the
// record's value as it is; 256 means none).
int StyleDefaultTempo(const StyleRecord& style);
int StyleDefaultInstrument(const StyleRecord& style);

// Sets activeStyle.databaseSet and returns the time-chart names and home
// chord code the style asks for; the meter then picks the 3/4 and 7/8 charts.
TimeChartNames ChooseTimeCharts(StyleRecord& activeStyle);

// Copies the record of (category, slot) into activeStyle by value and chooses
// its time charts into timeCharts. A category or slot out of range (a damaged
// song file) reports GENE 0x0100000B, leaves both unchanged and returns false.
bool SelectStyle(Reporter& reporter, const StyleCatalogue& catalogue, int category, int slot,
                 StyleRecord& activeStyle, TimeChartNames& timeCharts);

}  // namespace songloom::arrange
