#include "bank_fixtures.h"
#include "data/unmodul.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <unistd.h>

using Maker = std::function<void(const QString &path)>;
Q_DECLARE_METATYPE(Maker)
Q_DECLARE_METATYPE(jet::Version)
Q_DECLARE_METATYPE(jet::ColumnType)
Q_DECLARE_METATYPE(Bank)

namespace {

// Restores the current directory however the test ends.
class CurrentDir {
public:
    explicit CurrentDir(const QString &dir)
        : m_saved(QDir::currentPath()) {
        QDir::setCurrent(dir);
    }
    ~CurrentDir() { QDir::setCurrent(m_saved); }

private:
    QString m_saved;
};

QList<qint16> shownNumbers(const TDM &dm) {
    QList<qint16> numbers;
    for (int i = 0; i < dm.optionCount(); ++i)
        numbers << dm.option(i).dopol;
    return numbers;
}

// Three problems whose options are interleaved in the file, so that only a filter on ID_P and the
// file order can give each problem its own options in the right order.
Bank interleavedBank() {
    Bank bank;
    bank.problems = {{30, QStringLiteral("a"), QStringLiteral("A")},
                     {10, QStringLiteral("b"), QStringLiteral("B")},
                     {20, QStringLiteral("c"), QStringLiteral("C")}};
    bank.options = {{1, 10, QStringLiteral("b4"), false, 4}, {2, 30, QStringLiteral("a2"), false, 2},
                    {3, 10, QStringLiteral("b1"), true, 1},  {4, 20, QStringLiteral("c3"), false, 3},
                    {5, 30, QStringLiteral("a1"), true, 1},  {6, 10, QStringLiteral("b2"), false, 2}};
    return bank;
}

} // namespace

class TestBankModule : public QObject {
    Q_OBJECT

private slots:
    void connectionString_data();
    void connectionString();
    void cursorsFollowTheProblem();
    void nextOnLastRowKeepsTheRow();
    void signalsOnEveryMove();
    void optionCursorEdgeCases_data();
    void optionCursorEdgeCases();
    void emptyBank();

    void loadsWhatWasWritten_data();
    void loadsWhatWasWritten();
    void acceptsColumnVariants_data();
    void acceptsColumnVariants();
    void openFailures_data();
    void openFailures();
    void looksInTheCurrentDirectory();
    void reconnectingReadsAFreshSnapshot();
    void leavesTheFileUntouched();
};

void TestBankModule::connectionString_data() {
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QString>("source");
    const QString sep = QDir::separator();
    QTest::newRow("directory") << QStringLiteral("/home/uchenik/test")
                               << sep + QStringLiteral("home") + sep + QStringLiteral("uchenik") + sep +
                                      QStringLiteral("test") + sep + QStringLiteral("data.cvx");
    // The root already ends in a separator, and another one follows it.
    QTest::newRow("root") << QStringLiteral("/") << sep + sep + QStringLiteral("data.cvx");
}

void TestBankModule::connectionString() {
    QFETCH(QString, dir);
    QFETCH(QString, source);
    QCOMPARE(TDM::dataSource(dir), source);
    QCOMPARE(TDM::connectionString(dir),
             QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data Source=") +
                 source +
                 QStringLiteral(";Mode=Share Deny None;Extended Properties=\"\";Locale Identifier=1049;"
                                "Jet OLEDB:System database=\"\";Jet OLEDB:Registry Path=\"\";"
                                "Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=4;"
                                "Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;"
                                "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
                                "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
                                "Jet OLEDB:Don't Copy Locale on Compact=False;"
                                "Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False"));
}

