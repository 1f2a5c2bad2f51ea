#pragma once
// The options window ("オプション"): the keyboard palette's range
// ("キーボードの音域"), low and high MIDI notes 0 to 127, always at least an
// octave apart. Every change posts 0x801C (low, high) to the main window.

#include <QWidget>

#include "app/palettes/palette_host.h"

class QSpinBox;

namespace songloom::app {

inline constexpr std::uint32_t kKeyboardRangeMessage = 0x801C;

struct KeyboardRange {
    int low = 48;
    int high = 83;
    bool operator==(const KeyboardRange&) const = default;
};

// The range after the user set the low (or high) value: a low above
// high - 12 becomes high - 12, a high below low + 12 becomes low + 12. The
// other value moves only where the octave would leave 0..127.
KeyboardRange RangeAfterLowChange(KeyboardRange range, int low);
KeyboardRange RangeAfterHighChange(KeyboardRange range, int high);

class COptionsDlg : public QWidget {
    Q_OBJECT
public:
    COptionsDlg(PaletteHost& host, KeyboardRange range, QWidget* parent = nullptr);

    void SetRange(KeyboardRange range);  // shows it; posts nothing
    KeyboardRange range() const { return range_; }
    QSpinBox* lowSpin() const { return low_; }
    QSpinBox* highSpin() const { return high_; }

private:
    void Apply(KeyboardRange range);

    PaletteHost& host_;
    KeyboardRange range_;
    QSpinBox* low_ = nullptr;
    QSpinBox* high_ = nullptr;
};

}  // namespace songloom::app
