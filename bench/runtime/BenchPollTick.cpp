// One polling tick of the dispatch engine with 32 button numbers and no key
// sent. Heap allocations are counted around the timed loop to show that the
// tick allocates nothing.
#include "engine/DispatchEngine.h"
#include "platform/fake/FakeJoystick.h"
#include "platform/fake/RecordingKeyInjector.h"

#include <QCoreApplication>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace
{
std::atomic<long> allocations{0};
}

// Every heap allocation of the process goes through these, operator new and
// Qt's containers included, so a tick that allocated anything would show.
extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* p, std::size_t size);

void* malloc(std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) noexcept
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, size);
}
}

using namespace corv;

static void PollTick(benchmark::State& state)
{
    const long atStart = allocations.load();
    FakeJoystick joy;
    RecordingKeyInjector keys;
    DispatchEngine engine(&joy, &keys);
    RuntimeTemplate t;
    t.ModeCount = 1;
    t.ButtonCount = 32;
    t.ModeSwitchButton = 1 << 30;
    for (int k = 0; k < 32; ++k) {
        t.ButtonIds[size_t(k)] = 100000 + k;
        t.Mappings[0][size_t(k)].Count = 1;
        t.Mappings[0][size_t(k)].Keys[0].VirtualKey = 65;
    }
    // range(0) = 0: an identity none of the 32 entries has; 1: the last
    // entry, held, not repeating. Either way the whole table is scanned.
    const bool held = state.range(0) == 1;
    if (held)
        t.ButtonIds[31] = 0x900;
    engine.LoadTables(t);
    engine.SetEnabled(true);
    joy.state.dwButtons = 0x900;
    engine.Tick(); // the first tick may send; later ones must not
    keys.clear();

    // Shows the counter is live: setting up the engine allocates.
    state.counters["setup_allocations"] = double(allocations.load() - atStart);
    const long before = allocations.load();
    for (auto _ : state)
        engine.Tick();
    const long allocs = allocations.load() - before;

    state.counters["allocations"] = double(allocs);
    if (allocs != 0 || !keys.events.empty())
        state.SkipWithError("the tick allocated or sent keys");
}
BENCHMARK(PollTick)->Arg(0)->Arg(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
