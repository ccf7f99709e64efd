#include "platform/tick_count.h"

#include <QElapsedTimer>
#include <QThread>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

quint32 tickCount() {
#ifdef Q_OS_WIN
    return ::GetTickCount();
#else
    // The monotonic clock counts from boot, like the Windows tick count; truncating it to 32 bits
    // gives the same wrap-around.
    QElapsedTimer now;
    now.start();
    return quint32(quint64(now.msecsSinceReference()));
#endif
}

quint32 startupPauseLength(quint32 startTick) {
    return 2000 - startTick % 1000;
}

bool startupPauseOver(quint32 startTick, quint32 nowTick) {
    return quint32(nowTick - startTick) >= startupPauseLength(startTick);
}

void startupPause() {
    const quint32 start = tickCount();
    for (quint32 now = start; !startupPauseOver(start, now); now = tickCount())
        QThread::msleep(startupPauseLength(start) - quint32(now - start));
}

} // namespace platform
