// Jackcess (../shared/oracles/jackcess: the Access library that insists on a sound catalogue and
// walks indexes as B-trees) on every bank we write: it must open each as an Access database, find
// every row through every index, change a Jet 4 bank that the other readers then read back, and
// still find what a teacher's own Access bank holds after we have saved into it.
//
// JetOracle.java is compiled here with javac. Without the jar (CIFROVEX_JACKCESS_JAR, by default
// ../shared/oracles/jackcess beside the source tree), java or javac the whole test skips with one
// line; CIFROVEX_REQUIRE_JACKCESS=1 (as CI sets it) makes that a failure. The edits are read back
// with mdb-export and mdb-reader, which the jet_oracle_setup fixture provides.

#include "../bank/bank_fixtures.h"
#include "../jet/oracle_readers.h"
#include "data/bank_document.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

Q_DECLARE_METATYPE(jet::Version)

namespace {

QString sourceDir() {
    return qEnvironmentVariable("CIFROVEX_SOURCE_DIR");
}

QString shippedSource(const QString &name) {
    return sourceDir() + QStringLiteral("/resources/bank/") + name;
}

// What JetOracle.java prints for a column type (Jackcess's DataType names).
QString jackcessType(jet::ColumnType type) {
    switch (type) {
    case jet::ColumnType::Boolean:
        return QStringLiteral("BOOLEAN");
    case jet::ColumnType::Byte:
        return QStringLiteral("BYTE");
    case jet::ColumnType::Integer:
        return QStringLiteral("INT");
    case jet::ColumnType::LongInteger:
        return QStringLiteral("LONG");
    case jet::ColumnType::Currency:
        return QStringLiteral("MONEY");
    case jet::ColumnType::Single:
        return QStringLiteral("FLOAT");
    case jet::ColumnType::Double:
        return QStringLiteral("DOUBLE");
    case jet::ColumnType::DateTime:
        return QStringLiteral("SHORT_DATE_TIME");
    case jet::ColumnType::Binary:
        return QStringLiteral("BINARY");
    case jet::ColumnType::Text:
        return QStringLiteral("TEXT");
    case jet::ColumnType::Ole:
        return QStringLiteral("OLE");
    case jet::ColumnType::Memo:
        return QStringLiteral("MEMO");
    case jet::ColumnType::Guid:
        return QStringLiteral("GUID");
    case jet::ColumnType::Numeric:
        return QStringLiteral("NUMERIC");
    }
    return QString::number(int(type));
}

// A value as JetOracle.java writes it in a row's canonical line; nullopt for the types whose text
// there is Java's own (numbers with fractions, dates, GUIDs, decimals).
std::optional<QString> canonical(const jet::Value &v) {
    if (std::holds_alternative<std::monostate>(v))
        return QStringLiteral("\\N");
    if (const auto *b = std::get_if<bool>(&v))
        return *b ? QStringLiteral("1") : QStringLiteral("0");
    if (const auto *n = std::get_if<qint64>(&v))
        return QString::number(*n);
    if (const auto *s = std::get_if<QString>(&v)) {
        QString e = *s;
        e.replace(u'\\', QStringLiteral("\\\\"))
            .replace(u'\t', QStringLiteral("\\t"))
            .replace(u'\n', QStringLiteral("\\n"))
            .replace(u'\r', QStringLiteral("\\r"));
        return e;
    }
    if (const auto *bytes = std::get_if<QByteArray>(&v))
        return QString::fromLatin1(bytes->toHex());
    return std::nullopt;
}

std::optional<QString> canonicalRow(const jet::Table &t, qsizetype row) {
    QStringList fields;
    for (qsizetype c = 0; c < t.columns.size(); ++c) {
        const jet::ColumnType type = t.columns[c].type;
        if (type == jet::ColumnType::Guid || type == jet::ColumnType::Numeric)
            return std::nullopt;
        const auto text = canonical(t.rows[row][c]);
        if (!text)
            return std::nullopt;
        fields << *text;
    }
    return fields.join(u'\t');
}

// Our reader's view of a table in the words of JetOracle's walk; nullopt when its values cannot
// be compared there.
std::optional<QString> summaryLine(const jet::Table &t) {
    QStringList columns;
    for (const jet::Column &c : t.columns)
        columns << c.name + u':' + jackcessType(c.type);
    QCryptographicHash sha(QCryptographicHash::Sha256);
    for (qsizetype r = 0; r < t.rows.size(); ++r) {
        const auto line = canonicalRow(t, r);
        if (!line)
            return std::nullopt;
        sha.addData((*line + u'\n').toUtf8());
    }
    return QStringLiteral("table %1 rows %2 columns %3 sha256 %4")
        .arg(t.name)
        .arg(t.rows.size())
        .arg(columns.join(u','), QString::fromLatin1(sha.result().toHex()));
}

QStringList linesStarting(const QString &text, const QString &prefix) {
    QStringList out;
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        if (line.startsWith(prefix))
            out << line;
    return out;
}

struct JavaRun {
    int code = -1;
    QString out;
    QString err;
    // What went wrong, for a failure message.
    QString what(const QStringList &args) const {
        return QStringLiteral("JetOracle %1: exit %2: %3").arg(args.join(u' ')).arg(code).arg(err.left(3000));
    }
};

// A problem with Cyrillic texts, its body of the given length, four options (Windows-1251 holds
// every character, so Jet 3 banks take it too).
DocProblem cyrillicProblem(int number, int bodyLength) {
    DocProblem p;
    p.condition = QStringLiteral("Задача %1: найдите значение выражения.").arg(number);
    QString body;
    while (body.size() < bodyLength)
        body += QStringLiteral("Сторона треугольника равна %1 см, высота — %2 см; «площадь» = ? ")
                    .arg(number + body.size() % 97)
                    .arg(body.size());
    p.body = body.left(bodyLength);
    for (int n = 1; n <= 4; ++n)
        p.options << QStringLiteral("Ответ %1.%2: %3 кв. см").arg(number).arg(n).arg(number * n);
    p.correct = number % 4;
    return p;
}

// 10 000 problems, every tenth with a body of several thousand characters: the indexes span many
// pages, and long values chain through many.
QList<DocProblem> largeBank() {
    QList<DocProblem> problems;
    problems.reserve(10000);
    for (int p = 1; p <= 10000; ++p)
        problems << cyrillicProblem(p, p % 10 == 0 ? 2000 + (p * 37) % 4000 : 60 + p % 150);
    return problems;
}

QByteArray aikenQuestions(int count) {
    QByteArray text;
    for (int q = 1; q <= count; ++q) {
        text +=
            QStringLiteral("Вопрос %1: сколько будет %1 + %1?\nA) %2\nB) %3\nC) %4\nD) %5\nANSWER: %6\n\n")
                .arg(q)
                .arg(2 * q)
                .arg(2 * q + 1)
                .arg(2 * q - 1)
                .arg(q)
                .arg(QChar(u'A' + (q - 1) % 4))
                .toUtf8();
    }
    return text;
}

// The shipped sources, changed by `edit` (each file's lines, the header first), beside the bank.
bool writeSources(const QString &dir,
                  const std::function<void(QList<QByteArray> &, QList<QByteArray> &)> &edit) {
    QList<QByteArray> problems = fileBytes(shippedSource(QStringLiteral("Zadachi.csv"))).split('\n');
    QList<QByteArray> options = fileBytes(shippedSource(QStringLiteral("Otvety.csv"))).split('\n');
    while (!problems.isEmpty() && problems.last().isEmpty())
        problems.removeLast();
    while (!options.isEmpty() && options.last().isEmpty())
        options.removeLast();
    edit(problems, options);
    return writeBytes(QDir(dir).filePath(QStringLiteral("Zadachi.csv")), problems.join('\n') + '\n') &&
           writeBytes(QDir(dir).filePath(QStringLiteral("Otvety.csv")), options.join('\n') + '\n');
}

// Problem 21 with its four options after the shipped twenty.
void appendProblem21(QList<QByteArray> &problems, QList<QByteArray> &options) {
    problems << QStringLiteral("21,\"Новая задача из CSV\",\"Вычислите 21 · 2:\"").toUtf8();
    for (int n = 1; n <= 4; ++n)
        options << QStringLiteral("%1,21,\"%2\",%3,%4")
                       .arg(80 + n)
                       .arg(40 + n)
                       .arg(n == 2 ? 1 : 0)
                       .arg(n)
                       .toUtf8();
}

struct TemaRow {
    QString id;
    QString tema;
    QString condition;
};

QList<TemaRow> temaRows(const QString &dump) {
    QList<TemaRow> rows;
    for (const QString &line : linesStarting(dump, QStringLiteral("tema "))) {
        const QStringList f = line.mid(5).split(u'\t');
        rows.append({f.value(0), f.value(1), f.value(2)});
    }
    return rows;
}

} // namespace

