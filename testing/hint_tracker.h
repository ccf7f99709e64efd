#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

// The application's current hint, the text the status bar's hint panel shows. It is worked out
// afresh each time the event loop has nothing left to do, from the control under the mouse
// pointer in any of the program's windows, or from the highlighted menu item while a menu is
// open. Status tips are shown only this way: QStatusTipEvents are swallowed.
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
    // What recompute() runs on when the event loop goes idle: the pointer's real position.
    void recomputeFromPointer();

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

    QString m_hint;
    bool m_busy = false;
};
