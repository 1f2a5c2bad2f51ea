#include "playback/scheduler.h"

#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

namespace songloom::playback {
namespace {

Micros SteadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TimerId TimerQueue::Add(Micros at, std::function<void()> task)
{
    TimerId id;
    {
        std::lock_guard lock(mutex_);
        id = nextId_++;
        pending_.emplace(at, Entry{at, id, std::move(task)});
        ++version_;
    }
    changed_.notify_all();
    return id;
}

bool TimerQueue::Cancel(TimerId id)
{
    std::unique_lock lock(mutex_);
    if (id == kNoTimer) return false;
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
        if (it->second.id == id) {
            pending_.erase(it);
            ++version_;
            changed_.notify_all();
            return true;
        }
    }
    if (running_ != id) return false;
    if (runningThread_ != std::this_thread::get_id()) {
        finished_.wait(lock, [&] { return running_ != id; });
    }
    return true;
}

Micros TimerQueue::NextDue() const
{
    std::lock_guard lock(mutex_);
    return pending_.empty() ? -1 : pending_.begin()->first;
}

std::size_t TimerQueue::Size() const
{
    std::lock_guard lock(mutex_);
    return pending_.size();
}

std::optional<TimerQueue::Entry> TimerQueue::TakeDue(Micros now)
{
    std::lock_guard lock(mutex_);
    if (pending_.empty() || pending_.begin()->first > now) return std::nullopt;
    auto node = pending_.extract(pending_.begin());
    running_ = node.mapped().id;
    runningThread_ = std::this_thread::get_id();
    ++version_;
    return std::move(node.mapped());
}

void TimerQueue::Finished()
{
    {
        std::lock_guard lock(mutex_);
        running_ = kNoTimer;
        runningThread_ = {};
    }
    finished_.notify_all();
}

void TimerQueue::WaitForChange(std::uint64_t seen,
                               std::optional<std::chrono::steady_clock::time_point> deadline)
{
    std::unique_lock lock(mutex_);
    const auto changed = [&] { return version_ != seen; };
    if (deadline) {
        changed_.wait_until(lock, *deadline, changed);
    } else {
        changed_.wait(lock, changed);
    }
}

void TimerQueue::NotifyAll()
{
    {
        std::lock_guard lock(mutex_);
        ++version_;
    }
    changed_.notify_all();
}

std::uint64_t TimerQueue::Version() const
{
    std::lock_guard lock(mutex_);
    return version_;
}

RealTimeScheduler::RealTimeScheduler(Micros spinMicros, bool realTimePriority)
    : spinMicros_(spinMicros), realTimePriority_(realTimePriority)
{
    worker_ = std::thread([this] { Run(); });
}

RealTimeScheduler::~RealTimeScheduler()
{
    quit_ = true;
    queue_.NotifyAll();
    worker_.join();
}

Micros RealTimeScheduler::Now() const { return SteadyMicros(); }

TimerId RealTimeScheduler::ScheduleAt(Micros at, std::function<void()> task)
{
    return queue_.Add(at, std::move(task));
}

bool RealTimeScheduler::Cancel(TimerId id) { return queue_.Cancel(id); }

void RealTimeScheduler::Run()
{
    // The default timer slack of 50 microseconds would show in every onset.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (realTimePriority_) {
        // Like an audio thread: a busy machine must not make notes late.
        // Without the right to it the thread simply stays a normal one.
        sched_param param{};
        param.sched_priority = kRealTimePriority;
        pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    }
    while (!quit_) {
        const std::uint64_t seen = queue_.Version();
        const Micros due = queue_.NextDue();
        if (due < 0) {
            queue_.WaitForChange(seen, std::nullopt);
            continue;
        }
        Micros now = SteadyMicros();
        if (due - now > spinMicros_) {
            const auto wakeAt = std::chrono::steady_clock::time_point(
                std::chrono::microseconds(due - spinMicros_));
            queue_.WaitForChange(seen, wakeAt);
            continue;  // an earlier task may have arrived meanwhile
        }
        while (now < due) {
            std::this_thread::yield();
            now = SteadyMicros();
        }
        if (auto entry = queue_.TakeDue(now)) {
            entry->task();
            queue_.Finished();
        }
    }
}

Micros ManualScheduler::Now() const { return now_; }

TimerId ManualScheduler::ScheduleAt(Micros at, std::function<void()> task)
{
    return queue_.Add(at, std::move(task));
}

bool ManualScheduler::Cancel(TimerId id) { return queue_.Cancel(id); }

void ManualScheduler::AdvanceTo(Micros time)
{
    for (;;) {
        const Micros due = queue_.NextDue();
        if (due < 0 || due > time) break;
        if (due > now_) now_ = due;
        if (auto entry = queue_.TakeDue(due)) {
            entry->task();
            queue_.Finished();
        }
    }
    if (time > now_) now_ = time;
}

bool ManualScheduler::RunUntilIdle(Micros limit)
{
    for (;;) {
        const Micros due = NextDue();
        if (due < 0) return true;
        if (due > limit) return false;
        AdvanceTo(due);
    }
}

std::size_t ManualScheduler::PendingCount() const { return queue_.Size(); }

Micros ManualScheduler::NextDue() const { return queue_.NextDue(); }

}  // namespace songloom::playback
