#pragma once

#include <QWidget>

class QLabel;
class ProgressGauge;

// The splash window: the title picture over a gauge that climbs to 100 per cent while start-up
// runs. Frameless, on top of other windows, centred on the screen; it does not react to input.
class TForm3 : public QWidget {
    Q_OBJECT

public:
    explicit TForm3(QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    ProgressGauge *Gauge1 = nullptr;

    // The activation handler: lets pending events through until the window is on the screen,
    // then runs the gauge from 1 to its maximum in three runs, repainting only on whole-percent
    // steps and processing no events. Runs once; later calls do nothing.
    void FormActivate();
    bool gaugeRunDone() const { return m_gaugeRunDone; }

    // Shows the window and returns once the gauge has run. The run starts on the first
    // activation if one comes while the window is being put on the screen; a window manager
    // need not activate a splash, so failing that it starts as soon as the window is on the
    // screen (or after `screenTimeoutMs` if it never gets there), and start-up never waits for
    // an activation.
    void showAndRunGauge(int screenTimeoutMs = 3000);

    // Whether the window has been exposed and painted since it was shown: only then does what
    // the gauge paints reach the screen (an X server drops what is drawn into an unmapped window).
    bool isOnScreen() const;

protected:
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void waitUntilOnScreen(int timeoutMs);

    bool m_runStarted = false;
    bool m_gaugeRunDone = false;
    bool m_gaugePainted = false;
    int m_screenTimeoutMs = 3000;
};
