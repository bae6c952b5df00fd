#pragma once

#include <sys/types.h>
#include <thread>

namespace corv
{

class TSuperTimer;

// The worker of a TSuperTimer: sleeps to each due time and posts the tick to
// the GUI thread without waiting for it. Started by the timer's first
// enabling, joined by its destruction; all its state lives in the timer it
// serves.
class TTimerThread
{
public:
    explicit TTimerThread(TSuperTimer& timer);
    ~TTimerThread();
    TTimerThread(const TTimerThread&) = delete;
    TTimerThread& operator=(const TTimerThread&) = delete;

private:
    void Execute();

    TSuperTimer& timer_;
    std::thread thread_;
};

} // namespace corv
