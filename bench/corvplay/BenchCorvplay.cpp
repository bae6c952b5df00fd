// The real corvplay process on an X display ($DISPLAY, e.g. through
// scripts/with-xvfb.sh), with the virtual joystick fed from a named pipe and,
// where dbus-daemon exists, a private session bus of its own; each figure
// beside its floor, started interleaved with it, and their ratio:
//  StartToReady   - from the start of the process to its mode window mapped
//                   (window_ms) and to the first poll of the timer having
//                   typed the button held from the start (ready_ms), beside
//                   bench_bare_window's map time (CORV_STARTS runs, default 20);
//  ResidentMemory - VmRSS one second after ready, beside the bare window's
//                   one second after mapping (CORV_RSS_RUNS, default 5);
//  IdleCpu        - CPU per thread (/proc/PID/task/*/schedstat) of the GUI
//                   thread, the timer thread, both, and the whole process
//                   while a digital template idles, beside bench_bare_sleeper's
//                   one thread measured over the same span, as percentages of
//                   one core and with wake-ups per second (CORV_IDLE_RUNS,
//                   default 3, of CORV_IDLE_SECONDS, default 30);
//  GamepadIdleCpu - the same for a gamepad (INPUTS=SEPARATE) template, which
//                   waits for the joystick's events and has no timer to tick;
//  GamepadLatency - p50, p99 and max from a change of a button of the virtual
//                   joystick to the key it holds arriving, through the print
//                   backend and through XTest (CORV_LATENCY_CHANGES, default
//                   1000 changes);
//  ScriptFlood    - VmRSS before and after a script that waits an hour is
//                   fed "press 1" lines as fast as it takes them
//                   (CORV_FLOOD_SECONDS, default 20).
// Every figure is the median of its runs. CORV_CORVPLAY names another
// corvplay binary to measure, for comparing two builds.
#include <benchmark/benchmark.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace
{

double NowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

int EnvInt(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : fallback;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Ratio(double value, double floor)
{
    return floor > 0 ? value / floor : -1;
}

const char* CorvplayPath()
{
    const char* path = std::getenv("CORV_CORVPLAY");
    return path && *path ? path : CORVPLAY_PATH;
}

// The environment of every child: the bench's, with the session bus and the
// configuration folder its own.
std::string gBusAddress;

std::vector<std::string> ChildEnvironment(const std::string& configHome)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0 &&
            std::strncmp(*e, "DBUS_SESSION_BUS_ADDRESS=", 25) != 0)
            env.emplace_back(*e);
    }
    if (!configHome.empty())
        env.push_back("XDG_CONFIG_HOME=" + configHome);
    if (!gBusAddress.empty())
        env.push_back("DBUS_SESSION_BUS_ADDRESS=" + gBusAddress);
    return env;
}

// Starts path with argv and env; its standard output goes to *outFd when
// given. 0 on failure.
pid_t Spawn(const char* path, const std::vector<const char*>& argv, std::vector<std::string> env,
            int* outFd)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    int out[2] = {-1, -1};
    if (outFd) {
        if (pipe2(out, O_CLOEXEC) != 0)
            return 0;
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    }
    std::vector<char*> envp;
    for (std::string& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> args;
    for (const char* a : argv)
        args.push_back(const_cast<char*>(a));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, path, &actions, nullptr, args.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (outFd) {
        close(out[1]);
        *outFd = out[0];
    }
    return rc == 0 ? pid : 0;
}

void Stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i)
        usleep(20000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
}

double ResidentKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6));
    }
    return -1;
}

std::string ReadLine(const std::string& path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

struct ThreadCpu {
    pid_t tid = 0;
    std::string name;
    double cpuNs = 0;  // schedstat field 1: time on a CPU
    double slices = 0; // field 3: times it was run, about its wake-ups
};

std::vector<ThreadCpu> Threads(pid_t pid)
{
    std::vector<ThreadCpu> threads;
    const std::string dir = "/proc/" + std::to_string(pid) + "/task";
    DIR* d = opendir(dir.c_str());
    if (!d)
        return threads;
    while (const dirent* e = readdir(d)) {
        if (e->d_name[0] == '.')
            continue;
        ThreadCpu t;
        t.tid = std::atoi(e->d_name);
        t.name = ReadLine(dir + "/" + e->d_name + "/comm");
        std::istringstream stat(ReadLine(dir + "/" + e->d_name + "/schedstat"));
        double waitNs = 0;
        stat >> t.cpuNs >> waitNs >> t.slices;
        threads.push_back(t);
    }
    closedir(d);
    return threads;
}

bool HasPid(Display* dpy, Window w, pid_t pid)
{
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool match = false;
    if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_PID", False), 0, 1, False, XA_CARDINAL,
                           &type, &format, &count, &after, &data) == Success &&
        data) {
        match = count == 1 &&
                *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid);
        XFree(data);
    }
    return match;
}

