#include "app/palettes/options_window.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace songloom::app {
namespace {

constexpr int kLowestNote = 0;
constexpr int kHighestNote = 127;
constexpr int kOctave = 12;

}  // namespace

KeyboardRange RangeAfterLowChange(KeyboardRange range, int low)
{
    range.low = std::clamp(low, kLowestNote, kHighestNote - kOctave);
    if (range.low > range.high - kOctave) range.low = range.high - kOctave;
    if (range.low < kLowestNote) {
        range.low = kLowestNote;
        range.high = kLowestNote + kOctave;
    }
    return range;
}

KeyboardRange RangeAfterHighChange(KeyboardRange range, int high)
{
    range.high = std::clamp(high, kLowestNote + kOctave, kHighestNote);
    if (range.high < range.low + kOctave) range.high = range.low + kOctave;
    if (range.high > kHighestNote) {
        range.high = kHighestNote;
        range.low = kHighestNote - kOctave;
    }
    return range;
}

OptionsWindow::OptionsWindow(KeyboardRange range, QWidget* parent)
    : QWidget(parent, Qt::Tool), range_(range)
{
    setWindowTitle(QStringLiteral("オプション"));
    auto* group = new QGroupBox(QStringLiteral("キーボードの音域"), this);
    low_ = new QSpinBox(group);
    low_->setObjectName(QStringLiteral("1052"));
    high_ = new QSpinBox(group);
    high_->setObjectName(QStringLiteral("1056"));
    for (QSpinBox* spin : {low_, high_}) spin->setRange(kLowestNote, kHighestNote);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("低音"), low_);
    form->addRow(QStringLiteral("高音"), high_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    SetRange(range);
    connect(low_, &QSpinBox::valueChanged, this, [this](int low) { Apply(RangeAfterLowChange(range_, low)); });
    connect(high_, &QSpinBox::valueChanged, this, [this](int high) { Apply(RangeAfterHighChange(range_, high)); });
}

void OptionsWindow::SetRange(KeyboardRange range)
{
    range_ = range;
    const QSignalBlocker q1(low_), q2(high_);
    low_->setValue(range.low);
    high_->setValue(range.high);
}

void OptionsWindow::Apply(KeyboardRange range)
{
    SetRange(range);
    emit rangeChanged(range);
}

}  // namespace songloom::app
