#pragma once
// The catalogue's data as compact rows (one per style) and grid definitions;
// the builder turns each row into a StyleRecord. Internal to the arrange
// library and its tests.

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arrange/style_record.h"

namespace songloom::arrange {

inline constexpr int kOff = kNoInstrument;

// One fixed style. Zero in a column means "keep the default" where the
// column says so. Texts are UTF-8 here and CP932 in the record.
struct StyleRow {
    int category;
    int slot;
    std::string_view name;
    int meter;                       // kMeter44, kMeter34, kMeter78
    int tempo;                       // microseconds per quarter note
    int feel;                        // rhythmFeel
    std::array<int, 8> instruments;  // channels 1, 2, 3, 4, 5, 7, 8, 9 (kOff: not used)
    std::array<int, 4> patterns;     // accompaniment, bass, drum, accompaniment 2 (0: default)
    // Pattern database, cadence database and databaseSet as "P/C/S": P and C
    // are 1 (".DB"), 2 (".DB2") or B (".DBB"); S is 1 or 2.
    std::string_view databases;
    int timeChart;     // timeChartIndex (0: default)
    int noteDatabase;  // noteDatabaseKind
    int formLength;    // 0: default
    int highestNote;   // channel 1 melody range
    int lowestNote;
    // Mixer of the channels the style uses: "ch:volume,pan,reverb,chorus ...".
    std::string_view mixer;
    // Further values in write order, "key=value" or "key.channel=value"
    // separated by blanks; a later write of the same field wins.
    std::string_view extra;
    std::string_view description;
};

// Cells of one grid of a style: "row:pattern" tokens (row 0-13, pattern 16
// characters of 'x' and '.'), "H:pattern" for the hold flags and, for the
// drum grid, "L:n,n,..." for its row labels as GM drum notes (35 and up, up
// to 14 rows, the first rows taking them; the others keep theirs). The drum
// grid's rows are its GM drum notes: 0 35 acoustic bass drum, 1 36 bass drum,
// 2 38 snare, 3 39 hand clap, 4 40 electric snare, 5 42 closed hi-hat,
// 6 44 pedal hi-hat, 7 45 low tom, 8 46 open hi-hat, 9 49 crash, 10 50 high
// tom, 11 51 ride, 12 54 tambourine, 13 59 ride 2. The voice grids' rows:
// 1 seventh below, 2 root, 4 third, 6 fifth, 8 seventh, 9 root above,
// 11 third above, 13 fifth above (0, 3, 5, 7, 10, 12 the steps between).
struct GridRow {
    int category;
    int slot;
    int grid;
    std::string_view cells;
};

// The drum fields of a fixed style, written over those of its row: the
// groove of the drum pattern, the kit program and, where not 0, the pattern
// number and the kit's sound set (the channel 9 instrument value).
struct DrumRow {
    int category;
    int slot;
    int variation;   // drumVariation
    int kitProgram;  // drumKitProgram (kKitByPattern: by the pattern's rule)
    int pattern;     // 0: the row's drum pattern
    int sounds;      // 0: the row's channel 9 value
};

// A random slot: defaults, a name and a description.
struct RandomStyleRow {
    int category;
    std::string_view name;
    std::string_view description;
};

// The fixed styles' rows, in catalogue order. Each is made when it is read,
// from a table that holds no pointers (style_data.cpp): the texts of a row
// stay valid, the row itself is a value.
class StyleRows {
public:
    class Iterator {
    public:
        using value_type = StyleRow;
        using difference_type = std::ptrdiff_t;

        Iterator() = default;
        explicit Iterator(std::size_t index) : index_(index) {}
        StyleRow operator*() const { return At(index_); }
        Iterator& operator++()
        {
            ++index_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator before = *this;
            ++index_;
            return before;
        }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

    private:
        std::size_t index_ = 0;
    };

    static std::size_t Count();
    static StyleRow At(std::size_t index);

    std::size_t size() const { return Count(); }
    StyleRow operator[](std::size_t index) const { return At(index); }
    Iterator begin() const { return Iterator(0); }
    Iterator end() const { return Iterator(Count()); }
};

StyleRows CatalogueStyleRows();
std::span<const GridRow> CatalogueGridRows();
std::span<const RandomStyleRow> CatalogueRandomRows();
std::span<const DrumRow> CatalogueDrumRows();

// Writes a row's values over a record that holds the defaults. Faults in the
// row (unknown key, bad number, text too long) are appended to faults; the
// rest of the row is still applied.
void ApplyStyleRow(const StyleRow& row, StyleRecord& record, std::vector<std::string>& faults);
// Writes the drum fields of a drum row over the record of its style.
void ApplyDrumRow(const DrumRow& row, StyleRecord& record);
// Sets the cells and hold flags of one grid (without propagating holds).
void ApplyGridRow(const GridRow& row, GridBlock& block, std::vector<std::string>& faults);

// Every fault of the compiled-in rows: rows outside the catalogue, two rows
// for one slot, unreadable values, names or descriptions that do not fit.
std::vector<std::string> StyleDataFaults();

}  // namespace songloom::arrange
