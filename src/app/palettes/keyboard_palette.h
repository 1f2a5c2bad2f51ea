#pragma once
// The keyboard palette ("キーボード・パレット"): a piano keyboard from the
// settings' low to high note, the length buttons (whole, half and quarter
// note: 8, 4 and 2 eighth slots) and the split tool. A key press asks for
// the note to sound (notePressed) and starts a "note:" drag; a length button
// starts a "length:" drag, the split tool a "note:-1" drag.

#include <QWidget>
#include <array>
#include <memory>
#include <optional>

#include "app/palettes/options_window.h"
#include "app/palettes/palette_host.h"

namespace songloom::pictures {
class CKeyboardPicture;
}

namespace songloom::app {

// The tools under the keyboard, by row and column: row 0 holds the whole and
// the half note, row 1 the quarter note and the split tool.
struct KeyboardTool {
    int eighths;  // 8, 4 or 2; 0 for the split tool
    bool split() const { return eighths == 0; }
};
inline constexpr std::array<std::array<KeyboardTool, 2>, 2> kKeyboardTools{{{{{8}, {4}}}, {{{2}, {0}}}}};
// The payload a tool drags.
std::string KeyboardToolPayload(const KeyboardTool& tool);

struct KeyboardPaletteGeometry {
    QRect keyboard{6, 6, 588, 96};
    int toolLeft = 604;
    int toolTop = 6;
    int toolSize = 46;
    QRect Tool(int row, int column) const
    {
        return QRect(toolLeft + column * toolSize, toolTop + row * toolSize, toolSize - 4, toolSize - 4);
    }
};

class KeyboardPalette : public QWidget {
    Q_OBJECT
public:
    KeyboardPalette(PaletteHost& host, KeyboardRange range, QWidget* parent = nullptr);
    ~KeyboardPalette() override;

    // The keyboard laid out again for a new range.
    void SetRange(KeyboardRange range);
    // The score took the note: the pressed key is released.
    void NoteTaken();

    KeyboardRange range() const { return range_; }
    const KeyboardPaletteGeometry& geometry() const { return geometry_; }
    const pictures::CKeyboardPicture& keyboard() const { return *keyboard_; }
    QImage PaintedImage();
    QString ToolTipAt(QPoint point) const;
    // The tool at point, none elsewhere.
    std::optional<std::pair<int, int>> ToolAt(QPoint point) const;

signals:
    void notePressed(int pitch);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

private:
    PaletteHost& host_;
    KeyboardRange range_;
    KeyboardPaletteGeometry geometry_;
    std::unique_ptr<pictures::CKeyboardPicture> keyboard_;
    int picture_ = -1;
    std::optional<std::string> pendingDrag_;  // the payload a move would drag
    QPoint pressPoint_;
};

}  // namespace songloom::app
