// Files as the editor and the bank tool read and write them (data/bank_files.h).

#include "bank_fixtures.h"
#include "data/bank_csv.h"
#include "data/bank_files.h"
#include "platform/files.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

Q_DECLARE_METATYPE(jet::Version)

namespace {

QString shippedSource(const QString &name) {
    return QDir(qEnvironmentVariable("CIFROVEX_SOURCE_DIR"))
        .filePath(QStringLiteral("resources/bank/") + name);
}

bool runAsRoot() {
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

class TestBankFiles : public QObject {
    Q_OBJECT

private slots:
    void readInputSaysWhyNot_data();
    void readInputSaysWhyNot();
    void writeWholeSaysWhyNot_data();
    void writeWholeSaysWhyNot();
    void wholeFileIsReplacedOnlyAtCommit();
    void openBankTellsItsVersion_data();
    void openBankTellsItsVersion();
    void csvTablesReadAsAFileOfThem_data();
    void csvTablesReadAsAFileOfThem();
};

void TestBankFiles::readInputSaysWhyNot_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("said"); // %1: the path
    QTest::newRow("missing") << "missing"
                             << "файл %1 не найден";
    QTest::newRow("folder") << "folder"
                            << "%1 — каталог, а нужен файл";
    QTest::newRow("unreadable") << "unreadable"
                                << "файл %1 не открывается: нет прав на чтение этого файла";
}

void TestBankFiles::readInputSaysWhyNot() {
    QFETCH(QString, kind);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zadachi.csv"));
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Zadachi.csv")));
    } else if (kind == QLatin1String("unreadable")) {
        if (runAsRoot())
            QSKIP("root reads files whatever their permissions say");
#ifdef Q_OS_WIN
        QSKIP("Windows keeps read access in ACLs, which file permissions do not take away");
#endif
        QVERIFY(writeBytes(path, "ID_P\n"));
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
    }
    try {
        bankfiles::readInput(path);
        QFAIL("read");
    } catch (const BankError &e) {
        QCOMPARE(e.message(), said.arg(path));
        QCOMPARE(e.kind(), BankError::Kind::Input);
    }
}

void TestBankFiles::writeWholeSaysWhyNot_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing_folder") << "missing_folder"
                                    << "нет такой папки";
    QTest::newRow("read_only_file") << "read_only_file"
                                    << "файл защищён от записи (только для чтения)";
    // A file-size limit fails the write part-way, as a full disk does, with an error code of its
    // own: the words come from the code, not from the system's text for it.
    QTest::newRow("size_limit") << "size_limit"
                                << "запись на диск прервалась (файл больше, чем разрешено записать, или диск "
                                   "неисправен)";
}

void TestBankFiles::writeWholeSaysWhyNot() {
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Otvety.csv"));
    const QByteArray before = "ID_O\n1\n";
    QVERIFY(writeBytes(path, before));
    const QByteArray bytes(64 * 1024, 'x');
    QString why;
    if (kind == QLatin1String("missing_folder")) {
        path = dir.filePath(QStringLiteral("нет/Otvety.csv"));
        why = platform::writeWhole(path, bytes);
    } else if (kind == QLatin1String("read_only_file")) {
        if (runAsRoot())
            QSKIP("root writes files whatever their permissions say");
#ifdef Q_OS_WIN
        QSKIP("Windows keeps write access in ACLs");
#endif
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner));
        why = platform::writeWhole(path, bytes);
    } else {
#ifndef Q_OS_UNIX
        QSKIP("the file-size limit that stands in for a full disk is POSIX's");
#else
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 4096;
        setrlimit(RLIMIT_FSIZE, &limit);
        why = platform::writeWhole(path, bytes);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previousHandler);
#endif
    }
    QCOMPARE(why, reason);
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("Otvety.csv"))), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("Otvety.csv")});

    QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("Otvety.csv")),
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(platform::writeWhole(dir.filePath(QStringLiteral("Otvety.csv")), bytes), QString());
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("Otvety.csv"))), bytes);
}

// The backup of a save is written first and put in place last: until then the old one stays.
void TestBankFiles::wholeFileIsReplacedOnlyAtCommit() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx.bak"));
    QVERIFY(writeBytes(path, "older"));
    {
        platform::WholeFile dropped(path);
        QCOMPARE(dropped.write("dropped"), QString());
    }
    QCOMPARE(fileBytes(path), QByteArray("older"));
    platform::WholeFile file(path);
    QCOMPARE(file.write("newer"), QString());
    QCOMPARE(fileBytes(path), QByteArray("older"));
    QCOMPARE(file.commit(), QString());
    QCOMPARE(fileBytes(path), QByteArray("newer"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{QStringLiteral("data.cvx.bak")});
}

void TestBankFiles::openBankTellsItsVersion_data() {
    QTest::addColumn<jet::Version>("version");
    QTest::newRow("jet3") << jet::Version::Jet3;
    QTest::newRow("jet4") << jet::Version::Jet4;
}

void TestBankFiles::openBankTellsItsVersion() {
    QFETCH(jet::Version, version);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    const Bank bank = sampleBank(3);
    writeBank(path, bank, version);
    const bankfiles::OpenedBank opened = bankfiles::openBank(path);
    QCOMPARE(opened.version, version);
    QCOMPARE(opened.bank.problems, bank.problems);
    QCOMPARE(opened.bank.options, bank.options);
}

void TestBankFiles::csvTablesReadAsAFileOfThem_data() {
    QTest::addColumn<QByteArray>("problems");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<jet::Version>("version");
    const QByteArray shippedProblems = fileBytes(shippedSource(QStringLiteral("Zadachi.csv")));
    const QByteArray shippedOptions = fileBytes(shippedSource(QStringLiteral("Otvety.csv")));
    QVERIFY(!shippedProblems.isEmpty() && !shippedOptions.isEmpty());
    QTest::newRow("shipped_jet4") << shippedProblems << shippedOptions << jet::Version::Jet4;
    QTest::newRow("shipped_jet3") << shippedProblems << shippedOptions << jet::Version::Jet3;
    // Empty cells: NULL texts stay NULL, a NULL number reads as 0, an empty text stays empty.
    QTest::newRow("nulls") << QByteArray("ID_P,Name,Uslovie\n,,\"\"\n2,\"б\",\n")
                           << QByteArray("ID_O,ID_P,Otvet,Istina,dopol\n1,,,0,\n2,2,\"\",1,1\n")
                           << jet::Version::Jet4;
}

// Tables taken from CSV become the bank a file of them would be, with no file in between.
void TestBankFiles::csvTablesReadAsAFileOfThem() {
    QFETCH(QByteArray, problems);
    QFETCH(QByteArray, options);
    QFETCH(jet::Version, version);
    const QList<jet::Table> tables = csv::readBankTables(problems, QStringLiteral("Zadachi.csv"), options,
                                                         QStringLiteral("Otvety.csv"), version);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    jet::writeFile(path, tables, version);
    const Bank fromFile = loadBank(path);
    const Bank direct = banktables::toBank(tables, QStringLiteral("Zadachi.csv"));
    QCOMPARE(direct.problems, fromFile.problems);
    QCOMPARE(direct.options, fromFile.options);
}

QTEST_GUILESS_MAIN(TestBankFiles)
#include "tst_bank_files.moc"
