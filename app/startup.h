#pragma once

class QApplication;

// The program from start to end: the single-instance guard, the splash, the main window and the
// bank, then the message loop. Returns the process's exit code.
int runCifrovex(int argc, char **argv);

// The same once the application object exists: 0 after the main window has closed or when
// another copy already runs, 1 when start-up failed (after the error box has been dismissed).
int startCifrovex(QApplication &app);
