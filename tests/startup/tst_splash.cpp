#include "app/gauge.h"
#include "app/jpeg_image.h"
#include "app/unzast.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void shippedPictureDecodes();
    void damagedJpegFailsCleanly_data();
    void damagedJpegFailsCleanly();
    void windowLayout();
    void gaugeRunsOnceOnScreen_data();
    void gaugeRunsOnceOnScreen();
};

namespace {
QByteArray shippedPicture() {
    QFile file(QStringLiteral(":/splash/splash.jpg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

void TestSplash::shippedPictureDecodes() {
    QString error = QStringLiteral("unset");
    const QImage image = loadJpeg(QStringLiteral(":/splash/splash.jpg"), &error);
    QVERIFY2(!image.isNull(), qPrintable(error));
    QVERIFY(error.isEmpty());
    QCOMPARE(image.size(), QSize(320, 260));
    // The title card: a dark blue corner and a white title line across the middle.
    const QColor corner = image.pixelColor(2, 2);
    QVERIFY(corner.blue() > corner.red() + 40);
    int white = 0;
    for (int x = 0; x < image.width(); ++x)
        white += qGray(image.pixel(x, 118)) > 200;
    QVERIFY(white > 20);
}

void TestSplash::damagedJpegFailsCleanly_data() {
    const QByteArray good = shippedPicture();
    QVERIFY(good.size() > 1000);
    QByteArray noStartMarker = good;
    noStartMarker[1] = '\x00';
    QByteArray hugeFrame = good;
    // The baseline frame header (SOF0): make the picture claim 65535 x 65535 pixels.
    const qsizetype sof = hugeFrame.indexOf(QByteArrayLiteral("\xff\xc0"));
    QVERIFY(sof > 0);
    hugeFrame[sof + 5] = hugeFrame[sof + 6] = hugeFrame[sof + 7] = hugeFrame[sof + 8] = '\xff';

    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not_jpeg") << QByteArrayLiteral("GIF89a this is not a JPEG stream");
    QTest::newRow("no_start_marker") << noStartMarker;
    QTest::newRow("header_only") << good.left(300);
    QTest::newRow("cut_short") << good.left(good.size() / 2);
    QTest::newRow("huge_frame") << hugeFrame;
}

void TestSplash::damagedJpegFailsCleanly() {
    QFETCH(QByteArray, bytes);
    QString error;
    const QImage image = decodeJpeg(bytes, &error);
    QVERIFY(image.isNull());
    QVERIFY(!error.isEmpty());
}

void TestSplash::windowLayout() {
    TForm3 splash;
    QCOMPARE(splash.Gauge1->maxValue(), qint64(300000));
    QCOMPARE(splash.Gauge1->progress(), qint64(0));
    QCOMPARE(splash.size(), QSize(342, 272));
    const Qt::WindowFlags flags = splash.windowFlags();
    QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(splash.frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());

    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.Image1, splash.findChild<QLabel *>(QStringLiteral("Image1")));
    QCOMPARE(splash.Gauge1, splash.findChild<ProgressGauge *>(QStringLiteral("Gauge1")));
    QCOMPARE(splash.Image1->geometry(), QRect(0, 0, 342, 242));
    QCOMPARE(splash.Gauge1->geometry(), QRect(0, 242, 342, 30));
    QCOMPARE(splash.Image1->pixmap().size(), QSize(320, 260));
    QVERIFY(splash.Image1->hasScaledContents());
    QCOMPARE(splash.Gauge1->font().pixelSize(), 15);
}

void TestSplash::gaugeRunsOnceOnScreen_data() {
    QTest::addColumn<bool>("activated");
    QTest::newRow("activated") << true;
    QTest::newRow("never_activated") << false;
}

// The run starts only once the splash is exposed and painted, climbs through every whole
// percentage in order, and happens once however often the window is activated; a splash the
// platform never activates runs it all the same.
void TestSplash::gaugeRunsOnceOnScreen() {
    QFETCH(bool, activated);
    TForm3 splash;
    // Every platform here activates a shown window; keeping the news from the splash stands in
    // for a window manager that does not.
    struct SwallowActivation : QObject {
        bool eventFilter(QObject *, QEvent *event) override {
            return event->type() == QEvent::ActivationChange || event->type() == QEvent::WindowActivate;
        }
    } swallow;
    if (!activated)
        splash.installEventFilter(&swallow);
    QList<int> painted;
    QList<bool> exposedWhenPainted;
    struct Filter : QObject {
        std::function<void()> onPaint;
        bool eventFilter(QObject *, QEvent *event) override {
            if (event->type() == QEvent::Paint)
                onPaint();
            return false;
        }
    } filter;
    filter.onPaint = [&] {
        painted.append(splash.Gauge1->percentDone());
        exposedWhenPainted.append(splash.windowHandle() && splash.windowHandle()->isExposed());
    };
    splash.Gauge1->installEventFilter(&filter);

    splash.showAndRunGauge();
    QVERIFY(splash.gaugeRunDone());
    QVERIFY(splash.isOnScreen());
    QCOMPARE(splash.Gauge1->percentDone(), 100);
    QVERIFY(!exposedWhenPainted.contains(false));
    QCOMPARE(painted.first(), 0);
    QList<int> steps;
    for (int p : std::as_const(painted)) {
        if (p > 0)
            steps.append(p);
    }
    QList<int> expected;
    for (int p = 1; p <= 100; ++p)
        expected.append(p);
    QCOMPARE(steps.mid(0, 100), expected);

    const qsizetype paints = painted.size();
    splash.FormActivate();
    QCOMPARE(painted.size(), paints);
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
