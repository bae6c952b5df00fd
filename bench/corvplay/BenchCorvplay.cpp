// The real corvplay process on an X display ($DISPLAY, e.g. through
// scripts/with-xvfb.sh), with the virtual joystick fed from a named pipe:
//  StartToReady  - from the start of the process to its mode window mapped
//                  (window_ms) and to the first poll of the timer having
//                  typed the button held from the start (ready_ms);
//  ResidentMemory - VmRSS one second after ready;
//  IdleCpu       - CPU of the process while it idles (CORV_IDLE_SECONDS,
//                  default 30), as a percentage of one core;
//  ScriptFlood   - VmRSS before and after a script that waits an hour is
//                  fed "press 1" lines as fast as it takes them
//                  (CORV_FLOOD_SECONDS, default 20).
// Medians of the repetitions are printed by Google Benchmark as *_median.
#include <benchmark/benchmark.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
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

// One corvplay process, started with button 2 of its virtual joystick held.
class Run
{
public:
    explicit Run(Display* dpy) : dpy_(dpy)
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
        const char script[] = "press 2\n";
        ok_ = fifoFd_ >= 0 && write(fifoFd_, script, sizeof script - 1) == sizeof script - 1;
    }

    ~Run()
    {
        stop();
        if (fifoFd_ >= 0)
            close(fifoFd_);
        if (outFd_ >= 0)
            close(outFd_);
        if (!dir_.empty()) {
            const std::string cmd = "rm -rf '" + dir_ + "'";
            [[maybe_unused]] const int rc = std::system(cmd.c_str());
        }
    }

    // Starts the process and waits until it is ready; false on failure.
    bool start(const char* templatePath)
    {
        if (!ok_)
            return false;
        int out[2];
        if (pipe2(out, O_CLOEXEC) != 0)
            return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        const std::string joystick = "virtual:" + fifo_;
        const std::string config = "XDG_CONFIG_HOME=" + dir_ + "/config";
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) != 0 &&
                std::strncmp(*e, "DBUS_SESSION_BUS_ADDRESS=", 25) != 0)
                env.emplace_back(*e);
        }
        env.push_back(config);
        std::vector<char*> envp;
        for (std::string& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        const char* argv[] = {CORVPLAY_PATH, "--joystick", joystick.c_str(), "--keys",
                              "print",       templatePath, nullptr};

        XSelectInput(dpy_, DefaultRootWindow(dpy_), SubstructureNotifyMask);
        XSync(dpy_, False);
        while (XPending(dpy_) > 0) {
            XEvent ev;
            XNextEvent(dpy_, &ev);
        }
        const double t0 = NowMs();
        const int rc = posix_spawn(&pid_, CORVPLAY_PATH, &actions, nullptr,
                                   const_cast<char**>(argv), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        outFd_ = out[0];
        if (rc != 0) {
            pid_ = 0;
            return false;
        }

        std::string output;
        while (windowMs < 0 || readyMs < 0) {
            if (NowMs() - t0 > 10000)
                return false;
            pollfd fds[2] = {{ConnectionNumber(dpy_), POLLIN, 0}, {outFd_, POLLIN, 0}};
            poll(fds, 2, 100);
            while (XPending(dpy_) > 0) {
                XEvent ev;
                XNextEvent(dpy_, &ev);
                if (ev.type == MapNotify && windowMs < 0 &&
                    IsModeWindow(dpy_, ev.xmap.window, pid_))
                    windowMs = NowMs() - t0;
            }
            if (fds[1].revents & POLLIN) {
                char buffer[256];
                const ssize_t n = read(outFd_, buffer, sizeof buffer);
                if (n <= 0)
                    return false;
                output.append(buffer, size_t(n));
                if (readyMs < 0 && output.find("key 32 down") != std::string::npos)
                    readyMs = NowMs() - t0;
            } else if (fds[1].revents & (POLLHUP | POLLERR)) {
                return false;
            }
        }
        XSelectInput(dpy_, DefaultRootWindow(dpy_), NoEventMask);
        // Let go of the button: from here on the joystick idles.
        const char release[] = "release 2\n";
        return write(fifoFd_, release, sizeof release - 1) == sizeof release - 1;
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        int status = 0;
        for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i)
            usleep(50000);
        if (waitpid(pid_, &status, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
        pid_ = 0;
    }

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

    // User plus system CPU time so far, in milliseconds.
    double cpuMs() const
    {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), {});
        // Fields after the command name, which may hold spaces.
        std::istringstream rest(text.substr(text.rfind(')') + 2));
        std::string field;
        unsigned long long utime = 0;
        unsigned long long stime = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14)
                utime = std::stoull(field);
            else if (i == 15)
                stime = std::stoull(field);
        }
        return double(utime + stime) * 1000.0 / double(sysconf(_SC_CLK_TCK));
    }

    double residentKb() const
    {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("VmRSS:", 0) == 0)
                return std::stod(line.substr(6));
        }
        return -1;
    }

    double windowMs = -1;
    double readyMs = -1;

