#pragma once

#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QSize>

#include <functional>

class QRect;
class QWidget;

namespace platform {

// A top-level window's outer frame: its sizes and centring as designed counted with the frame
// the window system puts round it (title bar and borders). Qt sizes a window by its inside, and
// on X11 learns the frame only once the window manager has framed the mapped window; this keeps
// the outer figures true then too. With no window manager the frame is nothing.
class WindowFrame : public QObject {
    Q_OBJECT

public:
    // Attached to `window` (and owned by it).
    explicit WindowFrame(QWidget *window);

    // The window's outer size is `outer`, its smallest outer size `minimum` (empty: none), frame
    // included. The user's resizing stays: a later frame only adjusts the designed size.
    void setOuterSize(QSize outer, QSize minimum = {});
    // Centres the outer frame in the rectangle `area` gives, now and once more when the frame
    // becomes known, unless the window has been moved meanwhile.
    void centre(std::function<QRect()> area);

    // The frame as far as it is known now: zero before the window is framed or without one.
    QMargins margins() const;
    // Centres `outer` in `area`, rounding toward the top left.
    static QPoint centredTopLeft(QSize outer, const QRect &area);

    // Test seam: the frame a window system would report, in place of the real one.
    void setMarginsForTest(const QMargins &margins);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void scheduleSettle();
    void settle();
    QSize frameSize() const;

    QWidget *m_window;
    QSize m_outer;
    QSize m_minimum;
    std::function<QRect()> m_area;
    QMargins m_applied;
    QPoint m_placedAt;
    bool m_placed = false;
    int m_settleTries = 0; // moves left to get the frame centred once the frame is known
    bool m_testMargins = false;
    QMargins m_fakeMargins;
};

} // namespace platform