// The mode window and the bare window share their title.
bool IsModeWindow(Display* dpy, Window w, pid_t pid)
{
    char* name = nullptr;
    bool match = false;
    if (XFetchName(dpy, w, &name) && name) {
        match = std::strcmp(name, "Corvane") == 0;
        XFree(name);
    }
    return match && HasPid(dpy, w, pid);
}

void WatchMaps(Display* dpy)
{
    XSelectInput(dpy, DefaultRootWindow(dpy), SubstructureNotifyMask);
    XSync(dpy, False);
    while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
    }
}

// True when pid's window has been mapped among the events queued now.
bool MappedNow(Display* dpy, pid_t pid)
{
    bool mapped = false;
    while (XPending(dpy) > 0) {
        XEvent ev;
        XNextEvent(dpy, &ev);
        if (ev.type == MapNotify && !mapped && IsModeWindow(dpy, ev.xmap.window, pid))
            mapped = true;
    }
    return mapped;
}

// A private session bus for the players, so that the one-player check runs
// as on a desktop without meeting the user's own player.
class SessionBus
{
public:
    SessionBus()
    {
        int out[2];
        if (access("/usr/bin/dbus-daemon", X_OK) != 0 || pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const char* argv[] = {"dbus-daemon", "--session", "--nofork", "--print-address=1", nullptr};
        if (posix_spawn(&pid_, "/usr/bin/dbus-daemon", &actions, nullptr, const_cast<char**>(argv),
                        environ) != 0)
            pid_ = 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string address;
        char c = 0;
        pollfd fd{out[0], POLLIN, 0};
        while (pid_ > 0 && poll(&fd, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            address += c;
        close(out[0]);
        gBusAddress = address;
    }
    ~SessionBus()
    {
        Stop(pid_);
        gBusAddress.clear();
    }
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

private:
    pid_t pid_ = 0;
};

// A gamepad template: B1 holds D, B2 taps Z, the left stick holds A and W,
// B3+B4 is a chord for Escape.
const char kGamepadTemplate[] = R"([GLOBAL]
MODE1NAME=Play
MODES=1
BUTTONS=5
MODE_SWITCH_BUTTON=
MODE_SWITCH_KEY=
INPUTS=SEPARATE
[MAPPING]
BUTTON1=B1
BUTTON2=B2
BUTTON3=AXIS1_NEG
BUTTON4=AXIS2_NEG
BUTTON5=B3+B4
[MODE1]
BUTTON1_COUNT=1
BUTTON1_1=68
BUTTON1_ACTION=HOLD
BUTTON2_COUNT=1
BUTTON2_1=90
BUTTON3_COUNT=1
BUTTON3_1=65
BUTTON3_ACTION=HOLD
BUTTON4_COUNT=1
BUTTON4_1=87
BUTTON4_ACTION=HOLD
BUTTON5_COUNT=1
BUTTON5_1=27
)";

// What a run plays: the worked example (digital, polled), started with
// button 2 of its virtual joystick held, or the gamepad template, which
// acts only on presses made after start-up and is tapped until it types.
enum class Play { Example, Gamepad };

// One corvplay process.
class Run
{
public:
    explicit Run(Display* dpy, Play play = Play::Example) : dpy_(dpy), play_(play)
    {
        char dir[] = "/tmp/corvbenchXXXXXX";
        if (!mkdtemp(dir))
            return;
        dir_ = dir;
        fifo_ = dir_ + "/joy";
        if (mkfifo(fifo_.c_str(), 0600) != 0)
            return;
        // Kept open both ways: writes never block and never find no reader.
        fifoFd_ = open(fifo_.c_str(), O_RDWR | O_CLOEXEC);
        if (play == Play::Gamepad) {
            gamepad_ = dir_ + "/gamepad.joy";
            std::ofstream(gamepad_) << kGamepadTemplate;
            ok_ = fifoFd_ >= 0;
            return;
        }
        ok_ = fifoFd_ >= 0 && send("press 2\n");
    }

    ~Run()
    {
        Stop(pid_);
        if (fifoFd_ >= 0)
            close(fifoFd_);
        if (outFd_ >= 0)
            close(outFd_);
        if (!dir_.empty()) {
            const std::string cmd = "rm -rf '" + dir_ + "'";
            [[maybe_unused]] const int rc = std::system(cmd.c_str());
        }
    }
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // Starts the process and waits until it is ready: its window mapped and,
    // with the print backend, the first key typed; false on failure. The
    // gamepad plays its own template (templatePath null).
    bool start(const char* templatePath, const char* keys = "print")
    {
        if (!ok_)
            return false;
        if (!templatePath)
            templatePath = gamepad_.c_str();
        const bool print = std::strcmp(keys, "print") == 0;
        const std::string joystick = "virtual:" + fifo_;
        WatchMaps(dpy_);
        const double t0 = NowMs();
        pid_ = Spawn(CorvplayPath(),
                     {CorvplayPath(), "--joystick", joystick.c_str(), "--keys", keys, templatePath},
                     ChildEnvironment(dir_ + "/config"), &outFd_);
        if (pid_ == 0)
            return false;

        const char* typed = play_ == Play::Gamepad ? "key 90 down" : "key 32 down";
        std::string output;
        double tapped = -1e9;
        while (windowMs < 0 || (print && readyMs < 0)) {
            if (NowMs() - t0 > 10000)
                return false;
            if (play_ == Play::Gamepad && print && NowMs() - tapped > 250) {
                tapped = NowMs();
                if (!send("press 2\nwait 20\nrelease 2\n"))
                    return false;
            }
            pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {outFd_, POLLIN, 0}};
            poll(fds, 2, 100);
            if (windowMs < 0 && MappedNow(dpy_, pid_))
                windowMs = NowMs() - t0;
            if (fds[1].revents & POLLIN) {
                char buffer[256];
                const ssize_t n = read(outFd_, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                output.append(buffer, size_t(n));
                if (readyMs < 0 && output.find(typed) != std::string::npos)
                    readyMs = NowMs() - t0;
            } else if (fds[1].revents & (POLLHUP | POLLERR)) {
                return false;
            }
        }
        XSelectInput(dpy_, DefaultRootWindow(dpy_), NoEventMask);
        // Let go of the button: from here on the joystick idles.
        return play_ == Play::Gamepad || send("release 2\n");
    }

    bool send(const std::string& script) const
    {
        return write(fifoFd_, script.data(), script.size()) == ssize_t(script.size());
    }

    // The pipe of what the process prints.
    int outFd() const { return outFd_; }

    // Drains what the process prints, so it never blocks on a full pipe.
    void drain()
    {
        char buffer[4096];
        pollfd fd{outFd_, POLLIN, 0};
        while (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) &&
               read(outFd_, buffer, sizeof buffer) > 0)
            ;
    }

    // Writes FIRST, then LINE over and over for MS milliseconds, as fast as
    // the process takes it; the number of lines written.
    long long flood(const std::string& first, const std::string& line, int ms)
    {
        if (write(fifoFd_, first.data(), first.size()) != ssize_t(first.size()))
            return -1;
        std::string block;
        while (block.size() + line.size() <= 4096)
            block += line;
        const int flags = fcntl(fifoFd_, F_GETFL);
        fcntl(fifoFd_, F_SETFL, flags | O_NONBLOCK);
        long long bytes = 0;
        const double end = NowMs() + ms;
        while (NowMs() < end) {
            const ssize_t n = write(fifoFd_, block.data(), block.size());
            if (n > 0) {
                bytes += n;
                continue;
            }
            pollfd fd{fifoFd_, POLLOUT, 0};
            poll(&fd, 1, 50);
            drain();
        }
        fcntl(fifoFd_, F_SETFL, flags);
        return bytes / (long long)line.size();
    }

    pid_t pid() const { return pid_; }
    double residentKb() const { return ResidentKb(pid_); }

    double windowMs = -1;
    double readyMs = -1;

private:
    Display* dpy_;
    Play play_;
    std::string dir_;
    std::string fifo_;
    std::string gamepad_;
    int fifoFd_ = -1;
    int outFd_ = -1;
    pid_t pid_ = 0;
    bool ok_ = false;
};

// A floor program, stopped when this goes.
class Floor
{
public:
    Floor() = default;
    ~Floor() { Stop(pid_); }
    Floor(const Floor&) = delete;
    Floor& operator=(const Floor&) = delete;

