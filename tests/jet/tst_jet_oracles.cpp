// Our writer's files read by two independent readers, mdb-export and mdb-reader (oracle_readers.h
// says how their output is read), and a real Access file read by ours.
// The fixture jet_oracle_setup installs mdb-reader and fetches fruit.mdb into CIFROVEX_ORACLE_DIR;
// without them (or without node or mdb-export) this test fails, it never skips.

#include "cases.h"
#include "data/bank_csv.h"
#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "jet_test_util.h"
#include "oracle_readers.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace jet;
using namespace jetoracles;

Q_DECLARE_METATYPE(jet::Version)
Q_DECLARE_METATYPE(QList<jet::Table>)
Q_DECLARE_METATYPE(jet::Column)
Q_DECLARE_METATYPE(jet::Value)

class TestJetOracles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void writerOutput_data();
    void writerOutput();
    void realAccessFile();
    void dumpedNumbers_data();
    void dumpedNumbers();
    void jet3CodePages_data();
    void jet3CodePages();

private:
    QString mdbExport(const QString &file, const QString &table, QList<QStringList> *rows);
    QString mdbReader(const QString &file, QJsonObject *dump);

    QString m_oracleDir;
    QString m_node;
    QString m_mdbExport;
    QTemporaryDir m_dir;
};

void TestJetOracles::initTestCase() {
    m_oracleDir = qEnvironmentVariable("CIFROVEX_ORACLE_DIR");
    QVERIFY2(!m_oracleDir.isEmpty(), "CIFROVEX_ORACLE_DIR is not set: run this test through CTest");
    QVERIFY2(
        QFile::exists(m_oracleDir + QStringLiteral("/node_modules/mdb-reader/package.json")),
        "mdb-reader is not installed in CIFROVEX_ORACLE_DIR: the jet_oracle_setup test failed (its output "
        "says why)");
    m_node = QStandardPaths::findExecutable(QStringLiteral("node"));
    QVERIFY2(!m_node.isEmpty(), "node is not installed (Debian package nodejs)");
    m_mdbExport = QStandardPaths::findExecutable(QStringLiteral("mdb-export"));
    QVERIFY2(!m_mdbExport.isEmpty(), "mdb-export is not installed (Debian package mdbtools)");
    QVERIFY(m_dir.isValid());
}

QString TestJetOracles::mdbExport(const QString &file, const QString &table, QList<QStringList> *rows) {
    QString error;
    const QByteArray out =
        run(m_mdbExport, {QStringLiteral("-b"), QStringLiteral("hex"), file, table}, &error);
    *rows = parseCsv(QString::fromUtf8(out));
    return error;
}

QString TestJetOracles::mdbReader(const QString &file, QJsonObject *dump) {
    QString error;
    const QString script = jettest::sourceDir() + QStringLiteral("/tests/jet/dump.mjs");
    const QByteArray out = run(m_node, {script, m_oracleDir, file}, &error);
    *dump = QJsonDocument::fromJson(out).object();
    return error;
}

void TestJetOracles::writerOutput_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<QList<Table>>("tables");
    for (const jetcases::Case &c : jetcases::cases())
        QTest::newRow(qPrintable(c.tag)) << c.version << c.tables;
}

