#include "app/palettes/phrase_pallet_dlg.h"

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

#if __has_include("pictures/song_view.h")
#include "pictures/long_staff_picture.h"
#include "pictures/score_page.h"
#include "pictures/song_view.h"
#include "pictures/staff_geometry.h"
#define SONGLOOM_PHRASE_HAS_STAFF 1
#endif

namespace songloom::app {
namespace {

constexpr int kCmdClear = 12;
constexpr int kCmdOpen = 13;
constexpr int kCmdSave = 14;
constexpr int kCmdPlay = 15;
constexpr std::uint32_t kCopyScoreBar = 0x800D;

QString Utf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<int>(s.size())); }

// The phrase as a staff row: the head and the four bar cells, each drawn by
// the staff pictures at the palette's cell sizes.
QImage DrawPhrase(Reporter& reporter, const song::SongData& phrase, const PhrasePaletteGeometry& g, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    QPainter painter(&image);
#ifdef SONGLOOM_PHRASE_HAS_STAFF
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
#else
    // Without the staff pictures: five lines and the chord names of each bar.
    (void)reporter;
    painter.fillRect(QRect(g.Head().topLeft(), QSize(g.headWidth + kPhraseBars * g.cellWidth, g.cellHeight)),
                     QColor(255, 255, 255));
    painter.setPen(QColor(0, 0, 0));
    const int lineTop = g.top + g.cellHeight / 3;
    for (int l = 0; l < 5; ++l) {
        const int y = lineTop + l * 8;
        painter.drawLine(g.headLeft, y, g.Cell(kPhraseBars - 1).right(), y);
    }
    for (int bar = 0; bar < kPhraseBars; ++bar) {
        const QRect cell = g.Cell(bar);
        painter.drawLine(cell.right(), lineTop, cell.right(), lineTop + 32);
        for (int beat = 0; beat < phrase.beats(); ++beat) {
            const int x = cell.left() + beat * cell.width() / phrase.beats();
            painter.drawText(x + 2, g.top + 14, QString::fromStdString(Cp932ToUtf8(phrase.ChordName(bar * phrase.beats() + beat))));
        }
    }
#endif
    return image;
}

}  // namespace

void PhrasePalletErrorMsg(Reporter& reporter, std::uint32_t)
{
    ShowErrorBox(reporter, "CPhrasePalletDlg::ErrorMsg", false);
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

CPhrasePalletDlg::CPhrasePalletDlg(PaletteHost& host, song::SongData& phrase, QWidget* parent)
    : QWidget(parent, Qt::Tool),
      host_(host),
      phrase_(phrase),
      dropTarget_(
          [this](std::string_view text, int x, int y) {
              const auto hit = song::HitTestPhraseCell(geometry_.CellRects(), phrase_.beats(), x, y);
              const song::PhraseDropResult result = song::DropOnPhrase(phrase_, text, hit);
              if (result.copyScoreBar && host_.post) {
                  host_.post(kCopyScoreBar, result.copyScoreBar->first, result.copyScoreBar->second);
              }
              if (result.showPaletteError0) PhrasePalletErrorMsg(host_.reporter, 0);
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
        const int command = kCmdClear + i;
        connect(button, &QPushButton::clicked, this, [this, command] { Command(command); });
        buttons_[static_cast<std::size_t>(i)] = button;
    }
    setFixedSize(geometry_.Cell(kPhraseBars - 1).right() + 1 + geometry_.headLeft,
                 geometry_.top + geometry_.cellHeight + 8);
    Refresh();
}

CPhrasePalletDlg::~CPhrasePalletDlg() = default;

QPushButton* CPhrasePalletDlg::commandButton(int number) const
{
    if (number < kCmdClear || number > kCmdPlay) return nullptr;
    return buttons_[static_cast<std::size_t>(number - kCmdClear)];
}

void CPhrasePalletDlg::Command(int number)
{
    switch (number) {
    case kCmdClear:
        phrase_.Reset(host_.reporter, kPhraseBars, host_.song().beats(), host_.song().key());
        Refresh();
        break;
    case kCmdOpen: OpenPhraseFile(); break;
    case kCmdSave: SavePhraseFile(); break;
    case kCmdPlay:
        if (host_.command) host_.command(kCmdPlay);
        break;
    default: break;
    }
}

void CPhrasePalletDlg::OpenPhraseFile()
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
    Refresh();
}

