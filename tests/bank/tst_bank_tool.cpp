// The bank tool as a user runs it.

#include "bank_fixtures.h"
#include "data/bank_csv.h"
#include "data/jet/format.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(jet::Version)

namespace {

QString source(const QString &name) {
    return QDir(qEnvironmentVariable("CIFROVEX_SOURCE_DIR"))
        .filePath(QStringLiteral("resources/bank/") + name);
}

} // namespace

class TestBankTool : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void buildsFromSpreadsheetCsv();
    void badRowWritesNothing();
    void checksTheShippedBank();
    void checkNamesFaults();
    void commandLine_data();
    void commandLine();
    void dumpSaysWhenCodePageIsAssumed_data();
    void dumpSaysWhenCodePageIsAssumed();
};

void TestBankTool::roundTrip_data() {
    QTest::addColumn<QStringList>("flags");
    QTest::newRow("jet4") << QStringList{};
    QTest::newRow("jet3") << QStringList{QStringLiteral("--jet3")};
}

// build -> dump gives back the sources byte for byte, and building the dump gives the same file.
void TestBankTool::roundTrip() {
    QFETCH(QStringList, flags);
    QTemporaryDir dir;
    const QString first = dir.filePath(QStringLiteral("first.cvx"));
    const QString second = dir.filePath(QStringLiteral("second.cvx"));
    const QString dumped = dir.filePath(QStringLiteral("dump"));

    ToolRun r = runBankTool(QStringList{QStringLiteral("build"), source(QStringLiteral("Zadachi.csv")),
                                        source(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), first} +
                            flags);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    r = runBankTool({QStringLiteral("dump"), first, QStringLiteral("-o"), dumped});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(QDir(dumped).entryList(QDir::Files),
             (QStringList{QStringLiteral("Otvety.csv"), QStringLiteral("Zadachi.csv")}));
    for (const QString &name : {QStringLiteral("Zadachi.csv"), QStringLiteral("Otvety.csv")})
        QCOMPARE(fileBytes(QDir(dumped).filePath(name)), fileBytes(source(name)));

    r = runBankTool({QStringLiteral("dump"), first, QStringLiteral("otvety")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out, fileBytes(source(QStringLiteral("Otvety.csv"))));

    r = runBankTool(QStringList{QStringLiteral("build"), QDir(dumped).filePath(QStringLiteral("Zadachi.csv")),
                                QDir(dumped).filePath(QStringLiteral("Otvety.csv")), QStringLiteral("-o"),
                                second} +
                    flags);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(fileBytes(second), fileBytes(first));
}

// The shipped sources as a Russian spreadsheet program saves them (";", Windows-1251, CRLF)
// build the same bank, with a notice for each file taken for Windows-1251.
void TestBankTool::buildsFromSpreadsheetCsv() {
    QTemporaryDir dir;
    QStringList inputs;
    for (const QString &name : {QStringLiteral("Zadachi.csv"), QStringLiteral("Otvety.csv")}) {
        QString text;
        for (const csv::Record &record : csv::parse(fileBytes(source(name)), name)) {
            QStringList fields;
            for (const csv::Field &f : record.fields)
                fields << (f.quoted ? u'"' + QString(f.text).replace(u'"', QStringLiteral("\"\"")) + u'"'
                                    : f.text);
            text += fields.join(u';') + QStringLiteral("\r\n");
        }
        inputs << dir.filePath(name);
        QVERIFY(writeBytes(inputs.last(), *jet::format::encodeText(jet::Version::Jet3, text, false)));
    }
    const QString expected = dir.filePath(QStringLiteral("expected.cvx"));
    const QString built = dir.filePath(QStringLiteral("data.cvx"));
    ToolRun r = runBankTool({QStringLiteral("build"), source(QStringLiteral("Zadachi.csv")),
                             source(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), expected});
    QVERIFY2(r.code == 0 && r.err.isEmpty(), qPrintable(r.err));
    r = runBankTool({QStringLiteral("build"), inputs[0], inputs[1], QStringLiteral("-o"), built});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(fileBytes(built), fileBytes(expected));
    const QStringList notices = r.err.split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(notices.size(), 2);
    for (int i = 0; i < 2; ++i)
        QVERIFY2(notices[i].startsWith(QStringLiteral("cifrovex-bank: %1: ").arg(inputs[i])) &&
                     notices[i].contains(QStringLiteral("Windows-1251")),
                 qPrintable(r.err));
}

void TestBankTool::badRowWritesNothing() {
    QTemporaryDir dir;
    QByteArray options = fileBytes(source(QStringLiteral("Otvety.csv")));
    QList<QByteArray> lines = options.split('\n');
    lines[9] = "9,3,\"lost\",0,two"; // line 10 of the file
    const QString badOptions = dir.filePath(QStringLiteral("Otvety.csv"));
    QVERIFY(writeBytes(badOptions, lines.join('\n')));
    const QString out = dir.filePath(QStringLiteral("data.cvx"));
    QVERIFY(writeBytes(out, "old"));

    const ToolRun r = runBankTool({QStringLiteral("build"), source(QStringLiteral("Zadachi.csv")), badOptions,
                                   QStringLiteral("-o"), out});
    QCOMPARE(r.code, 3);
    QVERIFY2(r.err.contains(badOptions + QStringLiteral(", строка 10: ")), qPrintable(r.err));
    QVERIFY2(r.err.contains(QStringLiteral("dopol")), qPrintable(r.err));
    QCOMPARE(fileBytes(out), QByteArray("old"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("data.cvx"), QStringLiteral("Otvety.csv")}));
}

