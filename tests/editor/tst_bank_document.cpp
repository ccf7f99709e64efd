// The bank document: the answer-key rule through every edit, undo and redo, import, and saving
// with the previous version kept and nothing half-written.

#include "data/bank_aiken.h"
#include "data/bank_charset.h"
#include "data/bank_check.h"
#include "data/bank_csv.h"
#include "data/bank_document.h"
#include "data/bank_editing.h"
#include "data/bank_tables.h"
#include "testing/grading.h"

#include "../bank/bank_fixtures.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <functional>
#include <tuple>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// Problem i (1-based in the name) whose correct option reads "верно i" among "a i", "b i", "c i".
DocProblem marked(int i) {
    DocProblem p;
    p.condition = QStringLiteral("Условие %1").arg(i);
    p.body = QStringLiteral("%1 + %1").arg(i);
    p.options = {QStringLiteral("a %1").arg(i), QStringLiteral("верно %1").arg(i),
                 QStringLiteral("b %1").arg(i), QStringLiteral("c %1").arg(i)};
    p.correct = 1;
    return p;
}

QList<DocProblem> markedProblems(int count) {
    QList<DocProblem> problems;
    for (int i = 1; i <= count; ++i)
        problems << marked(i);
    return problems;
}

// For every position of the saved bank: the option under the key's number is the one the author
// marked, Istina is on it alone, and the other options are in the author's order.
QString keyRuleFault(const Bank &bank) {
    for (int pi = 0; pi < bank.problems.size(); ++pi) {
        const int p = pi + 1;
        QList<AnswerOption> own;
        for (const AnswerOption &o : bank.options)
            if (o.ID_P == bank.problems[pi].ID_P)
                own << o;
        QStringList others;
        for (const AnswerOption &o : own) {
            const bool isCorrect = o.Otvet->startsWith(QStringLiteral("верно"));
            if (o.Istina != isCorrect)
                return QStringLiteral("position %1: Istina on %2").arg(p).arg(*o.Otvet);
            if (isCorrect && p <= 20 && o.dopol != correctOption(p))
                return QStringLiteral("position %1: correct under %2").arg(p).arg(o.dopol);
            if (!isCorrect)
                others << o.Otvet->left(1);
        }
        if (others != QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")})
            return QStringLiteral("position %1: others in order %2").arg(p).arg(others.join(u','));
    }
    return {};
}

QStringList conditions(const BankDocument &doc) {
    QStringList list;
    for (const DocProblem &p : doc.problems())
        list << p.condition;
    return list;
}

#ifndef Q_OS_WIN
QByteArray mdbExport(const QString &file, const QString &table) {
    QProcess p;
    p.start(QStringLiteral("mdb-export"), {file, table});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput();
}
#endif

} // namespace

class TestBankDocument : public QObject {
    Q_OBJECT

private slots:
    void savesKeepTheTeachersObjects();
    void shownOrder_data();
    void shownOrder();
    void levelsUsing();
    void keyRuleSurvivesStructuralEdits_data();
    void keyRuleSurvivesStructuralEdits();
    void undoRedoRestoresEveryStep();
    void typingIsOneUndoStep();
    void correctChoiceAndOptionEdits();
    void loadKeepsTheAuthorsChoice();
    void loadChoosesNoAnswerForTheTeacher_data();
    void loadChoosesNoAnswerForTheTeacher();
    void aikenImportRoundTrips();
    void saveReadsBackThroughBothReaders_data();
    void saveReadsBackThroughBothReaders();
    void saveKeepsThePreviousVersion();
    void failedSaveLeavesTheFileAlone_data();
    void failedSaveLeavesTheFileAlone();
    void fullDiskLeavesTheFileAlone();
    void moveOption_data();
    void moveOption();
    void severalProblemsAreOneStep();
    void schoolSpellings_data();
    void schoolSpellings();
    void storableByVersion();
};

