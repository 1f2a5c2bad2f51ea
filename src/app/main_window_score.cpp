// The main window's side of the score: paging with the scroll bar (and its
// question past the end), the bar commands on the selection and the
// bar-editing panel.

#include <QCoreApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTimer>

#include "app/bar_edit_window.h"
#include "app/main_window.h"
#include "app/palettes/palette_set.h"
#include "app/score_view.h"

namespace songloom::app {
namespace {

QString Qs(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

int MainWindow::page() const { return score_->page(); }

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_ && event->type() == QEvent::MouseButtonPress) {
        scrollHeld_ = true;
        askedThisPress_ = false;
    } else if (watched == scroll_ && event->type() == QEvent::MouseButtonRelease && !stoppingRepeat_) {
        scrollHeld_ = false;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::Scroll(ScrollCode code, int thumb)
{
    const ScrollResult result = ApplyScroll(code, page(), thumb, PageCount(song().bars()));
    score_->SetPage(result.page);
    if (!result.askMorePages || askingMorePages_) return;
    // One question per click: a held arrow repeats its action, and the
    // question's own window takes the release the arrow would have seen.
    if (scrollHeld_ && askedThisPress_) return;
    askedThisPress_ = true;
    askingMorePages_ = true;
    QTimer::singleShot(0, this, [this] { AskMorePages(); });
}

void MainWindow::AskMorePages()
{
    // The arrow stops repeating before the question shows.
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(-1, -1), QPointF(-1, -1), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    stoppingRepeat_ = true;
    QCoreApplication::sendEvent(scroll_, &release);
    stoppingRepeat_ = false;
    const bool more = reporter_.Confirm(kMorePagesQuestion);
    askingMorePages_ = false;
    if (more) Command(kCmdSongInfo);
}

void MainWindow::DeleteSelectedBars()
{
    const auto bars = score_->SelectedBars();
    if (!bars) {
        ShowMainMessage(reporter_, main_message::kNoSelection);
        return;
    }
    document_->DeleteBars(bars->first, bars->second);
}

void MainWindow::InsertSelectedBars()
{
    const auto bars = score_->SelectedBars();
    if (!bars) {
        ShowMainMessage(reporter_, main_message::kNoSelection);
        return;
    }
    document_->InsertBars(bars->first, bars->second);
}

void MainWindow::OpenBarEditPanel()
{
    barEdit_.SetSong(document_->songForEdits());
    const auto [first, last] = SelectedBars(score_->selection(), page());
    barEdit_.Open(first + 1, last + 1);
    barEditWindow_->Sync();
    barEditWindow_->show();
    barEditWindow_->raise();
}

void MainWindow::ApplyBarEdit()
{
    const auto operation = static_cast<std::size_t>(barEdit_.operation());
    const QString name = Qs(song::kBarEditOperationNames[operation]) + QStringLiteral("（小節の編集）");
    song::BarEditResult result;
    document_->Edit(name, [&](song::SongData& s) {
        barEdit_.SetSong(&s);
        result = barEdit_.Apply(reporter_);
        return result.ran;
    });
    barEdit_.SetSong(document_->songForEdits());
    if (result.refreshRequested) RefreshScrollRange();
    barEditWindow_->Sync();
}

}  // namespace songloom::app