void TestBankTool::checksTheShippedBank() {
    QTemporaryDir dir;
    const QString bank = dir.filePath(QStringLiteral("data.cvx"));
    QCOMPARE(runBankTool({QStringLiteral("build"), source(QStringLiteral("Zadachi.csv")),
                          source(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), bank})
                 .code,
             0);
    const ToolRun r = runBankTool({QStringLiteral("check"), bank});
    const QString text = QString::fromUtf8(r.out);
    QVERIFY2(r.code == 0, qPrintable(text + r.err));
    QCOMPARE(text.count(QStringLiteral("работает как задумано")), 3);
    QVERIFY(text.contains(QStringLiteral("задач 20, вариантов ответа 80")));
    QVERIFY(text.contains(QStringLiteral("Ошибок не найдено.")));

    // The program reads the bank the same way: twenty problems, four options each, keyed as designed.
    const Bank loaded = loadBank(bank);
    for (int p = 1; p <= 20; ++p) {
        int keyed = 0;
        for (const AnswerOption &o : loaded.options)
            if (o.ID_P == loaded.problems[p - 1].ID_P && o.Istina)
                keyed = o.dopol;
        QCOMPARE(keyed, correctOption(p));
    }
    for (int p : {10, 15})
        QCOMPARE(loaded.problems[p - 1].Name, QString(QLatin1String("")));
    for (int p : {4, 11, 16})
        QVERIFY(!loaded.problems[p - 1].Name->contains(u'\n') && loaded.problems[p - 1].Name->size() > 100);
}

