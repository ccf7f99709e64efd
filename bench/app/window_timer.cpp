// Starts a program under a running X server and reports, in milliseconds from the start, when
// each of its top-level windows was mapped; answers chosen windows with a key press; then
// measures the program's peak resident memory and its CPU use while idle.
//
//   window_timer [--press TITLE]... --until TITLE [--idle SECONDS] -- PROGRAM [ARGS...]
//
// Prints one "name value" figure per line.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string windowTitle(Display *display, Window window)
{
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data) {
        title.assign(reinterpret_cast<char *>(data), count);
        XFree(data);
    }
    return title;
}

long statusField(pid_t pid, const char *field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::atol(line.c_str() + std::strlen(field));
    }
    return -1;
}

// utime + stime of the process, in clock ticks.
long cpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), {});
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string skip;
    for (int i = 0; i < 11; ++i)
        rest >> skip; // state .. cmajflt
    long utime = 0, stime = 0;
    rest >> utime >> stime;
    return utime + stime;
}

void pressReturn(Window window)
{
    const std::string command = "xdotool windowfocus --sync " + std::to_string(window) + " key Return";
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "window_timer: xdotool failed\n");
}

} // namespace

int main(int argc, char **argv)
{
    std::set<std::string> press;
    std::string until;
    int idleSeconds = 0;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--press" && i + 1 < argc)
            press.insert(argv[++i]);
        else if (arg == "--until" && i + 1 < argc)
            until = argv[++i];
        else if (arg == "--idle" && i + 1 < argc)
            idleSeconds = std::atoi(argv[++i]);
        else if (arg == "--") {
            ++i;
            break;
        }
    }
    if (i >= argc || until.empty()) {
        std::fprintf(stderr, "usage: window_timer [--press TITLE]... --until TITLE [--idle S] -- PROGRAM...\n");
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_timer: no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[i], argv + i);
        _exit(127);
    }

    bool first = true;
    bool reached = false;
    while (!reached && msSince(start) < 60000) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) {
            std::fprintf(stderr, "window_timer: the program ended early\n");
            return 1;
        }
        if (!XPending(display)) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify)
            continue;
        const double at = msSince(start);
        const std::string title = windowTitle(display, event.xmap.window);
        if (first) {
            std::printf("first_window_ms %.1f\n", at);
            first = false;
        }
        std::printf("window_ms[%s] %.1f\n", title.c_str(), at);
        if (press.count(title))
            pressReturn(event.xmap.window);
        reached = title == until;
    }
    if (!reached) {
        std::fprintf(stderr, "window_timer: \"%s\" never appeared\n", until.c_str());
        kill(pid, SIGKILL);
        return 1;
    }
    // Let the window settle (first paints, fonts, the accessibility bridge) before reading memory.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    std::printf("peak_rss_kb %ld\n", statusField(pid, "VmHWM:"));
    if (idleSeconds > 0) {
        const long before = cpuTicks(pid);
        const Clock::time_point idleStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        const double seconds = msSince(idleStart) / 1000.0;
        const double cpu = double(cpuTicks(pid) - before) / double(sysconf(_SC_CLK_TCK));
        std::printf("idle_cpu_percent %.3f\n", 100.0 * cpu / seconds);
    }
    std::fflush(stdout);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