void TestBankDocument::shownOrder_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("optionCount");
    QTest::addColumn<int>("correct");
    QTest::addColumn<QList<int>>("expected");
    // Position 1's key is 3, position 2's is 1, position 3's is 4.
    QTest::newRow("key3_correct_second") << 1 << 4 << 1 << QList<int>{0, 2, 1, 3};
    QTest::newRow("key1_correct_last") << 2 << 4 << 3 << QList<int>{3, 0, 1, 2};
    QTest::newRow("key4_correct_first") << 3 << 4 << 0 << QList<int>{1, 2, 3, 0};
    QTest::newRow("already_in_place") << 1 << 4 << 2 << QList<int>{0, 1, 2, 3};
    QTest::newRow("none_correct") << 1 << 4 << -1 << QList<int>{0, 1, 2, 3};
    QTest::newRow("three_options_key4") << 3 << 3 << 0 << QList<int>{1, 2, 0};
    QTest::newRow("five_options") << 3 << 5 << 4 << QList<int>{0, 1, 2, 4, 3};
    QTest::newRow("past_the_key") << 21 << 4 << 1 << QList<int>{0, 1, 2, 3};
    QTest::newRow("no_options") << 1 << 0 << -1 << QList<int>{};
}

void TestBankDocument::shownOrder() {
    QFETCH(int, position);
    QFETCH(int, optionCount);
    QFETCH(int, correct);
    QFETCH(QList<int>, expected);
    DocProblem p;
    for (int i = 0; i < optionCount; ++i)
        p.options << QString::number(i);
    p.correct = correct;
    QCOMPARE(bankdoc::shownOrder(p, position), expected);
}

void TestBankDocument::levelsUsing() {
    QCOMPARE(bankdoc::levelsUsing(1), QStringLiteral("3, 4, 5"));
    QCOMPARE(bankdoc::levelsUsing(10), QStringLiteral("3, 4, 5"));
    QCOMPARE(bankdoc::levelsUsing(11), QStringLiteral("4, 5"));
    QCOMPARE(bankdoc::levelsUsing(15), QStringLiteral("4, 5"));
    QCOMPARE(bankdoc::levelsUsing(16), QStringLiteral("5"));
    QCOMPARE(bankdoc::levelsUsing(20), QStringLiteral("5"));
    QCOMPARE(bankdoc::levelsUsing(21), QStringLiteral("не используется"));
}

void TestBankDocument::keyRuleSurvivesStructuralEdits_data() {
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<QStringList>("firstConditions"); // the first three afterwards
    const auto c = [](std::initializer_list<int> ns) {
        QStringList l;
        for (int n : ns)
            l << (n ? QStringLiteral("Условие %1").arg(n) : QString());
        return l;
    };
    QTest::newRow("move_down") << "move" << 0 << 2 << c({2, 3, 1});
    QTest::newRow("move_up") << "move" << 19 << 0 << c({20, 1, 2});
    QTest::newRow("move_past_key") << "move" << 0 << 21 << c({2, 3, 4});
    QTest::newRow("move_into_key") << "move" << 21 << 1 << c({1, 22, 2});
    QTest::newRow("remove_first") << "remove" << 0 << 0 << c({2, 3, 4});
    QTest::newRow("insert_first") << "insert" << 0 << 0 << c({0, 1, 2});
    QTest::newRow("duplicate_first") << "duplicate" << 0 << 0 << c({1, 1, 2});
}

void TestBankDocument::keyRuleSurvivesStructuralEdits() {
    QFETCH(QString, op);
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(QStringList, firstConditions);
    BankDocument doc;
    doc.reset(markedProblems(25));
    BankEditing editing(&doc);
    QCOMPARE(keyRuleFault(doc.toBank()), QString());

    if (op == QLatin1String("move"))
        editing.moveProblem(a, b);
    else if (op == QLatin1String("remove"))
        editing.removeProblem(a);
    else if (op == QLatin1String("insert"))
        editing.insertProblem(a);
    else
        editing.duplicateProblem(a);

    QCOMPARE(conditions(doc).mid(0, 3), firstConditions);
    if (op != QLatin1String("insert")) {
        QCOMPARE(keyRuleFault(doc.toBank()), QString());
        QVERIFY(bankcheck::check(doc.toBank()).ok());
    }
    editing.undoStack()->undo();
    QCOMPARE(doc.problems(), markedProblems(25));
}

