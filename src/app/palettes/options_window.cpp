#include "app/palettes/options_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "common/transposing_instrument.h"
#include "playback/playback_settings.h"
#include "song/song_tables.h"

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
    auto* transposition = new QGroupBox(QStringLiteral("移調"), this);
    instrumentKey_ = new QComboBox(transposition);
    for (const TransposingInstrument& instrument : kTransposingInstruments) {
        const QString name = QString::fromUtf8(instrument.name.data(), static_cast<qsizetype>(instrument.name.size()));
        instrumentKey_->addItem(instrument.writtenAbove == 0 ? name + QStringLiteral("（実音）") : name,
                                name);
    }
    transpose_ = new QSpinBox(transposition);
    transpose_->setRange(-playback::kMaxTranspose, playback::kMaxTranspose);
    transpose_->setSuffix(QStringLiteral(" 半音"));
    auto* transpositionForm = new QFormLayout(transposition);
    transpositionForm->addRow(QStringLiteral("楽譜の表示"), instrumentKey_);
    transpositionForm->addRow(QStringLiteral("再生"), transpose_);
    auto* keyboardGroup = new QGroupBox(QStringLiteral("MIDIキーボード"), this);
    keyboard_ = new QComboBox(keyboardGroup);
    stepLength_ = new QComboBox(keyboardGroup);
    for (const song::NoteValueRow& row : song::NoteValueTable) {
        stepLength_->addItem(QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size())));
    }
    auto* keyboardForm = new QFormLayout(keyboardGroup);
    keyboardForm->addRow(QStringLiteral("入力ポート"), keyboard_);
    keyboardForm->addRow(QStringLiteral("音価"), stepLength_);
    SetKeyboardPorts({}, -1);
    SetStepLength(3);
    auto* performance = new QGroupBox(QStringLiteral("演奏"), this);
    intro_ = new QComboBox(performance);
    // In the order of playback::kIntroNames.
    intro_->addItems({QStringLiteral("なし"), QStringLiteral("1小節のカウント"), QStringLiteral("2小節のグルーヴ"),
                      QStringLiteral("4小節のグルーヴ")});
    ending_ = new QCheckBox(QStringLiteral("最後のコードをのばして終わる"), performance);
    humanize_ = new QSpinBox(performance);
    humanize_->setRange(playback::kStyleHumanize, playback::kMaxHumanize);
    humanize_->setSpecialValueText(QStringLiteral("スタイルの標準"));  // shown for kStyleHumanize
    humanize_->setToolTip(QStringLiteral("0 で譜面どおりのタイミングと強さ、100 で最も人間らしいゆれになります。"));
    auto* performanceForm = new QFormLayout(performance);
    performanceForm->addRow(QStringLiteral("イントロ"), intro_);
    performanceForm->addRow(QStringLiteral("エンディング"), ending_);
    performanceForm->addRow(QStringLiteral("ヒューマナイズ"), humanize_);
    SetIntro(0);
    SetEnding(true);
    SetHumanize(playback::kStyleHumanize);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(transposition);
    layout->addWidget(keyboardGroup);
    layout->addWidget(performance);
    SetRange(range);
    connect(instrumentKey_, &QComboBox::currentIndexChanged, this,
            [this](int) { emit instrumentKeyChanged(instrumentKey_->currentData().toString().toStdString()); });
    connect(transpose_, &QSpinBox::valueChanged, this, [this](int n) { emit playbackTransposeChanged(n); });
    connect(keyboard_, &QComboBox::currentIndexChanged, this,
            [this](int index) { emit keyboardPortChanged(index - 1); });
    connect(stepLength_, &QComboBox::currentIndexChanged, this, [this](int index) { emit stepLengthChanged(index); });
    connect(intro_, &QComboBox::currentIndexChanged, this, [this](int index) { emit introChanged(index); });
    connect(ending_, &QCheckBox::toggled, this, [this](bool on) { emit endingChanged(on); });
    connect(humanize_, &QSpinBox::valueChanged, this, [this](int amount) { emit humanizeChanged(amount); });
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

void OptionsWindow::SetInstrumentKey(const std::string& name)
{
    const QSignalBlocker quiet(instrumentKey_);
    const int index = instrumentKey_->findData(QString::fromStdString(name));
    instrumentKey_->setCurrentIndex(std::max(0, index));
}

void OptionsWindow::SetPlaybackTranspose(int semitones)
{
    const QSignalBlocker quiet(transpose_);
    transpose_->setValue(semitones);
}

void OptionsWindow::SetKeyboardPorts(const QStringList& names, int port)
{
    const QSignalBlocker quiet(keyboard_);
    keyboard_->clear();
    keyboard_->addItem(QStringLiteral("なし"));
    keyboard_->addItems(names);
    keyboard_->setCurrentIndex(port >= 0 && port < names.size() ? port + 1 : 0);
}

void OptionsWindow::SetStepLength(int valueIndex)
{
    const QSignalBlocker quiet(stepLength_);
    stepLength_->setCurrentIndex(std::clamp(valueIndex, 0, song::kNoteValueCount - 1));
}

void OptionsWindow::SetIntro(int intro)
{
    const QSignalBlocker quiet(intro_);
    intro_->setCurrentIndex(std::clamp(intro, 0, intro_->count() - 1));
}

void OptionsWindow::SetEnding(bool on)
{
    const QSignalBlocker quiet(ending_);
    ending_->setChecked(on);
}

void OptionsWindow::SetHumanize(int amount)
{
    const QSignalBlocker quiet(humanize_);
    humanize_->setValue(amount);
}

void OptionsWindow::Apply(KeyboardRange range)
{
    SetRange(range);
    emit rangeChanged(range);
}

}  // namespace songloom::app
