// Replays the fuzzer's inputs through the reader: the committed seeds (our writer's output, which
// must read cleanly) and every crasher the fuzzer found (fuzz/regressions), which must now end in
// a FormatError or a clean read. Run under the asan preset, this is where a fix would regress.

#include "data/jet/jet.h"
#include "jet_test_util.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTest>

using namespace jet;

class TestJetFuzzReplay : public QObject {
    Q_OBJECT

private slots:
    void replay_data();
    void replay();
};

void TestJetFuzzReplay::replay_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("mustRead");
    const QDir root(jettest::sourceDir());
    QVERIFY2(root.exists(QStringLiteral("fuzz/corpus")), "CIFROVEX_SOURCE_DIR does not point at the sources");
    for (const auto &[folder, mustRead] : {std::pair{QStringLiteral("fuzz/corpus"), true},
                                           std::pair{QStringLiteral("fuzz/regressions"), false}}) {
        QStringList files = QDir(root.filePath(folder)).entryList(QDir::Files, QDir::Name);
        files.removeAll(QStringLiteral(".gitkeep"));
        for (const QString &f : files)
            QTest::newRow(qPrintable(folder.section(QLatin1Char('/'), 1) + QLatin1Char('/') + f))
                << root.filePath(folder + QLatin1Char('/') + f) << mustRead;
    }
}

void TestJetFuzzReplay::replay() {
    QFETCH(QString, path);
    QFETCH(bool, mustRead);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    try {
        const Database db = Database::fromBytes(f.readAll(), path);
        QStringList names = db.tableNames();
        names.append(QStringLiteral("MSysObjects"));
        for (const QString &name : names) {
            try {
                db.readTable(name);
            } catch (const FormatError &e) {
                QVERIFY2(!mustRead, qPrintable(e.message()));
            }
        }
    } catch (const FormatError &e) {
        QVERIFY2(!mustRead, qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestJetFuzzReplay)
#include "tst_jet_fuzz_replay.moc"
