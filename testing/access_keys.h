#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

// The keys every window of the program shares, installed on the application once:
//
// Access letters (Alt and the letter underlined in a caption). Where two controls of a window
// carry the same letter, the first enabled and visible one in the window's creation order is
// pressed, a menu title counting where its menu bar was created; a letter whose carriers are all
// disabled beeps. Qt alone would only move the focus between such controls, or do nothing.
//
// Shift+F10 opens the pop-up menu, wherever the Menu key does.
class AccessKeys : public QObject {
    Q_OBJECT

public:
    // One per application; the first call installs it.
    static void install();

    // What Alt+`key` presses in `window`: a button, or a menu title's action (its menu opens).
    // Nothing when no control there carries the letter.
    static QObject *carrier(QWidget *window, int key, bool *anyCarrier = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit AccessKeys(QObject *parent);
    static bool isAccessKey(const QKeyEvent *event);
};
