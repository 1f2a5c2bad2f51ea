#pragma once
// Turns the signals that ask a program to end (SIGTERM from a session
// logout or `kill`, SIGHUP, SIGINT from the terminal) into the app's own
// quit, so that the working song, phrase, chord list and settings are
// written as at any other quit instead of being lost.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace songloom::app {

class QuitOnSignals : public QObject {
public:
    // Installs the handlers; onQuit runs on the thread of the event loop
    // (never inside the handler). Only one may exist at a time; the
    // earlier handlers come back when it goes.
    explicit QuitOnSignals(std::function<void()> onQuit, QObject* parent = nullptr);
    ~QuitOnSignals() override;
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

    bool Installed() const { return installed_; }

private:
    std::function<void()> onQuit_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool installed_ = false;
};

}  // namespace songloom::app