void TestBankTool::checkNamesFaults() {
    Bank bank = sampleBank(20);
    bank.options.removeAt(13); // problem 4 keeps three options
    bank.options.append({99, 42, QStringLiteral("ничей"), false, 1});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.cvx"));
    writeBank(path, bank);

    const ToolRun r = runBankTool({QStringLiteral("check"), path});
    const QString text = QString::fromUtf8(r.out);
    QCOMPARE(r.code, 1);
    QVERIFY2(text.contains(QStringLiteral("Уровень «3» (задачи 1–10): не работает: ошибки в задачах 4.")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Задача 4 (ID_P 4): вариантов ответа 3")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("ID_O 99 относятся к задаче с ID_P 42")), qPrintable(text));
    // The bodies at 10 and 15 the student never sees.
    for (int p : {10, 15})
        QVERIFY2(
            text.contains(QStringLiteral("Задача %1 (ID_P %1): текст задачи (Name) ученик не увидит").arg(p)),
            qPrintable(text));
}

void TestBankTool::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");

    const QString missing = QDir::temp().filePath(QStringLiteral("cifrovex-no-such-file.cvx"));
    const QString notJet = source(QStringLiteral("Zadachi.csv"));
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QStringLiteral("Коды завершения");
    QTest::newRow("nothing") << QStringList{} << 2 << QStringLiteral("не указана команда");
    QTest::newRow("unknown") << QStringList{QStringLiteral("bake")} << 2 << QStringLiteral("bake");
    QTest::newRow("build_one_file") << QStringList{QStringLiteral("build"), notJet, QStringLiteral("-o"),
                                                   QStringLiteral("x.cvx")}
                                    << 2 << QStringLiteral("два CSV-файла");
    QTest::newRow("build_no_output") << QStringList{QStringLiteral("build"), notJet, notJet} << 2
                                     << QStringLiteral("-o");
    // The code tells the input's fault (3) from the output's (4).
    const QString zadachi = source(QStringLiteral("Zadachi.csv"));
    const QString otvety = source(QStringLiteral("Otvety.csv"));
    QTest::newRow("build_missing_input") << QStringList{QStringLiteral("build"), zadachi, missing,
                                                        QStringLiteral("-o"), QStringLiteral("x.cvx")}
                                         << 3 << QStringLiteral("файл %1 не найден").arg(missing);
    QTest::newRow("build_into_missing_folder")
        << QStringList{QStringLiteral("build"), zadachi, otvety, QStringLiteral("-o"),
                       QDir::temp().filePath(QStringLiteral("cifrovex-no-such-folder/x.cvx"))}
        << 4 << QStringLiteral("не записан: нет такой папки");
    QTest::newRow("check_missing") << QStringList{QStringLiteral("check"), missing} << 3 << missing;
    QTest::newRow("check_not_jet") << QStringList{QStringLiteral("check"), notJet} << 3 << notJet;
    QTest::newRow("dump_two_to_stdout") << QStringList{QStringLiteral("dump"), QStringLiteral("bank.cvx"),
                                                       QStringLiteral("Zadachi"), QStringLiteral("Otvety")}
                                        << 2 << QStringLiteral("-o КАТАЛОГ");
    QTest::newRow("dump_not_jet") << QStringList{QStringLiteral("dump"), notJet} << 3 << notJet;
}

void TestBankTool::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    const ToolRun r = runBankTool(args);
    QCOMPARE(r.code, code);
    const QString text = code == 0 ? QString::fromUtf8(r.out) : r.err;
    QVERIFY2(text.contains(says), qPrintable(text));
}

void TestBankTool::dumpSaysWhenCodePageIsAssumed_data() {
    QTest::addColumn<int>("codePage");
    QTest::addColumn<int>("sortOrder");
    QTest::addColumn<QString>("text"); // the option text of the first row as dumped
    QTest::addColumn<bool>("notice");
    QTest::newRow("1251") << 1251 << 0x0409 << QStringLiteral("\"два\"") << false;
    QTest::newRow("1253") << 1253 << 0x0409 << QStringLiteral("\"\u03B4\u03B2\u03B0\"") << false;
    QTest::newRow("cyrillic_order") << 0 << 0x0419 << QStringLiteral("\"два\"") << false;
    QTest::newRow("none") << 0 << 0x0409 << QStringLiteral("\"два\"") << true;
}

// A Jet 3 bank whose header names no code page we know is still dumped, read as Windows-1251,
// with a notice on standard error.
void TestBankTool::dumpSaysWhenCodePageIsAssumed() {
    QFETCH(int, codePage);
    QFETCH(int, sortOrder);
    QFETCH(QString, text);
    QFETCH(bool, notice);
    Bank bank = sampleBank(1);
    bank.options[0].Otvet = QStringLiteral("два");
    QByteArray bytes = jet::write(banktables::toTables(bank), jet::Version::Jet3);
    namespace fmt = jet::format;
    const fmt::Layout &l = fmt::layout(jet::Version::Jet3);
    auto *h = reinterpret_cast<uchar *>(bytes.data());
    fmt::headerCrypt(h + fmt::kHeaderCryptStart, l.headerCryptSize);
    fmt::put16(h + fmt::kHeaderCodePage, quint16(codePage));
    fmt::put16(h + fmt::kHeaderSortOrder3, quint16(sortOrder));
    fmt::headerCrypt(h + fmt::kHeaderCryptStart, l.headerCryptSize);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.mdb"));
    QVERIFY(writeBytes(path, bytes));

    const ToolRun r = runBankTool({QStringLiteral("dump"), path, QStringLiteral("Otvety")});
    QCOMPARE(r.code, 0);
    QCOMPARE(r.text().split(u'\n').value(1).section(u',', 2, 2), text);
    if (notice)
        QVERIFY2(r.err.startsWith(QStringLiteral("cifrovex-bank: %1: ").arg(path)) &&
                     r.err.contains(QStringLiteral("Windows-1251")),
                 qPrintable(r.err));
    else
        QCOMPARE(r.err, QString());
}

QTEST_GUILESS_MAIN(TestBankTool)
#include "tst_bank_tool.moc"