private:
    Display* dpy_;
    std::string dir_;
    std::string fifo_;
    int fifoFd_ = -1;
    int outFd_ = -1;
    pid_t pid_ = 0;
    bool ok_ = false;
};

Display* gDisplay = nullptr;
const char* const kTemplate = CORV_SOURCE_DIR "/examples/flight.joy";

// Starts corvplay on the example; false, with the benchmark skipped, when it
// does not get ready.
bool StartOrSkip(Run& run, benchmark::State& state)
{
    if (run.start(kTemplate))
        return true;
    state.SkipWithError("corvplay did not get ready within 10 s");
    return false;
}

void WaitMs(Run& run, int ms)
{
    const double end = NowMs() + ms;
    while (NowMs() < end) {
        run.drain();
        usleep(100000);
    }
}

} // namespace

static void StartToReady(benchmark::State& state)
{
    double window = 0;
    double ready = 0;
    for (auto _ : state) {
        Run run(gDisplay);
        if (!StartOrSkip(run, state))
            return;
        state.SetIterationTime(run.readyMs / 1000.0);
        window = run.windowMs;
        ready = run.readyMs;
    }
    state.counters["window_ms"] = window;
    state.counters["ready_ms"] = ready;
}
BENCHMARK(StartToReady)
    ->Iterations(1)
    ->Repetitions(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

static void ResidentMemory(benchmark::State& state)
{
    double kb = 0;
    for (auto _ : state) {
        Run run(gDisplay);
        if (!StartOrSkip(run, state))
            return;
        WaitMs(run, 1000);
        kb = run.residentKb();
    }
    state.counters["rss_MiB"] = kb / 1024.0;
}
BENCHMARK(ResidentMemory)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

static void IdleCpu(benchmark::State& state)
{
    const int seconds = EnvInt("CORV_IDLE_SECONDS", 30);
    double share = 0;
    for (auto _ : state) {
        Run run(gDisplay);
        if (!StartOrSkip(run, state))
            return;
        // Start-up work is over before the measured span begins.
        WaitMs(run, 1000);
        const double wall0 = NowMs();
        const double cpu0 = run.cpuMs();
        WaitMs(run, seconds * 1000);
        share = (run.cpuMs() - cpu0) / (NowMs() - wall0) * 100.0;
    }
    state.counters["cpu_percent_of_core"] = share;
}
BENCHMARK(IdleCpu)->Iterations(1)->Repetitions(3)->Unit(benchmark::kSecond);

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
        WaitMs(run, 1000);
        before = run.residentKb();
        lines = run.flood("wait 3600000\n", "press 1\n", seconds * 1000);
        after = run.residentKb();
    }
    state.counters["rss_before_MiB"] = before / 1024.0;
    state.counters["rss_after_MiB"] = after / 1024.0;
    state.counters["lines_written"] = double(lines);
}
BENCHMARK(ScriptFlood)->Iterations(1)->Repetitions(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    gDisplay = XOpenDisplay(nullptr);
    if (!gDisplay) {
        std::fprintf(stderr, "bench_corvplay: needs an X display (scripts/with-xvfb.sh)\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    XCloseDisplay(gDisplay);
    return 0;
}
