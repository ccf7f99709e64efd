#include "testing/access_keys.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>

namespace {

bool carries(const QString &caption, int key) {
    const QKeySequence mnemonic = QKeySequence::mnemonic(caption);
    return !mnemonic.isEmpty() && mnemonic[0].key() == Qt::Key(key);
}

// Walks the window's controls depth first in the order they were created.
void collect(QWidget *widget, int key, QList<QObject *> &found) {
    for (QObject *child : widget->children()) {
        auto *w = qobject_cast<QWidget *>(child);
        if (!w || w->isWindow())
            continue;
        if (auto *button = qobject_cast<QAbstractButton *>(w); button && carries(button->text(), key))
            found.append(button);
        if (auto *bar = qobject_cast<QMenuBar *>(w)) {
            for (QAction *title : bar->actions()) {
                if (title->isVisible() && carries(title->text(), key))
                    found.append(title);
            }
        }
        collect(w, key, found);
    }
}

bool usable(QObject *carrier, QWidget *window) {
    if (auto *button = qobject_cast<QAbstractButton *>(carrier))
        return button->isEnabled() && button->isVisibleTo(window);
    auto *title = static_cast<QAction *>(carrier);
    return title->isEnabled();
}

} // namespace

AccessKeys::AccessKeys(QObject *parent)
    : QObject(parent) {}

void AccessKeys::install() {
    static AccessKeys *instance = nullptr;
    if (instance)
        return;
    instance = new AccessKeys(qApp);
    qApp->installEventFilter(instance);
}

bool AccessKeys::isAccessKey(const QKeyEvent *event) {
    const int key = event->key();
    return event->modifiers() == Qt::AltModifier && key > Qt::Key_Space && key < Qt::Key_Escape &&
           !QApplication::activePopupWidget();
}

QObject *AccessKeys::carrier(QWidget *window, int key, bool *anyCarrier) {
    QList<QObject *> found;
    collect(window, key, found);
    if (anyCarrier)
        *anyCarrier = !found.isEmpty();
    for (QObject *candidate : found) {
        if (usable(candidate, window))
            return candidate;
    }
    return nullptr;
}

bool AccessKeys::eventFilter(QObject *watched, QEvent *event) {
    const QEvent::Type type = event->type();
    if ((type != QEvent::ShortcutOverride && type != QEvent::KeyPress) || !watched->isWidgetType())
        return QObject::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    QWidget *window = static_cast<QWidget *>(watched)->window();

    if (type == QEvent::KeyPress && key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
        // What the Menu key does: a context menu from the keyboard, to the control with the focus.
        if (QWindow *handle = window->windowHandle()) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QCursor::pos(), Qt::NoModifier);
            QCoreApplication::sendEvent(handle, &menu);
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

    if (!isAccessKey(key))
        return QObject::eventFilter(watched, event);
    bool anyCarrier = false;
    QObject *target = carrier(window, key->key(), &anyCarrier);
    if (!anyCarrier)
        return QObject::eventFilter(watched, event); // not a letter of this window
    if (type == QEvent::ShortcutOverride) {
        // Ours, not the shortcut map's, which would only cycle the focus between shared letters.
        event->accept();
        return true;
    }
    if (!target) {
        QApplication::beep(); // every control with this letter is disabled
    } else if (auto *button = qobject_cast<QAbstractButton *>(target)) {
        if (button->focusPolicy() != Qt::NoFocus)
            button->setFocus(Qt::ShortcutFocusReason);
        button->animateClick();
    } else {
        auto *title = static_cast<QAction *>(target);
        if (auto *bar = window->findChild<QMenuBar *>()) {
            bar->setActiveAction(title);
            // Opened by the keyboard, the menu highlights its first item.
            if (QMenu *menu = title->menu(); menu && !menu->actions().isEmpty())
                menu->setActiveAction(menu->actions().first());
        }
    }
    event->accept();
    return true;
}
