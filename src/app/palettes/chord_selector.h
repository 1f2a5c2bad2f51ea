#pragma once
// The chord selector ("コード選択"): a root list, a type list and a take
// button. Opened by the chord palette's right-button menu; the take button
// hands the chosen root and type back to the palette, as a replacement or as
// a new entry, and closes the window.

#include <QWidget>
#include <cstdint>
#include <functional>

class QComboBox;
class QPushButton;

namespace songloom::app {

class ChordSelector : public QWidget {
    Q_OBJECT
public:
    // deliver(replace, root, type) is called when the take button is pressed.
    using Deliver = std::function<void(bool replace, int root, int type)>;

    explicit ChordSelector(QWidget* parent = nullptr);

    // Shows the window for an existing button (replace) or a new entry.
    void OpenFor(bool replace, Deliver deliver);
    // The take button: hands the chosen root and type over and closes.
    void Take();

    QComboBox* rootList() const { return roots_; }
    QComboBox* typeList() const { return types_; }
    QPushButton* takeButton() const { return take_; }
    bool replacing() const { return replace_; }

private:
    QComboBox* roots_ = nullptr;
    QComboBox* types_ = nullptr;
    QPushButton* take_ = nullptr;
    bool replace_ = false;
    Deliver deliver_;
};

// Display text of a type suffix in the lists: the major triad's blank is
// shown as a word.
QString ChordTypeDisplayName(int type);

}  // namespace songloom::app