void TestBankDocument::undoRedoRestoresEveryStep() {
    BankDocument doc;
    doc.reset(markedProblems(22));
    BankEditing editing(&doc);
    QList<QList<DocProblem>> states{doc.problems()};
    const auto step = [&](auto &&f) {
        f();
        states << doc.problems();
    };
    step([&] { editing.moveProblem(3, 17); });
    step([&] { editing.setCorrect(0, 3); });
    step([&] { editing.removeOption(1, 0); });
    step([&] { editing.addOption(2); });
    step([&] { editing.duplicateProblem(5); });
    step([&] { editing.removeProblem(0); });
    step([&] { editing.insertProblem(22); });
    step([&] { editing.setCondition(4, QStringLiteral("Новое")); });
    step([&] { editing.replaceAll(markedProblems(3), QStringLiteral("импорт")); });
    QCOMPARE(editing.undoStack()->count(), states.size() - 1);

    for (int i = states.size() - 2; i >= 0; --i) {
        editing.undoStack()->undo();
        QCOMPARE(doc.problems(), states[i]);
    }
    for (int i = 1; i < states.size(); ++i) {
        editing.undoStack()->redo();
        QCOMPARE(doc.problems(), states[i]);
    }
}

void TestBankDocument::typingIsOneUndoStep() {
    BankDocument doc;
    doc.reset(markedProblems(2));
    BankEditing editing(&doc);
    for (const QString &text : {QStringLiteral("Н"), QStringLiteral("На"), QStringLiteral("Най")})
        editing.setBody(0, text);
    editing.setOptionText(0, 2, QStringLiteral("x"));
    editing.setOptionText(0, 2, QStringLiteral("xy"));
    editing.setBody(1, QStringLiteral("другая"));
    QCOMPARE(editing.undoStack()->count(), 3);
    editing.undoStack()->undo();
    editing.undoStack()->undo();
    QCOMPARE(doc.problem(0).body, QStringLiteral("Най"));
    editing.undoStack()->undo();
    QCOMPARE(doc.problems(), markedProblems(2));
    // The same text again changes nothing and takes no step.
    editing.setBody(0, doc.problem(0).body);
    QCOMPARE(editing.undoStack()->index(), 0);
}

void TestBankDocument::correctChoiceAndOptionEdits() {
    BankDocument doc;
    doc.reset(markedProblems(20));
    BankEditing editing(&doc);
    // Position 1's key is 3: choosing "c 1" puts it third, the others keep a, верно, b.
    editing.setCorrect(0, 3);
    Bank bank = doc.toBank();
    QStringList shown;
    for (int i = 0; i < 4; ++i)
        shown << *bank.options[i].Otvet;
    QCOMPARE(shown, (QStringList{QStringLiteral("a 1"), QStringLiteral("верно 1"), QStringLiteral("c 1"),
                                 QStringLiteral("b 1")}));
    QVERIFY(bank.options[2].Istina && bank.options[2].dopol == 3);

    // Removing the correct option leaves none chosen: the check says so for that problem.
    editing.removeOption(1, 1);
    QCOMPARE(doc.problem(1).correct, -1);
    const bankcheck::Report report = bankcheck::check(doc.toBank());
    QVERIFY(!report.ok());
    QVERIFY(!report.findings.isEmpty());
    for (const bankcheck::Finding &f : report.findings)
        QCOMPARE(f.position, 2);
    QVERIFY(report.levelsServed.isEmpty());

    // Removing an option before the correct one keeps the same option correct.
    editing.removeOption(2, 0);
    QCOMPARE(doc.problem(2).options[doc.problem(2).correct], QStringLiteral("верно 3"));
}

void TestBankDocument::loadKeepsTheAuthorsChoice() {
    // Problem 1 marks option 2 true although the key takes 3; problem 2 marks none; an option of
    // an unknown problem; problem 3 comes with its options out of number order.
    Bank bank = sampleBank(3);
    bank.options[2].Istina = false;
    bank.options[1].Istina = true;
    for (int i = 4; i < 8; ++i)
        bank.options[i].Istina = false;
    std::swap(bank.options[8], bank.options[11]);
    bank.options.append({99, 77, QStringLiteral("сирота"), false, 1});

    QStringList notes;
    const QList<DocProblem> problems = BankDocument::fromBank(bank, &notes);
    QCOMPARE(problems.size(), 3);
    QCOMPARE(problems[0].options[problems[0].correct], *bank.options[1].Otvet);
    // None marked: none chosen, and the teacher is told so.
    QCOMPARE(problems[1].correct, -1);
    QCOMPARE(problems[2].options.size(), 4);
    QCOMPARE(problems[2].options[0], *bank.options[11].Otvet);
    QCOMPARE(notes.size(), 3);
    QVERIFY(notes[0].startsWith(QStringLiteral("Задача 1:")));
    QVERIFY2(notes[1].startsWith(QStringLiteral("Задача 2: ни один вариант не отмечен")),
             qPrintable(notes[1]));
    QVERIFY(notes[2].contains(QStringLiteral("ID_P 77")));

    // Saved as it is, problem 2 still has no correct option: the check keeps saying so.
    BankDocument doc;
    doc.reset(problems);
    QList<int> positions;
    for (const bankcheck::Finding &f : bankcheck::check(doc.toBank()).findings)
        positions << f.position;
    QCOMPARE(positions, (QList<int>{2, 0})); // and that three problems are too few
}

