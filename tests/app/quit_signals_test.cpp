#include "app/quit_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>


namespace songloom::app {
namespace {

// Runs the event loop until done or two seconds have passed.
bool WaitFor(const int& count, int wanted)
{
    QElapsedTimer timer;
    timer.start();
    while (count < wanted && timer.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return count >= wanted;
}

void CountingHandler(int) {}

TEST(QuitSignals, TermHangUpAndInterruptQuitOnTheEventLoopAndTheOldHandlersComeBack)
{
    struct sigaction counting {};
    counting.sa_handler = CountingHandler;
    sigemptyset(&counting.sa_mask);
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGTERM, &counting, &before), 0);
    {
        int quits = 0;
        QuitOnSignals quit([&quits] { ++quits; });
        ASSERT_TRUE(quit.Installed());
        // A second one cannot take the signals over.
        QuitOnSignals second([] {});
        EXPECT_FALSE(second.Installed());

        std::raise(SIGTERM);
        EXPECT_EQ(quits, 0);  // not inside the handler
        EXPECT_TRUE(WaitFor(quits, 1));
        std::raise(SIGHUP);
        EXPECT_TRUE(WaitFor(quits, 2));
        std::raise(SIGINT);
        EXPECT_TRUE(WaitFor(quits, 3));
    }
    struct sigaction after {};
    ASSERT_EQ(sigaction(SIGTERM, &before, &after), 0);
    EXPECT_EQ(after.sa_handler, &CountingHandler);
    // Once it is gone, another may install.
    QuitOnSignals again([] {});
    EXPECT_TRUE(again.Installed());
}

}  // namespace
}  // namespace songloom::app
