#pragma once
// The score view: one page of the working song, sixteen bar cells in four
// rows with their row heads. It keeps the page shown, the selected cells,
// the bar marked as playing and the band a drag shows, takes the drops of
// every payload (each drop one undo step of the document) and starts the
// "score:" drags of its cells. Hit tests and geometry are the pure functions
// of main_window_logic.h.

#include <QImage>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "app/main_window_logic.h"
#include "app/palettes/palette_host.h"
#include "common/reporter.h"
#include "song/drop_target.h"

class QMimeData;

namespace songloom::app {

class SongDocument;
class StaffPage;


class ScoreView : public QWidget {
    Q_OBJECT
public:
    ScoreView(SongDocument& document, Reporter& reporter, QWidget* parent = nullptr);
    ~ScoreView() override;

    int page() const { return page_; }
    // Shows page (kept within 0 .. the page after the last); the selection
    // and the playing mark go.
    void SetPage(int page);
    const CellSelection& selection() const { return selection_; }
    void ClickCell(int cell, bool shift);
    // The selected bars of the song (0-based); none without a selection.
    std::optional<std::pair<int, int>> SelectedBars() const;
    // The bar being played (-1: none); the page follows it.
    void SetPlayingBar(int bar);
    int playingBar() const { return playingBar_; }

    // The song beat under a point of the score (in the view's coordinates);
    // -1 outside the bars shown.
    int BeatAt(int x, int y) const;
    // The right-click menu's chord entries for a beat: the analysis's
    // readings of an imported song, best first ("G  1.50"); empty when the
    // beat has none.
    std::vector<QString> ChordAlternativeTexts(int beat) const;

    // The drop target's entries, in the view's coordinates; text is what the
    // dragged data offers as plain text (nothing when it offers none).
    bool DropText(const std::optional<QString>& text, int x, int y);
    void DragOverText(const std::optional<QString>& text, int x, int y);
    void DragLeft();
    void StartCellDrag(int cell);
    void SetDragStarter(PaletteDragStarter starter) { dragStarter_ = std::move(starter); }

    const std::optional<song::HighlightBand>& dragBand() const { return dragBand_; }
    std::array<song::CellRect, kCellsPerPage> CellRects() const;
    // The view as painted now.
    QImage PaintedImage();
    QSize sizeHint() const override { return QSize(kScoreWidth, kScoreHeight); }

signals:
    void pageChanged(int page);
    void filesDropped(const QStringList& paths);
    void deleteRequested();
    void insertRequested();
    // A "note:" drop took the keyboard palette's note.
    void noteTaken();
    void firstPagePainted();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void Redraw();
    void OnDrop(std::string_view text, int x, int y);
    void OnDragOver(std::string_view text, int x, int y);

    SongDocument& document_;
    Reporter& reporter_;
    std::unique_ptr<StaffPage> staff_;
    song::CDropTarget dropTarget_;
    PaletteDragStarter dragStarter_ = StartPaletteDrag;
    int page_ = 0;
    CellSelection selection_;
    int playingBar_ = -1;
    int dragCell_ = -1;  // the cell a left press may start a drag from
    QPoint pressPoint_;
    std::optional<song::HighlightBand> dragBand_;
    bool firstPaintSignalled_ = false;
};

}  // namespace songloom::app
