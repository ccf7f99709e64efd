#pragma once

#include "platform/tick_count.h"

#include <functional>

class QApplication;

// The parts of start-up a caller may replace. The defaults are the program's own; the start-up
// benchmark wraps the pause with a clock so that it can take the designed wait out of its figure.
struct StartupOptions {
    // The main window's creation pause, run while the splash stays up with a full gauge.
    std::function<void()> pause = &platform::startupPause;
};

// The program from start to end: the single-instance guard, the splash, the main window and the
// bank, then the message loop. Returns the process's exit code.
int runCifrovex(int argc, char **argv);

// The same once the application object exists: 0 after the main window has closed or when
// another copy already runs, 1 when start-up failed (after the error box has been dismissed).
int startCifrovex(QApplication &app, const StartupOptions &options = {});