class TestJackcess : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void harnessOnJackcessFiles_data();
    void harnessOnJackcessFiles();
    void walksOurBanks_data();
    void walksOurBanks();
    void editsAreReadBack_data();
    void editsAreReadBack();
    void savingKeepsTheTeachersObjects_data();
    void savingKeepsTheTeachersObjects();
    void badInputLeavesTheFileAlone_data();
    void badInputLeavesTheFileAlone();

private:
    JavaRun oracle(const QStringList &args) const;
    void makeBank(const QString &source, jet::Version version, const QString &path);
    QString ourReaderAgrees(const QString &path, const QString &walk) const;
    QString otherReadersAgree(const QString &path) const;

    QTemporaryDir m_classes{QDir::currentPath() + QStringLiteral("/jackcess-classes-XXXXXX")};
    QString m_java;
    QString m_classPath;
    QString m_oracleDir;
};

void TestJackcess::initTestCase() {
    QString jar = qEnvironmentVariable("CIFROVEX_JACKCESS_JAR");
    if (jar.isEmpty())
        jar = sourceDir() + QStringLiteral("/../shared/oracles/jackcess/jackcess-4.0.11-snapshot.jar");
    m_java = QStandardPaths::findExecutable(QStringLiteral("java"));
    const QString javac = QStandardPaths::findExecutable(QStringLiteral("javac"));
    QString missing;
    if (!QFile::exists(jar))
        missing = QStringLiteral("no %1 (set CIFROVEX_JACKCESS_JAR)").arg(QDir::cleanPath(jar));
    else if (m_java.isEmpty() || javac.isEmpty())
        missing = QStringLiteral("no java or javac (scripts/install-deps.sh jackcess)");
    if (!missing.isEmpty()) {
        const QByteArray message = "Jackcess oracle unavailable: " + missing.toUtf8();
        if (qEnvironmentVariableIntValue("CIFROVEX_REQUIRE_JACKCESS") == 1)
            QFAIL(message.constData());
        QSKIP(message.constData());
    }
    m_classPath = QStringList{jar, QStringLiteral("/usr/share/java/commons-lang3.jar"),
                              QStringLiteral("/usr/share/java/commons-logging.jar")}
                      .join(u':');
    for (const QString &lib : m_classPath.split(u':'))
        QVERIFY2(QFile::exists(lib),
                 qPrintable(lib + QStringLiteral(" is missing (scripts/install-deps.sh jackcess)")));
    QVERIFY(m_classes.isValid());
    QProcess javacRun;
    javacRun.setProcessChannelMode(QProcess::MergedChannels);
    javacRun.start(javac,
                   {QStringLiteral("-encoding"), QStringLiteral("UTF-8"), QStringLiteral("-Xlint:-path"),
                    QStringLiteral("-cp"), m_classPath, QStringLiteral("-d"), m_classes.path(),
                    sourceDir() + QStringLiteral("/tests/jackcess/JetOracle.java")});
    QVERIFY2(javacRun.waitForFinished(180000) && javacRun.exitCode() == 0,
             qPrintable(QStringLiteral("javac: ") + QString::fromUtf8(javacRun.readAll())));
    m_classPath += u':' + m_classes.path();

    m_oracleDir = qEnvironmentVariable("CIFROVEX_ORACLE_DIR");
    QVERIFY2(QFile::exists(m_oracleDir + QStringLiteral("/node_modules/mdb-reader/package.json")),
             "mdb-reader is not in CIFROVEX_ORACLE_DIR: run this test through CTest (jet_oracle_setup)");
}

