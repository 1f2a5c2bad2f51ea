#include "app/palettes/scale_selector.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "harmony/diatonic_chord_list.h"

namespace songloom::app {

ScaleSelector::ScaleSelector(std::function<void(int entry)> chosen, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), chosen_(std::move(chosen))
{
    setWindowTitle(QStringLiteral("スケール"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1050"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && chosen_) chosen_(row);
    });
    Refill(0);
}

void ScaleSelector::Refill(int key)
{
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const auto entry : harmony::ScaleSelectorEntries(key)) {
        list_->addItem(QString::fromUtf8(entry.data(), static_cast<int>(entry.size())));
    }
    list_->setCurrentRow(0);
}

void ScaleSelector::Choose(int entry)
{
    if (entry < 0 || entry >= list_->count()) return;
    if (entry == list_->currentRow()) {
        if (chosen_) chosen_(entry);  // choosing the same scale again shows its list again
        return;
    }
    list_->setCurrentRow(entry);
}

}  // namespace songloom::app