void TestBankDocument::loadChoosesNoAnswerForTheTeacher_data() {
    QTest::addColumn<QList<int>>("marked"); // the dopol numbers marked Istina in problem 1
    QTest::addColumn<int>("correct");       // the option chosen, by its number; 0 for none
    QTest::addColumn<QString>("note");
    QTest::newRow("none") << QList<int>{} << 0 << QStringLiteral("ни один вариант не отмечен");
    QTest::newRow("two") << QList<int>{1, 3} << 0 << QStringLiteral("верными отмечены варианты 1, 3");
    QTest::newRow("one_off_the_key") << QList<int>{2} << 2 << QStringLiteral("перенумерованы");
    QTest::newRow("one_on_the_key") << QList<int>{3} << 3 << QString();
}

void TestBankDocument::loadChoosesNoAnswerForTheTeacher() {
    QFETCH(QList<int>, marked);
    QFETCH(int, correct);
    QFETCH(QString, note);
    // Saved and opened again, as a teacher meets it: through the file.
    Bank bank = sampleBank(20);
    for (AnswerOption &o : bank.options)
        if (o.ID_P == 1)
            o.Istina = marked.contains(o.dopol);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, bank);
    BankDocument doc;
    QStringList notes;
    doc.load(path, &notes);
    QCOMPARE(doc.problem(0).correct + 1, correct);
    QCOMPARE(notes.size(), note.isEmpty() ? 0 : 1);
    if (!note.isEmpty())
        QVERIFY2(notes[0].startsWith(QStringLiteral("Задача 1: ")) && notes[0].contains(note),
                 qPrintable(notes[0]));
    doc.save(path, jet::Version::Jet4);
    const bankcheck::Report report = bankcheck::check(loadBank(path));
    QCOMPARE(report.levelsServed.isEmpty(), correct == 0);
}

void TestBankDocument::aikenImportRoundTrips() {
    QByteArray text;
    for (int i = 1; i <= 21; ++i)
        text += QStringLiteral("Вопрос %1\nA) один\nB) два\nC) три\nD) четыре\nANSWER: %2\n\n")
                    .arg(i)
                    .arg(QChar(u'A' + i % 4))
                    .toUtf8();
    const Bank imported = aiken::importBank(text, QStringLiteral("q.txt"), jet::Version::Jet4);
    BankDocument doc;
    doc.reset(BankDocument::fromBank(imported));
    const Bank again = doc.toBank();
    QCOMPARE(again.problems, imported.problems);
    QCOMPARE(again.options, imported.options);
}

void TestBankDocument::saveReadsBackThroughBothReaders_data() {
    QTest::addColumn<bool>("jet3");
    QTest::newRow("jet4") << false;
    QTest::newRow("jet3") << true;
}