    // The bare window, once it is mapped; false when it is not within 10 s.
    bool startWindow(Display* dpy)
    {
        WatchMaps(dpy);
        const double t0 = NowMs();
        pid_ = Spawn(BARE_WINDOW_PATH, {BARE_WINDOW_PATH}, ChildEnvironment({}), nullptr);
        while (pid_ > 0 && NowMs() - t0 < 10000) {
            pollfd fd{ConnectionNumber(dpy), POLLIN, 0};
            poll(&fd, 1, 100);
            if (MappedNow(dpy, pid_)) {
                windowMs = NowMs() - t0;
                break;
            }
        }
        XSelectInput(dpy, DefaultRootWindow(dpy), NoEventMask);
        return windowMs >= 0;
    }

    bool startSleeper()
    {
        pid_ = Spawn(BARE_SLEEPER_PATH, {BARE_SLEEPER_PATH}, ChildEnvironment({}), nullptr);
        return pid_ > 0;
    }

    pid_t pid() const { return pid_; }
    double windowMs = -1;

private:
    pid_t pid_ = 0;
};

Display* gDisplay = nullptr;
const char* const kTemplate = CORV_SOURCE_DIR "/examples/flight.joy";

// Starts corvplay on the example; false, with the benchmark skipped, when it
// does not get ready.
bool StartOrSkip(Run& run, benchmark::State& state, const char* templatePath = kTemplate,
                 const char* keys = "print")
{
    if (run.start(templatePath, keys))
        return true;
    state.SkipWithError("corvplay did not get ready within 10 s");
    return false;
}

bool StartWindowOrSkip(Floor& floor, benchmark::State& state)
{
    if (floor.startWindow(gDisplay))
        return true;
    state.SkipWithError("bench_bare_window did not map its window within 10 s");
    return false;
}

void WaitMs(Run* run, int ms)
{
    const double end = NowMs() + ms;
    while (NowMs() < end) {
        if (run)
            run->drain();
        usleep(100000);
    }
}

// CPU of the threads of one process between two snapshots.
struct CpuSpan {
    double guiNs = 0;
    double timerNs = 0;
    double allNs = 0;
    double guiSlices = 0;
    double timerSlices = 0;
};

// The GUI thread is the main one; the timer thread calls itself corv-timer,
// or, in builds that did not name it, carries the program's own name.
CpuSpan Difference(pid_t pid, const std::vector<ThreadCpu>& before,
                   const std::vector<ThreadCpu>& after)
{
    std::string mainName;
    for (const ThreadCpu& t : after) {
        if (t.tid == pid)
            mainName = t.name;
    }
    CpuSpan span;
    bool timerFound = false;
    for (const ThreadCpu& t : after) {
        ThreadCpu start;
        for (const ThreadCpu& b : before) {
            if (b.tid == t.tid)
                start = b;
        }
        const double ns = t.cpuNs - start.cpuNs;
        const double slices = t.slices - start.slices;
        span.allNs += ns;
        if (t.tid == pid) {
            span.guiNs = ns;
            span.guiSlices = slices;
        } else if (!timerFound && (t.name == "corv-timer" || t.name == mainName)) {
            timerFound = true;
            span.timerNs = ns;
            span.timerSlices = slices;
        }
    }
    return span;
}

} // namespace

