#pragma once
// The phrase palette ("フレーズ・パレット", CPhrasePalletDlg): a four-bar
// phrase song shown as one staff row (a row head and four bar cells), the
// buttons of commands 12 to 15, drops of every payload onto its cells and
// "phrase:" drags of a cell's bar to the score.
//
// The phrase song belongs to the main window, which reads it from
// "phrase.pdt" at start-up and writes it back at shut-down.

#include <QImage>
#include <QWidget>
#include <array>
#include <optional>

#include "app/palettes/palette_host.h"
#include "song/drop_target.h"

class QPushButton;

namespace songloom::app {

inline constexpr int kPhraseBars = 4;
inline constexpr std::string_view kWorkingPhraseFileName = "phrase.pdt";

// The palette's own plain message: every code shows the class name.
void PhrasePalletErrorMsg(Reporter& reporter, std::uint32_t code);

// Where the row head and the four bar cells sit in the palette.
struct PhrasePaletteGeometry {
    int headLeft = 6;
    int top = 44;
    int headWidth = 64;
    int cellWidth = 200;
    int cellHeight = 120;
    QRect Head() const { return QRect(headLeft, top, headWidth, cellHeight); }
    QRect Cell(int bar) const { return QRect(headLeft + headWidth + bar * cellWidth, top, cellWidth, cellHeight); }
    std::array<song::CellRect, song::kPhraseCells> CellRects() const;
};

class CPhrasePalletDlg : public QWidget {
    Q_OBJECT
public:
    CPhrasePalletDlg(PaletteHost& host, song::SongData& phrase, QWidget* parent = nullptr);
    ~CPhrasePalletDlg() override;

    // Commands 12 (clear to the working song's key and beats), 13 (open a
    // phrase file), 14 (save it), 15 (play or stop: the main window's).
    void Command(int number);

    // The drop target's entries, in the palette's coordinates; text is the
    // dropped data's plain text (nothing when it has none).
    bool DropText(const std::optional<QString>& text, int x, int y);
    // Starts the "phrase:" drag of a cell's bar.
    void StartCellDrag(int bar);

    // Draws the phrase again (after the main window changed it).
    void Refresh();
    const QImage& picture() const { return picture_; }
    const PhrasePaletteGeometry& geometry() const { return geometry_; }
    QPushButton* commandButton(int number) const;
    QString ToolTipAt(QPoint point) const;
    song::SongData& phrase() { return phrase_; }

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool event(QEvent* e) override;

private:
    void OpenPhraseFile();
    void SavePhraseFile();
    int CellAt(QPoint point) const;

    PaletteHost& host_;
    song::SongData& phrase_;
    PhrasePaletteGeometry geometry_;
    song::CDropTarget dropTarget_;
    std::array<QPushButton*, 4> buttons_{};
    QImage picture_;
    int pressedCell_ = -1;
    QPoint pressPoint_;
};

}  // namespace songloom::app
