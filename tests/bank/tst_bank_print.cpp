// The test on paper from the bank tool, read back from the PDF as a teacher's PDF viewer reads it.

#include "bank_fixtures.h"
#include "pdf_text.h"
#include "testing/grading.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(Bank)

namespace {

QString shippedBank() {
    return QDir(qEnvironmentVariable("CIFROVEX_BINARY_DIR")).filePath(QStringLiteral("data.cvx"));
}

// The options of a problem as the program lists them: the rows of its ID_P in table order.
QList<AnswerOption> optionsOf(const Bank &bank, int position) {
    QList<AnswerOption> own;
    for (const AnswerOption &o : bank.options)
        if (o.ID_P == bank.problems[position - 1].ID_P)
            own << o;
    return own;
}

} // namespace

class TestBankPrint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void sheetOfShippedBank_data();
    void sheetOfShippedBank();
    void leavesOutBodiesTheProgramHides();
    void refusesWhatIsNoTest_data();
    void refusesWhatIsNoTest();
};

void TestBankPrint::init() {
    if (!havePdfToText())
        QSKIP("pdftotext (poppler-utils) is not installed: scripts/install-deps.sh test");
}

void TestBankPrint::sheetOfShippedBank_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("level3") << 3;
    QTest::newRow("level4") << 4;
    QTest::newRow("level5") << 5;
}

// The student's pages hold the level's problems in the program's order with their texts and
// numbered options; the last page holds the key the program grades by and its mark scale.
void TestBankPrint::sheetOfShippedBank() {
    QFETCH(int, level);
    const LevelRules &rules = *levelRules(level);
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("лист.pdf"));
    const ToolRun r = runBankTool({QStringLiteral("print"), shippedBank(), QStringLiteral("-o"), pdf,
                                   QStringLiteral("--level"), QString::number(level)});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(r.err, QString());
    const QStringList pages = pdfPages(pdf);
    QVERIFY2(pages.size() >= 2, qPrintable(pdf));

    // The student's sheet: heading, lines to fill in, then each problem in order.
    const QString sheet = pages.mid(0, pages.size() - 1).join(u'\n');
    QVERIFY2(sheet.contains(QStringLiteral("уровень «%1», %2 задач").arg(level).arg(rules.problems)),
             qPrintable(sheet.left(400)));
    for (const QString &line :
         {QStringLiteral("Фамилия, имя:"), QStringLiteral("Класс:"), QStringLiteral("Дата:")})
        QVERIFY2(sheet.contains(line), qPrintable(line));
    const QString text = squeezed(sheet);
    const Bank bank = loadBank(shippedBank());
    qsizetype at = 0;
    for (int p = 1; p <= rules.problems; ++p) {
        const Problem &problem = bank.problems[p - 1];
        QStringList expected{QStringLiteral("Задача № %1").arg(p), problem.Uslovie.value_or(QString()),
                             problem.Name.value_or(QString())};
        for (const AnswerOption &o : optionsOf(bank, p))
            expected << QStringLiteral("%1) %2").arg(o.dopol).arg(o.Otvet.value_or(QString()));
        for (const QString &piece : std::as_const(expected)) {
            const qsizetype found = text.indexOf(squeezed(piece), at);
            QVERIFY2(
                found >= 0,
                qPrintable(QStringLiteral("problem %1: «%2» missing or out of order").arg(p).arg(piece)));
            at = found + squeezed(piece).size();
        }
    }
    // Each heading once: a problem moved to the next page leaves no hidden copy of its text behind.
    QList<int> expectedHeadings;
    for (int p = 1; p <= rules.problems; ++p)
        expectedHeadings << p;
    QCOMPARE(sheetHeadings(sheet), expectedHeadings);
    QVERIFY2(!sheet.contains(QStringLiteral("Ключ")), "the key on the student's pages");

    // The key: one row per problem, position and the number the program counts as correct.
    const QString keyPage = pages.last();
    QVERIFY(keyPage.contains(QStringLiteral("Ключ к тесту")));
    QList<std::pair<int, int>> expectedKey;
    for (int p = 1; p <= rules.problems; ++p)
        expectedKey.append({p, correctOption(p)});
    QCOMPARE(keyRows(keyPage), expectedKey);

    // The scale: every count of correct answers falls in exactly one row, with the program's mark.
    static const QRegularExpression scaleRow(QStringLiteral("^\\s*(\\d+)(?:–(\\d+))?\\s+([2-5])\\s*$"),
                                             QRegularExpression::MultilineOption);
    QList<int> markOf(rules.problems + 1, 0);
    for (auto m = scaleRow.globalMatch(keyPage.section(QStringLiteral("Оценка"), 1)); m.hasNext();) {
        const QRegularExpressionMatch match = m.next();
        const int fewest = match.captured(1).toInt();
        const int most = match.captured(2).isEmpty() ? fewest : match.captured(2).toInt();
        QVERIFY2(fewest <= most && most <= rules.problems, qPrintable(match.captured(0)));
        for (int c = fewest; c <= most; ++c) {
            QCOMPARE(markOf[c], 0);
            markOf[c] = match.captured(3).toInt();
        }
    }
    for (int c = 0; c <= rules.problems; ++c)
        QCOMPARE(markOf[c], int(markFor(c, rules)));
}