static void StartToReady(benchmark::State& state)
{
    const int runs = EnvInt("CORV_STARTS", 20);
    std::vector<double> window;
    std::vector<double> ready;
    std::vector<double> afterWindow;
    std::vector<double> bare;
    for (auto _ : state) {
        for (int i = 0; i < runs; ++i) {
            // Which goes first alternates, so neither always finds the
            // other's caches warm.
            for (int turn = 0; turn < 2; ++turn) {
                if ((turn == 0) == (i % 2 == 0)) {
                    Floor floor;
                    if (!StartWindowOrSkip(floor, state))
                        return;
                    bare.push_back(floor.windowMs);
                } else {
                    Run run(gDisplay);
                    if (!StartOrSkip(run, state))
                        return;
                    window.push_back(run.windowMs);
                    ready.push_back(run.readyMs);
                    afterWindow.push_back(run.readyMs - run.windowMs);
                }
            }
        }
        state.SetIterationTime(Median(ready) / 1000.0);
    }
    const double floorMs = Median(bare);
    state.counters["bare_window_ms"] = floorMs;
    state.counters["window_ms"] = Median(window);
    state.counters["ready_ms"] = Median(ready);
    state.counters["ready_after_window_ms"] = Median(afterWindow);
    state.counters["window_ratio"] = Ratio(Median(window), floorMs);
    state.counters["ready_ratio"] = Ratio(Median(ready), floorMs);
}
BENCHMARK(StartToReady)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

