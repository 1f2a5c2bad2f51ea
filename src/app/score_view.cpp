#include "app/score_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>

#include "app/main_messages.h"
#include "app/song_document.h"
#include "app/staff_page.h"
#include "common/text.h"
#include "song/drop_payload.h"

namespace songloom::app {
namespace {

const QColor kBackground(0, 0, 0);
const QColor kSelected(255, 200, 200);
const QColor kPlaying(255, 200, 200);
const QColor kDragOver(200, 255, 200);

QRect ToQRect(const PixelRect& r) { return QRect(r.x, r.y, r.width, r.height); }

// Tints a picture: white becomes colour, black stays black.
void Tint(QPainter& painter, const QRect& rect, const QColor& colour)
{
    painter.save();
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(rect, colour);
    painter.restore();
}

std::optional<QString> TextOf(const QMimeData* data)
{
    if (data == nullptr || !data->hasText()) return std::nullopt;
    return data->text();
}

// The payload as the song reads it: CP932 bytes, at most what a drop takes.
std::optional<std::string> PayloadBytes(const std::optional<QString>& text)
{
    if (!text) return std::nullopt;
    return TruncateCp932(Utf8ToCp932(text->toStdString()), song::kDropTextCapacity);
}

// The undo step a drop makes, by what was dropped.
QString DropStepName(std::string_view text)
{
    switch (song::ParsePayload(text).kind) {
    case song::PayloadKind::kPhrase: return QStringLiteral("フレーズの入力");
    case song::PayloadKind::kNote: return QStringLiteral("音符の入力");
    case song::PayloadKind::kChord: return QStringLiteral("コードの入力");
    case song::PayloadKind::kLength: return QStringLiteral("音価の変更");
    case song::PayloadKind::kScore: return QStringLiteral("小節のコピー");
    case song::PayloadKind::kUnknown: break;
    }
    return QStringLiteral("ドロップ");
}

}  // namespace

ScoreView::ScoreView(SongDocument& document, Reporter& reporter, QWidget* parent)
    : QWidget(parent),
      document_(document),
      reporter_(reporter),
      staff_(std::make_unique<StaffPage>(reporter, kCellWidth, kCellHeight, kRowHeadWidth)),
      dropTarget_([this](std::string_view text, int x, int y) { OnDrop(text, x, y); },
                  [this](std::string_view text, int x, int y) { OnDragOver(text, x, y); })
{
    setFixedSize(kScoreWidth, kScoreHeight);
    setAcceptDrops(true);
    setToolTip(QString::fromUtf8(kTipCells.data(), static_cast<qsizetype>(kTipCells.size())));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    setPalette(colours);
    setAutoFillBackground(true);

    connect(&document_, &SongDocument::songReplaced, this, [this] {
        selection_ = {};
        SetPage(0);
    });
    connect(&document_, &SongDocument::barsChanged, this, [this](int first, int count) {
        // Only bars of the page shown need drawing again.
        if (first + count > page_ * kCellsPerPage && first < (page_ + 1) * kCellsPerPage) Redraw();
    });
    connect(&document_, &SongDocument::barCountChanged, this, [this](int bars) {
        const int page = PageAfterBarCount(page_, bars);
        if (page != page_) SetPage(page);
        else Redraw();
    });
    Redraw();
}

ScoreView::~ScoreView() = default;

void ScoreView::Redraw()
{
    staff_->Draw(document_.song(), page_);
    update();
}

void ScoreView::SetPage(int page)
{
    page_ = std::clamp(page, 0, PageCount(document_.song().bars()));
    selection_ = {};
    playingBar_ = -1;
    Redraw();
    emit pageChanged(page_);
}

void ScoreView::ClickCell(int cell, bool shift)
{
    selection_ = app::ClickCell(selection_, cell, shift);
    update();
}

std::optional<std::pair<int, int>> ScoreView::SelectedBars() const
{
    if (selection_.Empty()) return std::nullopt;
    return app::SelectedBars(selection_, page_);
}

void ScoreView::SetPlayingBar(int bar)
{
    if (bar == playingBar_) return;
    if (bar >= 0 && PageOfBar(bar) != page_) {
        // Playback turns the pages as it goes.
        page_ = std::clamp(PageOfBar(bar), 0, PageCount(document_.song().bars()));
        selection_ = {};
        Redraw();
        emit pageChanged(page_);
    }
    playingBar_ = bar;
    update();
}

std::array<song::CellRect, kCellsPerPage> ScoreView::CellRects() const
{
    std::array<song::CellRect, kCellsPerPage> rects{};
    for (int i = 0; i < kCellsPerPage; ++i) {
        const PixelRect r = CellRect(i);
        rects[static_cast<std::size_t>(i)] = {r.x, r.y, r.width, r.height};
    }
    return rects;
}

QImage ScoreView::PaintedImage() { return grab().toImage(); }

void ScoreView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (int r = 0; r < kRows; ++r) painter.drawImage(ToQRect(RowHeadRect(r)).topLeft(), staff_->Head(r));
    for (int i = 0; i < kCellsPerPage; ++i) {
        const QRect rect = ToQRect(CellRect(i));
        painter.drawImage(rect.topLeft(), staff_->Cell(i));
        const bool playing = playingBar_ >= 0 && page_ * kCellsPerPage + i == playingBar_;
        if (selection_.Contains(i) || playing) Tint(painter, rect, playing ? kPlaying : kSelected);
        if (dragBand_ && dragBand_->cell == i) {
            Tint(painter, QRect(rect.x() + dragBand_->from, rect.y(), dragBand_->to - dragBand_->from, rect.height()),
                 kDragOver);
        }
    }
    if (!firstPaintSignalled_) {
        firstPaintSignalled_ = true;
        emit firstPagePainted();
    }
}

