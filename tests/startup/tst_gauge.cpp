#include "app/gauge.h"
#include "platform/fonts.h"

#include <QTest>

namespace {

QFont gaugeFont() {
    return platform::designFont(QStringLiteral("Times New Roman"), 15);
}

// Counts the paints a widget receives and remembers the percentage each one showed.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(ProgressGauge *gauge)
        : m_gauge(gauge) {
        gauge->installEventFilter(this);
    }
    QList<int> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_gauge && event->type() == QEvent::Paint)
            painted.append(m_gauge->percentDone());
        return false;
    }

private:
    ProgressGauge *m_gauge;
};

QRgb plainPixel(int x, int y, QSize size, int percent, QRgb background) {
    if (x == 0 || y == 0 || x == size.width() - 1 || y == size.height() - 1)
        return qRgb(0, 0, 0);
    return x < gaugeBarEnd(size.width(), percent) ? qRgb(0, 0, 0) : background;
}

} // namespace

class TestGauge : public QObject {
    Q_OBJECT

private slots:
    void percentAndClamping_data();
    void percentAndClamping();
    void barColumns_data();
    void barColumns();
    void textInvertsWhatLiesBeneath_data();
    void textInvertsWhatLiesBeneath();
    void repaintsOncePerWholePercent();
};

void TestGauge::percentAndClamping_data() {
    QTest::addColumn<qint64>("maxValue");
    QTest::addColumn<qint64>("set");
    QTest::addColumn<qint64>("progress");
    QTest::addColumn<int>("percent");
    QTest::newRow("start") << qint64(300000) << qint64(0) << qint64(0) << 0;
    QTest::newRow("below_first_step") << qint64(300000) << qint64(2999) << qint64(2999) << 0;
    QTest::newRow("first_step") << qint64(300000) << qint64(3000) << qint64(3000) << 1;
    QTest::newRow("half") << qint64(300000) << qint64(150000) << qint64(150000) << 50;
    QTest::newRow("below_full") << qint64(300000) << qint64(299999) << qint64(299999) << 99;
    QTest::newRow("full") << qint64(300000) << qint64(300000) << qint64(300000) << 100;
    QTest::newRow("thirds_truncate") << qint64(3) << qint64(2) << qint64(2) << 66;
    QTest::newRow("below_range") << qint64(300000) << qint64(-5) << qint64(0) << 0;
    QTest::newRow("beyond_range") << qint64(300000) << qint64(400000) << qint64(300000) << 100;
    QTest::newRow("empty_range") << qint64(0) << qint64(7) << qint64(0) << 0;
}

void TestGauge::percentAndClamping() {
    QFETCH(qint64, maxValue);
    QFETCH(qint64, set);
    QFETCH(qint64, progress);
    QFETCH(int, percent);
    ProgressGauge gauge;
    gauge.setMaxValue(maxValue);
    gauge.setProgress(set);
    QCOMPARE(gauge.progress(), progress);
    QCOMPARE(gauge.percentDone(), percent);
    QCOMPARE(gaugeText(percent), QString::number(percent) + QLatin1Char('%'));
}

// The bar ends at truncate((width - 1) * percent * 0.01), exclusive, and never covers the frame.
void TestGauge::barColumns_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("end");
    QTest::newRow("empty") << 342 << 0 << 0;
    QTest::newRow("one") << 342 << 1 << 3;
    QTest::newRow("half_rounds_down") << 342 << 50 << 170;
    QTest::newRow("ninety_nine") << 342 << 99 << 337;
    QTest::newRow("full") << 342 << 100 << 341;
    QTest::newRow("narrow_full") << 3 << 100 << 2;
    QTest::newRow("exact") << 101 << 37 << 37;
}

void TestGauge::barColumns() {
    QFETCH(int, width);
    QFETCH(int, percent);
    QFETCH(int, end);
    QCOMPARE(gaugeBarEnd(width, percent), end);

    // Row 2 lies above the text: frame, bar, background and frame again, nothing else.
    const QSize size(width, 30);
    const QRgb background = qRgb(0xd4, 0xd0, 0xc8);
    const QImage image = renderGauge(size, percent, QColor(background), gaugeFont());
    for (int x = 0; x < width; ++x)
        QCOMPARE(image.pixel(x, 2), plainPixel(x, 2, size, percent, background));
}

void TestGauge::textInvertsWhatLiesBeneath_data() {
    QTest::addColumn<int>("percent");
    QTest::newRow("empty") << 0;
    QTest::newRow("edge_inside_text") << 50;
    QTest::newRow("full") << 100;
}

// Every pixel of the painted gauge is either what the frame, background and bar put there or its
// exact inverse (a text pixel); text pixels are white on the bar and inverted background beside
// it, and the text sits in the middle.
void TestGauge::textInvertsWhatLiesBeneath() {
    QFETCH(int, percent);
    ProgressGauge gauge;
    gauge.setMaxValue(100);
    gauge.setFont(gaugeFont());
    gauge.resize(342, 30);
    gauge.setProgress(percent);
    const QImage image = gauge.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), QSize(342, 30));
    const QRgb background = gauge.palette().color(QPalette::Button).rgb();
    QCOMPARE(image, renderGauge(image.size(), percent, QColor(background), gaugeFont()));

    int overBar = 0;
    int overBackground = 0;
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb plain = plainPixel(x, y, image.size(), percent, background);
            const QRgb actual = image.pixel(x, y);
            if (actual == plain)
                continue;
            QCOMPARE(actual, plain ^ 0x00ffffffu);
            QVERIFY2(x > 0 && y > 0 && x < image.width() - 1 && y < image.height() - 1, "text on the frame");
            ++(plain == qRgb(0, 0, 0) ? overBar : overBackground);
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    QCOMPARE(overBar > 0, percent > 0);
    QCOMPARE(overBackground > 0, percent < 100);
    const int leftMargin = left;
    const int rightMargin = image.width() - 1 - right;
    QVERIFY2(std::abs(leftMargin - rightMargin) <= 3,
             qPrintable(QStringLiteral("text spans %1..%2").arg(left).arg(right)));
}

// The splash's run: every value from 1 to 300000 in turn, with no events processed in between.
void TestGauge::repaintsOncePerWholePercent() {
    ProgressGauge gauge;
    gauge.setMaxValue(300000);
    gauge.resize(342, 30);
    gauge.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gauge));
    QCoreApplication::processEvents();

    PaintRecorder recorder(&gauge);
    for (qint64 i = 1; i <= 300000; ++i)
        gauge.setProgress(i);
    QList<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.append(p);
    QCOMPARE(recorder.painted, expected);

    gauge.setProgress(300000);
    gauge.setProgress(299000);
    QCOMPARE(recorder.painted.size(), 101);
    QCOMPARE(recorder.painted.last(), 99);
}

QTEST_MAIN(TestGauge)
#include "tst_gauge.moc"
