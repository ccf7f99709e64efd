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
    static const qint64 origin = [] {
        QElapsedTimer t;
        t.start();
        return t.msecsSinceReference();
    }();
    QElapsedTimer now;
    now.start();
    return quint32(quint64(now.msecsSinceReference() - origin));
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
