#pragma once

#include <QString>

namespace platform {

// The application title: what the system shows for the program and the caption of plain
// message boxes. Kept apart from QGuiApplication::applicationDisplayName(), which Qt would
// append to every window title on Linux.
QString applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace platform
