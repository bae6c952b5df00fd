#include "runtime/components/TTimerThread.h"

#include "runtime/components/TSuperTimer.h"

#include <QMetaObject>
#include <algorithm>
#include <cerrno>
#include <ctime>
#include <unistd.h>

namespace corv
{

namespace
{

// Longest single sleep, so that destruction and re-timing never wait for a
// long interval to run out.
constexpr int64_t MaxSleepNs = 100'000'000;

void SleepUntil(int64_t deadlineNs)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadlineNs / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(deadlineNs % 1'000'000'000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
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
    TSuperTimer& t = timer_;
    std::unique_lock lock(t.mutex_);
    t.tid_ = gettid();
    TSuperTimer::ApplyNice(t.tid_, t.priority_);

    for (;;) {
        t.wake_.wait(lock, [&] { return t.terminate_ || t.enabled_; });
        if (t.terminate_)
            return;

        const int64_t due = t.nextDueNs_;
        int64_t now = TSuperTimer::MonotonicNs();
        if (now < due) {
            const int64_t until = std::min(due, now + MaxSleepNs);
            lock.unlock();
            SleepUntil(until);
            lock.lock();
            // Disabling, re-enabling or destruction may have happened meanwhile.
            continue;
        }

        // Late ticks push the schedule back rather than bunching up.
        t.nextDueNs_ = now + int64_t(t.interval_) * 1'000'000;
        const auto ms = static_cast<int32_t>((now - t.startTimeNs_) / 1'000'000);
        t.elapsed_ = t.countDown_ ? t.startValue_ - ms : t.startValue_ + ms;

        const uint64_t serial = ++t.tickPosted_;
        QMetaObject::invokeMethod(
            &t, [&t, serial] { t.RunTick(serial); }, Qt::QueuedConnection);
        t.wake_.wait(lock, [&] { return t.terminate_ || t.tickDone_ >= serial; });
    }
}

} // namespace corv
