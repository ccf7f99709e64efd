// Writing a 10 000-problem bank with its indexes, as cifrovex-bank build does, and saving one changed
// problem into such a file through the editor's document, which changes the file in place. Prints
// one "name value unit" figure per line: medians, and the file's size after one and after ten saves.

#include "data/bank_document.h"
#include "data/bank_tables.h"
#include "data/jet/jet.h"
#include "generated_bank.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kProblems = 10000;

// Four options a problem, Cyrillic texts, every tenth body a few thousand characters long.
Bank makeBank() {
    return generatedBank(kProblems, [](int p, QString &body) {
        if (p % 10 == 0)
            while (body.size() < 2000 + (p * 37) % 4000)
                body += QStringLiteral(" Сторона треугольника равна %1 см, найдите его площадь.").arg(body.size());
    });
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void figure(const char *name, double value, const char *unit) {
    std::printf("%s %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    const QList<jet::Table> tables = banktables::toTables(makeBank());

    std::vector<double> write;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        t.start();
        jet::writeFile(path, tables, jet::Version::Jet4);
        write.push_back(t.nsecsElapsed() / 1e6);
    }
    figure("bank_write_10000_ms", median(write), "ms");
    figure("bank_write_10000_file_kib", QFileInfo(path).size() / 1024.0, "KiB");

    BankDocument doc;
    doc.load(path);
    std::vector<double> save;
    qint64 afterOne = 0;
    for (int i = 0; i < 10; ++i) {
        DocProblem changed = doc.problem(kProblems / 2);
        changed.condition = QStringLiteral("Вычислите значение выражения (правка %1):").arg(i + 1);
        doc.setProblem(kProblems / 2, changed);
        QElapsedTimer t;
        t.start();
        try {
            doc.save(path, jet::Version::Jet4);
        } catch (const BankError &e) {
            std::fprintf(stderr, "bench_bank_save: %s\n", qPrintable(e.message()));
            return 1;
        }
        save.push_back(t.nsecsElapsed() / 1e6);
        if (i == 0)
            afterOne = QFileInfo(path).size();
    }
    figure("bank_save_one_changed_10000_ms", median(save), "ms");
    figure("bank_save_one_changed_10000_file_after_1_kib", afterOne / 1024.0, "KiB");
    figure("bank_save_one_changed_10000_file_after_10_kib", QFileInfo(path).size() / 1024.0, "KiB");
    return 0;
}
