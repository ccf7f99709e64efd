// Starts a program under a running X server and reports, in milliseconds from just before the
// fork, when each of its top-level windows was mapped; answers chosen windows with a key press;
// then measures the program's peak resident memory and its CPU use while idle.
//
//   window_timer [--press TITLE]... --until TITLE [--settle MS] [--idle SECONDS] -- PROGRAM [ARGS...]
//
// Prints one "name value unit" figure per line:
//   first_window_ms 123.4 ms
//   first_window_cpu_ms 98.7 ms       (the program's CPU time when its first window was mapped)
//   first_window_runqueue_ms 12.3 ms  (and the time it had waited for a core, ready to run)
//   window_ms 123.4 ms TITLE          (one line per map, the title last as it may hold spaces)
//   peak_rss_kb 45678 KiB             (VmHWM once the --until window has been up for --settle ms)
//   idle_cpu_percent 0.123 %          (CPU time over the --idle seconds that follow)
//   idle_wakeups_per_s 9.8 /s         (the threads' context switches, voluntary and not, over
//                                      the same seconds: each is one wake-up of a thread)
//   idle_voluntary_wakeups_per_s 9.5 /s (the voluntary ones alone: the program's own doing)
// The program finds the start time in WINDOW_TIMER_START_NS (steady clock, nanoseconds), so that
// it can report its own moments on the same time line.
//
// Windows are watched as children of the root window, so the X server must run without a window
// manager (which would reparent them into frames).
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string windowTitle(Display *display, Window window) {
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                           &data) == Success &&
        data) {
        title.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    return title;
}

long statusField(pid_t pid, const char *field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

// Context switches of all the process's threads, voluntary (it blocked) and involuntary (a core
// was taken from it): every wake-up ends in one of them. With `voluntaryOnly` only the first
// kind, which does not depend on how busy the machine's cores are.
long contextSwitches(pid_t pid, bool voluntaryOnly = false) {
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    long total = 0;
    if (DIR *dir = opendir(taskDir.c_str())) {
        while (dirent *entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream status(taskDir + "/" + entry->d_name + "/status");
            std::string line;
            while (std::getline(status, line)) {
                if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                    (!voluntaryOnly && line.rfind("nonvoluntary_ctxt_switches:", 0) == 0))
                    total += std::atol(line.c_str() + line.find(':') + 1);
            }
        }
        closedir(dir);
    }
    return total;
}

struct CpuTimes {
    double onCpuNs = 0;   // running
    double waitingNs = 0; // runnable, waiting for a core (0 where schedstat is missing)
};

// CPU times of all the process's threads in nanoseconds. schedstat counts in nanoseconds; the
// utime and stime of /proc/PID/stat count 10 ms ticks, too coarse for a fraction of a per cent
// over ten seconds, and serve only where schedstat is missing.
CpuTimes cpuTimes(pid_t pid) {
    const std::string taskDir = "/proc/" + std::to_string(pid) + "/task";
    CpuTimes total;
    bool any = false;
    if (DIR *dir = opendir(taskDir.c_str())) {
        while (dirent *entry = readdir(dir)) {
            if (entry->d_name[0] == '.')
                continue;
            std::ifstream schedstat(taskDir + "/" + entry->d_name + "/schedstat");
            double onCpu = 0, waiting = 0;
            if (schedstat >> onCpu >> waiting) {
                total.onCpuNs += onCpu;
                total.waitingNs += waiting;
                any = true;
            }
        }
        closedir(dir);
    }
    if (any)
        return total;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        rest >> skip; // state .. cmajflt
    long utime = 0, stime = 0;
    rest >> utime >> stime;
    total.onCpuNs = double(utime + stime) * 1e9 / double(sysconf(_SC_CLK_TCK));
    return total;
}

void pressReturn(Window window) {
    const std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key Return";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "window_timer: xdotool failed\n");
}

void stop(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

} // namespace

int main(int argc, char **argv) {
    std::set<std::string> press;
    std::string until;
    int idleSeconds = 0;
    int settleMs = 1000;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--press" && i + 1 < argc)
            press.insert(argv[++i]);
        else if (arg == "--until" && i + 1 < argc)
            until = argv[++i];
        else if (arg == "--idle" && i + 1 < argc)
            idleSeconds = std::atoi(argv[++i]);
        else if (arg == "--settle" && i + 1 < argc)
            settleMs = std::atoi(argv[++i]);
        else if (arg == "--") {
            ++i;
            break;
        }
    }
    if (i >= argc || until.empty()) {
        std::fprintf(stderr, "usage: window_timer [--press TITLE]... --until TITLE [--settle MS] [--idle S] "
                             "-- PROGRAM...\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_timer: no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);
    std::fflush(stdout); // the child inherits stdout: nothing of ours may be left in the buffer

    const Clock::time_point start = Clock::now();
    const std::string startNs = std::to_string(
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
    setenv("WINDOW_TIMER_START_NS", startNs.c_str(), 1);
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[i], argv + i);
        _exit(127);
    }

    // Wait on the X connection rather than spin: the machine's cores belong to the program measured.
    bool first = true;
    bool reached = false;
    pollfd xfd{ConnectionNumber(display), POLLIN, 0};
    while (!reached && msSince(start) < 60000) {
        if (!XPending(display)) {
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                std::fprintf(stderr, "window_timer: the program ended early\n");
                return 1;
            }
            poll(&xfd, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify)
            continue;
        const double at = msSince(start);
        const std::string title = windowTitle(display, event.xmap.window);
        if (first) {
            // The CPU time the program took to get there barely depends on how busy the machine is.
            std::printf("first_window_ms %.1f ms\n", at);
            const CpuTimes times = cpuTimes(pid);
            std::printf("first_window_cpu_ms %.1f ms\n", times.onCpuNs / 1e6);
            std::printf("first_window_runqueue_ms %.1f ms\n", times.waitingNs / 1e6);
            first = false;
        }
        std::printf("window_ms %.1f ms %s\n", at, title.c_str());
        std::fflush(stdout);
        if (press.count(title))
            pressReturn(event.xmap.window);
        reached = title == until;
    }
    if (!reached) {
        std::fprintf(stderr, "window_timer: \"%s\" never appeared\n", until.c_str());
        stop(pid);
        return 1;
    }
    // Let the window settle (first paints, fonts, the accessibility bridge) before reading memory.
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    std::printf("peak_rss_kb %ld KiB\n", statusField(pid, "VmHWM:"));
    if (idleSeconds > 0) {
        const double before = cpuTimes(pid).onCpuNs;
        const long switchesBefore = contextSwitches(pid);
        const long voluntaryBefore = contextSwitches(pid, true);
        const Clock::time_point idleStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const double seconds = msSince(idleStart) / 1000.0;
        const double cpuSeconds = (cpuTimes(pid).onCpuNs - before) / 1e9;
        const long switches = contextSwitches(pid) - switchesBefore;
        const long voluntary = contextSwitches(pid, true) - voluntaryBefore;
        std::printf("idle_cpu_percent %.3f %%\n", 100.0 * cpuSeconds / seconds);
        std::printf("idle_wakeups_per_s %.1f /s\n", double(switches) / seconds);
        std::printf("idle_voluntary_wakeups_per_s %.1f /s\n", double(voluntary) / seconds);
    }
    std::fflush(stdout);
    stop(pid);
    XCloseDisplay(display);
    return 0;
}
