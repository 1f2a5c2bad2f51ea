#pragma once
// The row of command buttons along the top of the main window, followed by
// the undo and redo buttons, whose tooltips name the step they would undo or
// redo.

#include <QWidget>
#include <array>

#include "app/main_messages.h"

class QAction;
class QToolButton;

namespace songloom::app {

class CommandBar : public QWidget {
    Q_OBJECT
public:
    // undo and redo: the undo stack's actions (kept by their owner).
    CommandBar(QAction* undo, QAction* redo, QWidget* parent = nullptr);

    QToolButton* button(int command) const;
    QToolButton* undoButton() const { return undo_; }
    QToolButton* redoButton() const { return redo_; }
    // The play button's picture: playing shows the stop sign.
    void SetPlaying(bool playing);

signals:
    void commandTriggered(int command);

private:
    std::array<QToolButton*, kCommandButtons> buttons_{};
    QToolButton* undo_ = nullptr;
    QToolButton* redo_ = nullptr;
};

}  // namespace songloom::app