void TestBankModule::cursorsFollowTheProblem() {
    TDM dm(interleavedBank());
    QVERIFY(dm.isConnected() && dm.problemsActive() && dm.optionsActive());

    QCOMPARE(dm.recNo(), 1);
    QCOMPARE(dm.currentProblem()->ID_P, 30);
    QCOMPARE(shownNumbers(dm), (QList<qint16>{2, 1}));
    QCOMPARE(dm.currentOptionIndex(), 0);
    QCOMPARE(dm.currentOptionNumber(), 2);

    dm.setCurrentOption(1);
    QCOMPARE(dm.currentOptionNumber(), 1);

    dm.next();
    QCOMPARE(dm.recNo(), 2);
    QCOMPARE(shownNumbers(dm), (QList<qint16>{4, 1, 2}));
    QCOMPARE(dm.currentOptionIndex(), 0); // every move of the problem puts the options on their first row
    QCOMPARE(dm.option(1).Otvet, QStringLiteral("b1"));

    dm.setCurrentOption(2);
    dm.firstOption();
    QCOMPARE(dm.currentOptionNumber(), 4);

    dm.next();
    QCOMPARE(shownNumbers(dm), (QList<qint16>{3}));
    dm.first();
    QCOMPARE(dm.recNo(), 1);
    QCOMPARE(shownNumbers(dm), (QList<qint16>{2, 1}));
}

void TestBankModule::nextOnLastRowKeepsTheRow() {
    TDM dm(sampleBank(2));
    dm.next();
    QCOMPARE(dm.recNo(), 2);
    QVERIFY(!dm.eof());

    QSignalSpy moved(&dm, &TDM::problemChanged);
    dm.next();
    QCOMPARE(dm.recNo(), 2);
    QVERIFY(dm.eof());
    dm.next();
    QCOMPARE(dm.recNo(), 2);
    QVERIFY(dm.eof());
    QCOMPARE(moved.count(), 0);
    QCOMPARE(dm.currentOptionNumber(), 1);

    dm.first();
    QCOMPARE(dm.recNo(), 1);
    QVERIFY(!dm.eof());
}

void TestBankModule::signalsOnEveryMove() {
    TDM dm(sampleBank(3));
    QSignalSpy problems(&dm, &TDM::problemChanged);
    QSignalSpy options(&dm, &TDM::optionChanged);

    dm.next();
    QCOMPARE(problems.count(), 1);
    QCOMPARE(options.count(), 1);

    dm.setCurrentOption(2);
    QCOMPARE(options.count(), 2);
    dm.setCurrentOption(2); // already there: not a move
    dm.setCurrentOption(7); // no such row
    QCOMPARE(options.count(), 2);

    dm.firstOption();
    QCOMPARE(options.count(), 3);
    dm.first();
    QCOMPARE(problems.count(), 2);
    QCOMPARE(options.count(), 4);
}

void TestBankModule::optionCursorEdgeCases_data() {
    QTest::addColumn<Bank>("bank");
    QTest::addColumn<QList<qint16>>("numbers");
    QTest::addColumn<qint32>("current");

    Bank none = sampleBank(1);
    none.options.clear();
    QTest::newRow("no_options") << none << QList<qint16>{} << 0;

    Bank six = sampleBank(1);
    six.options.append({5, 1, QStringLiteral("5"), false, 5});
    six.options.append({6, 1, QStringLiteral("6"), false, 6});
    QTest::newRow("six_options") << six << QList<qint16>{1, 2, 3, 4, 5, 6} << 1;

    Bank strange = sampleBank(1);
    strange.options[0].dopol = -1;
    strange.options[1].dopol = 32767;
    strange.options[2].dopol = 0;
    QTest::newRow("dopol_outside_1_4") << strange << QList<qint16>{-1, 32767, 0, 4} << -1;

    Bank orphans = sampleBank(1);
    orphans.options.prepend({90, 99, QStringLiteral("чужой"), true, 1});
    QTest::newRow("options_of_unknown_problem") << orphans << QList<qint16>{1, 2, 3, 4} << 1;

    Bank nulls = sampleBank(1);
    nulls.problems[0].Name.reset();
    nulls.problems[0].Uslovie.reset();
    nulls.options[0].Otvet.reset();
    QTest::newRow("null_memos") << nulls << QList<qint16>{1, 2, 3, 4} << 1;
}

