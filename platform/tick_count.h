#pragma once

#include <QtGlobal>

namespace platform {

// Milliseconds since the system started, wrapping at 2^32 like the Windows tick count.
quint32 tickCount();

// The start-up pause waits until the whole-second value of the tick count has advanced by two:
// between 1001 and 2000 ms depending on where in its second the pause began.
quint32 startupPauseLength(quint32 startTick);

// Whether the pause begun at startTick is over at nowTick. Computed on the elapsed time modulo
// 2^32, so a counter that wraps during the pause cannot hold it up.
bool startupPauseOver(quint32 startTick, quint32 nowTick);

// Blocks the calling thread for the start-up pause without processing any events. Sleeps
// rather than spins.
void startupPause();

} // namespace platform
