#include "app/message_box_reporter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <cstdlib>
#include <thread>

namespace songloom::app {

MessageBoxReporter::MessageBoxReporter(QWidget* parentWindow) : parentWindow_(parentWindow) {}

QString MessageBoxReporter::BoxTitle() { return QStringLiteral("Songloom"); }

template <typename Fn>
void MessageBoxReporter::OnGuiThread(Fn fn, Qt::ConnectionType fromOtherThreads)
{
    if (QThread::currentThread() == thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(this, fn, fromOtherThreads);
}

void MessageBoxReporter::ShowReport(const QString& text, bool systemModal)
{
    QMessageBox box(QMessageBox::Warning, BoxTitle(), text, QMessageBox::Ok, parentWindow_);
    // A system-modal box blocks the whole application, a plain one its window.
    box.setWindowModality(systemModal ? Qt::ApplicationModal : Qt::WindowModal);
    box.exec();
}

bool MessageBoxReporter::AskQuestion(const QString& text)
{
    QMessageBox box(QMessageBox::Question, BoxTitle(), text, QMessageBox::Ok | QMessageBox::Cancel,
                    parentWindow_);
    box.setWindowModality(Qt::ApplicationModal);
    return box.exec() == QMessageBox::Ok;
}

void MessageBoxReporter::Report(const ErrorReport& report)
{
    const QString text = QString::fromStdString(FormatErrorLine(report));
    const bool systemModal = report.systemModal;
    OnGuiThread([this, text, systemModal] { ShowReport(text, systemModal); }, Qt::QueuedConnection);
    if (report.tag == "YRAC") std::this_thread::sleep_for(kEngineReportPause);
}

bool MessageBoxReporter::Confirm(std::string_view question)
{
    const QString text = QString::fromUtf8(question.data(), static_cast<qsizetype>(question.size()));
    bool answer = false;
    OnGuiThread([this, text, &answer] { answer = AskQuestion(text); }, Qt::BlockingQueuedConnection);
    return answer;
}

void MessageBoxReporter::Terminate(const ErrorReport& report)
{
    const QString text = QString::fromStdString(FormatErrorLine(report));
    OnGuiThread([this, text] { ShowReport(text, true); }, Qt::BlockingQueuedConnection);
    std::exit(static_cast<int>(report.code));
}

}  // namespace songloom::app
