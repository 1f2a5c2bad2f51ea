#pragma once
// The chord palette ("コード・パレット"): up to 10 rows of 16 chord buttons
// and the buttons that show the guitar palette and the scale selector.
// A press on a button starts a "chord:" drag when the mouse moves, and after
// the press (dragged or not) asks for the chord to sound (chordPressed). The
// right button edits the list through the chord selector.

#include <QWidget>
#include <optional>

#include "app/palettes/chord_palette_list.h"
#include "app/palettes/palette_host.h"

class QLineEdit;
class QPushButton;

namespace songloom::app {

class ChordSelector;

// The button grid's geometry, in the palette's coordinates.
struct ChordGridGeometry {
    int left = 6;
    int top = 6;
    int buttonWidth = 52;
    int buttonHeight = 30;
    int captionHeight = 14;  // under row 0 of a default list: the roman degrees
};
// The button under (x, y) among rows of the given lengths; none between or
// beyond the buttons.
std::optional<ChordButtonPos> ChordButtonAt(const ChordGridGeometry& g, const song::ListRows& rows, bool captions,
                                            int x, int y);
QRect ChordButtonRect(const ChordGridGeometry& g, ChordButtonPos pos, bool captions);

enum class ChordMenuAction { kReplace, kAdd, kDelete };

class ChordPalette : public QWidget {
    Q_OBJECT
public:
    ChordPalette(PaletteHost& host, QWidget* parent = nullptr);
    ~ChordPalette() override;

    ChordPaletteList& list() { return list_; }
    const ChordPaletteList& list() const { return list_; }
    // The default list of the working song's key with scale (0, 1, 2, 12).
    void ShowDefault(int scale);
    // Start-up: chord.txt of the working folder when it exists, otherwise
    // the default list of the song's key.
    void LoadAtStartUp();
    // Shut-down: the list shown, back to chord.txt.
    bool SaveAtShutDown() const;

    // The chord selector's answer: root and type over the button the menu
    // was opened on (replace) or as a new entry after it.
    void TakeChord(bool replace, int root, int type);
    // The scale selector's choice: the default list of that scale.
    void ChooseScale(int entry);

    // The right-button menu's items for the button at pos.
    void MenuAction(ChordButtonPos pos, ChordMenuAction action);
    // The pitches the main window sounds for a button.
    std::vector<int> PreviewNotes(int row, int column) const;

    ChordSelector* selector() const { return selector_; }
    QPushButton* guitarButton() const { return guitar_; }
    QPushButton* scaleButton() const { return scale_; }
    QLineEdit* nameEditor() const { return editor_; }
    // Double-click: the button's name becomes editable in place.
    void EditName(ChordButtonPos pos);
    const ChordGridGeometry& geometry() const { return geometry_; }
    QString ToolTipAt(QPoint point) const;

signals:
    void chordPressed(int row, int column);
    void guitarRequested();
    void scaleRequested();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    bool event(QEvent* e) override;

private:
    void Relayout();
    void PostPreview(ChordButtonPos pos);

    PaletteHost& host_;
    ChordPaletteList list_;
    ChordGridGeometry geometry_;
    std::optional<ChordButtonPos> pressed_;
    QPoint pressPoint_;
    ChordButtonPos menuTarget_;
    std::optional<ChordButtonPos> editing_;
    ChordSelector* selector_ = nullptr;
    QPushButton* guitar_ = nullptr;
    QPushButton* scale_ = nullptr;
    QLineEdit* editor_ = nullptr;
};

}  // namespace songloom::app