// Where the condition takes the whole problem pane (positions 10 and 15) the student never sees the
// body: the sheet leaves it out and the tool says so.
void TestBankPrint::leavesOutBodiesTheProgramHides() {
    Bank bank = sampleBank(20);
    for (int p : {9, 10, 15, 16})
        bank.problems[p - 1].Name = QStringLiteral("Текст задачи на месте %1").arg(p);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bank.cvx"));
    writeBank(path, bank);
    const QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    const ToolRun r = runBankTool({QStringLiteral("print"), path, QStringLiteral("-o"), pdf});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    const QString text = squeezed(pdfPages(pdf).join(u'\n'));
    for (int p : {9, 16})
        QVERIFY2(text.contains(squeezed(*bank.problems[p - 1].Name)), qPrintable(QString::number(p)));
    for (int p : {10, 15}) {
        QVERIFY2(!text.contains(squeezed(*bank.problems[p - 1].Name)), qPrintable(QString::number(p)));
        QVERIFY2(r.err.contains(QStringLiteral("Задача %1: ").arg(p)), qPrintable(r.err));
    }
}

void TestBankPrint::refusesWhatIsNoTest_data() {
    QTest::addColumn<Bank>("bank"); // written to the bank file; empty: the file is not made
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("says");

    const QString notJet = QDir(qEnvironmentVariable("CIFROVEX_SOURCE_DIR"))
                               .filePath(QStringLiteral("resources/bank/Zadachi.csv"));
    QTest::newRow("missing") << Bank{} << QStringList{} << 3 << QStringLiteral("bank.cvx");
    QTest::newRow("not_jet") << Bank{} << QStringList{notJet} << 3 << notJet;
    QTest::newRow("twelve_for_level5")
        << sampleBank(12) << QStringList{} << 3 << QStringLiteral("12 задач, а уровень «5» показывает 20");
    QTest::newRow("twelve_for_level4")
        << sampleBank(12) << QStringList{QStringLiteral("--level"), QStringLiteral("4")} << 3
        << QStringLiteral("уровень «4» показывает 15");
    Bank noKey = sampleBank(20);
    for (AnswerOption &o : noKey.options)
        if (o.ID_P == 7 && o.dopol == correctOption(7))
            o.dopol = 5;
    QTest::newRow("no_key_option") << noKey << QStringList{} << 3
                                   << QStringLiteral("у задачи 7 нет варианта %1").arg(correctOption(7));
    Bank noOptions = sampleBank(10);
    noOptions.options.erase(std::remove_if(noOptions.options.begin(), noOptions.options.end(),
                                           [](const AnswerOption &o) { return o.ID_P == 2; }),
                            noOptions.options.end());
    QTest::newRow("no_options") << noOptions << QStringList{QStringLiteral("--level"), QStringLiteral("3")}
                                << 3 << QStringLiteral("задача 2 без вариантов ответа");
    QTest::newRow("level_six") << sampleBank(20)
                               << QStringList{QStringLiteral("--level"), QStringLiteral("6")} << 2
                               << QStringLiteral("уровня «6» нет");
    QTest::newRow("no_output") << sampleBank(20) << QStringList{QStringLiteral("--no-output")} << 2
                               << QStringLiteral("-o ФАЙЛ.pdf");
    QTest::newRow("onto_the_bank") << sampleBank(20) << QStringList{QStringLiteral("--onto-the-bank")} << 2
                                   << QStringLiteral("на место самого банка");
    QTest::newRow("no_folder") << sampleBank(20) << QStringList{QStringLiteral("--into-missing-folder")} << 4
                               << QStringLiteral("нет такой папки");
}

// Nothing is written, and the message names the fault.
void TestBankPrint::refusesWhatIsNoTest() {
    QFETCH(Bank, bank);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("bank.cvx"));
    if (!bank.problems.isEmpty())
        writeBank(path, bank);
    if (!args.isEmpty() && !args.first().startsWith(u'-'))
        path = args.takeFirst();
    QString pdf = dir.filePath(QStringLiteral("sheet.pdf"));
    QStringList command{QStringLiteral("print"), path};
    if (args.removeAll(QStringLiteral("--into-missing-folder")))
        pdf = dir.filePath(QStringLiteral("нет/sheet.pdf"));
    const bool ontoBank = args.removeAll(QStringLiteral("--onto-the-bank"));
    if (ontoBank)
        pdf = path;
    if (!args.removeAll(QStringLiteral("--no-output")))
        command << QStringLiteral("-o") << pdf;
    const ToolRun r = runBankTool(command + args);
    QCOMPARE(r.code, code);
    QVERIFY2(r.err.contains(says), qPrintable(r.err));
    if (ontoBank)
        QCOMPARE(loadBank(path).problems.size(), 20);
    else
        QVERIFY2(!QFileInfo::exists(pdf), qPrintable(pdf));
    QCOMPARE(r.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestBankPrint)
#include "tst_bank_print.moc"
