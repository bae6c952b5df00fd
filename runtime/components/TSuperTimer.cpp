#include "runtime/components/TSuperTimer.h"

#include "runtime/components/TTimerThread.h"

#include <QPointer>
#include <cstdint>
#include <ctime>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

namespace corv
{

TSuperTimer::TSuperTimer(QObject* parent)
    : QObject(parent), wakeFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
}

TSuperTimer::~TSuperTimer()
{
    {
        std::lock_guard lock(mutex_);
        enabled_ = false;
        terminate_ = true;
    }
    // The worker leaves its sleep at once; a tick it posted goes with the
    // QObject's posted events.
    WakeWorker();
    worker_.reset();
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

void TSuperTimer::WakeWorker()
{
    const uint64_t one = 1;
    if (wakeFd_ >= 0)
        (void)!write(wakeFd_, &one, sizeof one);
}

int64_t TSuperTimer::MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

int TSuperTimer::NiceValue(TThreadPriority priority)
{
    switch (priority) {
    case tpIdle:
        return 15;
    case tpLowest:
        return 2;
    case tpLower:
        return 1;
    case tpNormal:
        return 0;
    case tpHigher:
        return -1;
    case tpHighest:
        return -2;
    case tpTimeCritical:
        return -15;
    }
    return 0;
}

void TSuperTimer::ApplyNice(pid_t tid, TThreadPriority priority)
{
    if (tid != 0)
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), NiceValue(priority));
}

bool TSuperTimer::Enabled() const
{
    std::lock_guard lock(mutex_);
    return enabled_;
}

void TSuperTimer::SetEnabled(bool value)
{
    {
        std::lock_guard lock(mutex_);
        // An interval of 0 means stopped; enabling it would tick without pause.
        if (value == enabled_ || (value && interval_ == 0))
            return;
        enabled_ = value;
        if (value) {
            ++generation_;
            const int64_t now = MonotonicNs();
            startValue_ = elapsed_;
            startTimeNs_ = now;
            nextDueNs_ = now + int64_t(interval_) * 1'000'000;
        }
    }
    if (value && !worker_)
        worker_ = std::make_unique<TTimerThread>(*this);
    WakeWorker();
}

quint16 TSuperTimer::Interval() const
{
    std::lock_guard lock(mutex_);
    return interval_;
}

void TSuperTimer::SetInterval(quint16 value)
{
    if (value == Interval())
        return;
    if (value == 0)
        SetEnabled(false);
    std::lock_guard lock(mutex_);
    interval_ = value;
}

TSuperTimer::TThreadPriority TSuperTimer::ThreadPriority() const
{
    std::lock_guard lock(mutex_);
    return priority_;
}

void TSuperTimer::SetThreadPriority(TThreadPriority value)
{
    std::lock_guard lock(mutex_);
    if (value == priority_)
        return;
    priority_ = value;
    ApplyNice(tid_, value);
}

bool TSuperTimer::CountDown() const
{
    std::lock_guard lock(mutex_);
    return countDown_;
}

void TSuperTimer::SetCountDown(bool value)
{
    std::lock_guard lock(mutex_);
    if (value == countDown_)
        return;
    countDown_ = value;
    if (enabled_) {
        startTimeNs_ = MonotonicNs();
        startValue_ = elapsed_;
    }
}

qint32 TSuperTimer::ElapsedTime() const
{
    std::lock_guard lock(mutex_);
    return elapsed_;
}

void TSuperTimer::SetElapsedTime(qint32 value)
{
    std::lock_guard lock(mutex_);
    elapsed_ = value;
    startValue_ = value;
    startTimeNs_ = MonotonicNs();
}

qint32 TSuperTimer::TickLimit() const
{
    std::lock_guard lock(mutex_);
    return tickLimit_;
}

void TSuperTimer::SetTickLimit(qint32 value)
{
    std::lock_guard lock(mutex_);
    tickLimit_ = value;
}

qint32 TSuperTimer::Ticks() const
{
    std::lock_guard lock(mutex_);
    return interval_ == 0 ? 0 : elapsed_ / int32_t(interval_);
}

pid_t TSuperTimer::WorkerThreadId() const
{
    std::lock_guard lock(mutex_);
    return tid_;
}

void TSuperTimer::RunTick(uint64_t serial, uint64_t generation)
{
    QPointer<TSuperTimer> self(this);
    bool current;
    {
        std::lock_guard lock(mutex_);
        current = enabled_ && generation == generation_;
    }
    // A tick still queued when the timer was disabled is dropped: a disabled
    // timer raises nothing, and one enabled again starts a new schedule.
    if (current)
        DoTimer();
    if (!self)
        return; // destroyed by a handler; its destructor ended the worker
    // The worker reads this at its next deadline; it is not woken for it.
    std::lock_guard lock(mutex_);
    tickDone_ = serial;
}

void TSuperTimer::DoTimer()
{
    QPointer<TSuperTimer> self(this);
    emit OnTimer(this);
    if (!self)
        return;

    bool goOn;
    {
        std::lock_guard lock(mutex_);
        const int32_t ticks = interval_ == 0 ? 0 : elapsed_ / int32_t(interval_);
        if (countDown_)
            goOn = ticks > tickLimit_ && elapsed_ > 0;
        else
            goOn = ticks < tickLimit_ || tickLimit_ <= 0;
    }
    if (goOn)
        return;
    SetEnabled(false);
    emit OnStop(this);
}

} // namespace corv