static void ResidentMemory(benchmark::State& state)
{
    const int runs = EnvInt("CORV_RSS_RUNS", 5);
    std::vector<double> corvplay;
    std::vector<double> bare;
    for (auto _ : state) {
        for (int i = 0; i < runs; ++i) {
            {
                Floor floor;
                if (!StartWindowOrSkip(floor, state))
                    return;
                WaitMs(nullptr, 1000);
                bare.push_back(ResidentKb(floor.pid()) / 1024.0);
            }
            Run run(gDisplay);
            if (!StartOrSkip(run, state))
                return;
            WaitMs(&run, 1000);
            corvplay.push_back(run.residentKb() / 1024.0);
        }
    }
    state.counters["bare_window_rss_MiB"] = Median(bare);
    state.counters["rss_MiB"] = Median(corvplay);
    state.counters["rss_ratio"] = Ratio(Median(corvplay), Median(bare));
}
BENCHMARK(ResidentMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void MeasureIdleCpu(benchmark::State& state, Play play)
{
    const int runs = EnvInt("CORV_IDLE_RUNS", 3);
    const int seconds = EnvInt("CORV_IDLE_SECONDS", 30);
    std::vector<double> gui, timer, both, all, sleeper, guiWakes, timerWakes, sleeperWakes;
    for (auto _ : state) {
        for (int i = 0; i < runs; ++i) {
            Run run(gDisplay, play);
            if (!StartOrSkip(run, state, play == Play::Gamepad ? nullptr : kTemplate))
                return;
            Floor floor;
            if (!floor.startSleeper()) {
                state.SkipWithError("bench_bare_sleeper did not start");
                return;
            }
            // Start-up work is over before the measured span begins, which
            // both share, so that the load of the machine meets both alike.
            WaitMs(&run, 1000);
            const double wall0 = NowMs();
            const std::vector<ThreadCpu> corv0 = Threads(run.pid());
            const std::vector<ThreadCpu> sleep0 = Threads(floor.pid());
            WaitMs(&run, seconds * 1000);
            const CpuSpan c = Difference(run.pid(), corv0, Threads(run.pid()));
            const CpuSpan s = Difference(floor.pid(), sleep0, Threads(floor.pid()));
            const double wallMs = NowMs() - wall0;
            const auto percent = [wallMs](double ns) { return ns / 1e6 / wallMs * 100.0; };
            const auto perSecond = [wallMs](double n) { return n * 1000.0 / wallMs; };
            gui.push_back(percent(c.guiNs));
            timer.push_back(percent(c.timerNs));
            both.push_back(percent(c.guiNs + c.timerNs));
            all.push_back(percent(c.allNs));
            sleeper.push_back(percent(s.guiNs));
            guiWakes.push_back(perSecond(c.guiSlices));
            timerWakes.push_back(perSecond(c.timerSlices));
            sleeperWakes.push_back(perSecond(s.guiSlices));
        }
    }
    const double floor = Median(sleeper);
    state.counters["sleeper_pct"] = floor;
    state.counters["gui_pct"] = Median(gui);
    state.counters["timer_pct"] = Median(timer);
    state.counters["gui_timer_pct"] = Median(both);
    state.counters["process_pct"] = Median(all);
    state.counters["gui_ratio"] = Ratio(Median(gui), floor);
    state.counters["timer_ratio"] = Ratio(Median(timer), floor);
    state.counters["gui_timer_ratio"] = Ratio(Median(both), floor);
    state.counters["process_ratio"] = Ratio(Median(all), floor);
    state.counters["sleeper_wakes_s"] = Median(sleeperWakes);
    state.counters["gui_wakes_s"] = Median(guiWakes);
    state.counters["timer_wakes_s"] = Median(timerWakes);
}

static void IdleCpu(benchmark::State& state)
{
    MeasureIdleCpu(state, Play::Example);
}
BENCHMARK(IdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

// The gamepad template waits for the joystick's events and polls nothing.
static void GamepadIdleCpu(benchmark::State& state)
{
    MeasureIdleCpu(state, Play::Gamepad);
}
BENCHMARK(GamepadIdleCpu)->Iterations(1)->Unit(benchmark::kSecond);

namespace
{

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return -1;
    std::sort(v.begin(), v.end());
    const auto rank = size_t(std::ceil(p * double(v.size())));
    return v[std::clamp<size_t>(rank, 1, v.size()) - 1];
}

// The key lines the print backend writes, each with the time the read that
// brought it returned.
class PrintedKeys
{
public:
    explicit PrintedKeys(int fd) : fd_(fd) {}

    // The arrival of the next line that starts with prefix, within ms; -1
    // when none came.
    double wait(const std::string& prefix, int ms)
    {
        const double end = NowMs() + ms;
        for (;;) {
            for (size_t nl = buffer_.find('\n'); nl != std::string::npos; nl = buffer_.find('\n')) {
                const bool match = buffer_.compare(0, prefix.size(), prefix) == 0;
                buffer_.erase(0, nl + 1);
                if (match)
                    return readAt_;
            }
            const double left = end - NowMs();
            pollfd fd{fd_, POLLIN, 0};
            if (left <= 0 || poll(&fd, 1, int(left) + 1) <= 0)
                return -1;
            char chunk[512];
            const ssize_t n = read(fd_, chunk, sizeof chunk);
            readAt_ = NowMs();
            if (n <= 0)
                return -1;
            buffer_.append(chunk, size_t(n));
        }
    }

private:
    int fd_;
    std::string buffer_;
    double readAt_ = 0;
};

// A window of the bench's own on its own connection to the X display, which
// holds the focus, so that what XTest types arrives there as key events.
class FocusedWindow
{
public:
    ~FocusedWindow()
    {
        if (dpy_)
            XCloseDisplay(dpy_);
    }

    bool open()
    {
        dpy_ = XOpenDisplay(nullptr);
        if (!dpy_)
            return false;
        window_ = XCreateSimpleWindow(dpy_, DefaultRootWindow(dpy_), 400, 300, 200, 100, 0, 0,
                                      WhitePixel(dpy_, DefaultScreen(dpy_)));
        XSelectInput(dpy_, window_, KeyPressMask | KeyReleaseMask | StructureNotifyMask);
        XMapWindow(dpy_, window_);
        const double end = NowMs() + 5000;
        XEvent ev;
        do {
            XNextEvent(dpy_, &ev);
        } while (ev.type != MapNotify && NowMs() < end);
        XSetInputFocus(dpy_, window_, RevertToParent, CurrentTime);
        XSync(dpy_, False);
        return ev.type == MapNotify;
    }

    // Drops the events that have come so far.
    void drain()
    {
        XSync(dpy_, False);
        while (XQLength(dpy_) > 0) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
        }
    }

    // The arrival of the next key press (or release) within ms; -1 when none
    // came. One key at a time is typed, so any key will do.
    double wait(bool press, int ms)
    {
        const double end = NowMs() + ms;
        for (;;) {
            while (XQLength(dpy_) > 0) {
                XEvent ev;
                XNextEvent(dpy_, &ev);
                if (ev.type == (press ? KeyPress : KeyRelease))
                    return readAt_;
            }
            const double left = end - NowMs();
            pollfd fd{ConnectionNumber(dpy_), POLLIN, 0};
            if (left <= 0 || poll(&fd, 1, int(left) + 1) <= 0)
                return -1;
            readAt_ = NowMs();
            XEventsQueued(dpy_, QueuedAfterReading);
        }
    }

private:
    Display* dpy_ = nullptr;
    Window window_ = 0;
    double readAt_ = 0;
};

} // namespace

