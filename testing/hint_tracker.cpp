#include "testing/hint_tracker.h"

#include "testing/option_grid.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

HintTracker::HintTracker(QObject *parent)
    : QObject(parent) {
    qApp->installEventFilter(this);
    if (QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance(qApp->thread()))
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &HintTracker::recomputeIfStale);
}

HintTracker::~HintTracker() {
    if (qApp)
        qApp->removeEventFilter(this);
}

QString HintTracker::longHint(const QString &statusTip) {
    const qsizetype bar = statusTip.indexOf(u'|');
    return bar < 0 ? statusTip : statusTip.mid(bar + 1);
}

namespace {
bool passedOverWhenDisabled(const QWidget *w) {
    return qobject_cast<const QAbstractButton *>(w) || qobject_cast<const OptionGrid *>(w) ||
           qobject_cast<const QGroupBox *>(w);
}
} // namespace

QString HintTracker::hintForWidget(QWidget *widget) {
    // The pointer cannot reach into a disabled control of these kinds: start above the outermost one.
    QWidget *start = widget;
    for (QWidget *w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (!w->isEnabled() && passedOverWhenDisabled(w))
            start = w->isWindow() ? nullptr : w->parentWidget();
    }
    for (QWidget *w = start; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        if (!w->statusTip().isEmpty())
            return longHint(w->statusTip());
    }
    return {};
}

void HintTracker::recompute(QWidget *underPointer) {
    // An open menu, or a menu bar the keyboard is walking, owns the hint while it is highlighted.
    if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
        const QAction *action = menu->activeAction();
        setHint(action ? longHint(action->statusTip()) : QString());
        return;
    }
    if (auto *bar = qobject_cast<QMenuBar *>(QApplication::focusWidget()); bar && bar->activeAction()) {
        setHint(longHint(bar->activeAction()->statusTip()));
        return;
    }
    // A menu title the pointer highlights gives its own hint, as an item of an open menu does.
    if (auto *bar = qobject_cast<QMenuBar *>(underPointer); bar && bar->activeAction()) {
        setHint(longHint(bar->activeAction()->statusTip()));
        return;
    }
    setHint(underPointer ? hintForWidget(underPointer) : QString());
}

void HintTracker::recomputeFromPointer() {
    // Emitting the change can make the loop run again before it blocks; one pass at a time.
    if (m_busy)
        return;
    m_busy = true;
    ++m_pointerLookups;
    recompute(QApplication::widgetAt(QCursor::pos()));
    m_busy = false;
}

void HintTracker::recomputeIfStale() {
    if (!m_stale || m_busy)
        return;
    m_stale = false;
    recomputeFromPointer();
}

void HintTracker::setHint(const QString &hint) {
    if (hint == m_hint)
        return;
    m_hint = hint;
    emit hintChanged(m_hint);
}

bool HintTracker::eventFilter(QObject *watched, QEvent *event) {
    switch (event->type()) {
    case QEvent::StatusTip:
        return true;
    // What can change the control under the pointer, or which menu item is highlighted. Timers,
    // paints and layout requests cannot: the clock's ticks leave the hint alone.
    case QEvent::Enter:
    case QEvent::Leave:
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::EnabledChange:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ZOrderChange:
        m_stale = true;
        break;
    case QEvent::Move:
        if (watched->isWindowType() ||
            (watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()))
            m_stale = true;
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