// ---- drops -----------------------------------------------------------------------

void ScoreView::OnDrop(std::string_view text, int x, int y)
{
    if (dragBand_) {
        dragBand_.reset();
        update();
    }
    const auto hit = song::HitTestCell(CellRects(), page_, document_.song().beats(), x, y);
    song::ScoreDropResult result;
    document_.Edit(DropStepName(text), [&](song::SongData& song) {
        result = song::DropOnScore(reporter_, song, document_.phrase(), text, hit);
        return result.hit;
    });
    if (result.hit && result.showMainMessage0) ShowMainMessage(reporter_, main_message::kUnknownDrop);
    if (result.keyboardNoteTaken) emit noteTaken();
}

void ScoreView::OnDragOver(std::string_view text, int x, int y)
{
    const auto cells = CellRects();
    const auto hit = song::HitTestCell(cells, page_, document_.song().beats(), x, y);
    std::optional<song::HighlightBand> band;
    if (hit) band = song::DragOverBand(document_.song(), text, *hit, cells[0].width);
    if (band != dragBand_) {
        dragBand_ = band;
        update();
    }
}

bool ScoreView::DropText(const std::optional<QString>& text, int x, int y)
{
    return dropTarget_.Drop(reporter_, PayloadBytes(text), x, y);
}

void ScoreView::DragOverText(const std::optional<QString>& text, int x, int y)
{
    dropTarget_.DragOver(PayloadBytes(text), x, y);
}

void ScoreView::DragLeft()
{
    if (!dragBand_) return;
    dragBand_.reset();
    update();
}

void ScoreView::dragEnterEvent(QDragEnterEvent* e)
{
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void ScoreView::dragMoveEvent(QDragMoveEvent* e)
{
    const QMimeData* data = e->mimeData();
    if (data->hasUrls()) {
        e->acceptProposedAction();
        return;
    }
    const QPoint p = e->position().toPoint();
    DragOverText(TextOf(data), p.x(), p.y());
    e->setDropAction(Qt::CopyAction);
    e->accept();
}

void ScoreView::dragLeaveEvent(QDragLeaveEvent*) { DragLeft(); }

void ScoreView::dropEvent(QDropEvent* e)
{
    const QMimeData* data = e->mimeData();
    if (data->hasUrls()) {
        QStringList files;
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) files << url.toLocalFile();
        }
        if (!files.isEmpty()) {
            emit filesDropped(files);
            e->acceptProposedAction();
            return;
        }
    }
    const QPoint p = e->position().toPoint();
    if (DropText(TextOf(data), p.x(), p.y())) {
        e->setDropAction(Qt::CopyAction);
        e->accept();
    } else {
        e->ignore();
    }
}

// ---- mouse ---------------------------------------------------------------------------

void ScoreView::mousePressEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    const int cell = CellAt(p.x(), p.y());
    dragCell_ = -1;
    if (cell < 0 || e->button() != Qt::LeftButton) return;
    ClickCell(cell, (e->modifiers() & Qt::ShiftModifier) != 0);
    dragCell_ = cell;
    pressPoint_ = p;
}

void ScoreView::mouseMoveEvent(QMouseEvent* e)
{
    if (dragCell_ < 0 || !(e->buttons() & Qt::LeftButton)) return;
    if ((e->position().toPoint() - pressPoint_).manhattanLength() < QApplication::startDragDistance()) return;
    const int cell = dragCell_;
    dragCell_ = -1;
    StartCellDrag(cell);
}

void ScoreView::StartCellDrag(int cell)
{
    const std::string payload = song::ScorePayload(page_ * kCellsPerPage + cell);
    dragStarter_(this, QString::fromStdString(Cp932ToUtf8(payload)));
}

int ScoreView::BeatAt(int x, int y) const
{
    const auto hit = song::HitTestCell(CellRects(), page_, document_.song().beats(), x, y);
    if (!hit || hit->bar >= document_.song().bars()) return -1;
    return hit->bar * document_.song().beats() + hit->slot / 2;
}

std::vector<QString> ScoreView::ChordAlternativeTexts(int beat) const
{
    std::vector<QString> texts;
    for (const auto& c : document_.ChordAlternatives(beat)) {
        texts.push_back(QStringLiteral("%1  %2").arg(QString::fromStdString(harmony::CandidateName(c))).arg(c.score, 0, 'f', 2));
    }
    return texts;
}

void ScoreView::contextMenuEvent(QContextMenuEvent* e)
{
    if (CellAt(e->pos().x(), e->pos().y()) < 0) return;
    QMenu menu(this);
    QAction* remove = menu.addAction(QStringLiteral("削除"));
    QAction* insert = menu.addAction(QStringLiteral("挿入"));
    // An imported song offers the chords its analysis weighed for the beat.
    const int beat = BeatAt(e->pos().x(), e->pos().y());
    const auto alternatives = document_.ChordAlternatives(beat);
    const auto texts = ChordAlternativeTexts(beat);
    std::vector<QAction*> choices;
    if (!alternatives.empty()) {
        menu.addSection(QStringLiteral("コードの候補"));
        const std::string current = song::CompleteChordName(document_.song().ChordName(beat));
        for (std::size_t i = 0; i < alternatives.size(); ++i) {
            QAction* action = menu.addAction(texts[i]);
            action->setCheckable(true);
            action->setChecked(song::CompleteChordName(harmony::CandidateName(alternatives[i])) == current);
            choices.push_back(action);
        }
    }
    QAction* chosen = menu.exec(e->globalPos());
    if (chosen == remove) emit deleteRequested();
    else if (chosen == insert) emit insertRequested();
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (chosen == choices[i]) document_.SetBeatChord(beat, harmony::CandidateName(alternatives[i]));
    }
}

}  // namespace songloom::app
