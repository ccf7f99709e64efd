#pragma once

// The program from start to end: the single-instance guard, the splash, the main window and the
// bank, then the message loop. Returns the process's exit code.
int runCifrovex(int argc, char **argv);
