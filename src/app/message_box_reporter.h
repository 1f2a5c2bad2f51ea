#pragma once
// The app's reporter: every report becomes a modal message box with one OK
// button (two for questions), text shown as given with its line breaks.
// Boxes are shown on the GUI thread. A report from another thread (the
// playback thread) is handed to the GUI thread and the reporting thread goes
// on: the GUI thread may itself be waiting for that thread (a play waits for
// its player to open the device, a stop for the player to end), so waiting
// for the box would hang both. A question from another thread waits for its
// answer. After an engine ("YRAC") report the reporting thread pauses 500
// milliseconds, as the engine expects.

#include <QObject>
#include <QString>
#include <chrono>

#include "common/reporter.h"

class QWidget;

namespace songloom::app {

inline constexpr std::chrono::milliseconds kEngineReportPause{500};

class MessageBoxReporter : public QObject, public Reporter {
    Q_OBJECT
public:
    // parent: the window the boxes belong to; may change once the main
    // window exists (SetParentWindow). The object must live on the GUI thread.
    explicit MessageBoxReporter(QWidget* parentWindow = nullptr);

    void SetParentWindow(QWidget* window) { parentWindow_ = window; }

    void Report(const ErrorReport& report) override;
    bool Confirm(std::string_view question) override;
    [[noreturn]] void Terminate(const ErrorReport& report) override;

    // The title every box carries.
    static QString BoxTitle();

private:
    // Runs on the GUI thread.
    void ShowReport(const QString& text, bool systemModal);
    bool AskQuestion(const QString& text);
    // Runs fn on the GUI thread: at once when called there, otherwise as a
    // call of the given kind (queued, or queued and waited for).
    template <typename Fn>
    void OnGuiThread(Fn fn, Qt::ConnectionType fromOtherThreads);

    QWidget* parentWindow_;
};

}  // namespace songloom::app
