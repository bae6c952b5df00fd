// Long-running measurements of the thread timer, not run by CI:
//  TimerLateness - how late each of 1000 ticks at 80 ms reaches the GUI
//                  thread (gap to the previous tick minus the interval);
//  IdleCpu       - the process's CPU while a digital template idles for 30 s.
// CORV_BENCH_TICKS and CORV_IDLE_SECONDS shorten them for a quick look.
#include "platform/fake/FakeHotKeyService.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"
#include "runtime/TfrmMain.h"
#include "runtime/components/TSuperTimer.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <ctime>
#include <sys/resource.h>
#include <vector>

using namespace corv;

namespace
{

int EnvInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok && v > 0 ? v : fallback;
}

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

double CpuMs()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    auto ms = [](const timeval& tv) { return double(tv.tv_sec) * 1e3 + double(tv.tv_usec) / 1e3; };
    return ms(ru.ru_utime) + ms(ru.ru_stime);
}

} // namespace

static void TimerLateness(benchmark::State& state)
{
    const int count = EnvInt("CORV_BENCH_TICKS", 1000);
    std::vector<double> late;
    for (auto _ : state) {
        late.clear();
        late.reserve(size_t(count));
        TSuperTimer timer;
        timer.SetInterval(80);
        timer.SetThreadPriority(TSuperTimer::tpNormal);
        QEventLoop loop;
        double last = 0;
        QObject::connect(&timer, &TSuperTimer::OnTimer, [&] {
            const double now = NowMs();
            late.push_back(now - last - 80.0);
            last = now;
            if (int(late.size()) == count) {
                timer.SetEnabled(false);
                loop.quit();
            }
        });
        last = NowMs();
        timer.SetEnabled(true);
        loop.exec();
    }
    std::sort(late.begin(), late.end());
    auto at = [&](double q) {
        return late[std::min(late.size() - 1, size_t(q * double(late.size())))];
    };
    state.counters["p50_ms"] = at(0.50);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = late.back();
    state.counters["ticks"] = double(late.size());
}
BENCHMARK(TimerLateness)->Iterations(1)->Unit(benchmark::kSecond);

static void IdleCpu(benchmark::State& state)
{
    const int seconds = EnvInt("CORV_IDLE_SECONDS", 30);
    FakeJoystick joy;
    RecordingKeyInjector keys;
    FakeHotKeyService hotKeys;
    TfrmMain form(&joy, &keys, &hotKeys);
    RuntimeTemplate t;
    t.ModeCount = 2;
    t.ButtonCount = 4;
    t.ButtonIds = {1, 2, 4, 8};
    t.ModeSwitchButton = 8;
    for (int k = 0; k < 4; ++k) {
        t.Mappings[0][size_t(k)].Count = 1;
        t.Mappings[0][size_t(k)].Keys[0].VirtualKey = uint8_t(65 + k);
    }
    form.Engine().LoadTables(t);
    form.ApplyResponse(3);
    form.Engine().SetEnabled(true);
    int ticks = 0;
    QObject::connect(form.SuperTimer1, &TSuperTimer::OnTimer, [&] { ++ticks; });

    double cpuShare = 0;
    for (auto _ : state) {
        const double wall0 = NowMs(), cpu0 = CpuMs();
        form.SuperTimer1->SetEnabled(true);
        QEventLoop loop;
        QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        form.SuperTimer1->SetEnabled(false);
        cpuShare = (CpuMs() - cpu0) / (NowMs() - wall0) * 100.0;
    }
    state.counters["cpu_percent_of_core"] = cpuShare;
    state.counters["ticks"] = ticks;
}
BENCHMARK(IdleCpu)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
