// The floor of corvplay's idle CPU: one thread that sleeps to an absolute
// deadline every 80 ms, forever, and does nothing else.
#include <cerrno>
#include <ctime>

int main()
{
    constexpr long IntervalNs = 80'000'000;
    timespec due{};
    clock_gettime(CLOCK_MONOTONIC, &due);
    for (;;) {
        due.tv_nsec += IntervalNs;
        if (due.tv_nsec >= 1'000'000'000) {
            due.tv_nsec -= 1'000'000'000;
            ++due.tv_sec;
        }
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
        }
    }
}