void TestBankDocument::saveReadsBackThroughBothReaders() {
    QFETCH(bool, jet3);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    BankDocument doc;
    QList<DocProblem> problems = markedProblems(21);
    problems[4].body = QStringLiteral("Строка 1\nСтрока \"2\", с запятой");
    problems[6].body.clear();
    doc.reset(problems);
    doc.save(path, jet3 ? jet::Version::Jet3 : jet::Version::Jet4);

    QCOMPARE(jet::Database::open(path).version(), jet3 ? jet::Version::Jet3 : jet::Version::Jet4);
    const Bank read = loadBank(path);
    const Bank expected = doc.toBank();
    QCOMPARE(read.problems, expected.problems);
    QCOMPARE(read.options, expected.options);
    QVERIFY(bankcheck::check(read).ok());
    BankDocument reopened;
    reopened.load(path);
    QCOMPARE(reopened.toBank().options, expected.options);

#ifndef Q_OS_WIN // mdb-export is a Linux program
    // mdb-export reads the same rows: the option texts and their numbers.
    const QList<csv::Record> rows =
        csv::parse(mdbExport(path, QStringLiteral("Otvety")), QStringLiteral("mdb"));
    QCOMPARE(rows.size(), expected.options.size() + 1);
    for (int i = 0; i < expected.options.size(); ++i) {
        QCOMPARE(rows[i + 1].fields.size(), 5);
        QCOMPARE(rows[i + 1].fields[2].text, *expected.options[i].Otvet);
        QCOMPARE(rows[i + 1].fields[4].text.toInt(), int(expected.options[i].dopol));
    }
    const QList<csv::Record> zadachi =
        csv::parse(mdbExport(path, QStringLiteral("Zadachi")), QStringLiteral("mdb"));
    QCOMPARE(zadachi.size(), 22);
    QCOMPARE(zadachi[5].fields[1].text, problems[4].body);
#endif
}

void TestBankDocument::saveKeepsThePreviousVersion() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    BankDocument doc;
    doc.reset(markedProblems(20));
    doc.save(path, jet::Version::Jet4);
    QVERIFY(!QFile::exists(bankdoc::backupPath(path)));
    const QByteArray first = fileBytes(path);

    BankEditing editing(&doc);
    editing.setCondition(0, QStringLiteral("Второе сохранение"));
    doc.save(path, jet::Version::Jet4);
    QCOMPARE(fileBytes(bankdoc::backupPath(path)), first);
    QCOMPARE(*loadBank(path).problems[0].Uslovie, QStringLiteral("Второе сохранение"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"data.cvx", "data.cvx.bak"}));
}

void TestBankDocument::failedSaveLeavesTheFileAlone_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing_folder") << "missing_folder"
                                    << "нет такой папки";
    QTest::newRow("folder_as_file") << "folder_as_file"
                                    << "папка";
    QTest::newRow("read_only_folder") << "read_only_folder"
                                      << "нет прав на запись";
    QTest::newRow("backup_unwritable") << "backup_unwritable"
                                       << "Резервная копия";
    QTest::newRow("unstorable_text") << "unstorable_text"
                                     << "data.cvx";
}

void TestBankDocument::failedSaveLeavesTheFileAlone() {
    QFETCH(QString, kind);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("data.cvx"));
    BankDocument doc;
    doc.reset(markedProblems(20));
    doc.save(path, jet::Version::Jet4);
    const QByteArray original = fileBytes(path);
    // A backup from an earlier save, which a failed one must not replace.
    const QByteArray olderBackup = "an older version";
    QVERIFY(writeBytes(bankdoc::backupPath(path), olderBackup));
    jet::Version version = jet::Version::Jet4;
    QStringList files{"data.cvx", "data.cvx.bak"};
    QByteArray before = original;

    if (kind == QLatin1String("backup_unwritable")) {
        // A folder where the backup should go stands for any backup that cannot be written.
        path = dir.filePath(QStringLiteral("класс.cvx"));
        doc.save(path, version);
        before = fileBytes(path);
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("класс.cvx.bak")));
        BankEditing(&doc).setCondition(0, QStringLiteral("не сохранится"));
        files << QStringLiteral("класс.cvx");
    } else if (kind == QLatin1String("missing_folder")) {
        path = dir.filePath(QStringLiteral("нет/data.cvx"));
    } else if (kind == QLatin1String("folder_as_file")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("папка.cvx")));
        path = dir.filePath(QStringLiteral("папка.cvx"));
    } else if (kind == QLatin1String("read_only_folder")) {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("root writes into a read-only folder");
#else
        QSKIP("Windows keeps write access in ACLs, not in permission bits");
#endif
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    } else {
        // Jet 3 keeps Windows-1251 only.
        QList<DocProblem> problems = markedProblems(20);
        problems[3].body = QStringLiteral("∑ ≠ ∞");
        doc.reset(problems);
        version = jet::Version::Jet3;
    }
    try {
        doc.save(path, version);
        QFAIL("saved");
    } catch (const BankError &e) {
        QVERIFY2(e.message().contains(QFileInfo(path).fileName()), qPrintable(e.message()));
        QVERIFY2(e.message().contains(expected), qPrintable(e.message()));
        if (kind == QLatin1String("backup_unwritable"))
            QVERIFY2(e.message().contains(QStringLiteral("не записана")) &&
                         e.message().contains(QStringLiteral("остался прежним")),
                     qPrintable(e.message()));
        // What the file system said, in Russian whatever the system's language: nothing Latin but
        // the names of files.
        QString words = e.message();
        words.remove(QDir::toNativeSeparators(dir.path())).remove(dir.path());
        words.remove(QRegularExpression(QStringLiteral("[^«»\\s]+\\.cvx(\\.bak)?")));
        if (kind != QLatin1String("unstorable_text"))
            QVERIFY2(!words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2,}"))),
                     qPrintable(e.message()));
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("data.cvx"))), original);
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("data.cvx.bak"))), olderBackup);
    if (QFileInfo(path).isFile())
        QCOMPARE(fileBytes(path), before);
    files.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), files);
}

