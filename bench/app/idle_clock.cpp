// What an idle window with the status-bar clock and the hint tracker costs: run it on a real display
// (or under Xvfb) and read the printed share of one core.
#include "testing/hint_tracker.h"
#include "testing/status_bar.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

#include <sys/resource.h>

#include <cstdio>

namespace {
double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20;

    QWidget window;
    window.resize(562, 350);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch();
    auto *bar = new StatusBar(&window);
    layout->addWidget(bar);
    HintTracker hints;
    QObject::connect(&hints, &HintTracker::hintChanged, bar,
                     [bar](const QString &hint) { bar->setPanelText(StatusBar::HintPanel, hint); });

    int paints = 0;
    struct Counter : QObject {
        int *paints;
        explicit Counter(int *p)
            : paints(p) {}
        bool eventFilter(QObject *, QEvent *e) override {
            if (e->type() == QEvent::Paint)
                ++*paints;
            return false;
        }
    } counter(&paints);
    for (int i = 0; i < StatusBar::PanelCount; ++i)
        bar->panelLabel(i)->installEventFilter(&counter);

    QTimer clock;
    clock.setInterval(100);
    QObject::connect(&clock, &QTimer::timeout, bar, [bar] { bar->tick(QDateTime::currentDateTime()); });
    clock.start();
    window.show();

    // Settle first, then measure.
    double cpuStart = 0;
    QElapsedTimer wall;
    QTimer::singleShot(2000, &app, [&] {
        cpuStart = cpuSeconds();
        paints = 0;
        wall.start();
        QTimer::singleShot(seconds * 1000, &app, [&] {
            const double cpu = cpuSeconds() - cpuStart;
            const double elapsed = double(wall.elapsed()) / 1000.0;
            std::printf("idle clock: %.1f s wall, %.3f s CPU, %.3f %% of one core, %d panel paints "
                        "(%.1f per second)\n",
                        elapsed, cpu, 100.0 * cpu / elapsed, paints, paints / elapsed);
            app.quit();
        });
    });
    return app.exec();
}
