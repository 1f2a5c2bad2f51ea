#include "playback/scheduler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <vector>

namespace songloom::playback {
namespace {

TEST(ManualScheduler, FiresDueTasksInTimeOrderWithTheirOwnTime)
{
    ManualScheduler clock;
    std::vector<std::pair<int, Micros>> fired;
    clock.ScheduleAt(300, [&] { fired.emplace_back(3, clock.Now()); });
    clock.ScheduleAt(100, [&] {
        fired.emplace_back(1, clock.Now());
        // A task scheduled from a task for a time already due runs in the same advance.
        clock.ScheduleAt(50, [&] { fired.emplace_back(4, clock.Now()); });
    });
    clock.ScheduleAt(100, [&] { fired.emplace_back(2, clock.Now()); });
    const TimerId cancelled = clock.ScheduleAt(200, [&] { fired.emplace_back(9, clock.Now()); });
    EXPECT_TRUE(clock.Cancel(cancelled));
    EXPECT_FALSE(clock.Cancel(cancelled));

    clock.AdvanceTo(250);
    const std::vector<std::pair<int, Micros>> expected = {{1, 100}, {4, 100}, {2, 100}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(clock.Now(), 250);
    EXPECT_EQ(clock.NextDue(), 300);
    EXPECT_FALSE(clock.RunUntilIdle(299));
    EXPECT_TRUE(clock.RunUntilIdle(1000));
    EXPECT_EQ(fired.back(), std::make_pair(3, Micros{300}));
    EXPECT_EQ(clock.PendingCount(), 0u);
}

TEST(RealTimeScheduler, RunsTasksNotBeforeTheirTimeAndCancelWaitsForARunningOne)
{
    RealTimeScheduler clock;
    std::promise<Micros> ran;
    const Micros due = clock.Now() + 20000;
    clock.ScheduleAt(due, [&] { ran.set_value(clock.Now()); });
    std::atomic<bool> never{false};
    const TimerId later = clock.ScheduleAt(clock.Now() + 60000000, [&] { never = true; });
    EXPECT_GE(ran.get_future().get(), due);
    EXPECT_TRUE(clock.Cancel(later));

    // A cancel from another thread returns only once the running task is over.
    std::promise<void> started;
    std::atomic<bool> finished{false};
    const TimerId slow = clock.ScheduleAt(clock.Now(), [&] {
        started.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        finished = true;
    });
    started.get_future().wait();
    EXPECT_TRUE(clock.Cancel(slow));
    EXPECT_TRUE(finished);
    EXPECT_FALSE(never);
}

}  // namespace
}  // namespace songloom::playback