void TestBankDocument::fullDiskLeavesTheFileAlone() {
#ifndef Q_OS_UNIX
    QSKIP("the file-size limit that stands in for a full disk is POSIX's");
#else
    // A file-size limit fails the write part-way, as a full disk does.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    BankDocument doc;
    doc.reset(markedProblems(20));
    doc.save(path, jet::Version::Jet4);
    const QByteArray first = fileBytes(path);
    BankEditing(&doc).setCondition(0, QStringLiteral("Второе сохранение"));
    doc.save(path, jet::Version::Jet4);
    const QByteArray original = fileBytes(path);
    QCOMPARE(fileBytes(bankdoc::backupPath(path)), first);

    QList<DocProblem> big = markedProblems(20);
    big[0].body = QString(200000, u'ж');
    doc.reset(big);

    const QString message = saveMessageUnderSizeLimit(doc, path, rlim_t(original.size() + 4096));

    QVERIFY2(message.contains(QStringLiteral("«%1»").arg(path)), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("остался прежним")), qPrintable(message));
    QCOMPARE(fileBytes(path), original);
    // The backup still holds the version before it: the failed save replaced neither.
    QCOMPARE(fileBytes(bankdoc::backupPath(path)), first);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{"data.cvx", "data.cvx.bak"}));
#endif
}

void TestBankDocument::moveOption_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("correct"); // among the author's a, b, c, d; -1 for none
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("delta");
    QTest::addColumn<QString>("shownAfter"); // as the student sees them; empty when nothing moves
    // Position 1's key is 3, position 3's is 4; shown at 1 with a correct: b c a d.
    QTest::newRow("wrong_up") << 1 << 0 << "c" << -1 << "cbad";
    QTest::newRow("wrong_down_steps_over_correct") << 1 << 0 << "c" << +1 << "bdac";
    QTest::newRow("wrong_up_steps_over_correct") << 1 << 0 << "d" << -1 << "bdac";
    QTest::newRow("correct_stays") << 1 << 0 << "a" << +1 << "";
    QTest::newRow("first_stays") << 1 << 0 << "b" << -1 << "";
    QTest::newRow("last_wrong_before_correct_stays") << 3 << 0 << "d" << +1 << "";
    QTest::newRow("none_correct") << 1 << -1 << "c" << -1 << "acbd";
    // Past the key the program never shows it: the author's order is the order, correct one too.
    QTest::newRow("past_key_over_correct") << 21 << 0 << "b" << -1 << "bacd";
}

