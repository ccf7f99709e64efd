#include "app/gauge.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

int gaugePercent(qint64 progress, qint64 minValue, qint64 maxValue) {
    const qint64 range = maxValue - minValue;
    if (range <= 0)
        return 0;
    return int(std::trunc(double(progress - minValue) * 100.0 / double(range)));
}

int gaugeBarEnd(int width, int percent) {
    const int w = width - 1;
    const int end = int(std::trunc(double(w) * percent * 0.01));
    return std::min(end, w);
}

QString gaugeText(int percent) {
    return QString::number(percent) + QLatin1Char('%');
}

QImage renderGauge(QSize size, int percent, const QColor &background, const QFont &font) {
    QImage image(size, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    image.fill(Qt::black);
    const QRect inner(1, 1, size.width() - 2, size.height() - 2);
    if (inner.isEmpty())
        return image;

    QPainter painter(&image);
    painter.fillRect(inner, background);
    const int barEnd = gaugeBarEnd(size.width(), percent);
    if (barEnd > 1)
        painter.fillRect(QRect(1, 1, barEnd - 1, inner.height()), Qt::black);
    painter.end();

    // The text goes into a mask first, without antialiasing, so that each of its pixels is
    // either wholly on or off and can invert the pixel beneath exactly: white over the bar,
    // the background's inverse beside it, both within a digit that straddles the bar's edge.
    QFont textFont = font;
    textFont.setStyleStrategy(QFont::NoAntialias);
    const QString text = gaugeText(percent);
    const QFontMetrics metrics(textFont);
    const int x = inner.left() + (inner.width() - metrics.horizontalAdvance(text)) / 2;
    const int y = inner.top() + (inner.height() - metrics.height()) / 2;

    QImage mask(size, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter maskPainter(&mask);
    maskPainter.setFont(textFont);
    maskPainter.setPen(Qt::white);
    maskPainter.setClipRect(inner);
    maskPainter.drawText(x, y + metrics.ascent(), text);
    maskPainter.end();

    for (int row = inner.top(); row <= inner.bottom(); ++row) {
        const uchar *maskLine = mask.constScanLine(row);
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int col = inner.left(); col <= inner.right(); ++col) {
            if (maskLine[col] >= 128)
                line[col] ^= 0x00ffffffu;
        }
    }
    return image;
}

ProgressGauge::ProgressGauge(QWidget *parent)
    : QWidget(parent) {}

void ProgressGauge::setMaxValue(qint64 value) {
    if (value == m_maxValue)
        return;
    m_maxValue = value;
    m_progress = std::clamp(m_progress, m_minValue, std::max(m_minValue, m_maxValue));
    update();
}

void ProgressGauge::setProgress(qint64 value) {
    const qint64 clamped = std::clamp(value, m_minValue, std::max(m_minValue, m_maxValue));
    const int before = percentDone();
    m_progress = clamped;
    if (percentDone() != before)
        repaint();
}

void ProgressGauge::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.drawImage(0, 0, renderGauge(size(), percentDone(), palette().color(QPalette::Button), font()));
}