// From writing a press or a release of B1 into the virtual joystick's pipe
// to the key that B1 holds arriving: as a line of the print backend on
// corvplay's standard output, or as an X key event on a focused window of
// the bench's own with XTest. The changes come 5 to 15 ms apart, so the
// player is asleep when each one comes, as it is in a game. The span holds
// one more pipe (or X connection) hop than the player's own, so it is an
// upper bound (CORV_LATENCY_CHANGES, default 1000).
static void GamepadLatency(benchmark::State& state, const char* keys)
{
    const int changes = EnvInt("CORV_LATENCY_CHANGES", 1000);
    const bool print = std::strcmp(keys, "print") == 0;
    std::vector<double> latency;
    for (auto _ : state) {
        Run run(gDisplay, Play::Gamepad);
        if (!StartOrSkip(run, state, nullptr, keys))
            return;
        FocusedWindow window;
        PrintedKeys printed(run.outFd());
        if (!print) {
            if (!window.open()) {
                state.SkipWithError("cannot map and focus a window of the bench's own");
                return;
            }
            bool typed = false;
            for (int i = 0; i < 40 && !typed; ++i)
                typed = run.send("press 2\nwait 20\nrelease 2\n") && window.wait(true, 250) >= 0;
            if (!typed) {
                state.SkipWithError("corvplay typed nothing through XTest within 10 s");
                return;
            }
        }
        // Start-up work and the readiness tap are over before the first change.
        usleep(500000);
        if (print)
            run.drain();
        else
            window.drain();
        const auto arrived = [&](bool down) {
            if (print)
                return printed.wait(down ? "key 68 down" : "key 68 up", 1000);
            return window.wait(down, 1000);
        };
        std::mt19937 random(1);
        std::uniform_int_distribution<int> pauseUs(5000, 15000);
        for (int i = 0; i < changes; ++i) {
            const bool down = i % 2 == 0;
            usleep(useconds_t(pauseUs(random)));
            const double sent = NowMs();
            if (!run.send(down ? "press 1\n" : "release 1\n")) {
                state.SkipWithError("cannot write to the joystick's pipe");
                return;
            }
            const double at = arrived(down);
            if (at < 0) {
                state.SkipWithError("a key did not come within 1 s of its change");
                return;
            }
            latency.push_back(at - sent);
        }
        state.SetIterationTime(Percentile(latency, 0.5) / 1000.0);
    }
    state.counters["changes"] = double(latency.size());
    state.counters["p50_ms"] = Percentile(latency, 0.5);
    state.counters["p99_ms"] = Percentile(latency, 0.99);
    state.counters["max_ms"] = Percentile(latency, 1.0);
}
BENCHMARK_CAPTURE(GamepadLatency, print, "print")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(GamepadLatency, xtest, "xtest")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

static void ScriptFlood(benchmark::State& state)
{
    const int seconds = EnvInt("CORV_FLOOD_SECONDS", 20);
    double before = 0;
    double after = 0;
    long long lines = 0;
    for (auto _ : state) {
        Run run(gDisplay);
        if (!StartOrSkip(run, state))
            return;
        WaitMs(&run, 1000);
        before = run.residentKb();
        lines = run.flood("wait 3600000\n", "press 1\n", seconds * 1000);
        after = run.residentKb();
    }
    state.counters["rss_before_MiB"] = before / 1024.0;
    state.counters["rss_after_MiB"] = after / 1024.0;
    state.counters["lines_written"] = double(lines);
}
BENCHMARK(ScriptFlood)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    gDisplay = XOpenDisplay(nullptr);
    if (!gDisplay) {
        std::fprintf(stderr, "bench_corvplay: needs an X display (scripts/with-xvfb.sh)\n");
        return 1;
    }
    {
        const SessionBus bus;
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    XCloseDisplay(gDisplay);
    return 0;
}
