#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QSize>
#include <QWidget>

// The arithmetic of the bar gauge, kept apart from the widget so it can be checked on its own.

// The whole percentage done: (progress - minValue) * 100 / (maxValue - minValue) in floating
// point, truncated toward zero; 0 for an empty range.
int gaugePercent(qint64 progress, qint64 minValue, qint64 maxValue);

// The column just right of the bar in a gauge `width` pixels wide: truncate(W * percent * 0.01)
// with W = width - 1, never beyond W. The bar covers x = 1 up to this column, not including it.
int gaugeBarEnd(int width, int percent);

// The text the gauge shows, "%d%%".
QString gaugeText(int percent);

// The whole gauge at `percent`: a one-pixel black frame, the inner area in `background`, the bar
// in black and the centred text, each of whose pixels inverts what lies beneath it.
QImage renderGauge(QSize size, int percent, const QColor &background, const QFont &font);

// A horizontal bar gauge. Its background is the button-face colour of its palette.
class ProgressGauge : public QWidget {
    Q_OBJECT

public:
    explicit ProgressGauge(QWidget *parent = nullptr);

    qint64 minValue() const { return m_minValue; }
    qint64 maxValue() const { return m_maxValue; }
    void setMaxValue(qint64 value);
    qint64 progress() const { return m_progress; }
    // Clamps to the range. Repaints at once, without waiting for the event loop, when the whole
    // percentage changes; otherwise nothing visible changes and nothing is painted.
    void setProgress(qint64 value);
    int percentDone() const { return gaugePercent(m_progress, m_minValue, m_maxValue); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qint64 m_minValue = 0;
    qint64 m_maxValue = 100;
    qint64 m_progress = 0;
};
