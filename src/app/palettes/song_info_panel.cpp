#include "app/palettes/song_info_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "common/text.h"
#include "song/song_tables.h"

namespace songloom::app {
namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

QString FieldToQString(const std::array<char, 64>& field)
{
    return QString::fromStdString(Cp932ToUtf8(FieldText(field.data(), field.size())));
}

}  // namespace

std::vector<std::pair<int, std::string>> StyleEntries(const arrange::StyleCatalogue& catalogue, int category)
{
    std::vector<std::pair<int, std::string>> entries;
    for (int style = 1; style < arrange::kStylesPerCategory; ++style) {
        const arrange::StyleRecord* record = arrange::CatalogueRecord(catalogue, category, style);
        if (record == nullptr || record->Name().empty()) continue;
        entries.emplace_back(style, Cp932ToUtf8(record->Name()));
    }
    return entries;
}

void CopyInfoText(std::array<char, 64>& field, std::string_view utf8)
{
    const std::string text = TruncateCp932(Utf8ToCp932(utf8), field.size() - 1);
    field.fill('\0');
    std::copy(text.begin(), text.end(), field.begin());
}

CSongInfoDlg::CSongInfoDlg(PaletteHost& host, const arrange::StyleCatalogue& catalogue, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host), catalogue_(catalogue)
{
    setWindowTitle(QStringLiteral("楽曲情報"));
    beats_ = new QComboBox(this);
    beats_->setObjectName(QStringLiteral("1000"));
    beats_->addItems({QStringLiteral("4/4"), QStringLiteral("3/4")});
    key_ = new QComboBox(this);
    key_->setObjectName(QStringLiteral("1001"));
    for (const song::KeyRow& row : song::KeyTable) key_->addItem(Utf8(row.name));
    bars_ = new QSpinBox(this);
    bars_->setObjectName(QStringLiteral("1006"));
    bars_->setRange(1, song::MaxBars);
    category_ = new QComboBox(this);
    category_->setObjectName(QStringLiteral("1022"));
    for (int c = 0; c < arrange::kStyleCategories; ++c) category_->addItem(Utf8(arrange::StyleCategoryNameUtf8(c)));
    style_ = new QComboBox(this);
    style_->setObjectName(QStringLiteral("1019"));
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("1007"));
    composer_ = new QLineEdit(this);
    composer_->setObjectName(QStringLiteral("1009"));

    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("拍子"), beats_);
    form->addRow(QStringLiteral("調"), key_);
    form->addRow(QStringLiteral("小節数"), bars_);
    form->addRow(QStringLiteral("ｶﾃｺﾞﾘ"), category_);
    form->addRow(QStringLiteral("ｽﾀｲﾙ"), style_);
    form->addRow(QStringLiteral("曲名"), title_);
    form->addRow(QStringLiteral("作曲者"), composer_);

    connect(beats_, &QComboBox::activated, this, [this](int entry) { ChooseTimeSignature(entry); });
    connect(key_, &QComboBox::activated, this, [this](int key) { ChooseKey(key); });
    connect(bars_, &QSpinBox::valueChanged, this, [this](int bars) { ChooseBarCount(bars); });
    connect(category_, &QComboBox::activated, this, [this](int category) { ChooseCategory(category); });
    connect(style_, &QComboBox::activated, this, [this](int entry) { ChooseStyle(entry); });
    connect(title_, &QLineEdit::textEdited, this,
            [this](const QString& text) { CopyInfoText(host_.song().info.title, text.toStdString()); });
    connect(composer_, &QLineEdit::textEdited, this,
            [this](const QString& text) { CopyInfoText(host_.song().info.composer, text.toStdString()); });
    Refresh();
}

void CSongInfoDlg::FillStyles(int category)
{
    const QSignalBlocker quiet(style_);
    style_->clear();
    for (const auto& [number, name] : StyleEntries(catalogue_, category)) {
        style_->addItem(QString::fromStdString(name), number);
    }
}

void CSongInfoDlg::Refresh()
{
    const song::SongData& song = host_.song();
    const QSignalBlocker q1(beats_), q2(key_), q3(bars_), q4(category_), q5(title_), q6(composer_);
    bars_->setRange(1, song::MaxBars);
    bars_->setValue(song.bars());
    beats_->setCurrentIndex(song.beats() == 4 ? 0 : 1);
    key_->setCurrentIndex(song.key());
    category_->setCurrentIndex(song.info.category);
    FillStyles(song.info.category);
    style_->setCurrentIndex(style_->findData(song.info.style));
    title_->setText(FieldToQString(song.info.title));
    composer_->setText(FieldToQString(song.info.composer));
}

void CSongInfoDlg::ChooseTimeSignature(int entry)
{
    beats_->setCurrentIndex(entry);
    host_.post(song_info_message::kTimeSignature, entry, 0);
}

void CSongInfoDlg::ChooseKey(int key)
{
    key_->setCurrentIndex(key);
    host_.post(song_info_message::kKey, key, 0);
}

void CSongInfoDlg::ChooseBarCount(int bars)
{
    if (bars_->value() != bars) {
        const QSignalBlocker quiet(bars_);
        bars_->setValue(bars);
    }
    host_.post(song_info_message::kBarCount, bars_->value(), 0);
}

void CSongInfoDlg::ChooseCategory(int category)
{
    category_->setCurrentIndex(category);
    FillStyles(category);
    style_->setCurrentIndex(style_->count() > 0 ? 0 : -1);
    const long long first = style_->count() > 0 ? style_->itemData(0).toInt() : 0;
    host_.post(song_info_message::kCategory, category, first);
}

void CSongInfoDlg::ChooseStyle(int entry)
{
    if (entry < 0 || entry >= style_->count()) return;
    style_->setCurrentIndex(entry);
    host_.post(song_info_message::kStyle, style_->itemData(entry).toInt(), 0);
}

}  // namespace songloom::app
