#include "app/background_work.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

namespace songloom::app {
namespace {

// Drops what the user does while the work runs; a modal dialog would block
// the other windows only once it shows.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Taken: no shortcut (undo, delete) fires from this key.
            event->accept();
            return true;
        case QEvent::Shortcut:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: return true;
        case QEvent::Close:
            // The window's close box; a quit asked for by the program
            // (a signal) closes as always, once the work is done.
            return event->spontaneous();
        default: return false;
        }
    }
};

}  // namespace

void RunWithProgress(QWidget* parent, const QString& label, const std::function<void()>& work,
                     std::chrono::milliseconds showAfter)
{
    QEventLoop loop;
    std::atomic<bool> done{false};
    InputBlocker blocker;
    std::unique_ptr<QProgressDialog> dialog;
    QTimer later;
    later.setSingleShot(true);
    QObject::connect(&later, &QTimer::timeout, [&] {
        dialog = std::make_unique<QProgressDialog>(label, QString(), 0, 0, parent);
        dialog->setObjectName(QString::fromLatin1(kProgressDialogName));
        dialog->setWindowTitle(QStringLiteral("Songloom"));
        dialog->setCancelButton(nullptr);  // the work cannot be interrupted
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->setMinimumDuration(0);
        dialog->show();
    });
    later.start(showAfter);
    std::thread worker([&] {
        work();
        done.store(true);
        // Ends the loop below; queued, so also when it has not started yet.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    // The loop may also end early, when the program is asked to quit; the
    // work is then waited for without events.
    if (!done.load()) loop.exec();
    worker.join();
    later.stop();
}

}  // namespace songloom::app
