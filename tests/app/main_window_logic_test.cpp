#include "app/main_window_logic.h"

#include <gtest/gtest.h>

#include "app/main_messages.h"
#include "pictures/long_staff_picture.h"
#include "pictures/score_page.h"
#include "pictures/staff_geometry.h"

namespace songloom::app {
namespace {

TEST(Paging, PagesOfABarCount)
{
    EXPECT_EQ(PageCount(8), 1);
    EXPECT_EQ(PageCount(16), 1);
    EXPECT_EQ(PageCount(17), 2);
    EXPECT_EQ(PageCount(256), 16);
}

TEST(Paging, ScrollCodesStayInRangeAndAskPastTheEnd)
{
    // 8 bars: positions 0 and 1 (the empty page).
    EXPECT_EQ(ApplyScroll(ScrollCode::kLineRight, 0, 0, 1), (ScrollResult{1, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kLineRight, 1, 0, 1), (ScrollResult{1, true}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kLineLeft, 0, 0, 1), (ScrollResult{0, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kPageRight, 3, 0, 4), (ScrollResult{4, true}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kPageRight, 1, 0, 4), (ScrollResult{3, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kPageLeft, 1, 0, 4), (ScrollResult{0, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kThumb, 0, 3, 4), (ScrollResult{3, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kFarRight, 0, 0, 4), (ScrollResult{4, false}));
    EXPECT_EQ(ApplyScroll(ScrollCode::kFarLeft, 3, 0, 4), (ScrollResult{0, false}));
}

TEST(Paging, BarCountBelowThePageReturnsToTheLastPage)
{
    EXPECT_EQ(PageAfterBarCount(1, 10), 0);
    EXPECT_EQ(PageAfterBarCount(1, 17), 1);
    EXPECT_EQ(PageAfterBarCount(3, 40), 2);
    EXPECT_EQ(PageAfterBarCount(0, 1), 0);
}

TEST(Selection, ClickAndShiftClick)
{
    CellSelection s;
    s = ClickCell(s, 9, false);
    EXPECT_EQ(s, (CellSelection{9, 9}));
    s = ClickCell(s, 5, true);
    EXPECT_EQ(s, (CellSelection{5, 9}));
    s = ClickCell(s, 12, true);
    EXPECT_EQ(s, (CellSelection{5, 12}));
    EXPECT_EQ(ClickCell({}, 4, true), (CellSelection{4, 4}));
    EXPECT_EQ(ClickCell({2, 7}, 3, false), (CellSelection{3, 3}));
    EXPECT_EQ(SelectedBars({0, 1}, 1), (std::pair<int, int>{16, 17}));
}

TEST(Layout, CellsSitInFourRowsOfFourWithoutOverlap)
{
    for (int i = 0; i < kCellsPerPage; ++i) {
        const PixelRect a = CellRect(i);
        EXPECT_GT(a.x, RowHeadRect(i / 4).x + RowHeadRect(i / 4).width - 1);
        EXPECT_LE(a.x + a.width, kWindowWidth);
        EXPECT_LE(a.y + a.height, kScoreHeight);
        EXPECT_EQ(CellAt(a.x + 1, a.y + 1), i);
        for (int j = i + 1; j < kCellsPerPage; ++j) {
            const PixelRect b = CellRect(j);
            const bool apart = a.x + a.width <= b.x || b.x + b.width <= a.x || a.y + a.height <= b.y ||
                               b.y + b.height <= a.y;
            EXPECT_TRUE(apart) << i << " " << j;
        }
    }
    EXPECT_EQ(CellRect(5).y, CellRect(4).y);
    EXPECT_GT(CellRect(4).y, CellRect(3).y);
    // Between the rows and on the row heads there is no cell.
    EXPECT_EQ(CellAt(CellRect(0).x + 3, CellRect(0).y + CellRect(0).height + 2), -1);
    EXPECT_EQ(CellAt(RowHeadRect(0).x + 3, RowHeadRect(0).y + 3), -1);
}

TEST(Paging, CounterNeverReadsPastTheLastPage)
{
    EXPECT_EQ(PageCounterText(0, 8), "1 / 1 ページ　8 小節");
    EXPECT_EQ(PageCounterText(1, 8), "最後のページの後 (1 ページ)　8 小節");
    EXPECT_EQ(PageCounterText(3, 64), "4 / 4 ページ　64 小節");
    EXPECT_EQ(PageCounterText(4, 64), "最後のページの後 (4 ページ)　64 小節");
    EXPECT_EQ(PageOfBar(15), 0);
    EXPECT_EQ(PageOfBar(16), 1);
    EXPECT_EQ(PageOfBar(-1), 0);
}

TEST(Layout, RowHeadsHoldClefsSevenAccidentalsAndTheTimeSignature)
{
    const pictures::ScoreLayout layout;
    const double s =
        pictures::BuildStaffGeometry(layout.lowNote, layout.highNote, kCellWidth, kCellHeight).spacing;
    for (int signature : {0, 7, -7}) {
        EXPECT_GE(RowHeadRect(0).width, pictures::CLongStaffPicture::RowHeadWidth(s, signature)) << signature;
    }
}

TEST(MelodyInstruments, ListLeavesOutUndefinedNamesAndLooksUpByText)
{
    const auto entries = MelodyInstrumentEntries();
    ASSERT_FALSE(entries.empty());
    EXPECT_LE(entries.size(), 152u);
    int previous = -1;
    for (const auto& [index, name] : entries) {
        EXPECT_GT(index, previous);
        previous = index;
        EXPECT_NE(name, kUndefinedInstrumentName);
        EXPECT_LE(InstrumentIndexOfName(name), index);  // the first equal name
    }
    EXPECT_EQ(InstrumentIndexOfName(entries.front().second), entries.front().first);
    EXPECT_EQ(InstrumentIndexOfName("no such instrument"), 152);
}

TEST(FileNames, ProposedExportNameAndWorkingFiles)
{
    EXPECT_EQ(ProposedMidiName("/home/u/Songloom/data.dat"), "data");
    EXPECT_EQ(ProposedMidiName("song.v2.sld"), "song.v2");
    EXPECT_EQ(ProposedMidiName(""), "");
    EXPECT_EQ(WorkFile("/home/u/Songloom", "data.dat"), "/home/u/Songloom/data.dat");
    EXPECT_EQ(WorkFile("/", "setup.ini"), "/setup.ini");
}

TEST(MainMessages, TextsByCode)
{
    EXPECT_EQ(MainMessageText(3), "複数のファイルをドロップすることはできません。");
    EXPECT_EQ(MainMessageText(5), "対象の領域を指定してください。");
    EXPECT_EQ(MainMessageText(7), "設定されているテンポに異常があったので修正しました。");
    EXPECT_EQ(MainMessageText(10), "設定ファイルの値が異常です。");
    // No code shows a class name.
    EXPECT_EQ(MainMessageText(0), "この内容は楽譜にドロップできません。");
    EXPECT_EQ(MainMessageText(42), "操作を完了できませんでした。");
    EXPECT_EQ(CommandTooltip(kCmdQuit), "Songloomを終了します。");
    for (int command : {kCmdImport, kCmdLibrary, kCmdOptions}) EXPECT_NE(CommandTooltip(command), kTipOther);
}

}  // namespace
}  // namespace songloom::app
