// The program's real start-up with a clock around the main window's creation pause, so that the
// time to the level dialog can be given without the designed one-to-two-second wait. Everything
// else is what the cifrovex executable runs.
//
// Prints, as soon as the pause is over:
//   startup_pause_ms 1234.5 ms        how long the pause took
//   pause_begin_ms 456.7 ms           when it began, from window_timer's start (when run under it)
#include "app/startup.h"

#include <QApplication>
#include <QByteArray>
#include <QElapsedTimer>

#include <chrono>
#include <cstdio>

namespace {

void timedPause() {
    const qint64 startNs = qEnvironmentVariable("WINDOW_TIMER_START_NS").toLongLong();
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const qint64 beginNs = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
    QElapsedTimer timer;
    timer.start();
    platform::startupPause();
    const qint64 pauseNs = timer.nsecsElapsed();
    std::printf("startup_pause_ms %.1f ms\n", double(pauseNs) / 1e6);
    if (startNs > 0)
        std::printf("pause_begin_ms %.1f ms\n", double(beginNs - startNs) / 1e6);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    StartupOptions options;
    options.pause = &timedPause;
    return startCifrovex(app, options);
}
