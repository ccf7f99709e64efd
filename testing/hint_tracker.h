#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// The application's current hint, the text the status bar's hint panel shows: the hint of the
// control under the mouse pointer in any of the program's windows, or of the highlighted menu item
// while a menu is open. It is worked out afresh when the event loop has nothing left to do, after
// something that can change it has happened: the pointer entered, left or moved, a key was pressed
// or released (menus move their highlight by keys), a control was enabled or disabled, shown or
// hidden, a window moved or was (de)activated. An idle program is not woken for it. Status tips
// are shown only this way: QStatusTipEvents are swallowed.
class HintTracker : public QObject {
    Q_OBJECT

public:
    // Installs itself on the application; one per application.
    explicit HintTracker(QObject *parent = nullptr);
    ~HintTracker() override;

    QString currentHint() const { return m_hint; }

    // The hint with `underPointer` as the widget under the mouse pointer (nullptr: none of ours),
    // unless a menu is open, whose highlighted item then decides.
    void recompute(QWidget *underPointer);
    // What recompute() runs on when the event loop goes idle after such an event: the pointer's
    // real position (a round trip to the window system).
    void recomputeFromPointer();
    // How often the pointer's position has been looked up so far.
    int pointerLookups() const { return m_pointerLookups; }

    // The hint for the pointer over `widget`: a disabled button, option grid or pane is passed
    // over, then the nearest control (itself or an enclosing one) with a status tip gives it.
    static QString hintForWidget(QWidget *widget);
    // The part of a status tip after the first "|", or the whole tip when it has none.
    static QString longHint(const QString &statusTip);

signals:
    void hintChanged(const QString &hint);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHint(const QString &hint);

    void recomputeIfStale();

    QString m_hint;
    bool m_busy = false;
    bool m_stale = true;
    int m_pointerLookups = 0;
};
