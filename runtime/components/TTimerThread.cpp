#include "runtime/components/TTimerThread.h"

#include "runtime/components/TSuperTimer.h"

#include <QMetaObject>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

namespace corv
{

namespace
{

// Sleeps waitNs nanoseconds (forever when negative), or until wakeFd is
// written to, which it then reads empty.
void SleepOrWake(int wakeFd, int64_t waitNs)
{
    pollfd fd{wakeFd, POLLIN, 0};
    timespec timeout{};
    if (waitNs >= 0) {
        timeout.tv_sec = static_cast<time_t>(waitNs / 1'000'000'000);
        timeout.tv_nsec = static_cast<long>(waitNs % 1'000'000'000);
    }
    if (ppoll(&fd, 1, waitNs >= 0 ? &timeout : nullptr, nullptr) > 0) {
        uint64_t count = 0;
        (void)!read(wakeFd, &count, sizeof count);
    }
}

} // namespace

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
        if (t.terminate_)
            return;
        // Disabled: asleep until enabled again or destroyed. Enabled: asleep
        // until the due time, or until one of those comes first.
        const int64_t now = TSuperTimer::MonotonicNs();
        if (!t.enabled_ || now < t.nextDueNs_) {
            const int64_t waitNs = t.enabled_ ? t.nextDueNs_ - now : -1;
            lock.unlock();
            SleepOrWake(t.wakeFd_, waitNs);
            lock.lock();
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
