#include "app/unzast.h"

#include "app/gauge.h"
#include "app/jpeg_image.h"
#include "platform/fonts.h"

#include <QDeadlineTimer>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace {
constexpr int clientWidth = 342;
constexpr int clientHeight = 272;
constexpr int gaugeHeight = 30;
constexpr qint64 gaugeMax = 300000;
} // namespace

TForm3::TForm3(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("Form3"));
    setFixedSize(clientWidth, clientHeight);
    // The window has no title (no frame at all) for a screen reader to announce.
    setAccessibleName(QStringLiteral("Загрузка программы"));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true); // stretched to the area, aspect ratio not kept
    Image1->setMinimumSize(1, 1);
    // A picture that fails to decode leaves the area empty: it is part of the program, and the
    // splash is no place to report its loss.
    const QImage picture = loadJpeg(QStringLiteral(":/splash/splash.jpg"));
    if (!picture.isNull())
        Image1->setPixmap(QPixmap::fromImage(picture));

    Gauge1 = new ProgressGauge(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setFixedHeight(gaugeHeight);
    Gauge1->setFont(platform::designFont(QStringLiteral("Times New Roman"), 15));
    Gauge1->setMaxValue(gaugeMax);
    Gauge1->setAccessibleName(QStringLiteral("Ход загрузки"));
    Gauge1->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Image1, 1);
    layout->addWidget(Gauge1);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->geometry().center());
        move(frame.topLeft());
    }
}

bool TForm3::isOnScreen() const {
    const QWindow *window = windowHandle();
    return isVisible() && window && window->isExposed() && m_gaugePainted;
}

void TForm3::showAndRunGauge(int screenTimeoutMs) {
    m_screenTimeoutMs = screenTimeoutMs;
    show();
    waitUntilOnScreen(screenTimeoutMs);
    FormActivate();
}

void TForm3::FormActivate() {
    if (m_runStarted)
        return;
    m_runStarted = true;
    waitUntilOnScreen(m_screenTimeoutMs);
    for (qint64 i = 1; i <= 100000; ++i)
        Gauge1->setProgress(i);
    for (qint64 i = 100001; i <= 200000; ++i)
        Gauge1->setProgress(i);
    for (qint64 i = 200001; i <= 300000; ++i)
        Gauge1->setProgress(i);
    m_gaugeRunDone = true;
}

void TForm3::waitUntilOnScreen(int timeoutMs) {
    QCoreApplication::processEvents();
    if (isOnScreen() || !isVisible())
        return;
    const QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (isOnScreen() || m_gaugeRunDone || deadline.hasExpired())
            loop.quit();
    });
    poll.start();
    loop.exec();
}

void TForm3::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    // Queued: a platform may activate the window from inside show(), before it can be exposed.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_runStarted)
        QMetaObject::invokeMethod(this, &TForm3::FormActivate, Qt::QueuedConnection);
}

bool TForm3::eventFilter(QObject *watched, QEvent *event) {
    if (watched == Gauge1 && event->type() == QEvent::Paint && windowHandle() && windowHandle()->isExposed())
        m_gaugePainted = true;
    return QWidget::eventFilter(watched, event);
}