void TestBankDocument::moveOption() {
    QFETCH(int, position);
    QFETCH(int, correct);
    QFETCH(QString, option);
    QFETCH(int, delta);
    QFETCH(QString, shownAfter);

    BankDocument doc;
    QList<DocProblem> problems(position,
                               DocProblem{QStringLiteral("x"), QString(), {"a", "b", "c", "d"}, correct});
    doc.reset(problems);
    BankEditing editing(&doc);
    const int index = position - 1;
    const DocProblem before = doc.problem(index);
    const auto shown = [&] {
        QString out;
        for (int i : bankdoc::shownOrder(doc.problem(index), position))
            out += doc.problem(index).options[i];
        return out;
    };
    const int moved = editing.moveOption(index, int(before.options.indexOf(option)), delta);
    if (shownAfter.isEmpty()) {
        QCOMPARE(moved, -1);
        QCOMPARE(doc.problem(index), before);
        QCOMPARE(editing.undoStack()->count(), 0);
        return;
    }
    QCOMPARE(shown(), shownAfter);
    QCOMPARE(doc.problem(index).options.value(moved), option);
    // The correct option is the same text as before.
    if (correct >= 0)
        QCOMPARE(doc.problem(index).options[doc.problem(index).correct], before.options[correct]);
    QCOMPARE(editing.undoStack()->count(), 1);
    editing.undoStack()->undo();
    QCOMPARE(doc.problem(index), before);
}

