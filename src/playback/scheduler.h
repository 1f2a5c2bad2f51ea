#pragma once
// One-shot timers for the player. The real-time scheduler runs tasks on a
// thread of its own at steady-clock times; the manual scheduler runs them on
// the caller's thread when told to advance its clock, so tests are exact.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace songloom::playback {

using Micros = std::int64_t;  // microseconds on the scheduler's clock
using TimerId = std::uint64_t;
inline constexpr TimerId kNoTimer = 0;

class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual Micros Now() const = 0;
    // Runs task once, at time at or as soon after as possible; a time in the
    // past runs at once (on the scheduler's thread, never inside this call).
    virtual TimerId ScheduleAt(Micros at, std::function<void()> task) = 0;
    // Removes a pending task. When the task is running on another thread the
    // call waits until it has returned; from inside the task itself it does
    // not wait. False when the timer was neither pending nor running.
    virtual bool Cancel(TimerId id) = 0;
};

// The pending one-shots of a scheduler and the one that is running; shared
// by both schedulers so that cancelling means the same in both.
class TimerQueue {
public:
    struct Entry {
        Micros due;
        TimerId id;
        std::function<void()> task;
    };

    TimerId Add(Micros at, std::function<void()> task);
    bool Cancel(TimerId id);
    // The earliest due time, -1 when none is pending.
    Micros NextDue() const;
    std::size_t Size() const;
    // Takes the earliest task when it is due at or before now and marks it
    // running on the calling thread; Finished must follow once it returned.
    std::optional<Entry> TakeDue(Micros now);
    void Finished();

    // Sleeps until the queue changes from version seen (a task added, taken
    // or cancelled, or NotifyAll) or until the deadline, when one is given.
    void WaitForChange(std::uint64_t seen,
                       std::optional<std::chrono::steady_clock::time_point> deadline);
    void NotifyAll();
    std::uint64_t Version() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::condition_variable finished_;
    std::multimap<Micros, Entry> pending_;
    TimerId nextId_ = 1;
    TimerId running_ = kNoTimer;
    std::thread::id runningThread_;
    std::uint64_t version_ = 0;  // bumped by every change of the queue
};

// Sleeps on a condition variable until shortly before a task is due, then
// yields until the exact time: onsets stay well below a millisecond late.
class RealTimeScheduler : public Scheduler {
public:
    // spinMicros: how long before the due time the worker stops sleeping.
    // realTimePriority: ask for a real-time (FIFO) priority for the worker;
    // where the system refuses, it runs at normal priority.
    explicit RealTimeScheduler(Micros spinMicros = 200, bool realTimePriority = true);
    ~RealTimeScheduler() override;
    RealTimeScheduler(const RealTimeScheduler&) = delete;
    RealTimeScheduler& operator=(const RealTimeScheduler&) = delete;

    Micros Now() const override;
    TimerId ScheduleAt(Micros at, std::function<void()> task) override;
    bool Cancel(TimerId id) override;

private:
    void Run();

    static constexpr int kRealTimePriority = 20;
    const Micros spinMicros_;
    const bool realTimePriority_;
    TimerQueue queue_;
    std::atomic<bool> quit_{false};
    std::thread worker_;
};

// A clock that moves only when told. AdvanceTo runs every task that falls due
// up to the given time, in time order (ties in scheduling order), with Now()
// set to each task's due time while it runs.
class ManualScheduler : public Scheduler {
public:
    Micros Now() const override;
    TimerId ScheduleAt(Micros at, std::function<void()> task) override;
    bool Cancel(TimerId id) override;

    void AdvanceTo(Micros time);
    void AdvanceBy(Micros delta) { AdvanceTo(Now() + delta); }
    // Runs pending tasks until none is left or limit is passed; returns
    // whether the queue emptied.
    bool RunUntilIdle(Micros limit);
    std::size_t PendingCount() const;
    // Due time of the earliest pending task, -1 when none.
    Micros NextDue() const;

private:
    TimerQueue queue_;
    std::atomic<Micros> now_{0};
};

}  // namespace songloom::playback