void TestBankModule::optionCursorEdgeCases() {
    QFETCH(Bank, bank);
    QFETCH(QList<qint16>, numbers);
    QFETCH(qint32, current);

    TDM dm(bank);
    QCOMPARE(dm.recNo(), 1);
    QCOMPARE(*dm.currentProblem(), bank.problems[0]);
    QCOMPARE(shownNumbers(dm), numbers);
    QCOMPARE(dm.currentOptionNumber(), current);
    QCOMPARE(dm.currentOptionIndex(), numbers.isEmpty() ? -1 : 0);
    if (!numbers.isEmpty())
        QCOMPARE(dm.option(0), bank.options[bank.options[0].ID_P == 99 ? 1 : 0]);
}

void TestBankModule::emptyBank() {
    TDM dm{Bank{}};
    QCOMPARE(dm.recNo(), 0);
    QVERIFY(dm.eof());
    QVERIFY(!dm.currentProblem());
    dm.next();
    dm.first();
    QCOMPARE(dm.recNo(), 0);
    QCOMPARE(dm.optionCount(), 0);
    QCOMPARE(dm.currentOptionNumber(), 0);
}

void TestBankModule::loadsWhatWasWritten_data() {
    QTest::addColumn<jet::Version>("version");
    QTest::addColumn<Bank>("bank");

    Bank awkward = sampleBank(3);
    QString longText;
    for (int i = 0; longText.size() < 5000; ++i)
        longText += QStringLiteral("Длинное условие задачи номер %1. ").arg(i);
    awkward.problems[0].Name.reset();
    awkward.problems[0].Uslovie = longText;
    awkward.problems[1].Name = QString(QLatin1String(""));
    awkward.problems[1].Uslovie = QStringLiteral("Строка с \"кавычками\",\nзапятой и переводом строки");
    awkward.problems[2].ID_P = -7;
    awkward.options[0].Otvet.reset();
    awkward.options[1].Otvet = QString(QLatin1String(""));
    awkward.options[2].dopol = -32768;
    awkward.options[3].dopol = 32767;
    awkward.options.append({2147483647, 12345, QStringLiteral("вариант без задачи"), true, 0});

    const Bank many = sampleBank(400);
    for (auto version : {jet::Version::Jet4, jet::Version::Jet3}) {
        const char *v = version == jet::Version::Jet4 ? "jet4" : "jet3";
        QTest::addRow("%s_awkward", v) << version << awkward;
        QTest::addRow("%s_many_pages", v) << version << many;
    }
}

void TestBankModule::loadsWhatWasWritten() {
    QFETCH(jet::Version, version);
    QFETCH(Bank, bank);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, bank, version);
    const Bank read = loadBank(path);
    QCOMPARE(read.problems, bank.problems);
    QCOMPARE(read.options, bank.options);
}

// Banks made by hand in Access may use narrower integers, Text for short texts and other
// spellings of the names.
void TestBankModule::acceptsColumnVariants_data() {
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("column");
    QTest::addColumn<jet::ColumnType>("type");
    QTest::addColumn<QString>("name");

    QTest::newRow("id_as_byte") << 0 << 0 << jet::ColumnType::Byte << QString();
    QTest::newRow("id_as_integer") << 1 << 1 << jet::ColumnType::Integer << QString();
    QTest::newRow("memo_as_text") << 1 << 2 << jet::ColumnType::Text << QString();
    QTest::newRow("dopol_as_long") << 1 << 4 << jet::ColumnType::LongInteger << QString();
    QTest::newRow("dopol_as_byte") << 1 << 4 << jet::ColumnType::Byte << QString();
    QTest::newRow("lower_case_name") << 1 << 3 << jet::ColumnType::Boolean << QStringLiteral("istina");
}

