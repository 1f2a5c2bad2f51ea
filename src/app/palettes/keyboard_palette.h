#pragma once
// The keyboard palette ("キーボード・パレット"): a piano keyboard from the
// settings' low to high note, the length buttons (whole, half and quarter
// note: 8, 4 and 2 eighth slots) and the split tool. A key press asks the
// main window to sound the note (0x800F) and starts a "note:" drag; a length
// button starts a "length:" drag, the split tool a "note:-1" drag.

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

inline constexpr std::uint32_t kNotePreviewMessage = 0x800F;
inline constexpr std::uint32_t kNoteTakenMessage = 0x800E;  // from the main window

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

class CKeyboardPalletDlg : public QWidget {
    Q_OBJECT
public:
    CKeyboardPalletDlg(PaletteHost& host, KeyboardRange range, QWidget* parent = nullptr);
    ~CKeyboardPalletDlg() override;

    // 0x801C (low, high): the keyboard is laid out again for the range;
    // 0x800E: the score took the note, the pressed key is released.
    void HandleMessage(std::uint32_t message, long long wParam, long long lParam);

    KeyboardRange range() const { return range_; }
    const KeyboardPaletteGeometry& geometry() const { return geometry_; }
    const pictures::CKeyboardPicture& keyboard() const { return *keyboard_; }
    QImage PaintedImage();
    QString ToolTipAt(QPoint point) const;
    // The tool at point, none elsewhere.
    std::optional<std::pair<int, int>> ToolAt(QPoint point) const;

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
