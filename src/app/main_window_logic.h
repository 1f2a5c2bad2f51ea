#pragma once
// The main window's rules that need no window: paging with its scroll
// codes, the selection of cells, the layout of the controls in pixels, the
// melody instrument list and the file names the commands propose.

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace songloom::app {

inline constexpr int kCellsPerPage = 16;
inline constexpr int kCellsPerRow = 4;
inline constexpr int kRows = 4;

// ---- paging --------------------------------------------------------------

// Pages the song fills: bars / 16 rounded up. The scroll bar runs from 0 to
// this number; the position one past the last page shows an empty page on
// which drops grow the song.
constexpr int PageCount(int bars) { return (bars + kCellsPerPage - 1) / kCellsPerPage; }

enum class ScrollCode { kLineLeft, kLineRight, kPageLeft, kPageRight, kThumb, kFarLeft, kFarRight };

struct ScrollResult {
    int page = 0;
    bool askMorePages = false;  // scrolled past the end: post the question
    bool operator==(const ScrollResult&) const = default;
};

// Moves from page by the scroll code (thumb: to thumb) within 0..pages.
ScrollResult ApplyScroll(ScrollCode code, int page, int thumb, int pages);

// After the bar count changed: the page shown, brought back to the last page
// when it now lies beyond the song.
int PageAfterBarCount(int page, int bars);

// The page counter under the score: "3 / 4 ページ　56 小節"; the empty page
// after the last one is not counted as one of the song's pages.
std::string PageCounterText(int page, int bars);
// The page that shows a bar.
constexpr int PageOfBar(int bar) { return bar < 0 ? 0 : bar / kCellsPerPage; }

// ---- selection -----------------------------------------------------------

struct CellSelection {
    int first = -1;  // cell index 0..15 on the page, -1 when none
    int last = -1;
    bool Empty() const { return first < 0; }
    bool Contains(int cell) const { return !Empty() && cell >= first && cell <= last; }
    bool operator==(const CellSelection&) const = default;
};

// A left click: the cell alone; with Shift the first stays (the cell when
// nothing was selected), the last becomes the cell, and the two are ordered.
CellSelection ClickCell(CellSelection selection, int cell, bool shift);

// Song bars (0-based) of the selection on page.
std::pair<int, int> SelectedBars(const CellSelection& selection, int page);

// ---- layout --------------------------------------------------------------

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// Dialog units to pixels: the window is 559 x 396 units.
inline constexpr int DluX(int dlu) { return dlu * 7 / 4; }
inline constexpr int DluY(int dlu) { return dlu * 13 / 8; }

// The row heads are as wide as clefs, seven accidentals and the time
// signature need at the cells' line spacing; the cells follow them.
inline constexpr int kRowHeadX = DluX(5);
inline constexpr int kRowHeadWidth = 96;
inline constexpr int kCellWidth = DluX(128);
inline constexpr int kCellHeight = DluY(64);

// The score view's size: four rows of cells, 75 dialog units apart, with a
// margin around them. Cells keep this size whatever size the window has.
inline constexpr int kScoreMargin = 8;
inline constexpr int kScoreWidth = kRowHeadX + kRowHeadWidth + 4 * kCellWidth + DluX(5);
inline constexpr int kScoreHeight = kScoreMargin + DluY(75 * 3) + kCellHeight + kScoreMargin;
inline constexpr int kWindowWidth = kScoreWidth;

// Staff cell i of the page (row by row) and the head of row r, in the score
// view's coordinates.
PixelRect CellRect(int cell);
PixelRect RowHeadRect(int row);
// The cell holding the point; -1 outside every cell.
int CellAt(int x, int y);

inline constexpr int kTempoMin = 40;
inline constexpr int kTempoMax = 240;

// ---- melody instrument ---------------------------------------------------

inline constexpr int kInstrumentNames = 152;
inline constexpr std::string_view kUndefinedInstrumentName = "未定義";

// The list entries: (index, UTF-8 name) of every defined name in index order.
std::vector<std::pair<int, std::string>> MelodyInstrumentEntries();
// The first index whose name equals text, or 152 when none does.
int InstrumentIndexOfName(std::string_view text);

// ---- file names ----------------------------------------------------------

// The name the export proposes: the file name of the song's home path
// without its extension ("data" for ".../data.dat").
std::string ProposedMidiName(std::string_view homePath);

// The working folder joined with a file name: one separator between them,
// none added when the folder already ends with one.
std::string WorkFile(std::string_view workDir, std::string_view name);

}  // namespace songloom::app
