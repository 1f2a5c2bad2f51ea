#pragma once
// The options window ("オプション"): the keyboard palette's range
// ("キーボードの音域"), low and high MIDI notes 0 to 127, always at least an
// octave apart; the transposition ("移調") of the score's display (as a C,
// B-flat, E-flat or F instrument reads it) and of playback (semitones, the
// drums excepted); the MIDI keyboard for step input ("MIDIキーボード"): its
// input port and the length each key writes; how the band performs a
// rendering ("演奏"): the intro, the ending and the humanise amount. Every
// change is announced.

#include <QStringList>
#include <QWidget>
#include <string>


class QCheckBox;
class QComboBox;
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

    // Shown as given; nothing is announced.
    void SetInstrumentKey(const std::string& name);
    void SetPlaybackTranspose(int semitones);
    // The keyboard ports to choose from (index = port); port -1 is none.
    void SetKeyboardPorts(const QStringList& names, int port);
    void SetStepLength(int valueIndex);
    QComboBox* instrumentKeyList() const { return instrumentKey_; }
    QSpinBox* transposeSpin() const { return transpose_; }
    QComboBox* keyboardList() const { return keyboard_; }
    QComboBox* stepLengthList() const { return stepLength_; }

    // The intro by index of playback::kIntroNames; the humanise amount
    // 0-100 or playback::kStyleHumanize.
    void SetIntro(int intro);
    void SetEnding(bool on);
    void SetHumanize(int amount);
    QComboBox* introList() const { return intro_; }
    QCheckBox* endingBox() const { return ending_; }
    QSpinBox* humanizeSpin() const { return humanize_; }

signals:
    void rangeChanged(KeyboardRange range);
    // "C", "Bb", "Eb" or "F".
    void instrumentKeyChanged(const std::string& name);
    void playbackTransposeChanged(int semitones);
    // -1: no keyboard.
    void keyboardPortChanged(int port);
    void stepLengthChanged(int valueIndex);
    void introChanged(int intro);
    void endingChanged(bool on);
    void humanizeChanged(int amount);

private:
    void Apply(KeyboardRange range);

    KeyboardRange range_;
    QSpinBox* low_ = nullptr;
    QSpinBox* high_ = nullptr;
    QComboBox* instrumentKey_ = nullptr;
    QSpinBox* transpose_ = nullptr;
    QComboBox* keyboard_ = nullptr;
    QComboBox* stepLength_ = nullptr;
    QComboBox* intro_ = nullptr;
    QCheckBox* ending_ = nullptr;
    QSpinBox* humanize_ = nullptr;
};

}  // namespace songloom::app
