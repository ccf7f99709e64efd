#pragma once

namespace bench {

// Waits until the X server has handled every request this application has sent it, so that what
// the widgets painted is on the screen. False when the application does not run on X11.
bool xRoundTrip();

} // namespace bench
