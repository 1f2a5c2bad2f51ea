#pragma once
// The bar-editing panel ("編集"): a modeless window of the main window that
// shows the operation list, the start, end and insert-at bars (1-based) and
// the apply and undo buttons. It holds no rules of its own: the panel logic
// decides ranges and couplings; apply is the owner's (one undo step), and the
// undo button is the main window's undo, on the same stack.

#include <QDialog>
#include <functional>

#include "song/bar_edit_panel.h"

class QAction;
class QComboBox;
class QSpinBox;
class QLabel;
class QToolButton;

namespace songloom::app {

class BarEditWindow : public QDialog {
    Q_OBJECT
public:
    // logic is owned by the main window; apply runs the chosen operation;
    // undo is the undo stack's action.
    BarEditWindow(song::BarEditPanelLogic& logic, std::function<void()> apply, QAction* undo,
                  QWidget* parent = nullptr);

    // Shows what the logic holds now (after Open, Refresh or an apply).
    void Sync();

    QComboBox* operationList() const { return operations_; }
    QSpinBox* startSpin() const { return start_; }
    QSpinBox* endSpin() const { return end_; }
    QSpinBox* insertAtSpin() const { return insertAt_; }
    QToolButton* applyButton() const { return applyButton_; }
    QToolButton* undoButton() const { return undo_; }

private:
    song::BarEditPanelLogic& logic_;
    std::function<void()> apply_;
    QComboBox* operations_;
    QSpinBox* start_;
    QSpinBox* end_;
    QSpinBox* insertAt_;
    QLabel* insertAtLabel_;
    QToolButton* applyButton_;
    QToolButton* undo_;
    bool syncing_ = false;
};

}  // namespace songloom::app
