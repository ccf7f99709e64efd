#pragma once

class QCoreApplication;

namespace platform {

// On Windows the platform passes Alt+F4 straight to the system, which closes the window without
// the program seeing the key. This hands the key to the active window's enabled action with the
// Alt+F4 shortcut first (the main window's Exit asks whether to quit); a window without one is
// closed by the system as usual. Elsewhere Alt+F4 reaches the shortcuts anyway: nothing to do.
void routeAltF4ToShortcuts(QCoreApplication &app);

} // namespace platform
