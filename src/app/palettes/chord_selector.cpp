#include "app/palettes/chord_selector.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "app/palettes/palette_host.h"
#include "app/palettes/palette_tooltips.h"
#include "song/song_tables.h"

namespace songloom::app {

QString ChordTypeDisplayName(int type)
{
    if (type == 0) return QStringLiteral("ﾒｼﾞｬｰ");
    if (type < 0 || type >= song::kChordTypeCount) return {};
    return QString::fromUtf8(song::ChordTypes[static_cast<std::size_t>(type)].data(),
                             static_cast<int>(song::ChordTypes[static_cast<std::size_t>(type)].size()));
}

ChordSelector::ChordSelector(QWidget* parent) : QWidget(parent, Qt::Tool)
{
    setWindowTitle(QStringLiteral("コード選択"));
    roots_ = new QComboBox(this);
    roots_->setObjectName(QStringLiteral("1018"));
    for (const auto root : song::ChordRoots) roots_->addItem(QString::fromUtf8(root.data(), static_cast<int>(root.size())));
    types_ = new QComboBox(this);
    types_->setObjectName(QStringLiteral("1019"));
    for (int t = 0; t < song::kChordTypeCount; ++t) types_->addItem(ChordTypeDisplayName(t));
    take_ = new QPushButton(QStringLiteral("決定"), this);
    take_->setObjectName(QStringLiteral("1048"));
    const QString hint = QString::fromUtf8(tip::kChordSelector.data(), static_cast<int>(tip::kChordSelector.size()));
    for (QWidget* w : {static_cast<QWidget*>(roots_), static_cast<QWidget*>(types_), static_cast<QWidget*>(take_)}) {
        w->setToolTip(hint);
    }
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("ルート"), this), 0, 0);
    layout->addWidget(roots_, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("タイプ"), this), 1, 0);
    layout->addWidget(types_, 1, 1);
    layout->addWidget(take_, 2, 0, 1, 2);
    connect(take_, &QPushButton::clicked, this, [this] { Take(); });
}

void ChordSelector::OpenFor(bool replace, Deliver deliver)
{
    replace_ = replace;
    deliver_ = std::move(deliver);
    show();
    raise();
}

void ChordSelector::Take()
{
    if (deliver_) deliver_(replace_, roots_->currentIndex(), types_->currentIndex());
    deliver_ = nullptr;
    hide();
}

}  // namespace songloom::app
