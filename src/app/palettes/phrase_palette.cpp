#include "app/palettes/phrase_palette.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHelpEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

#include "app/palettes/palette_tooltips.h"
#include "common/text.h"
#include "song/drop_payload.h"
#include "song/song_image.h"
#include "song/song_tables.h"

#include "app/main_messages.h"
#include "pictures/long_staff_picture.h"
#include "pictures/score_page.h"
#include "pictures/song_view.h"
#include "pictures/staff_geometry.h"

namespace songloom::app {
namespace {

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The phrase as a staff row: the head and the four bar cells, each drawn by
// the staff pictures at the palette's cell sizes.
QImage DrawPhrase(Reporter& reporter, const song::SongData& phrase, const PhrasePaletteGeometry& g, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    QPainter painter(&image);
    const pictures::ScoreLayout layout;
    const pictures::SongView view = pictures::SongViewOf(phrase);
    pictures::CLongStaffPicture staff(reporter);
    const int head = staff.CreateCell(QRect(QPoint(0, 0), g.Head().size()), layout.lowNote, layout.highNote);
    pictures::PrepareRowHead(staff, head, view, 0, true);
    staff.DrawCell(head);
    painter.drawImage(g.Head().topLeft(), staff.Cell(head).canvas->image());
    for (int bar = 0; bar < kPhraseBars; ++bar) {
        const int cell = staff.CreateCell(QRect(QPoint(0, 0), g.Cell(bar).size()), layout.lowNote, layout.highNote);
        pictures::PrepareBarCell(staff, cell, reporter, view, bar);
        staff.DrawCell(cell);
        painter.drawImage(g.Cell(bar).topLeft(), staff.Cell(cell).canvas->image());
    }
    return image;
}

}  // namespace

void PhrasePaletteErrorMsg(Reporter& reporter, std::uint32_t)
{
    ShowErrorBox(reporter, kPhraseDropRefused, false);
}

std::array<song::CellRect, song::kPhraseCells> PhrasePaletteGeometry::CellRects() const
{
    std::array<song::CellRect, song::kPhraseCells> rects{};
    for (int bar = 0; bar < song::kPhraseCells; ++bar) {
        const QRect r = Cell(bar);
        rects[static_cast<std::size_t>(bar)] = {r.left(), r.top(), r.width(), r.height()};
    }
    return rects;
}

PhrasePalette::PhrasePalette(PaletteHost& host, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      host_(host),
      phrase_(host.document.phrase()),
      dropTarget_(
          [this](std::string_view text, int x, int y) {
              const auto hit = song::HitTestPhraseCell(geometry_.CellRects(), phrase_.beats(), x, y);
              const song::PhraseDropResult result = song::DropOnPhrase(phrase_, text, hit);
              if (result.copyScoreBar) {
                  host_.document.CopyScoreBarToPhrase(result.copyScoreBar->first, result.copyScoreBar->second);
              }
              if (result.showPaletteError0) PhrasePaletteErrorMsg(host_.reporter, 0);
              Refresh();
          },
          [](std::string_view, int, int) {})
{
    setWindowTitle(QStringLiteral("フレーズ・パレット"));
    setAcceptDrops(true);
    const std::array<std::pair<QString, std::string_view>, 4> buttons{{
        {QStringLiteral("クリア"), tip::kPhraseClear},
        {QStringLiteral("開く"), tip::kPhraseOpen},
        {QStringLiteral("保存"), tip::kPhraseSave},
        {QStringLiteral("再生"), tip::kPhrasePlay},
    }};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(buttons[static_cast<std::size_t>(i)].first, this);
        button->setToolTip(Utf8(buttons[static_cast<std::size_t>(i)].second));
        button->setGeometry(geometry_.headLeft + i * 84, 8, 80, 28);
        const int command = kCmdPhraseClear + i;
        connect(button, &QPushButton::clicked, this, [this, command] { Command(command); });
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    setFixedSize(geometry_.Cell(kPhraseBars - 1).right() + 1 + geometry_.headLeft,
                 geometry_.top + geometry_.cellHeight + 8);
    connect(&host_.document, &SongDocument::phraseChanged, this, &PhrasePalette::Refresh);
    Refresh();
}

PhrasePalette::~PhrasePalette() = default;

QPushButton* PhrasePalette::commandButton(int number) const
{
    if (number < kCmdPhraseClear || number > kCmdPhrasePlay) return nullptr;
    return buttons_[static_cast<std::size_t>(number - kCmdPhraseClear)];
}

void PhrasePalette::Command(int number)
{
    switch (number) {
    case kCmdPhraseClear: host_.document.ResetPhrase(); break;
    case kCmdPhraseOpen: OpenPhraseFile(); break;
    case kCmdPhraseSave: SavePhraseFile(); break;
    case kCmdPhrasePlay: emit playRequested(); break;
    default: break;
    }
}

void PhrasePalette::OpenPhraseFile()
{
    if (!host_.choosePhraseFile) return;
    const auto path = host_.choosePhraseFile(false);
    if (!path) return;
    // Read aside first: a file that is no phrase leaves the phrase shown.
    song::SongData read;
    if (song::ReadSongFile(host_.reporter, *path, read, kPhraseBars, phrase_.beats(), phrase_.key()) !=
        song::SongFileStatus::kRead) {
        return;
    }
    phrase_ = read;
    host_.document.NotifyPhraseChanged();
}

void PhrasePalette::SavePhraseFile()
{
    if (!host_.choosePhraseFile) return;
    if (const auto path = host_.choosePhraseFile(true)) {
        song::WriteSongImage(host_.reporter, phrase_, phrase_.beats(), phrase_.key(), *path);
    }
}

bool PhrasePalette::DropText(const std::optional<QString>& text, int x, int y)
{
    std::optional<std::string> bytes;
    if (text) bytes = QStringToPayload(*text);
    return dropTarget_.Drop(host_.reporter, bytes, x, y);
}

void PhrasePalette::StartCellDrag(int bar)
{
    if (bar < 0 || bar >= kPhraseBars || !host_.startDrag) return;
    host_.startDrag(this, PayloadToQString(song::PhrasePayload(bar)));
}

void PhrasePalette::Refresh()
{
    // The row head grows with the key signature (up to seven accidentals).
    const pictures::ScoreLayout layout;
    const double spacing =
        pictures::BuildStaffGeometry(layout.lowNote, layout.highNote, geometry_.cellWidth, geometry_.cellHeight).spacing;
    const int signature = song::IsValidKey(phrase_.key()) ? song::KeyTable[static_cast<std::size_t>(phrase_.key())].signature : 0;
    geometry_.headWidth = std::max(PhrasePaletteGeometry{}.headWidth,
                                   pictures::CLongStaffPicture::RowHeadWidth(spacing, signature));
    setFixedSize(geometry_.Cell(kPhraseBars - 1).right() + 1 + geometry_.headLeft,
                 geometry_.top + geometry_.cellHeight + 8);
    picture_ = DrawPhrase(host_.reporter, phrase_, geometry_, size());
    update();
}

int PhrasePalette::CellAt(QPoint point) const
{
    for (int bar = 0; bar < kPhraseBars; ++bar) {
        if (geometry_.Cell(bar).contains(point)) return bar;
    }
    return -1;
}

QString PhrasePalette::ToolTipAt(QPoint point) const
{
    for (int i = 0; i < 4; ++i) {
        if (buttons_[static_cast<std::size_t>(i)]->geometry().contains(point)) {
            return buttons_[static_cast<std::size_t>(i)]->toolTip();
        }
    }
    return Utf8(CellAt(point) >= 0 ? tip::kPhraseCells : tip::kPhraseOther);
}

void PhrasePalette::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void PhrasePalette::mousePressEvent(QMouseEvent* e)
{
    pressedCell_ = e->button() == Qt::LeftButton ? CellAt(e->position().toPoint()) : -1;
    pressPoint_ = e->position().toPoint();
}

void PhrasePalette::mouseMoveEvent(QMouseEvent* e)
{
    if (pressedCell_ < 0 || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < kDragDistance) return;
    const int bar = pressedCell_;
    pressedCell_ = -1;
    StartCellDrag(bar);
}

void PhrasePalette::dragEnterEvent(QDragEnterEvent* e) { e->acceptProposedAction(); }

void PhrasePalette::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

void PhrasePalette::dropEvent(QDropEvent* e)
{
    std::optional<QString> text;
    if (e->mimeData()->hasText()) text = e->mimeData()->text();
    const QPoint p = e->position().toPoint();
    if (DropText(text, p.x(), p.y())) e->acceptProposedAction();
    else e->ignore();
}

bool PhrasePalette::event(QEvent* e)
{
    if (ShowToolTipAt(*this, e, [this](QPoint p) { return ToolTipAt(p); })) return true;
    return QWidget::event(e);
}

}  // namespace songloom::app