JavaRun TestJackcess::oracle(const QStringList &args) const {
    QProcess p;
    p.start(m_java, QStringList{QStringLiteral("-cp"), m_classPath, QStringLiteral("JetOracle")} + args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        return {-1, {}, QStringLiteral("did not run to its end: ") + p.errorString()};
    }
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// Empty when our reader sees the tables Jackcess's walk printed: the same names, columns, row
// counts and values; else the first difference, down to the row.
QString TestJackcess::ourReaderAgrees(const QString &path, const QString &walk) const {
    QMap<QString, QString> theirs;
    for (const QString &line : linesStarting(walk, QStringLiteral("table ")))
        theirs.insert(line.section(u' ', 1, 1), line);
    try {
        const jet::Database db = jet::Database::open(path);
        QStringList ours = db.tableNames();
        ours.sort();
        if (ours != theirs.keys())
            return QStringLiteral("tables: ours %1, Jackcess %2")
                .arg(ours.join(u','), theirs.keys().join(u','));
        for (const QString &name : ours) {
            const jet::Table table = db.readTable(name);
            const auto line = summaryLine(table);
            if (!line || *line == theirs.value(name))
                continue;
            if (line->section(u' ', 0, -3) != theirs.value(name).section(u' ', 0, -3))
                return QStringLiteral("ours: %1\nJackcess: %2").arg(*line, theirs.value(name));
            const QStringList rows =
                oracle({QStringLiteral("rows"), path, name}).out.split(u'\n', Qt::SkipEmptyParts);
            for (qsizetype r = 0; r < table.rows.size(); ++r)
                if (rows.value(r) != *canonicalRow(table, r))
                    return QStringLiteral("%1 row %2: ours %3\nJackcess %4")
                        .arg(name)
                        .arg(r + 1)
                        .arg(canonicalRow(table, r)->left(300), rows.value(r).left(300));
            return QStringLiteral("%1: the values hash differently, row by row they agree").arg(name);
        }
    } catch (const jet::FormatError &e) {
        return QStringLiteral("our reader: ") + e.message();
    }
    return {};
}

// Empty when mdb-export and mdb-reader read the file as our reader does. A row Jet moved to another
// place is listed by them where it now lies, by us (and Jackcess) where it stood, so rows are
// compared in the order of their first column.
QString TestJackcess::otherReadersAgree(const QString &path) const {
    const jet::Database db = jet::Database::open(path);
    QList<jet::Table> tables;
    QString error;
    for (const QString &name : db.tableNames()) {
        jet::Table t = db.readTable(name);
        std::stable_sort(t.rows.begin(), t.rows.end(),
                         [](const QList<jet::Value> &a, const QList<jet::Value> &b) {
                             const auto *x = a.isEmpty() ? nullptr : std::get_if<qint64>(&a.first());
                             const auto *y = b.isEmpty() ? nullptr : std::get_if<qint64>(&b.first());
                             return x && y && *x < *y;
                         });
        tables << t;
        const QByteArray csv =
            jetoracles::run(QStandardPaths::findExecutable(QStringLiteral("mdb-export")),
                            {QStringLiteral("-b"), QStringLiteral("hex"), path, name}, &error);
        if (!error.isEmpty())
            return error;
        QList<QStringList> exported = jetoracles::parseCsv(QString::fromUtf8(csv));
        if (!exported.isEmpty())
            std::stable_sort(exported.begin() + 1, exported.end(),
                             [](const QStringList &a, const QStringList &b) {
                                 return a.value(0).toLongLong() < b.value(0).toLongLong();
                             });
        const QString diff = jetoracles::compareWithExport(tables.last(), exported);
        if (!diff.isEmpty())
            return diff;
    }
    const QByteArray json =
        jetoracles::run(QStandardPaths::findExecutable(QStringLiteral("node")),
                        {sourceDir() + QStringLiteral("/tests/jet/dump.mjs"), m_oracleDir, path}, &error);
    if (!error.isEmpty())
        return error;
    QJsonObject dump = QJsonDocument::fromJson(json).object();
    QJsonArray dumped = dump.value(QLatin1String("tables")).toArray();
    for (qsizetype t = 0; t < dumped.size(); ++t) {
        QJsonObject table = dumped[t].toObject();
        QList<QJsonArray> rows;
        for (const QJsonValue &r : table.value(QLatin1String("rows")).toArray())
            rows << r.toArray();
        std::stable_sort(rows.begin(), rows.end(), [](const QJsonArray &a, const QJsonArray &b) {
            return a.at(0).toDouble() < b.at(0).toDouble();
        });
        QJsonArray sorted;
        for (const QJsonArray &r : rows)
            sorted.append(r);
        table.insert(QLatin1String("rows"), sorted);
        dumped[t] = table;
    }
    dump.insert(QLatin1String("tables"), dumped);
    return jetoracles::compareWithMdbReader(tables, dump, db.version());
}

// One of the ways a bank of ours comes to be, written to path.
void TestJackcess::makeBank(const QString &source, jet::Version version, const QString &path) {
    const QStringList jet3 =
        version == jet::Version::Jet3 ? QStringList{QStringLiteral("--jet3")} : QStringList{};
    if (source == QLatin1String("shipped")) {
        QVERIFY(version == jet::Version::Jet4);
        QVERIFY2(QFile::copy(qEnvironmentVariable("CIFROVEX_BINARY_DIR") + QStringLiteral("/data.cvx"), path),
                 "the build has not made data.cvx");
    } else if (source == QLatin1String("build")) {
        const ToolRun r =
            runBankTool(QStringList{QStringLiteral("build"), shippedSource(QStringLiteral("Zadachi.csv")),
                                    shippedSource(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), path} +
                        jet3);
        QVERIFY2(r.code == 0, qPrintable(r.err));
    } else if (source == QLatin1String("aiken")) {
        const QString questions = path + QStringLiteral(".txt");
        QVERIFY(writeBytes(questions, aikenQuestions(24)));
        const ToolRun r = runBankTool(
            QStringList{QStringLiteral("import-aiken"), questions, QStringLiteral("-o"), path} + jet3);
        QVERIFY2(r.code == 0, qPrintable(r.err));
    } else {
        QList<DocProblem> problems;
        if (source == QLatin1String("large"))
            problems = largeBank();
        else
            for (int p = 1; p <= 20; ++p)
                problems << cyrillicProblem(p, 40 + 50 * p);
        BankDocument doc;
        doc.reset(problems);
        try {
            doc.save(path, version);
            // The editor's everyday save: into the bank it opened, which is changed in place.
            if (source == QLatin1String("resaved")) {
                doc.load(path);
                DocProblem changed = doc.problem(2);
                changed.body = QStringLiteral("Изменённое условие: ") + QString(3000, u'ы');
                doc.setProblem(2, changed);
                doc.insertProblems(5, {cyrillicProblem(77, 500)});
                doc.removeProblems(12, 1);
                doc.save(path, version);
            }
        } catch (const BankError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }
}

void TestJackcess::harnessOnJackcessFiles_data() {
    QTest::addColumn<int>("problems");
    QTest::newRow("teacher") << 20;
    QTest::newRow("teacher_large") << 10000; // indexes of many leaf and intermediate pages
}

// The checks themselves, on banks Jackcess made as Access makes them: they pass on a sound bank,
// our reader's values hash as Jackcess's do before and after Jackcess changes the file, the other
// readers agree with ours on the change, and a bank without the options' index is caught.
void TestJackcess::harnessOnJackcessFiles() {
    QFETCH(int, problems);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("teacher.mdb"));
    JavaRun r = oracle(
        {QStringLiteral("make-teacher"), path, QStringLiteral("--problems"), QString::number(problems)});
    QVERIFY2(r.code == 0, qPrintable(r.what({QStringLiteral("make-teacher")})));
    r = oracle({QStringLiteral("walk"), path});
    QVERIFY2(r.code == 0, qPrintable(r.what({QStringLiteral("walk"), path})));
    QVERIFY2(r.out.contains(QStringLiteral("bank %1 problems, %2 options found through Otvety.ID_P")
                                .arg(problems)
                                .arg(4 * problems)),
             qPrintable(r.out));
    QCOMPARE(linesStarting(r.out, QStringLiteral("table ")).size(), 3);
    QString diff = ourReaderAgrees(path, r.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    r = oracle({QStringLiteral("edit"), path});
    QVERIFY2(r.code == 0, qPrintable(r.what({QStringLiteral("edit"), path})));
    // One problem added, one deleted.
    QVERIFY2(r.out.contains(QStringLiteral("table Zadachi rows %1 ").arg(problems)), qPrintable(r.out));
    diff = ourReaderAgrees(path, r.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    diff = otherReadersAgree(path);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    if (problems > 20)
        return;
    const QString noIndex = dir.filePath(QStringLiteral("no-index.mdb"));
    QCOMPARE(oracle({QStringLiteral("make-teacher"), noIndex, QStringLiteral("--no-detail-index")}).code, 0);
    r = oracle({QStringLiteral("walk"), noIndex});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(QStringLiteral("Otvety has no index ID_P")), qPrintable(r.err));
}

void TestJackcess::walksOurBanks_data() {
    QTest::addColumn<QString>("source");
    QTest::addColumn<jet::Version>("version");
    QTest::newRow("shipped") << "shipped" << jet::Version::Jet4;
    QTest::newRow("build_jet4") << "build" << jet::Version::Jet4;
    QTest::newRow("build_jet3") << "build" << jet::Version::Jet3;
    QTest::newRow("aiken_jet4") << "aiken" << jet::Version::Jet4;
    QTest::newRow("aiken_jet3") << "aiken" << jet::Version::Jet3;
    QTest::newRow("editor_jet4") << "editor" << jet::Version::Jet4;
    QTest::newRow("editor_jet3") << "editor" << jet::Version::Jet3;
    QTest::newRow("resaved_jet4") << "resaved" << jet::Version::Jet4;
    QTest::newRow("resaved_jet3") << "resaved" << jet::Version::Jet3;
    QTest::newRow("large_jet4") << "large" << jet::Version::Jet4;
    QTest::newRow("large_jet3") << "large" << jet::Version::Jet3;
}

// Jackcess opens the bank, walks every table and index, finds the keys and each problem's options
// through Otvety.ID_P, and sees the values our reader sees.
void TestJackcess::walksOurBanks() {
    QFETCH(QString, source);
    QFETCH(jet::Version, version);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    makeBank(source, version, path);
    if (QTest::currentTestFailed())
        return;
    const JavaRun r = oracle({QStringLiteral("walk"), path});
    QVERIFY2(r.code == 0, qPrintable(r.what({QStringLiteral("walk"), source})));
    QCOMPARE(r.out.section(u'\n', 0, 0),
             version == jet::Version::Jet4 ? QStringLiteral("format V2000") : QStringLiteral("format V1997"));
    const QString diff = ourReaderAgrees(path, r.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    const Bank bank = loadBank(path);
    QVERIFY2(r.out.contains(QStringLiteral("bank %1 problems, %2 options found through Otvety.ID_P")
                                .arg(bank.problems.size())
                                .arg(bank.options.size())),
             qPrintable(r.out));
}

void TestJackcess::editsAreReadBack_data() {
    QTest::addColumn<QString>("source");
    for (const char *source : {"shipped", "build", "aiken", "editor", "resaved", "large"})
        QTest::newRow(source) << QString::fromLatin1(source);
}

// Jackcess adds a problem with its options, lengthens a body, deletes a row of each table and
// reopens the file; then our reader, mdb-export and mdb-reader read what it left.
void TestJackcess::editsAreReadBack() {
    QFETCH(QString, source);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    makeBank(source, jet::Version::Jet4, path);
    if (QTest::currentTestFailed())
        return;
    const qsizetype problems = loadBank(path).problems.size();
    const JavaRun r = oracle({QStringLiteral("edit"), path});
    QVERIFY2(r.code == 0, qPrintable(r.what({QStringLiteral("edit"), source})));
    QVERIFY2(r.out.contains(QStringLiteral("table Zadachi rows %1 ").arg(problems)), qPrintable(r.out));
    QString diff = ourReaderAgrees(path, r.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    diff = otherReadersAgree(path);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    const Bank edited = loadBank(path);
    QVERIFY(std::any_of(edited.problems.cbegin(), edited.problems.cend(), [](const Problem &p) {
        return p.Uslovie == QStringLiteral("Задача, добавленная Jackcess");
    }));
}

void TestJackcess::savingKeepsTheTeachersObjects_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("newProblems");
    QTest::newRow("editor_append") << "editor_append" << 1;
    // ID_P is the position: every problem moves down one, and its Tema must go with it.
    QTest::newRow("editor_insert_first") << "editor_insert_first" << 1;
    QTest::newRow("build_onto") << "build_onto" << 1;
    QTest::newRow("aiken_onto") << "aiken_onto" << 4; // 24 questions
}

// A bank made in Access with a column, a table, a relationship and properties of the teacher's own,
// saved by the editor (one problem inserted), by build or by import-aiken: all of it is still there
// for Jackcess.
void TestJackcess::savingKeepsTheTeachersObjects() {
    QFETCH(QString, how);
    QFETCH(int, newProblems);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("teacher.mdb"));
    QCOMPARE(oracle({QStringLiteral("make-teacher"), path}).code, 0);
    const JavaRun before = oracle({QStringLiteral("dump-teacher"), path});
    QVERIFY2(before.code == 0, qPrintable(before.err));

    const bool byId = !how.startsWith(QLatin1String("editor"));
    if (how == QLatin1String("build_onto")) {
        QVERIFY(writeSources(dir.path(), appendProblem21));
        const ToolRun r =
            runBankTool({QStringLiteral("build"), dir.filePath(QStringLiteral("Zadachi.csv")),
                         dir.filePath(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), path});
        QVERIFY2(r.code == 0, qPrintable(r.err));
    } else if (how == QLatin1String("aiken_onto")) {
        const QString questions = dir.filePath(QStringLiteral("questions.txt"));
        QVERIFY(writeBytes(questions, aikenQuestions(24)));
        const ToolRun r =
            runBankTool({QStringLiteral("import-aiken"), questions, QStringLiteral("-o"), path});
        QVERIFY2(r.code == 0, qPrintable(r.err));
    } else {
        BankDocument doc;
        doc.load(path);
        QCOMPARE(doc.problemCount(), 20);
        DocProblem added = cyrillicProblem(99, 300);
        added.condition = QStringLiteral("Новая задача из редактора");
        doc.insertProblems(how == QLatin1String("editor_append") ? 20 : 0, {added});
        try {
            doc.save(path, jet::Version::Jet4);
        } catch (const BankError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }

    const JavaRun after = oracle({QStringLiteral("dump-teacher"), path});
    QVERIFY2(after.code == 0, qPrintable(after.what({QStringLiteral("dump-teacher"), how})));
    auto everythingButTema = [](const QString &dump) {
        QStringList lines = dump.split(u'\n', Qt::SkipEmptyParts);
        lines.removeIf([](const QString &l) { return l.startsWith(QStringLiteral("tema ")); });
        return lines;
    };
    QCOMPARE(everythingButTema(after.out), everythingButTema(before.out));

    // The rows that stay keep their Tema (found by ID_P after build and import-aiken, which name the
    // rows; by the problem's text after the editor, which numbers problems by position); new ones
    // have none.
    const QList<TemaRow> old = temaRows(before.out);
    const QList<TemaRow> now = temaRows(after.out);
    QCOMPARE(now.size(), old.size() + newProblems);
    int added = 0;
    for (const TemaRow &row : now) {
        const auto same = std::find_if(old.cbegin(), old.cend(), [&](const TemaRow &o) {
            return byId ? o.id == row.id : o.condition == row.condition;
        });
        if (same == old.cend()) {
            ++added;
            QCOMPARE(row.tema, QStringLiteral("\\N"));
        } else {
            QVERIFY2(
                row.tema == same->tema,
                qPrintable(QStringLiteral("ID_P %1: Tema %2, was %3").arg(row.id, row.tema, same->tema)));
        }
    }
    QCOMPARE(added, newProblems);

    const JavaRun walk = oracle({QStringLiteral("walk"), path});
    QVERIFY2(walk.code == 0, qPrintable(walk.what({QStringLiteral("walk"), how})));
    QVERIFY2(walk.out.contains(QStringLiteral("bank %1 problems, %2 options found through Otvety.ID_P")
                                   .arg(20 + newProblems)
                                   .arg(4 * (20 + newProblems))),
             qPrintable(walk.out));
    const QString diff = ourReaderAgrees(path, walk.out);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestJackcess::badInputLeavesTheFileAlone_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("duplicate_id_p") << "duplicate_id_p";
    QTest::newRow("duplicate_id_o") << "duplicate_id_o";
    QTest::newRow("empty_id_p") << "empty_id_p";
    QTest::newRow("full_disk_build") << "full_disk_build";
    QTest::newRow("full_disk_editor") << "full_disk_editor";
}

// A save that cannot be done leaves the teacher's file byte for byte as it was, with a message,
// and no half-written file beside it.
void TestJackcess::badInputLeavesTheFileAlone() {
    QFETCH(QString, fault);
#ifndef Q_OS_UNIX
    if (fault.startsWith(QLatin1String("full_disk")))
        QSKIP("the file-size limit that stands in for a full disk is POSIX's");
#else
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("teacher.mdb"));
    QCOMPARE(oracle({QStringLiteral("make-teacher"), path}).code, 0);
    const QByteArray original = fileBytes(path);
    const QStringList build{QStringLiteral("build"), dir.filePath(QStringLiteral("Zadachi.csv")),
                            dir.filePath(QStringLiteral("Otvety.csv")), QStringLiteral("-o"), path};
    // A file-size limit fails the write part-way, as a full disk does; the backup (the old file)
    // still fits under it, the new file with a long body does not.
    const rlim_t limit = rlim_t(original.size() + 4096);
    const QString huge(300000, u'ж');

    if (!fault.startsWith(QLatin1String("full_disk"))) {
        // A key written twice or not at all: line 6 of Zadachi.csv (ID_P 5) or of Otvety.csv (ID_O 5).
        const QByteArray key = fault == QLatin1String("empty_id_p") ? QByteArray() : QByteArray("4");
        const bool options = fault == QLatin1String("duplicate_id_o");
        QVERIFY(writeSources(dir.path(), [&](QList<QByteArray> &problems, QList<QByteArray> &optionLines) {
            QByteArray &line = options ? optionLines[5] : problems[5];
            line = key + line.mid(line.indexOf(','));
        }));
        const ToolRun r = runBankTool(build);
        QCOMPARE(r.code, 3);
        QVERIFY2(r.err.contains(options ? QStringLiteral("ID_O") : QStringLiteral("ID_P")),
                 qPrintable(r.err));
    } else if (fault == QLatin1String("full_disk_build")) {
        QVERIFY(writeSources(dir.path(), [&](QList<QByteArray> &problems, QList<QByteArray> &) {
            problems[1] = "1,\"" + huge.toUtf8() + "\",\"Вычислите:\"";
        }));
        QProcess p;
        p.setChildProcessModifier([limit] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit l{};
            getrlimit(RLIMIT_FSIZE, &l);
            l.rlim_cur = limit;
            setrlimit(RLIMIT_FSIZE, &l);
        });
        p.start(qEnvironmentVariable("CIFROVEX_BINARY_DIR") + QStringLiteral("/tools/cifrovex-bank"), build);
        QVERIFY(p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit);
        const QString err = QString::fromUtf8(p.readAllStandardError());
        QCOMPARE(p.exitCode(), 4);
        QVERIFY2(err.contains(path), qPrintable(err));
    } else {
        BankDocument doc;
        doc.load(path);
        DocProblem first = doc.problem(0);
        first.body = huge;
        doc.setProblem(0, first);
        const QString message = saveMessageUnderSizeLimit(doc, path, limit);
        QVERIFY2(message.contains(QStringLiteral("«%1»").arg(path)), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("остался прежним")), qPrintable(message));
    }

    QCOMPARE(fileBytes(path), original);
    QStringList left =
        QDir(dir.path()).entryList({QStringLiteral("teacher.mdb*")}, QDir::Files | QDir::Hidden);
    if (left.removeAll(QStringLiteral("teacher.mdb.bak")) > 0)
        QCOMPARE(fileBytes(bankdoc::backupPath(path)), original);
    QCOMPARE(left, QStringList{QStringLiteral("teacher.mdb")});
#endif
}

QTEST_GUILESS_MAIN(TestJackcess)
#include "tst_jackcess.moc"
