#include "platform/system_keys.h"

#include <QCoreApplication>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QWidget>

#include <qt_windows.h>
#endif

namespace platform {

#ifdef Q_OS_WIN
namespace {

class AltF4Filter : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        // WM_SYSKEYDOWN with the context bit: the key came with Alt held.
        if (msg->message != WM_SYSKEYDOWN || msg->wParam != VK_F4 || !(msg->lParam & (1 << 29)))
            return false;
        if (::GetKeyState(VK_CONTROL) < 0 || ::GetKeyState(VK_SHIFT) < 0)
            return false;
        QWidget *window = QApplication::activeWindow();
        if (!window || window->isHidden())
            return false;
        const QKeySequence altF4(Qt::ALT | Qt::Key_F4);
        QList<QAction *> actions = window->actions();
        actions += window->findChildren<QAction *>();
        for (QAction *action : std::as_const(actions)) {
            if (action->isEnabled() && action->shortcuts().contains(altF4)) {
                // After the key's message: the action may open a modal box.
                QMetaObject::invokeMethod(action, &QAction::trigger, Qt::QueuedConnection);
                // The event loop asks before dispatching the message, with no result to give.
                if (result)
                    *result = 0;
                return true;
            }
        }
        return false;
    }
};

} // namespace
#endif

void routeAltF4ToShortcuts(QCoreApplication &app) {
#ifdef Q_OS_WIN
    static AltF4Filter filter;
    app.installNativeEventFilter(&filter);
#else
    Q_UNUSED(app);
#endif
}

} // namespace platform
