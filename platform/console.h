#pragma once

#include <QString>

#include <cstdio>

namespace platform {

// Sets the standard output and error streams to pass bytes as they are: on Windows they would
// otherwise turn every "\n" into "\r\n", which breaks data written to them (a CSV dump). Call at
// the start of main().
void useBinaryStandardStreams();

// Writes text to the standard output or error stream of a console program. On a Windows console
// the text goes as UTF-16 through WriteConsoleW, so Russian reads right in cmd.exe and PowerShell
// whatever the console's code page; anywhere else (a file, a pipe, a Unix terminal) it goes as
// UTF-8 bytes. Returns false when the text could not be written.
bool writeText(std::FILE *stream, const QString &text);

} // namespace platform
