// The bank editor with a 10 000-problem bank: opening and saving it, the check it runs while the
// teacher types, and one key typed into the largest problem's text until the field is repainted.
// Prints one "name value unit" figure per line.

#include "data/bank_check.h"
#include "data/bank_document.h"
#include "data/bank_tables.h"
#include "data/jet/jet.h"
#include "editor/editor_window.h"
#include "editor/problem_editor.h"
#include "editor/text_edit.h"
#include "generated_bank.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kProblems = 10000;
constexpr int kLargest = 4321; // index of the problem with the longest body

Bank makeBank() {
    return generatedBank(kProblems, [](int p, QString &body) {
        if (p == kLargest + 1)
            for (int line = 0; line < 400; ++line)
                body += QStringLiteral("\nСтрока %1 длинного условия: найдите значение выражения при x = %1.").arg(line);
    });
}

struct Stats {
    double median = 0, p90 = 0, max = 0;
};

Stats stats(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 9 / 10)], v.back()};
}

void figure(const char *name, double value, const char *unit) {
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Counts the paint events of a widget.
class PaintWatch : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    jet::writeFile(path, banktables::toTables(makeBank()));
    std::printf("editor bank: %d problems, %lld KiB\n", kProblems, QFileInfo(path).size() / 1024);

    // --keys: only the typing, for a profiler.
    const int kRuns = app.arguments().contains(QStringLiteral("--keys")) ? 1 : 9;
    std::vector<double> load, open, save, check;
    for (int i = 0; i < kRuns; ++i) {
        BankDocument doc;
        QElapsedTimer t;
        t.start();
        doc.load(path);
        load.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        doc.save(dir.filePath(QStringLiteral("saved.cvx")), jet::Version::Jet4);
        save.push_back(t.nsecsElapsed() / 1e6);
        t.restart();
        const bankcheck::Report report = bankcheck::check(doc.toBank());
        check.push_back(t.nsecsElapsed() / 1e6);
        if (!report.ok())
            std::printf("editor bank check: %lld findings\n", qint64(report.findings.size()));
    }

    EditorWindow window;
    window.dialogs().showError = [](QWidget *, const QString &text) {
        std::printf("error: %s\n", qPrintable(text));
    };
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer t;
        t.start();
        window.openFile(path);
        QCoreApplication::processEvents();
        open.push_back(t.nsecsElapsed() / 1e6);
    }

    window.setCurrentProblem(kLargest);
    BankTextEdit *body = window.problemEditor()->bodyEdit();
    window.activateWindow();
    body->setFocus();
    body->moveCursor(QTextCursor::End);
    QCoreApplication::processEvents();
    PaintWatch watch;
    body->viewport()->installEventFilter(&watch);
    std::vector<double> keys;
    for (int i = 0; i < (kRuns == 1 ? 600 : 60); ++i) {
        watch.paints = 0;
        QElapsedTimer t;
        t.start();
        QTest::keyClick(body, Qt::Key(Qt::Key_A + i % 26), Qt::NoModifier);
        while (watch.paints == 0 && t.elapsed() < 1000)
            QCoreApplication::processEvents();
        keys.push_back(t.nsecsElapsed() / 1e6);
    }
    if (body->toPlainText().size() < 400 * 60)
        std::printf("editor: the keys did not reach the body\n");

    figure("editor_10000_load_ms", stats(load).median, "ms");
    figure("editor_10000_open_window_ms", stats(open).median, "ms");
    figure("editor_10000_save_ms", stats(save).median, "ms");
    figure("editor_10000_check_ms", stats(check).median, "ms");
    const Stats k = stats(keys);
    figure("editor_key_painted_median_ms", k.median, "ms");
    figure("editor_key_painted_p90_ms", k.p90, "ms");
    figure("editor_key_painted_max_ms", k.max, "ms");
    return 0;
}
