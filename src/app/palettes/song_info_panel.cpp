#include "app/palettes/song_info_panel.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "arrange/style_meter.h"
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

std::vector<StyleEntry> StyleEntries(const arrange::StyleCatalogue& catalogue, int category)
{
    std::vector<StyleEntry> entries;
    for (int style = 1; style < arrange::kStylesPerCategory; ++style) {
        const arrange::StyleRecord* record = arrange::CatalogueRecord(catalogue, category, style);
        if (record == nullptr || record->Name().empty()) continue;
        entries.push_back({style, Cp932ToUtf8(record->Name()), record->meter});
    }
    return entries;
}

QString StyleEntryText(const StyleEntry& entry)
{
    return QString::fromStdString(entry.name) + QStringLiteral("  ") + Utf8(arrange::MeterText(entry.meter));
}

SongInfoPanel::SongInfoPanel(PaletteHost& host, const arrange::StyleCatalogue& catalogue, QWidget* parent)
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
    bars_->setKeyboardTracking(false);  // typing "12" over "8" is not a 1 first
    category_ = new QComboBox(this);
    category_->setObjectName(QStringLiteral("1022"));
    for (int c = 0; c < arrange::kStyleCategories; ++c) category_->addItem(Utf8(arrange::StyleCategoryNameUtf8(c)));
    style_ = new QComboBox(this);
    style_->setObjectName(QStringLiteral("1019"));
    title_ = new QLineEdit(this);
    title_->setObjectName(QStringLiteral("1007"));
    composer_ = new QLineEdit(this);
    composer_->setObjectName(QStringLiteral("1009"));

    style_->setToolTip(QStringLiteral("スタイルにカーソルを合わせると、曲の最初の4小節をそのスタイルで試聴します。"));
    preview_ = new QPushButton(QStringLiteral("試聴"), this);
    preview_->setCheckable(true);
    preview_->setToolTip(QStringLiteral("選んだスタイルで曲の最初の4小節を再生します。"));
    previewDelay_ = new QTimer(this);
    previewDelay_->setSingleShot(true);
    previewDelay_->setInterval(kStylePreviewDelayMs);

    auto* styleRow = new QHBoxLayout;
    styleRow->addWidget(style_, 1);
    styleRow->addWidget(preview_);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("拍子"), beats_);
    form->addRow(QStringLiteral("調"), key_);
    form->addRow(QStringLiteral("小節数"), bars_);
    form->addRow(QStringLiteral("ｶﾃｺﾞﾘ"), category_);
    form->addRow(QStringLiteral("ｽﾀｲﾙ"), styleRow);
    form->addRow(QStringLiteral("曲名"), title_);
    form->addRow(QStringLiteral("作曲者"), composer_);

    connect(beats_, &QComboBox::activated, this, [this](int entry) { ChooseTimeSignature(entry); });
    connect(key_, &QComboBox::activated, this, [this](int key) { ChooseKey(key); });
    connect(bars_, &QSpinBox::valueChanged, this, [this](int bars) { ChooseBarCount(bars); });
    connect(category_, &QComboBox::activated, this, [this](int category) { ChooseCategory(category); });
    connect(style_, &QComboBox::activated, this, [this](int entry) {
        ChooseStyle(entry);
        RequestPreview(entry);
    });
    connect(style_, &QComboBox::highlighted, this, [this](int entry) { HighlightStyle(entry); });
    connect(previewDelay_, &QTimer::timeout, this, [this] { RequestPreview(highlighted_); });
    connect(preview_, &QPushButton::clicked, this, [this](bool on) {
        // The button shows what plays, not what was pressed: the preview's
        // own signal checks it.
        SetPreviewPlaying(false);
        if (on) {
            RequestPreview(style_->currentIndex());
        } else {
            StopPreview();
        }
    });
    connect(title_, &QLineEdit::textEdited, this, [this](const QString& text) { host_.document.SetTitle(text); });
    connect(composer_, &QLineEdit::textEdited, this,
            [this](const QString& text) { host_.document.SetComposer(text); });
    SongDocument& document = host_.document;
    for (auto signal : {&SongDocument::songReplaced, &SongDocument::infoChanged}) {
        connect(&document, signal, this, &SongInfoPanel::Refresh);
    }
    connect(&document, &SongDocument::barCountChanged, this, &SongInfoPanel::Refresh);
    connect(&document, &SongDocument::keyChanged, this, &SongInfoPanel::Refresh);
    connect(&document, &SongDocument::timeSignatureChanged, this, &SongInfoPanel::Refresh);
    Refresh();
}

