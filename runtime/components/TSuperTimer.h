#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <mutex>
#include <sys/types.h>

namespace corv
{

class TTimerThread;

// Raises OnTimer on the GUI thread at a fixed interval, timed by a worker
// thread of its own. The worker sleeps to an absolute deadline, posts the
// tick to the GUI thread and sleeps on to the next one, so it wakes once per
// tick. A deadline that finds the previous tick not yet run to its end is
// skipped, and the schedule counts on from there: ticks are late or left
// out, never queued, bunched or overlapping, even where a handler runs a
// nested event loop. Can also count time up or down and stop itself after
// TickLimit intervals.
class TSuperTimer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(quint16 Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(TThreadPriority ThreadPriority READ ThreadPriority WRITE SetThreadPriority)
    Q_PROPERTY(bool CountDown READ CountDown WRITE SetCountDown)
    Q_PROPERTY(qint32 ElapsedTime READ ElapsedTime WRITE SetElapsedTime)
    Q_PROPERTY(qint32 TickLimit READ TickLimit WRITE SetTickLimit)
    Q_PROPERTY(qint32 Ticks READ Ticks)

public:
    enum TThreadPriority {
        tpIdle,
        tpLowest,
        tpLower,
        tpNormal,
        tpHigher,
        tpHighest,
        tpTimeCritical
    };
    Q_ENUM(TThreadPriority)

    explicit TSuperTimer(QObject* parent = nullptr);
    ~TSuperTimer() override;

    bool Enabled() const;
    void SetEnabled(bool value);
    quint16 Interval() const;
    void SetInterval(quint16 value);
    TThreadPriority ThreadPriority() const;
    void SetThreadPriority(TThreadPriority value);
    bool CountDown() const;
    void SetCountDown(bool value);
    qint32 ElapsedTime() const;
    // Counting goes on from the new value.
    void SetElapsedTime(qint32 value);
    qint32 TickLimit() const;
    void SetTickLimit(qint32 value);
    qint32 Ticks() const;

    // Per-thread nice value a priority maps to: minus the system level.
    static int NiceValue(TThreadPriority priority);
    // Kernel id of the worker thread, 0 before its first enabling.
    pid_t WorkerThreadId() const;

signals:
    void OnTimer(QObject* Sender);
    void OnStop(QObject* Sender);

private:
    friend class TTimerThread;

    static int64_t MonotonicNs();
    // Refusals (raising priority unprivileged) leave the priority as it was.
    static void ApplyNice(pid_t tid, TThreadPriority priority);
    void RunTick(uint64_t serial, uint64_t generation);
    void WakeWorker();
    void DoTimer();

    // Everything below the mutex is shared with the worker.
    mutable std::mutex mutex_;
    // Wakes the worker when it must look again: enabled, disabled or
    // destroyed. An eventfd rather than a condition variable, so that the
    // worker's sleep to a deadline is one system call and its wake-up takes
    // no lock of its own.
    int wakeFd_ = -1;
    bool enabled_ = false;
    bool terminate_ = false;
    quint16 interval_ = 1000;
    TThreadPriority priority_ = tpHigher;
    bool countDown_ = false;
    int32_t elapsed_ = 0;
    int32_t tickLimit_ = -1;
    int32_t startValue_ = 0;
    int64_t startTimeNs_ = 0;
    int64_t nextDueNs_ = 0;
    // Ticks posted and ticks run (or dropped) on the GUI thread; the worker
    // posts no tick while they differ.
    uint64_t tickPosted_ = 0;
    uint64_t tickDone_ = 0;
    // Counts enablings, so that a tick posted before a disabling is dropped
    // even when the timer has been enabled again since.
    uint64_t generation_ = 0;
    pid_t tid_ = 0;

    std::unique_ptr<TTimerThread> worker_;
};

} // namespace corv
