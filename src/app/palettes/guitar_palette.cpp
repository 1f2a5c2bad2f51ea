#include "app/palettes/guitar_palette.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <algorithm>

#include "app/palettes/chord_selector.h"
#include "pictures/strings_multi_picture.h"
#include "song/drop_payload.h"
#include "song/song_tables.h"

namespace songloom::app {
namespace {

constexpr std::array<std::string_view, 12> kFlatRoots = {"C", "Db", "D", "Eb", "E", "F",
                                                         "Gb", "G", "Ab", "A", "Bb", "B"};
constexpr int kShownFrets = 5;
const QColor kDotColour(0, 0, 160);

}  // namespace

std::vector<std::string> GuitarRootNames(int key)
{
    const bool flats = song::IsValidKey(key) && song::KeyTable[static_cast<std::size_t>(key)].signature < 0;
    std::vector<std::string> names;
    for (int r = 0; r < 12; ++r) {
        names.emplace_back(flats ? kFlatRoots[static_cast<std::size_t>(r)]
                                 : song::ChordRoots[static_cast<std::size_t>(r)]);
    }
    return names;
}

std::span<const pictures::ChordBookEntry> GuitarFingerings(int root, int type)
{
    if (root < 0 || root >= 12 || type < 0 || type >= song::kChordTypeCount) return {};
    const std::string_view bookType = pictures::BookTypeOfSongSuffix(song::ChordTypes[static_cast<std::size_t>(type)]);
    if (bookType.empty()) return {};
    return pictures::FindChord(pictures::ChordBookName(root, bookType));
}

std::optional<std::pair<int, int>> GuitarChordOfName(std::string_view name)
{
    const song::ChordParts parts = song::ParseChordName(song::CompleteChordName(name));
    if (!parts.ok()) return std::nullopt;
    return std::pair{parts.root, parts.type};
}

std::pair<int, int> FretWindow(const pictures::ChordBookEntry& entry)
{
    const int first = pictures::FirstFretFor(entry, kShownFrets);
    const int highest = *std::max_element(entry.frets.begin(), entry.frets.end());
    return {first, std::max(first + kShownFrets - 1, highest)};
}

GuitarPalette::GuitarPalette(PaletteHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool), host_(host), board_(std::make_unique<pictures::CStringsMultiPicture>(host.reporter))
{
    setWindowTitle(QStringLiteral("ギター・パレット"));
    setAcceptDrops(true);
    roots_ = new QComboBox(this);
    roots_->setObjectName(QStringLiteral("1018"));
    roots_->setGeometry(10, 10, 80, 26);
    types_ = new QComboBox(this);
    types_->setObjectName(QStringLiteral("1019"));
    types_->setGeometry(96, 10, 94, 26);
    for (int t = 0; t < song::kChordTypeCount; ++t) types_->addItem(ChordTypeDisplayName(t));
    auto* label = new QLabel(QStringLiteral("ポジション"), this);
    label->setGeometry(10, 44, 80, 26);
    label->setStyleSheet(QStringLiteral("color: rgb(64, 200, 200)"));
    position_ = new QSpinBox(this);
    position_->setObjectName(QStringLiteral("1043"));
    position_->setGeometry(96, 44, 94, 26);
    strum_ = new QPushButton(QStringLiteral("ストローク"), this);
    strum_->setObjectName(QStringLiteral("1041"));
    strum_->setGeometry(10, boardRect_.bottom() + 8, 180, 28);
    RefreshForKey();

    pictures::CStringsMultiPicture::Handlers handlers;
    handlers.redraw = [this](int) { update(); };
    picture_ = board_->CreateFingerboard(QRect(QPoint(0, 0), boardRect_.size()), 1, kShownFrets, handlers, 6);
    setFixedSize(200, strum_->geometry().bottom() + 10);

    connect(roots_, &QComboBox::activated, this, [this](int root) { Choose(root, types_->currentIndex()); });
    connect(types_, &QComboBox::activated, this, [this](int type) { Choose(roots_->currentIndex(), type); });
    connect(position_, &QSpinBox::valueChanged, this, [this](int) { ShowFingering(); });
    connect(strum_, &QPushButton::clicked, this, [this] { Strum(); });
    Choose(0, 0);
}

GuitarPalette::~GuitarPalette() = default;

void GuitarPalette::RefreshForKey()
{
    const int root = std::max(0, roots_->currentIndex());
    const QSignalBlocker quiet(roots_);
    roots_->clear();
    for (const std::string& name : GuitarRootNames(host_.document.song().key())) roots_->addItem(QString::fromStdString(name));
    roots_->setCurrentIndex(root);
}

void GuitarPalette::Choose(int root, int type, int position)
{
    {
        const QSignalBlocker q1(roots_), q2(types_), q3(position_);
        roots_->setCurrentIndex(root);
        types_->setCurrentIndex(type);
        const int count = static_cast<int>(GuitarFingerings(root, type).size());
        position_->setRange(1, std::max(1, count));
        position_->setEnabled(count > 0);
        position_->setValue(std::clamp(position, 1, std::max(1, count)));
    }
    ShowFingering();
}

int GuitarPalette::positions() const
{
    return static_cast<int>(GuitarFingerings(roots_->currentIndex(), types_->currentIndex()).size());
}

void GuitarPalette::ShowFingering()
{
    const auto entries = GuitarFingerings(roots_->currentIndex(), types_->currentIndex());
    const int p = position_->value();
    if (entries.empty() || p < 1 || p > static_cast<int>(entries.size())) {
        frets_.fill(-1);
        board_->ClearFrets(picture_);
        update();
        return;
    }
    frets_ = entries[static_cast<std::size_t>(p - 1)].frets;
    window_ = FretWindow(entries[static_cast<std::size_t>(p - 1)]);
    pictures::CStringsMultiPicture::Handlers handlers;
    handlers.redraw = [this](int) { update(); };
    board_ = std::make_unique<pictures::CStringsMultiPicture>(host_.reporter);
    picture_ = board_->CreateFingerboard(QRect(QPoint(0, 0), boardRect_.size()), window_.first, window_.second,
                                         handlers, 6);
    pictures::CStringsMultiPicture::Frets dots;
    for (const int fret : frets_) dots.emplace_back(pictures::FretToPosition(fret, window_.first), kDotColour);
    board_->SetFrets(picture_, dots);
    update();
}

std::array<int, 6> GuitarPalette::Frets() const { return frets_; }

std::string GuitarPalette::ChordName() const
{
    return song::ChordNameOf(roots_->currentIndex(), types_->currentIndex());
}

bool GuitarPalette::DropText(const std::optional<QString>& text)
{
    if (!text) return false;
    const song::DragPayload payload = song::ParsePayload(QStringToPayload(*text));
    if (payload.kind != song::PayloadKind::kChord) return false;
    const auto chord = GuitarChordOfName(payload.chordName);
    if (!chord) return false;
    Choose(chord->first, chord->second);
    return true;
}

void GuitarPalette::Strum()
{
    emit strumRequested();
}

QImage GuitarPalette::PaintedImage()
{
    QImage image(size(), QImage::Format_RGB32);
    render(&image);
    return image;
}

void GuitarPalette::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(0, 0, 0));
    p.drawImage(boardRect_.topLeft(), board_->Canvas(picture_).image());
    if (window_.first > 1) {
        p.setPen(QColor(64, 200, 200));
        p.drawText(QRect(boardRect_.right() - 40, boardRect_.top() - 14, 40, 14), Qt::AlignRight,
                   QStringLiteral("%1fr").arg(window_.first));
    }
}

void GuitarPalette::mousePressEvent(QMouseEvent* e)
{
    pressed_ = e->button() == Qt::LeftButton && boardRect_.contains(e->position().toPoint());
    pressPoint_ = e->position().toPoint();
}

void GuitarPalette::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < kDragDistance) return;
    pressed_ = false;
    if (host_.startDrag) host_.startDrag(this, PayloadToQString(song::ChordPayload(ChordName())));
}

void GuitarPalette::dragEnterEvent(QDragEnterEvent* e)
{
    if (e->mimeData()->hasText()) e->acceptProposedAction();
}

void GuitarPalette::dropEvent(QDropEvent* e)
{
    std::optional<QString> text;
    if (e->mimeData()->hasText()) text = e->mimeData()->text();
    if (DropText(text)) e->acceptProposedAction();
    else e->ignore();
}

}  // namespace songloom::app
