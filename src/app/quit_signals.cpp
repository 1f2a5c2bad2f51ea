#include "app/quit_signals.h"

#include <QSocketNotifier>
#include <array>
#include <csignal>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace songloom::app {
namespace {

constexpr std::array kQuitSignals{SIGTERM, SIGHUP, SIGINT};

// A signal handler may only write to a descriptor, so the one pair of the
// process lives here, where the handler can reach it; QuitOnSignals owns it
// while it exists.
int signalPair[2] = {-1, -1};
struct sigaction previous[kQuitSignals.size()];

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalPair[0], &byte, 1);
}

}  // namespace

QuitOnSignals::QuitOnSignals(std::function<void()> onQuit, QObject* parent)
    : QObject(parent), onQuit_(std::move(onQuit))
{
    if (signalPair[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPair) != 0) return;
    // A burst of signals must never block the handler.
    ::fcntl(signalPair[0], F_SETFL, ::fcntl(signalPair[0], F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(signalPair[1], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        [[maybe_unused]] const auto read = ::read(signalPair[1], bytes, sizeof bytes);
        if (onQuit_) onQuit_();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) sigaction(kQuitSignals[i], &action, &previous[i]);
    installed_ = true;
}

QuitOnSignals::~QuitOnSignals()
{
    if (!installed_) return;
    for (std::size_t i = 0; i < kQuitSignals.size(); ++i) sigaction(kQuitSignals[i], &previous[i], nullptr);
    notifier_.reset();
    ::close(signalPair[0]);
    ::close(signalPair[1]);
    signalPair[0] = signalPair[1] = -1;
}

}  // namespace songloom::app