void TestBankModule::acceptsColumnVariants() {
    QFETCH(int, table);
    QFETCH(int, column);
    QFETCH(jet::ColumnType, type);
    QFETCH(QString, name);

    const Bank bank = sampleBank(5);
    QList<jet::Table> tables = banktables::toTables(bank);
    tables[table].columns[column].type = type;
    if (!name.isEmpty())
        tables[table].columns[column].name = name;
    tables[0].name = tables[0].name.toLower();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    jet::writeFile(path, tables);
    const Bank read = loadBank(path);
    QCOMPARE(read.problems, bank.problems);
    QCOMPARE(read.options, bank.options);
}

void TestBankModule::openFailures_data() {
    QTest::addColumn<Maker>("make");
    // How the message names the fault: the words for each kind of fault the reader tells apart.
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("mentions");

    const auto good = [](const QString &path) { writeBank(path, sampleBank(2)); };
    const auto edited = [good](std::function<void(QByteArray &)> edit) {
        return Maker([good, edit](const QString &path) {
            good(path);
            QByteArray bytes = fileBytes(path);
            edit(bytes);
            QVERIFY(writeBytes(path, bytes));
        });
    };
    const auto tables = [](std::function<void(QList<jet::Table> &)> edit) {
        return Maker([edit](const QString &path) {
            QList<jet::Table> t = banktables::toTables(sampleBank(2));
            edit(t);
            jet::writeFile(path, t);
        });
    };

    QTest::newRow("missing") << Maker([](const QString &) {}) << QStringLiteral("не найден") << QString();
    QTest::newRow("unreadable") << Maker([good](const QString &path) {
        good(path);
        QFile::setPermissions(path, QFileDevice::Permissions());
    }) << QStringLiteral("не удаётся прочитать")
                                << QString();
    QTest::newRow("not_jet") << Maker([](const QString &path) {
        writeBytes(path, QByteArray("ID_P,Name,Uslovie\n1,\"a\",\"b\"\n").leftJustified(8192, ' '));
    }) << QStringLiteral("не является базой данных Access")
                             << QString();
    QTest::newRow("empty_file") << Maker([](const QString &path) { writeBytes(path, {}); })
                                << QStringLiteral("не является базой данных Access") << QString();
    QTest::newRow("truncated") << edited([](QByteArray &b) { b.truncate(b.size() / 2 + 100); })
                               << QStringLiteral("обрезан") << QString();
    // The catalog's table definition (page 2) no longer says it is one.
    QTest::newRow("malformed") << edited([](QByteArray &b) { b[2 * 4096] = 0x07; })
                               << QStringLiteral("повреждён") << QString();
    // The database key sits RC4-encrypted in the header; flipping a ciphertext bit flips the key's.
    QTest::newRow("encrypted") << edited([](QByteArray &b) { b[0x3E] = char(b[0x3E] ^ 0x01); })
                               << QStringLiteral("зашифрован или защищён паролем") << QString();
    QTest::newRow("password") << edited([](QByteArray &b) { b[0x42] = char(b[0x42] ^ 0x55); })
                              << QStringLiteral("зашифрован или защищён паролем") << QString();
    QTest::newRow("table_missing") << tables([](QList<jet::Table> &t) { t.removeLast(); })
                                   << QStringLiteral("нет таблицы") << QStringLiteral("Otvety");
    QTest::newRow("column_missing") << tables([](QList<jet::Table> &t) {
        t[0].columns.removeAt(2);
        for (auto &row : t[0].rows)
            row.removeAt(2);
    }) << QStringLiteral("нет столбца")
                                    << QStringLiteral("Uslovie");
    QTest::newRow("istina_not_boolean") << tables([](QList<jet::Table> &t) {
        t[1].columns[3].type = jet::ColumnType::Integer;
        for (auto &row : t[1].rows)
            row[3] = qint64(std::get<bool>(row[3]));
    }) << QStringLiteral("имеет тип") << QStringLiteral("Istina");
    QTest::newRow("dopol_as_text") << tables([](QList<jet::Table> &t) {
        t[1].columns[4].type = jet::ColumnType::Memo;
        for (auto &row : t[1].rows)
            row[4] = QString::number(std::get<qint64>(row[4]));
    }) << QStringLiteral("имеет тип")
                                   << QStringLiteral("dopol");
    QTest::newRow("dopol_beyond_16_bits") << tables([](QList<jet::Table> &t) {
        t[1].columns[4].type = jet::ColumnType::LongInteger;
        t[1].rows[5][4] = qint64(40000);
    }) << QStringLiteral("выходит за пределы")
                                          << QStringLiteral("40000");
}

