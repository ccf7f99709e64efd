#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>

// Watches the main window of a test. Closing it would end the program, so every attempt is
// counted and refused: the test process and its main window live on to be inspected.
class MainWindowWatch : public QObject {
public:
    explicit MainWindowWatch(QWidget *main) { main->installEventFilter(this); }

    int closes = 0;
    int shows = 0;
    std::function<void()> onShow; // runs as the main window comes onto the screen

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Close) {
            ++closes;
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::Show) {
            ++shows;
            if (onShow)
                onShow();
        }
        return false;
    }
};
