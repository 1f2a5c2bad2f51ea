#pragma once
// The options window ("オプション"): the keyboard palette's range
// ("キーボードの音域"), low and high MIDI notes 0 to 127, always at least an
// octave apart. Every change is announced (rangeChanged).

#include <QWidget>


class QSpinBox;

namespace songloom::app {

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

class OptionsWindow : public QWidget {
    Q_OBJECT
public:
    explicit OptionsWindow(KeyboardRange range, QWidget* parent = nullptr);

    void SetRange(KeyboardRange range);  // shows it; announces nothing
    KeyboardRange range() const { return range_; }
    QSpinBox* lowSpin() const { return low_; }
    QSpinBox* highSpin() const { return high_; }

signals:
    void rangeChanged(KeyboardRange range);

private:
    void Apply(KeyboardRange range);

    KeyboardRange range_;
    QSpinBox* low_ = nullptr;
    QSpinBox* high_ = nullptr;
};

}  // namespace songloom::app