void SongInfoPanel::FillStyles(int category)
{
    const QSignalBlocker quiet(style_);
    style_->clear();
    for (const StyleEntry& entry : StyleEntries(catalogue_, category)) {
        style_->addItem(StyleEntryText(entry), entry.style);
    }
}

void SongInfoPanel::Refresh()
{
    const song::SongData& song = host_.document.song();
    const QSignalBlocker q1(beats_), q2(key_), q3(bars_), q4(category_), q5(title_), q6(composer_);
    bars_->setRange(1, song::MaxBars);
    bars_->setValue(song.bars());
    beats_->setCurrentIndex(song.beats() == 4 ? 0 : 1);
    key_->setCurrentIndex(song.key());
    category_->setCurrentIndex(song.info.category);
    FillStyles(song.info.category);
    style_->setCurrentIndex(style_->findData(song.info.style));
    // Text being typed stays as it is (with its cursor).
    const QString title = FieldToQString(song.info.title);
    if (title != title_->text()) title_->setText(title);
    const QString composer = FieldToQString(song.info.composer);
    if (composer != composer_->text()) composer_->setText(composer);
}

// Each choice either changes the song, which refreshes the panel through
// the document's signals, or is refused or cancelled: the panel then shows
// the song as it still is.

void SongInfoPanel::ChooseTimeSignature(int entry)
{
    if (!host_.document.ChangeTimeSignature(entry)) Refresh();
}

void SongInfoPanel::ChooseKey(int key)
{
    if (!host_.document.ChangeKey(key, host_.askTransposition)) Refresh();
}

void SongInfoPanel::ChooseBarCount(int bars)
{
    if (!host_.document.SetBarCount(bars)) Refresh();
}

void SongInfoPanel::ChooseCategory(int category)
{
    StopPreview();
    FillStyles(category);
    const int first = style_->count() > 0 ? style_->itemData(0).toInt() : 1;
    if (!host_.document.SetStyle(category, first)) Refresh();
}

void SongInfoPanel::ChooseStyle(int entry)
{
    if (entry < 0 || entry >= style_->count()) return;
    if (!host_.document.SetStyle(host_.document.song().info.category, style_->itemData(entry).toInt())) Refresh();
}

void SongInfoPanel::HighlightStyle(int entry)
{
    if (entry == highlighted_) return;
    // What played was another style: it ends now, the new one follows when
    // the cursor stays.
    StopPreview();
    highlighted_ = entry;
    previewDelay_->start();
}

void SongInfoPanel::RequestPreview(int entry)
{
    previewDelay_->stop();
    if (entry < 0 || entry >= style_->count()) return;
    highlighted_ = entry;
    emit previewRequested(category_->currentIndex(), style_->itemData(entry).toInt());
}

void SongInfoPanel::StopPreview()
{
    previewDelay_->stop();
    highlighted_ = -1;
    emit previewStopRequested();
}

void SongInfoPanel::SetPreviewPlaying(bool playing)
{
    const QSignalBlocker quiet(preview_);
    preview_->setChecked(playing);
}

void SongInfoPanel::hideEvent(QHideEvent* event)
{
    StopPreview();
    QWidget::hideEvent(event);
}

}  // namespace songloom::app
