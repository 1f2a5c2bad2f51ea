#include "app/bar_edit_window.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>


namespace songloom::app {
namespace {

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void SetSpin(QSpinBox* spin, const song::SpinRange& range, int value)
{
    spin->setRange(range.low, range.high);
    spin->setValue(value);
}

}  // namespace

BarEditWindow::BarEditWindow(song::BarEditPanelLogic& logic, std::function<void()> apply, QAction* undo,
                             QWidget* parent)
    : QDialog(parent), logic_(logic), apply_(std::move(apply))
{
    setWindowTitle(Qs(song::kBarEditPanelTitle));
    setModal(false);
    operations_ = new QComboBox(this);
    for (std::string_view name : song::kBarEditOperationNames) operations_->addItem(Qs(name));
    start_ = new QSpinBox(this);
    end_ = new QSpinBox(this);
    insertAt_ = new QSpinBox(this);
    insertAtLabel_ = new QLabel(QStringLiteral("挿入先"), this);
    applyButton_ = new QToolButton(this);
    applyButton_->setText(QStringLiteral("実行"));
    applyButton_->setToolTip(QStringLiteral("選択した操作を実行します。"));
    undo_ = new QToolButton(this);
    undo_->setDefaultAction(undo);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("操作"), operations_);
    form->addRow(QStringLiteral("開始小節"), start_);
    form->addRow(QStringLiteral("終了小節"), end_);
    form->addRow(insertAtLabel_, insertAt_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(applyButton_);
    buttons->addWidget(undo_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(operations_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (syncing_ || index < 0) return;
        logic_.SelectOperation(static_cast<song::BarEditOperation>(index));
        Sync();
    });
    connect(start_, &QSpinBox::valueChanged, this, [this](int value) {
        if (syncing_) return;
        logic_.EditStart(value);
        Sync();
    });
    connect(end_, &QSpinBox::valueChanged, this, [this](int value) {
        if (syncing_) return;
        logic_.EditEnd(value);
        Sync();
    });
    connect(insertAt_, &QSpinBox::valueChanged, this, [this](int value) {
        if (syncing_) return;
        logic_.EditInsertAt(value);
    });
    connect(applyButton_, &QToolButton::clicked, this, [this] { apply_(); });
    Sync();
}

void BarEditWindow::Sync()
{
    syncing_ = true;
    operations_->setCurrentIndex(static_cast<int>(logic_.operation()));
    SetSpin(start_, logic_.startRange(), logic_.start());
    SetSpin(end_, logic_.endRange(), logic_.end());
    SetSpin(insertAt_, logic_.insertAtRange(), logic_.insertAt());
    insertAt_->setVisible(logic_.insertAtShown());
    insertAtLabel_->setVisible(logic_.insertAtShown());
    syncing_ = false;
}

}  // namespace songloom::app