void CPhrasePalletDlg::SavePhraseFile()
{
    if (!host_.choosePhraseFile) return;
    if (const auto path = host_.choosePhraseFile(true)) {
        song::WriteSongImage(host_.reporter, phrase_, phrase_.beats(), phrase_.key(), *path);
    }
}

bool CPhrasePalletDlg::DropText(const std::optional<QString>& text, int x, int y)
{
    std::optional<std::string> bytes;
    if (text) bytes = QStringToPayload(*text);
    return dropTarget_.Drop(host_.reporter, bytes, x, y);
}

void CPhrasePalletDlg::StartCellDrag(int bar)
{
    if (bar < 0 || bar >= kPhraseBars || !host_.startDrag) return;
    host_.startDrag(this, PayloadToQString(song::PhrasePayload(bar)));
}

void CPhrasePalletDlg::Refresh()
{
#ifdef SONGLOOM_PHRASE_HAS_STAFF
    // The row head grows with the key signature (up to seven accidentals).
    const pictures::ScoreLayout layout;
    const double spacing =
        pictures::BuildStaffGeometry(layout.lowNote, layout.highNote, geometry_.cellWidth, geometry_.cellHeight).spacing;
    const int signature = song::IsValidKey(phrase_.key()) ? song::KeyTable[static_cast<std::size_t>(phrase_.key())].signature : 0;
    geometry_.headWidth = std::max(PhrasePaletteGeometry{}.headWidth,
                                   pictures::CLongStaffPicture::RowHeadWidth(spacing, signature));
    setFixedSize(geometry_.Cell(kPhraseBars - 1).right() + 1 + geometry_.headLeft,
                 geometry_.top + geometry_.cellHeight + 8);
#endif
    picture_ = DrawPhrase(host_.reporter, phrase_, geometry_, size());
    update();
}

int CPhrasePalletDlg::CellAt(QPoint point) const
{
    for (int bar = 0; bar < kPhraseBars; ++bar) {
        if (geometry_.Cell(bar).contains(point)) return bar;
    }
    return -1;
}

QString CPhrasePalletDlg::ToolTipAt(QPoint point) const
{
    for (int i = 0; i < 4; ++i) {
        if (buttons_[static_cast<std::size_t>(i)]->geometry().contains(point)) {
            return buttons_[static_cast<std::size_t>(i)]->toolTip();
        }
    }
    return Utf8(CellAt(point) >= 0 ? tip::kPhraseCells : tip::kPhraseOther);
}

void CPhrasePalletDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, picture_);
}

void CPhrasePalletDlg::mousePressEvent(QMouseEvent* e)
{
    pressedCell_ = e->button() == Qt::LeftButton ? CellAt(e->position().toPoint()) : -1;
    pressPoint_ = e->position().toPoint();
}

void CPhrasePalletDlg::mouseMoveEvent(QMouseEvent* e)
{
    if (pressedCell_ < 0 || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < kDragDistance) return;
    const int bar = pressedCell_;
    pressedCell_ = -1;
    StartCellDrag(bar);
}

void CPhrasePalletDlg::dragEnterEvent(QDragEnterEvent* e) { e->acceptProposedAction(); }

void CPhrasePalletDlg::dragMoveEvent(QDragMoveEvent* e) { e->acceptProposedAction(); }

void CPhrasePalletDlg::dropEvent(QDropEvent* e)
{
    std::optional<QString> text;
    if (e->mimeData()->hasText()) text = e->mimeData()->text();
    const QPoint p = e->position().toPoint();
    if (DropText(text, p.x(), p.y())) e->acceptProposedAction();
    else e->ignore();
}

bool CPhrasePalletDlg::event(QEvent* e)
{
    if (e->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(e);
        QToolTip::showText(help->globalPos(), ToolTipAt(help->pos()), this);
        return true;
    }
    return QWidget::event(e);
}

}  // namespace songloom::app
