#include "runtime/components/TTimerThread.h"

#include "runtime/components/TSuperTimer.h"

#include <QMetaObject>
#include <chrono>
#include <pthread.h>
#include <unistd.h>

namespace corv
{

TTimerThread::TTimerThread(TSuperTimer& timer) : timer_(timer), thread_([this] { Execute(); }) {}

TTimerThread::~TTimerThread()
{
    if (thread_.joinable())
        thread_.join();
}

void TTimerThread::Execute()
{
    // Named, so that tools and the benchmarks can tell it from Qt's threads.
    pthread_setname_np(pthread_self(), "corv-timer");
    TSuperTimer& t = timer_;
    std::unique_lock lock(t.mutex_);
    t.tid_ = gettid();
    TSuperTimer::ApplyNice(t.tid_, t.priority_);

    for (;;) {
        t.wake_.wait(lock, [&] { return t.terminate_ || t.enabled_; });
        if (t.terminate_)
            return;

        // steady_clock is CLOCK_MONOTONIC, the clock the due times are on.
        const int64_t due = t.nextDueNs_;
        const int64_t now = TSuperTimer::MonotonicNs();
        if (now < due) {
            // Disabling, re-enabling and destruction wake this at once.
            t.wake_.wait_until(
                lock, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(due)));
            continue;
        }

        // Late ticks push the schedule back rather than bunching up.
        t.nextDueNs_ = now + int64_t(t.interval_) * 1'000'000;
        // The previous tick has not run to its end (the GUI thread is busy,
        // or its handler runs a nested event loop): this one is left out.
        if (t.tickDone_ != t.tickPosted_)
            continue;
        const auto ms = static_cast<int32_t>((now - t.startTimeNs_) / 1'000'000);
        t.elapsed_ = t.countDown_ ? t.startValue_ - ms : t.startValue_ + ms;

        const uint64_t serial = ++t.tickPosted_;
        const uint64_t generation = t.generation_;
        // Posted unlocked: the GUI thread wakes for it at once and must not
        // find the mutex still held. The destructor joins this thread before
        // the timer goes, and a tick still queued then goes with it.
        lock.unlock();
        QMetaObject::invokeMethod(
            &t, [&t, serial, generation] { t.RunTick(serial, generation); }, Qt::QueuedConnection);
        lock.lock();
    }
}

} // namespace corv
