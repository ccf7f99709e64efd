// Latency of the Answer command as a student sees it: from Enter on the focused Answer button to
// the next problem painted on the screen. Runs the real main window on the bank in the current
// folder (the shipped data.cvx), at level 5, on whatever platform Qt is given (xcb under Xvfb
// for the published figures).
//
// Each sample: a Return key event is sent to the focused Answer button (the handler runs inside
// that call), then events are processed until both the problem pane's frame (GroupBox1, whose
// caption names the problem) and the condition memo (DBMemo3) have had their paint events and
// the window has been flushed, then a round trip to the X server makes sure it has drawn what was
// sent. The GUI thread's CPU and run-queue times over each sample come from schedstat. Problems 1
// to 19 are answered, then Restart goes back to the first, for several rounds; the 20th answer
// would end the test.
//
//   bench_answer [ROUNDS]
//
// Prints "name value unit" lines.
#include "bench/app/x_round_trip.h"
#include "data/unmodul.h"
#include "platform/message_box.h"
#include "testing/unlevel.h"
#include "testing/unmain.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

namespace {

// Notes the paint events of the watched widgets.
class PaintWatch : public QObject {
public:
    PaintWatch(QWidget *frame, QWidget *memoViewport)
        : m_frame(frame)
        , m_memo(memoViewport) {
        m_frame->installEventFilter(this);
        m_memo->installEventFilter(this);
    }
    void reset() { m_framePainted = m_memoPainted = false; }
    bool bothPainted() const { return m_framePainted && m_memoPainted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint) {
            if (watched == m_frame)
                m_framePainted = true;
            else if (watched == m_memo)
                m_memoPainted = true;
        }
        return false;
    }

private:
    QWidget *m_frame;
    QWidget *m_memo;
    bool m_framePainted = false;
    bool m_memoPainted = false;
};

// On-CPU and run-queue nanoseconds of the calling thread, the GUI thread (0 without schedstat).
struct ThreadTimes {
    double onCpuNs = 0;
    double waitingNs = 0;
};

ThreadTimes threadTimes() {
    ThreadTimes times;
    std::ifstream schedstat("/proc/thread-self/schedstat");
    schedstat >> times.onCpuNs >> times.waitingNs;
    return times;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    const auto index = std::min(values.size() - 1, std::size_t(p * double(values.size() - 1) + 0.5));
    return values[index];
}

void figure(const char *name, double value, const char *unit) {
    std::printf("%s %.2f %s\n", name, value, unit);
}

// Confirms level 5 in the level dialog that showing the main window opens.
void chooseLevel5(QObject *context) {
    QTimer::singleShot(0, context, [context] {
        auto *dialog = qobject_cast<TForm1 *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            chooseLevel5(context);
            return;
        }
        dialog->findChild<QRadioButton *>(QStringLiteral("RadioButton3"))->setChecked(true);
        dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 5;
    constexpr int answersPerRound = 19;

    platform::ScriptedMessageBoxes boxes; // Restart's question is answered Yes below
    TDM dm;
    TForm2 window;
    window.setDataModule(&dm);
    chooseLevel5(&window);
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowExposed(&window) || !QTest::qWaitForWindowActive(&window)) {
        std::fprintf(stderr, "bench_answer: the main window did not come up active\n");
        return 1;
    }
    auto *start = window.findChild<QPushButton *>(QStringLiteral("BitBtn1"));
    auto *answer = window.findChild<QPushButton *>(QStringLiteral("BitBtn4"));
    auto *restart = window.findChild<QAction *>(QStringLiteral("N7"));
    auto *frame = window.findChild<QGroupBox *>(QStringLiteral("GroupBox1"));
    auto *memo = window.findChild<QPlainTextEdit *>(QStringLiteral("DBMemo3"));
    if (QApplication::focusWidget() != start) {
        std::fprintf(stderr, "bench_answer: the Start button does not have the focus\n");
        return 1;
    }
    QTest::keyClick(start, Qt::Key_Return);
    if (QApplication::focusWidget() != answer) {
        std::fprintf(stderr, "bench_answer: Start did not give the focus to the Answer button\n");
        return 1;
    }
    PaintWatch watch(frame, memo->viewport());
    const bool xServer = bench::xRoundTrip();

    std::vector<double> handlerMs;
    std::vector<double> paintedMs;
    std::vector<double> cpuMs;
    std::vector<double> runQueueMs;
    int unpainted = 0;
    for (int round = 0; round < rounds; ++round) {
        for (int n = 1; n <= answersPerRound; ++n) {
            // Start each sample from a quiet window: earlier paints done, the clock's tick past.
            QTest::qWait(30);
            watch.reset();
            const ThreadTimes before = threadTimes();
            QElapsedTimer timer;
            timer.start();
            QTest::keyClick(answer, Qt::Key_Return);
            const qint64 handlerNs = timer.nsecsElapsed();
            while (!watch.bothPainted() && timer.elapsed() < 2000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (!watch.bothPainted()) {
                ++unpainted;
                continue;
            }
            bench::xRoundTrip();
            paintedMs.push_back(double(timer.nsecsElapsed()) / 1e6);
            handlerMs.push_back(double(handlerNs) / 1e6);
            const ThreadTimes after = threadTimes();
            cpuMs.push_back((after.onCpuNs - before.onCpuNs) / 1e6);
            runQueueMs.push_back((after.waitingNs - before.waitingNs) / 1e6);
        }
        boxes.answerNext(platform::MessageAnswer::Yes);
        restart->trigger();
    }
    if (paintedMs.empty()) {
        std::fprintf(stderr, "bench_answer: no answer was followed by a paint of the problem pane\n");
        return 1;
    }

    std::printf("answer_samples %zu answers\n", paintedMs.size());
    if (unpainted > 0)
        std::printf("answer_unpainted %d answers\n", unpainted);
    std::printf("answer_platform %s (X round trip %s)\n", qPrintable(QGuiApplication::platformName()),
                xServer ? "yes" : "no");
    figure("answer_handler_median_ms", percentile(handlerMs, 0.5), "ms");
    figure("answer_painted_median_ms", percentile(paintedMs, 0.5), "ms");
    figure("answer_painted_p90_ms", percentile(paintedMs, 0.9), "ms");
    figure("answer_painted_max_ms", percentile(paintedMs, 1.0), "ms");
    // The same samples split up: the GUI thread's own CPU time, and its time ready but waiting for
    // a core, which is what a busy machine adds.
    figure("answer_cpu_median_ms", percentile(cpuMs, 0.5), "ms");
    figure("answer_cpu_max_ms", percentile(cpuMs, 1.0), "ms");
    figure("answer_runqueue_p90_ms", percentile(runQueueMs, 0.9), "ms");
    std::fflush(stdout);
    return 0;
}
