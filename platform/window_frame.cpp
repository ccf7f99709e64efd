#include "platform/window_frame.h"

#include <QEvent>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

namespace platform {

WindowFrame::WindowFrame(QWidget *window)
    : QObject(window)
    , m_window(window) {
    window->installEventFilter(this);
}

QMargins WindowFrame::margins() const {
    if (m_testMargins)
        return m_fakeMargins;
    const QWindow *handle = m_window->windowHandle();
    return handle && m_window->isVisible() ? handle->frameMargins() : m_applied;
}

QSize WindowFrame::frameSize() const {
    const QMargins m = margins();
    return QSize(m.left() + m.right(), m.top() + m.bottom());
}

QPoint WindowFrame::centredTopLeft(QSize outer, const QRect &area) {
    return area.topLeft() + QPoint((area.width() - outer.width()) / 2, (area.height() - outer.height()) / 2);
}

void WindowFrame::setOuterSize(QSize outer, QSize minimum) {
    m_outer = outer;
    m_minimum = minimum;
    const QSize frame = frameSize();
    if (!m_minimum.isEmpty())
        m_window->setMinimumSize(m_minimum - frame);
    m_window->resize(m_outer - frame);
    m_applied = margins();
}

void WindowFrame::centre(std::function<QRect()> area) {
    m_area = std::move(area);
    m_placedAt = centredTopLeft(m_window->size() + frameSize(), m_area());
    m_window->move(m_placedAt); // a window's position is its frame's
    m_placed = true;
}

void WindowFrame::setMarginsForTest(const QMargins &margins) {
    m_testMargins = true;
    m_fakeMargins = margins;
    m_placed = bool(m_area); // as a frame arriving for the first time
    apply();
}

void WindowFrame::apply() {
    const QMargins now = margins();
    // Unmapped and mapped again, a window is briefly unframed on X11: its frame stays as it was.
    if (now == m_applied || (now.isNull() && !m_testMargins))
        return;
    const QSize oldFrame(m_applied.left() + m_applied.right(), m_applied.top() + m_applied.bottom());
    m_applied = now;
    const QSize frame = frameSize();
    if (!m_outer.isEmpty()) {
        if (!m_minimum.isEmpty())
            m_window->setMinimumSize(m_minimum - frame);
        // Only the designed size follows the frame; a size the user chose stays.
        if (m_window->size() == m_outer - oldFrame)
            m_window->resize(m_outer - frame);
    }
    if (m_placed && m_area) {
        // Once, right as the window is framed: from then on it stays where it is put.
        m_placed = false;
        m_settleTries = 3;
        scheduleSettle();
    }
}

void WindowFrame::scheduleSettle() {
    // After the event at hand: a window being shown is put where the widget thinks it is. Then
    // twice more: a window manager may place a new window only after it has told its frame,
    // putting it where it was first meant to go, and Qt may not hear of that move.
    QMetaObject::invokeMethod(this, &WindowFrame::settle, Qt::QueuedConnection);
    for (int ms : {150, 500})
        QTimer::singleShot(ms, this, &WindowFrame::settle);
}

void WindowFrame::settle() {
    if (m_settleTries <= 0)
        return;
    --m_settleTries;
    // Placed by the native window, which counts the frame just learnt (the widget may not yet).
    QWindow *handle = m_window->windowHandle();
    const QSize frame = frameSize();
    const QPoint target = centredTopLeft(m_window->size() + frame, m_area());
    const QPoint shift = (handle ? handle->framePosition() : m_window->pos()) - target;
    // Put there again whatever Qt believes, unless the user has moved the window: a window
    // manager may have put the frame round the window where the window itself was meant to go.
    if (std::abs(shift.x()) > frame.width() || std::abs(shift.y()) > frame.height()) {
        m_settleTries = 0;
        return;
    }
    if (handle) {
        // The window's own position with the frame as the system reports it: Qt's conversion
        // from a frame position may still count an older frame.
        const QMargins m = margins();
        handle->setPosition(target + QPoint(m.left(), m.top()));
    } else {
        m_window->move(target);
    }
}

bool WindowFrame::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_window) {
        switch (event->type()) {
        // Shown, the window has its native window, and where the system knows the frame before
        // the window is on the screen (Windows), it is in place at once. On X11 the window
        // manager frames the mapped window, which moves it within the frame and activates it.
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
            apply();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
