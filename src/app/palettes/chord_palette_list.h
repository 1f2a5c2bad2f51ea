#pragma once
// The chord palette's list, without the window: up to 10 rows of up to 16
// chord names (CP932, at most 31 bytes each), either the default list of a
// key and scale (with its roman-degree captions) or a list read from a file,
// and the edits of the palette's right-button menu.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/reporter.h"
#include "song/list_file.h"

namespace songloom::app {

inline constexpr std::string_view kChordPaletteFileName = "chord.txt";
inline constexpr int kChordPaletteRows = 10;
inline constexpr int kChordPaletteColumns = 16;
inline constexpr std::size_t kChordNameBytes = 31;

struct ChordButtonPos {
    int row = 0;
    int column = 0;
    bool operator==(const ChordButtonPos&) const = default;
};

class ChordPaletteList {
public:
    // The default list of key (song key table index) and scale (0, 1, 2, 12).
    void SetDefault(int key, int scale);
    // Reads a list file; false (list unchanged) when it cannot be read or
    // parsed (reported GNLL).
    bool Load(Reporter& reporter, const std::string& path);
    // Writes the rows shown (GNLS on failure).
    bool Save(Reporter& reporter, const std::string& path) const;

    const song::ListRows& rows() const { return rows_; }
    // The roman-degree caption of each button of a default list (row 0);
    // empty for a list from a file or after an edit.
    const std::vector<std::string>& romans() const { return romans_; }
    bool isDefault() const { return !romans_.empty(); }
    int scale() const { return scale_; }

    // The name at pos; empty for an empty button or a place outside the list.
    std::string_view At(ChordButtonPos pos) const;

    // Right-button menu: "置換" writes name over pos, "追加" inserts name
    // after pos (in the same row when it has room, else at the end of the
    // first row below with room, else in a new row), "削除" removes pos (a
    // row left empty goes, unless it is the last). false when nothing
    // changed (a full list, a place outside the list).
    bool Replace(ChordButtonPos pos, std::string_view name);
    bool Add(ChordButtonPos pos, std::string_view name);
    bool Delete(ChordButtonPos pos);

    // pos names a button of the list (an empty one included).
    bool Contains(ChordButtonPos pos) const;

private:

    song::ListRows rows_;
    std::vector<std::string> romans_;
    int scale_ = 0;
};

}  // namespace songloom::app
