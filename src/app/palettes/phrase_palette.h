#pragma once
// The phrase palette ("フレーズ・パレット"): the document's four-bar phrase
// song shown as one staff row (a row head and four bar cells), its clear,
// open, save and play buttons, drops of every payload onto its cells and
// "phrase:" drags of a cell's bar to the score.

#include <QImage>
#include <QWidget>
#include <array>
#include <optional>

#include "app/palettes/palette_host.h"
#include "song/drop_target.h"

class QPushButton;

namespace songloom::app {

inline constexpr std::string_view kPhraseDropRefused = "この内容はフレーズ・パレットにドロップできません。";
// The palette's own plain message (the same text for every code).
void PhrasePaletteErrorMsg(Reporter& reporter, std::uint32_t code);

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

class PhrasePalette : public QWidget {
    Q_OBJECT
public:
    explicit PhrasePalette(PaletteHost& host, QWidget* parent = nullptr);
    ~PhrasePalette() override;

    // Its buttons: clear to the working song's key and beats, open a phrase
    // file, save it, play or stop (the main window's: playRequested).
    void Command(int number);

    // The drop target's entries, in the palette's coordinates; text is the
    // dropped data's plain text (nothing when it has none).
    bool DropText(const std::optional<QString>& text, int x, int y);
    // Starts the "phrase:" drag of a cell's bar.
    void StartCellDrag(int bar);

    // Draws the phrase again (the document announces every change).
    void Refresh();
    const QImage& picture() const { return picture_; }
    const PhrasePaletteGeometry& geometry() const { return geometry_; }
    QPushButton* commandButton(int number) const;
    QString ToolTipAt(QPoint point) const;
    song::SongData& phrase() { return phrase_; }

signals:
    void playRequested();

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
