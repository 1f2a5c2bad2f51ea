#include "app/main_window_logic.h"

#include <algorithm>

#include "arrange/instruments.h"
#include "common/general.h"

namespace songloom::app {

ScrollResult ApplyScroll(ScrollCode code, int page, int thumb, int pages)
{
    int next = page;
    switch (code) {
    case ScrollCode::kLineLeft: next = page - 1; break;
    case ScrollCode::kLineRight: next = page + 1; break;
    case ScrollCode::kPageLeft: next = page - 2; break;
    case ScrollCode::kPageRight: next = page + 2; break;
    case ScrollCode::kThumb: next = thumb; break;
    case ScrollCode::kFarLeft: next = 0; break;
    case ScrollCode::kFarRight: next = pages; break;
    }
    ScrollResult result;
    if (next < 0) next = 0;
    if (next > pages) {
        next = pages;
        result.askMorePages = true;
    }
    result.page = next;
    return result;
}

int PageAfterBarCount(int page, int bars)
{
    const int last = std::max(0, PageCount(bars) - 1);
    return page * kCellsPerPage >= bars ? last : page;
}

CellSelection ClickCell(CellSelection selection, int cell, bool shift)
{
    if (!shift || selection.Empty()) return {cell, cell};
    selection.last = cell;
    if (selection.first > selection.last) std::swap(selection.first, selection.last);
    return selection;
}

std::pair<int, int> SelectedBars(const CellSelection& selection, int page)
{
    return {page * kCellsPerPage + selection.first, page * kCellsPerPage + selection.last};
}

PixelRect CellRect(int cell)
{
    // Rows 75 dialog units apart from 65; columns side by side after the head.
    const int row = cell / kCellsPerRow;
    const int column = cell % kCellsPerRow;
    return {kRowHeadX + kRowHeadWidth + column * kCellWidth, kScoreMargin + DluY(75 * row), kCellWidth, kCellHeight};
}

int CellAt(int x, int y)
{
    for (int i = 0; i < kCellsPerPage; ++i) {
        if (CellRect(i).Contains(x, y)) return i;
    }
    return -1;
}

std::string PageCounterText(int page, int bars)
{
    const int pages = std::max(PageCount(bars), 1);
    std::string text = page < pages ? std::to_string(page + 1) + " / " + std::to_string(pages) + " ページ"
                                    : "最後のページの後 (" + std::to_string(pages) + " ページ)";
    return text + "　" + std::to_string(bars) + " 小節";
}

PixelRect RowHeadRect(int row)
{
    const PixelRect first = CellRect(row * kCellsPerRow);
    return {kRowHeadX, first.y, kRowHeadWidth, first.height};
}

std::vector<std::pair<int, std::string>> MelodyInstrumentEntries()
{
    std::vector<std::pair<int, std::string>> entries;
    for (int i = 0; i < kInstrumentNames; ++i) {
        const std::string_view name = arrange::InstrumentNameUtf8(i);
        if (name == kUndefinedInstrumentName) continue;
        entries.emplace_back(i, std::string(name));
    }
    return entries;
}

int InstrumentIndexOfName(std::string_view text)
{
    for (int i = 0; i < kInstrumentNames; ++i) {
        if (arrange::InstrumentNameUtf8(i) == text) return i;
    }
    return kInstrumentNames;
}

std::string ProposedMidiName(std::string_view homePath)
{
    return StripExtension(PathFileName(homePath));
}

std::string WorkFile(std::string_view workDir, std::string_view name)
{
    std::string path(workDir);
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
    return path;
}

}  // namespace songloom::app