void TestBankDocument::severalProblemsAreOneStep() {
    // Each in a bank of ten: the order afterwards, by the problems' numbers before.
    const auto run = [](const std::function<void(BankEditing &)> &change) {
        BankDocument doc;
        doc.reset(markedProblems(10));
        BankEditing editing(&doc);
        change(editing);
        QList<int> order;
        for (const DocProblem &p : doc.problems())
            order << p.body.section(u' ', 0, 0).toInt();
        const bool oneStep = editing.undoStack()->count() == 1;
        const QString fault = keyRuleFault(doc.toBank());
        editing.undoStack()->undo();
        const bool restored = doc.problems() == markedProblems(10);
        return std::tuple{order, oneStep && restored, fault};
    };
    using Order = QList<int>;
    {
        // Dropped below themselves and above: either way they stand together in order.
        const auto [order, undoable, fault] = run([](BankEditing &e) {
            QCOMPARE(e.moveProblemsTo({0, 1, 4}, 7), (Order{4, 5, 6}));
        });
        QCOMPARE(order, (Order{3, 4, 6, 7, 1, 2, 5, 8, 9, 10}));
        QVERIFY(undoable);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
    {
        const auto [order, undoable, fault] = run([](BankEditing &e) {
            QCOMPARE(e.moveProblemsTo({8, 3, 9}, 1), (Order{1, 2, 3}));
        });
        QCOMPARE(order, (Order{1, 4, 9, 10, 2, 3, 5, 6, 7, 8}));
        QVERIFY(undoable);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
    {
        const auto [order, undoable, fault] = run([](BankEditing &e) { e.removeProblems({9, 0, 5, 5}); });
        QCOMPARE(order, (Order{2, 3, 4, 5, 7, 8, 9}));
        QVERIFY(undoable);
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
    }
    {
        const auto [order, undoable, fault] = run([](BankEditing &e) {
            QCOMPARE(e.moveProblems({9, 2}, +1), Order{});
        });
        QCOMPARE(order, (Order{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QVERIFY(!undoable);
        QVERIFY(fault.isEmpty());
    }
}

void TestBankDocument::schoolSpellings_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("school");
    QTest::newRow("squares") << "x² + y² = 25"
                             << "x^2 + y^2 = 25";
    QTest::newRow("exponent_of_several") << "10⁻³ и 2¹⁰"
                                         << "10^(-3) и 2^(10)";
    QTest::newRow("times_divide") << "6 × 2 ÷ 3 ⋅ 1"
                                  << "6 · 2 : 3 · 1";
    QTest::newRow("comparisons") << "a ≤ b ≥ c ≠ d ≈ e"
                                 << "a <= b >= c <> d ~ e";
    QTest::newRow("root_and_pi") << "√2, √ 9 и 2π"
                                 << "корень из 2, корень из 9 и 2пи";
    QTest::newRow("minus_and_fraction") << "−1½ + ¾"
                                        << "-1 1/2 + 3/4";
    QTest::newRow("windows1251_kept") << "Ёлка № 5 — «да», 90°, ±1"
                                      << "Ёлка № 5 — «да», 90°, ±1";
    QTest::newRow("no_spelling_kept") << "α😀"
                                      << "α😀";
}

void TestBankDocument::schoolSpellings() {
    QFETCH(QString, text);
    QFETCH(QString, school);
    QCOMPARE(bankcharset::withSchoolSpellings(text), school);
    QCOMPARE(bankcharset::hasSchoolSpelling(text), school != text);
    // Respelled, a text needs nothing more for the older program.
    if (school != text)
        QCOMPARE(bankcheck::outsideWindows1251(school), QString());
}

void TestBankDocument::storableByVersion() {
    const QString text = QStringLiteral("x² ≤ 😀 ё");
    QCOMPARE(bankcharset::notStorable(text, jet::Version::Jet3), QStringLiteral("²≤😀"));
    QCOMPARE(bankcharset::notStorable(text, jet::Version::Jet4), QStringLiteral("😀"));
    // The teacher is told which a Jet 4 bank keeps, which no bank does, and how to write them.
    const QString advice = bankcharset::advice(bankcheck::outsideWindows1251(text));
    QVERIFY2(advice.contains(QStringLiteral("«²≤» сохранится в банке Jet 4")), qPrintable(advice));
    QVERIFY2(advice.contains(QStringLiteral("«😀» не сохранить ни в Jet 4, ни в Jet 3")), qPrintable(advice));
    QVERIFY2(advice.contains(QStringLiteral("² → ^2, ≤ → <=")), qPrintable(advice));
    QVERIFY(bankcharset::advice(QString()).isEmpty());

    // The check and the importers say the same.
    Bank bank = sampleBank(20);
    bank.problems[2].Uslovie = QStringLiteral("x² = 4");
    const bankcheck::Report report = bankcheck::check(bank);
    QVERIFY(!report.levelsServed.contains(3));
    QCOMPARE(report.findings.size(), 1);
    QVERIFY2(report.findings[0].text.contains(QStringLiteral("² → ^2")), qPrintable(report.findings[0].text));
    QByteArray aiken;
    for (int i = 1; i <= 20; ++i)
        aiken += QStringLiteral("x² = %1\nA) да\nB) нет\nC) 1\nD) 2\nANSWER: A\n\n").arg(i).toUtf8();
    QCOMPARE(aiken::importBank(aiken, QStringLiteral("q.txt"), jet::Version::Jet4).problems.size(), 20);
    try {
        aiken::importBank(aiken, QStringLiteral("q.txt"), jet::Version::Jet3);
        QFAIL("Jet 3 took ²");
    } catch (const BankError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("² → ^2")), qPrintable(e.message()));
    }
}

// A teacher's file (a topic column in Zadachi, a table of the teacher's own) saved after a problem
// is put first: in place, and by Save As into a new file. Each topic stays with its problem, the
// new problem has none, and the teacher's table is kept.
void TestBankDocument::savesKeepTheTeachersObjects() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    QList<jet::Table> tables = banktables::toTables(sampleBank(20));
    tables[0].columns.append({QStringLiteral("Tema"), jet::ColumnType::Text});
    for (qsizetype r = 0; r < tables[0].rows.size(); ++r)
        tables[0].rows[r].append(QStringLiteral("Тема %1").arg(r + 1));
    tables.append(jet::Table{QStringLiteral("Klassy"),
                             {{QStringLiteral("Klass"), jet::ColumnType::Text}},
                             {{QStringLiteral("7 «А»")}, {QStringLiteral("8 «Б»")}}});
    jet::writeFile(path, tables);

    BankDocument doc;
    doc.load(path);
    DocProblem added{QStringLiteral("Новая"), QStringLiteral("2 + 2"), {"3", "4"}, 1};
    doc.insertProblems(0, {added});
    const QString copy = dir.filePath(QStringLiteral("копия.cvx"));
    for (const QString &target : {copy, path}) {
        doc.save(target, jet::Version::Jet4, path);
        const jet::Database db = jet::Database::open(target);
        QVERIFY2(db.tableNames().contains(QStringLiteral("Klassy")), qPrintable(target));
        QCOMPARE(db.readTable(QStringLiteral("Klassy")).rows.size(), 2);
        const jet::Table z = db.readTable(QStringLiteral("Zadachi"));
        QCOMPARE(z.rows.size(), 21);
        QCOMPARE(z.rows[0][3], jet::Value(std::monostate{}));
        for (int r = 1; r <= 20; ++r)
            QCOMPARE(z.rows[r][3], jet::Value(QStringLiteral("Тема %1").arg(r)));
        QCOMPARE(loadBank(target).problems.size(), 21);
    }
}

QTEST_GUILESS_MAIN(TestBankDocument)
#include "tst_bank_document.moc"