void TestJetOracles::writerOutput() {
    QFETCH(Version, version);
    QFETCH(QList<Table>, tables);
    const QString path =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
    writeFile(path, tables, version);
    const Database db = Database::open(path);
    for (const Table &t : tables) {
        const Table ours = db.readTable(t.name);
        const QString diff = jettest::firstDifference(t, ours);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QList<QStringList> csv;
        const QString error = mdbExport(path, t.name, &csv);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString exportDiff = compareWithExport(ours, csv);
        QVERIFY2(exportDiff.isEmpty(), qPrintable(exportDiff));
    }
    QJsonObject dump;
    const QString error = mdbReader(path, &dump);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString diff = compareWithMdbReader(tables, dump, version);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestJetOracles::realAccessFile() {
    const QString path = m_oracleDir + QStringLiteral("/fruit.mdb");
    QVERIFY2(QFile::exists(path), "fruit.mdb was not fetched: the jet_oracle_setup test failed");
    const Database db = Database::open(path);
    QCOMPARE(db.version(), Version::Jet4);
    QString error;
    const QStringList listed =
        QString::fromUtf8(run(QStandardPaths::findExecutable(QStringLiteral("mdb-tables")),
                              {QStringLiteral("-1"), path}, &error))
            .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(db.tableNames(), listed);
    QCOMPARE(listed.size(), 5);

    QList<Table> tables;
    int rows = 0;
    for (const QString &name : db.tableNames()) {
        const Table ours = db.readTable(name);
        QList<QStringList> csv;
        const QString error = mdbExport(path, name, &csv);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString diff = compareWithExport(ours, csv);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        rows += int(ours.rows.size());
        tables.append(ours);
    }
    QCOMPARE(rows, 84);
    QJsonObject dump;
    QVERIFY2(mdbReader(path, &dump).isEmpty(), "mdb-reader failed on fruit.mdb");
    const QString diff = compareWithMdbReader(tables, dump, Version::Jet4);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // The system tables read too (long values, deleted and moved rows of a file Access has used).
    for (const char *name :
         {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships", "MSysNavPaneGroupCategories"})
        QVERIFY(db.readTable(QString::fromLatin1(name)).rows.size() > 0);
}

void TestJetOracles::dumpedNumbers_data() {
    QTest::addColumn<Column>("column");
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("dumped"); // what our dump prints

    auto numeric = [](int precision, int scale, const char *text, const char *dumped) {
        QTest::addRow("numeric_%d_%d_%s", precision, scale, text)
            << Column{QStringLiteral("N"), ColumnType::Numeric, precision, scale}
            << Value(*numericBytes(QString::fromLatin1(text), scale)) << QString::fromLatin1(dumped);
    };
    numeric(10, 2, "12.5", "12.50");
    numeric(10, 2, "-0.05", "-0.05");
    numeric(10, 3, "0", "0.000");
    numeric(18, 0, "-123456789012345678", "-123456789012345678");
    numeric(28, 0, "9999999999999999999999999999", "9999999999999999999999999999");
    numeric(28, 28, "0.0000000000000000000000000001", "0.0000000000000000000000000001");
    numeric(28, 5, "12345678901234567890123.45678", "12345678901234567890123.45678");

    // A Single is printed as the shortest text that reads back as the same single.
    auto single = [](const char *tag, float f, const char *dumped) {
        QTest::addRow("single_%s", tag) << Column{QStringLiteral("S"), ColumnType::Single} << Value(double(f))
                                        << QString::fromLatin1(dumped);
    };
    single("0.15", 0.15f, "0.15");
    single("0.1", 0.1f, "0.1");
    single("third", 1.0f / 3, "0.33333334");
    single("negative", -2.5f, "-2.5");
    single("max", std::numeric_limits<float>::max(), "3.4028235e+38");
    single("large", -1e20f, "-1e+20");
    single("2^24", 16777216.0f, "16777216");
    single("smallest", std::numeric_limits<float>::denorm_min(), "1e-45");
    single("fraction", 123456.79f, "123456.79");
}

// Our dump (csv::write) of Numeric and Single values beside mdb-export's: the same Numeric text,
// the same single in no more characters.
void TestJetOracles::dumpedNumbers() {
    QFETCH(Column, column);
    QFETCH(Value, value);
    QFETCH(QString, dumped);
    const Table table{QStringLiteral("T"), {column}, {{value}}};
    const QString path =
        m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".mdb"));
    writeFile(path, {table}, Version::Jet4);
    const Table ours = Database::open(path).readTable(QStringLiteral("T"));
    QCOMPARE(ours.columns.front().scale, column.scale);
    const QList<QByteArray> lines = csv::write(ours).split('\n');
    QCOMPARE(QString::fromLatin1(lines.value(1)), dumped);

    QList<QStringList> theirs;
    const QString error = mdbExport(path, table.name, &theirs);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(theirs.size(), 2);
    const QString exported = theirs[1].value(0);
    if (column.type == ColumnType::Numeric) {
        QCOMPARE(dumped, exported);
    } else {
        QVERIFY2(sameSingle(value, exported), qPrintable(exported));
        QVERIFY2(dumped.size() <= exported.size(), qPrintable(exported));
        QCOMPARE(toSingle(dumped), std::optional<float>(float(std::get<double>(value))));
    }
}

void TestJetOracles::jet3CodePages_data() {
    QTest::addColumn<int>("codePage");
    // Not 1258: glibc's iconv holds a Vietnamese letter back for a combining mark that may follow
    // and loses it at the end of a text, so mdb-export finds no "MSysObjects" in such a file.
    for (int cp : {1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257})
        QTest::addRow("%d", cp) << cp;
}

// Jet 3 text in the code page the header names, every byte from 0x20 up, read as mdb-export
// reads it (it takes the header's code page too, through iconv).
void TestJetOracles::jet3CodePages() {
    QFETCH(int, codePage);
    // The writer stores Windows-1251: the text whose Windows-1251 bytes are the ones wanted. "?"
    // stays out, as mdb-export prints it for a byte iconv has no character for; 0x98 has none in
    // Windows-1251 either. An "a" after each byte: iconv holds a Hebrew letter back for a
    // combining mark and drops it when a byte it does not know follows.
    QByteArray raw;
    for (int b = 0x20; b < 0x100; ++b)
        if (b != '?' && b != 0x98)
            raw.append(char(b)).append('a');
    const QString text = *format::decodeText(Version::Jet3, reinterpret_cast<const uchar *>(raw.constData()),
                                             raw.size(), 1251);
    const Table table{QStringLiteral("T"), {{QStringLiteral("S"), ColumnType::Memo}}, {{text}}};
    QByteArray bytes = write({table}, Version::Jet3);
    const format::Layout &l = format::layout(Version::Jet3);
    auto *h = reinterpret_cast<uchar *>(bytes.data());
    format::headerCrypt(h + format::kHeaderCryptStart, l.headerCryptSize);
    format::put16(h + format::kHeaderCodePage, quint16(codePage));
    format::headerCrypt(h + format::kHeaderCryptStart, l.headerCryptSize);
    const QString path = m_dir.filePath(QStringLiteral("cp%1.mdb").arg(codePage));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    file.close();

    const Database db = Database::open(path);
    QCOMPARE(db.codePage(), codePage);
    const QString ours = std::get<QString>(db.readTable(table.name).rows[0][0]);
    QList<QStringList> csv;
    const QString error = mdbExport(path, table.name, &csv);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const QString theirs = csv.value(1).value(0);
    QCOMPARE(theirs.size(), ours.size());
    for (qsizetype i = 0; i < ours.size(); ++i) {
        // Where iconv knows no character, ours is the C1 control of the byte or U+FFFD.
        const char16_t c = ours[i].unicode();
        const bool hole = theirs[i] == QLatin1Char('?') && (c == 0xFFFD || (c >= 0x80 && c < 0xA0));
        QVERIFY2(hole || theirs[i] == ours[i],
                 qPrintable(QStringLiteral("byte 0x%1: mdb-export U+%2, we U+%3")
                                .arg(uchar(raw[i]), 2, 16, QLatin1Char('0'))
                                .arg(theirs[i].unicode(), 4, 16, QLatin1Char('0'))
                                .arg(c, 4, 16, QLatin1Char('0'))));
    }
}

QTEST_GUILESS_MAIN(TestJetOracles)
#include "tst_jet_oracles.moc"