void TestBankModule::openFailures() {
    QFETCH(Maker, make);
    QFETCH(QString, fault);
    QFETCH(QString, mentions);

#ifdef Q_OS_WIN
    if (QByteArray(QTest::currentDataTag()) == "unreadable")
        QSKIP("Windows keeps read access in ACLs, which file permissions do not take away");
#else
    if (QByteArray(QTest::currentDataTag()) == "unreadable" && geteuid() == 0)
        QSKIP("root reads files whatever their permissions say");
#endif

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    make(path);
    try {
        loadBank(path);
        QFAIL("the bank opened");
    } catch (const BankError &e) {
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
        QVERIFY2(e.message().contains(fault), qPrintable(e.message()));
        QVERIFY2(mentions.isEmpty() || e.message().contains(mentions), qPrintable(e.message()));
        QCOMPARE(e.kind(), BankError::Kind::Input);
    }
}

// The bank is data.cvx in the current directory, whatever lies beside the program.
void TestBankModule::looksInTheCurrentDirectory() {
    const QString besideProgram =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("data.cvx"));
    QVERIFY2(!QFile::exists(besideProgram), "a bank lies beside the test program already");
    writeBank(besideProgram, sampleBank(5));
    const auto cleanup = qScopeGuard([&] { QFile::remove(besideProgram); });

    QTemporaryDir current;
    writeBank(current.filePath(QStringLiteral("data.cvx")), sampleBank(3));
    {
        CurrentDir cd(current.path());
        TDM dm;
        QCOMPARE(dm.problemCount(), 3);
        QVERIFY(dm.lastConnectionString().contains(TDM::dataSource(QDir::currentPath())));
        QCOMPARE(dm.recNo(), 1);
        QCOMPARE(dm.optionCount(), 4);
    }

    QTemporaryDir empty;
    CurrentDir cd(empty.path());
    try {
        TDM dm;
        QFAIL("opened a bank that is not in the current directory");
    } catch (const BankError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("не найден")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(TDM::dataSource(QDir::currentPath())), qPrintable(e.message()));
    }
}

// A cursor left on row 3 of the old snapshot must not point into a shorter new one.
void TestBankModule::reconnectingReadsAFreshSnapshot() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, sampleBank(3));
    CurrentDir cd(dir.path());
    TDM dm;
    dm.next();
    dm.next();
    QCOMPARE(dm.recNo(), 3);

    writeBank(path, sampleBank(1));
    dm.connectBank();
    QVERIFY(dm.isConnected());
    QVERIFY(!dm.problemsActive() && !dm.optionsActive());
    QVERIFY(!dm.currentProblem());
    QCOMPARE(dm.optionCount(), 0);
    dm.openOptions();
    dm.openProblems();
    QCOMPARE(dm.problemCount(), 1);
    QCOMPARE(dm.recNo(), 1);
    QCOMPARE(dm.optionCount(), 4);
}

void TestBankModule::leavesTheFileUntouched() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeBank(path, sampleBank(20));
    const QDateTime past(QDate(2001, 9, 1), QTime(8, 30), Qt::UTC);
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(past, QFileDevice::FileModificationTime));
    }
    const QByteArray before = fileBytes(path);

    {
        CurrentDir cd(dir.path());
        TDM dm;
        while (!dm.eof()) {
            dm.setCurrentOption(2);
            dm.next();
        }
        dm.first();
        loadBank(path);
    }

    QCOMPARE(fileBytes(path), before);
    QCOMPARE(QFileInfo(path).lastModified().toUTC(), past);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.cvx")});
}

QTEST_GUILESS_MAIN(TestBankModule)
#include "tst_bank_module.moc"
