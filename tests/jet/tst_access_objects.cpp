// What a new database holds besides the user's tables, compared with a new, empty database that
// Access 2000 made (the one Jackcess ships inside its jar), read through our reader.

#include "data/jet/access_objects.h"
#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "jet_test_util.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstring>

Q_DECLARE_METATYPE(jet::Version)
Q_DECLARE_METATYPE(QList<jet::access::Property>)

using namespace jet;
namespace fmt = jet::format;

namespace {

// The objects of the Access file that only Access makes, left out of ours.
bool accessOnly(const QList<Value> &objectRow) {
    const QString name = std::get<QString>(objectRow[2]);
    return name == QLatin1String("AccessLayout") || name == QLatin1String("MSysAccessObjects");
}
constexpr qint64 kAccessObjectsId = 15; // MSysAccessObjects' definition page in that file

struct IndexSections {
    QList<fmt::RealIndexDef> real;
    QList<fmt::LogicalIndexDef> logical;
    QList<int> columnMaps; // the columns of the long-value page maps listed last
};

// The index sections of a Jet 4 definition that fits one page, read the way the layout is
// documented (mdbtools' HACKING, Jackcess): real indexes of 52 bytes, logical ones of 28, then
// the logical indexes' names, then the long-value columns' page maps.
IndexSections jet4Indexes(const QByteArray &page) {
    const auto *p = reinterpret_cast<const uchar *>(page.constData());
    const fmt::Layout &l = fmt::layout(Version::Jet4);
    const int numCols = fmt::u16(p + l.tdefNumCols);
    const int numLogical = int(fmt::u32(p + 47));
    const int numReal = int(fmt::u32(p + l.tdefNumRealIdx));
    int pos = l.tdefBlockEnd + numReal * l.realIdxSize + numCols * l.colSize;
    for (int i = 0; i < numCols; ++i)
        pos += 2 + fmt::u16(p + pos);
    IndexSections out;
    for (int i = 0; i < numReal; ++i, pos += 52) {
        fmt::RealIndexDef r;
        for (int k = 0; k < 10; ++k) {
            const int number = fmt::u16(p + pos + 4 + 3 * k);
            if (number != 0xFFFF)
                r.columns.append({number, p[pos + 6 + 3 * k] == 1});
        }
        r.flags = p[pos + 46];
        out.real.append(r);
    }
    for (int i = 0; i < numLogical; ++i, pos += 28) {
        fmt::LogicalIndexDef x;
        x.number = int(fmt::u32(p + pos + 4));
        x.realIndex = int(fmt::u32(p + pos + 8));
        x.cascadeUpdates = p[pos + 21];
        x.cascadeDeletes = p[pos + 22];
        x.kind = p[pos + 23];
        out.logical.append(x);
    }
    for (fmt::LogicalIndexDef &x : out.logical) {
        const int len = fmt::u16(p + pos);
        x.name = *fmt::decodeText(Version::Jet4, p + pos + 2, len, 0);
        pos += 2 + len;
    }
    for (; fmt::u16(p + pos) != 0xFFFF; pos += 10)
        out.columnMaps.append(fmt::u16(p + pos));
    return out;
}

QString describe(const fmt::ColumnDef &c) {
    // Only what Jet reads: a variable column's fixed offset and a fixed one's variable index are
    // leftovers in Access's files.
    return QStringLiteral("%1 type %2 number %3 %4 length %5 flags 0x%6 misc 0x%7")
        .arg(c.name)
        .arg(int(c.type))
        .arg(c.number)
        .arg(c.isFixed() ? QStringLiteral("offset %1").arg(c.fixedOffset)
                         : QStringLiteral("var %1").arg(c.varIndex))
        .arg(c.length)
        .arg(c.flags, 0, 16)
        .arg(c.miscFlags, 0, 16);
}

QString describe(const fmt::RealIndexDef &r) {
    QStringList cols;
    for (const fmt::IndexColumnDef &c : r.columns)
        cols << QStringLiteral("%1%2").arg(c.number).arg(c.ascending ? "+" : "-");
    return QStringLiteral("(%1) flags 0x%2").arg(cols.join(QLatin1Char(','))).arg(r.flags, 0, 16);
}

QString describe(const fmt::LogicalIndexDef &x) {
    return QStringLiteral("%1 number %2 real %3 kind %4 cascade %5/%6")
        .arg(x.name)
        .arg(x.number)
        .arg(x.realIndex)
        .arg(x.kind)
        .arg(x.cascadeUpdates)
        .arg(x.cascadeDeletes);
}

template <typename T> QStringList describeAll(const QList<T> &items) {
    QStringList out;
    for (const T &item : items)
        out << describe(item);
    return out;
}

double dateOf(const Value &v) {
    return std::get<double>(v);
}

} // namespace

class TestAccessObjects : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();

    void catalogueIsAccess();
    void accessControlEntriesAreAccess();
    void systemTableDefinitionsAreAccess();
    void headerPageIsAccess();

    void newTableGetsTablesContainerAccounts();
    void propertiesRoundTrip_data();
    void propertiesRoundTrip();
    void badPropertyBlocksAreRefused();
    void definitionsEncode_data();
    void definitionsEncode();
    void jet3TablesDifferWhereAccess97Does();
    void headerPagesOpen_data();
    void headerPagesOpen();

private:
    QTemporaryDir m_dir;
    QByteArray m_empty; // the Access 2000 file
    QString m_skip;
};

void TestAccessObjects::initTestCase() {
    QString jar = qEnvironmentVariable("CIFROVEX_JACKCESS_JAR");
    if (jar.isEmpty())
        jar = qEnvironmentVariable("CIFROVEX_SOURCE_DIR") +
              QStringLiteral("/../shared/oracles/jackcess/jackcess-4.0.11-snapshot.jar");
    if (!QFile::exists(jar)) {
        m_skip = QStringLiteral("no Jackcess jar at %1 (set CIFROVEX_JACKCESS_JAR)").arg(jar);
        return;
    }
#ifdef Q_OS_WIN
    // The jar is unpacked with the build's CMake, a Linux program where Windows tests run (Wine):
    // the comparison is made by the Linux build's run of this test.
    m_skip = QStringLiteral("the empty Access database is compared with ours by the Linux build");
    return;
#endif
    const QString cmake = qEnvironmentVariable("CMAKE_COMMAND", QStringLiteral("cmake"));
    const QString entry = QStringLiteral("com/healthmarketscience/jackcess/empty.mdb");
    QProcess unpack;
    unpack.setWorkingDirectory(m_dir.path());
    unpack.start(cmake, {QStringLiteral("-E"), QStringLiteral("tar"), QStringLiteral("xf"), jar, entry});
    QVERIFY2(unpack.waitForFinished(60000) && unpack.exitCode() == 0,
             qPrintable(QStringLiteral("%1 -E tar could not unpack %2 from %3: %4")
                            .arg(cmake, entry, jar, QString::fromLocal8Bit(unpack.readAllStandardError()))));
    QFile file(m_dir.filePath(entry));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    m_empty = file.readAll();
    QCOMPARE(m_empty.size(), 98304);
}

void TestAccessObjects::catalogueIsAccess() {
    if (m_empty.isEmpty())
        QSKIP(qPrintable(m_skip));
    const Database db = Database::fromBytes(m_empty, QStringLiteral("empty.mdb"));
    Table theirs = db.readTable(QStringLiteral("MSysObjects"));
    theirs.rows.removeIf(accessOnly);

    // Access stamped the objects we make within the same second (we give them one time); the
    // summary is the user's.
    const double created = dateOf(theirs.rows.front()[4]);
    access::Summary summary;
    for (QList<Value> &row : theirs.rows) {
        for (int c : {4, 5}) {
            QVERIFY2(std::abs(dateOf(row[c]) - created) < 1.0 / 86400, qPrintable(jettest::show(row[2])));
            row[c] = created;
        }
        if (std::get<QString>(row[2]) != QLatin1String("SummaryInfo"))
            continue;
        QString fault;
        const auto props = access::decodeProperties(Version::Jet4, std::get<QByteArray>(row[14]), 0, &fault);
        QVERIFY2(props, qPrintable(fault));
        QCOMPARE(props->size(), 3);
        summary = {std::get<QString>((*props)[0].value), std::get<QString>((*props)[1].value),
                   std::get<QString>((*props)[2].value)};
    }

    // Every column of every row, the property blocks byte for byte.
    const Table ours = access::catalogue(Version::Jet4, created, summary);
    const QString difference = jettest::firstDifference(theirs, ours);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    // And the properties as values, read back by our parser from Access's blocks.
    for (const QList<Value> &row : theirs.rows) {
        const QString name = std::get<QString>(row[2]);
        const QList<access::Property> expected =
            name == QLatin1String("MSysDb")        ? access::databaseProperties(Version::Jet4)
            : name == QLatin1String("UserDefined") ? access::userDefinedProperties()
            : name == QLatin1String("SummaryInfo") ? access::summaryProperties(summary)
                                                   : QList<access::Property>{};
        if (expected.isEmpty()) {
            QVERIFY2(std::holds_alternative<std::monostate>(row[14]), qPrintable(name));
            continue;
        }
        QString fault;
        const auto props = access::decodeProperties(Version::Jet4, std::get<QByteArray>(row[14]), 0, &fault);
        QVERIFY2(props, qPrintable(fault));
        QCOMPARE(*props, expected);
    }
}

void TestAccessObjects::accessControlEntriesAreAccess() {
    if (m_empty.isEmpty())
        QSKIP(qPrintable(m_skip));
    const Database db = Database::fromBytes(m_empty, QStringLiteral("empty.mdb"));
    Table theirs = db.readTable(QStringLiteral("MSysACEs"));
    theirs.rows.removeIf(
        [](const QList<Value> &row) { return std::get<qint64>(row[0]) == kAccessObjectsId; });
    const QString difference = jettest::firstDifference(theirs, access::accessControlEntries(Version::Jet4));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestAccessObjects::systemTableDefinitionsAreAccess() {
    if (m_empty.isEmpty())
        QSKIP(qPrintable(m_skip));
    const fmt::Layout &l = fmt::layout(Version::Jet4);
    for (const access::SystemTable &ours : access::systemTables(Version::Jet4)) {
        const QByteArray page = m_empty.mid(qsizetype(ours.tdefPage) * l.pageSize, l.pageSize);
        QCOMPARE(fmt::u32(reinterpret_cast<const uchar *>(page.constData()) + 4), 0u); // one page
        QString fault;
        const auto theirs = fmt::parseTdef(l, page, 0, &fault);
        QVERIFY2(theirs, qPrintable(fault));
        QCOMPARE(ours.def.tableType, theirs->tableType);
        QCOMPARE(ours.def.maxCols, theirs->maxCols);
        QCOMPARE(ours.def.numVarCols, theirs->numVarCols);
        // In descriptor order, as Access writes them.
        QCOMPARE(describeAll(ours.def.columns), describeAll(theirs->columns));

        const IndexSections indexes = jet4Indexes(page);
        QCOMPARE(describeAll(ours.def.realIndexes), describeAll(indexes.real));
        QCOMPARE(describeAll(ours.def.indexes), describeAll(indexes.logical));
        QList<int> maps;
        for (const fmt::ColumnMapDef &m : ours.def.columnMaps)
            maps << m.number;
        QCOMPARE(maps, indexes.columnMaps);
    }
}

void TestAccessObjects::headerPageIsAccess() {
    if (m_empty.isEmpty())
        QSKIP(qPrintable(m_skip));
    const fmt::Layout &l = fmt::layout(Version::Jet4);
    QByteArray plain = m_empty.left(l.pageSize);
    fmt::headerCrypt(reinterpret_cast<uchar *>(plain.data()) + fmt::kHeaderCryptStart, l.headerCryptSize);
    double created;
    std::memcpy(&created, plain.constData() + fmt::kHeaderCreationDate, sizeof created);

    const QByteArray ours = access::headerPage(Version::Jet4, created);
    QCOMPARE(ours.size(), l.pageSize);
    for (int i = 0; i < l.pageSize; ++i) {
        if (ours[i] != m_empty[i])
            QFAIL(qPrintable(QStringLiteral("byte 0x%1 is 0x%2, Access wrote 0x%3")
                                 .arg(i, 0, 16)
                                 .arg(quint8(ours[i]), 2, 16, QLatin1Char('0'))
                                 .arg(quint8(m_empty[i]), 2, 16, QLatin1Char('0'))));
    }
}

void TestAccessObjects::newTableGetsTablesContainerAccounts() {
    const Table aces = access::accessControlEntries(Version::Jet4);
    QList<QByteArray> containerSids;
    for (const QList<Value> &row : aces.rows) {
        if (std::get<qint64>(row[0]) == access::kTablesId)
            containerSids << std::get<QByteArray>(row[1]);
    }
    const QList<QList<Value>> ours = access::tableAces(42);
    QList<QByteArray> sids;
    for (const QList<Value> &row : ours) {
        QCOMPARE(row.size(), aces.columns.size());
        QCOMPARE(row[0], Value(qint64(42)));
        QCOMPARE(row[2], Value(qint64(access::kFullAccess)));
        QCOMPARE(row[3], Value(false));
        sids << std::get<QByteArray>(row[1]);
    }
    QCOMPARE(sids, containerSids);
    QVERIFY(sids.contains(access::sidAdminUser()));

    const QList<Value> row = access::tableObjectRow(42, QStringLiteral("Задачи"), 46000.5);
    const Table catalogue = access::catalogue(Version::Jet4, 46000.5);
    QCOMPARE(row.size(), catalogue.columns.size());
    QCOMPARE(row[0], Value(qint64(42)));
    QCOMPARE(row[1], Value(qint64(access::kTablesId)));
    QCOMPARE(row[2], Value(QStringLiteral("Задачи")));
    QCOMPARE(row[3], Value(qint64(access::kTypeTable)));
    QCOMPARE(row[4], Value(46000.5));
    QCOMPARE(row[5], Value(46000.5));
    // Owned by the owner of MSysDb, as every object a user makes.
    const auto msysDb =
        std::find_if(catalogue.rows.cbegin(), catalogue.rows.cend(),
                     [](const QList<Value> &r) { return r[2] == Value(QStringLiteral("MSysDb")); });
    QCOMPARE(row[6], (*msysDb)[6]);
    QCOMPARE(row[7], Value(qint64(0)));
    for (int c = 8; c < row.size(); ++c)
        QVERIFY2(std::holds_alternative<std::monostate>(row[c]), qPrintable(catalogue.columns[c].name));
}

void TestAccessObjects::propertiesRoundTrip_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<QList<access::Property>>("properties");
    using access::Property;
    const QList<Property> mixed = {
        {QStringLiteral("Заголовок"), ColumnType::Text, QStringLiteral("Банк задач")},
        {QStringLiteral("Empty"), ColumnType::Text, QString()},
        {QStringLiteral("Flag"), ColumnType::Boolean, false, true},
        {QStringLiteral("Small"), ColumnType::Byte, qint64(255)},
        {QStringLiteral("Short"), ColumnType::Integer, qint64(-32768)},
        {QStringLiteral("Long"), ColumnType::LongInteger, qint64(-2147483647 - 1)},
        {QStringLiteral("When"), ColumnType::DateTime, 46000.25},
        {QStringLiteral("Bytes"), ColumnType::Binary, QByteArray("\x00\xFF\x10", 3)},
    };
    for (Version v : {Version::Jet4, Version::Jet3}) {
        const char *tag = v == Version::Jet4 ? "jet4" : "jet3";
        QTest::newRow(qPrintable(QStringLiteral("%1_database").arg(tag)))
            << v << access::databaseProperties(v);
        QTest::newRow(qPrintable(QStringLiteral("%1_mixed").arg(tag))) << v << mixed;
        QTest::newRow(qPrintable(QStringLiteral("%1_none").arg(tag))) << v << QList<Property>{};
    }
}

void TestAccessObjects::propertiesRoundTrip() {
    QFETCH(Version, version);
    QFETCH(QList<access::Property>, properties);
    const auto block = access::encodeProperties(version, properties);
    QVERIFY(block);
    QVERIFY(block->startsWith(version == Version::Jet4 ? QByteArray("MR2\0", 4) : QByteArray("KKD\0", 4)));
    QString fault;
    const auto back = access::decodeProperties(version, *block, 1251, &fault);
    QVERIFY2(back, qPrintable(fault));
    QCOMPARE(*back, properties);
}

void TestAccessObjects::badPropertyBlocksAreRefused() {
    using access::Property;
    // Values that do not fit their type, and text Jet 3 cannot store, are not written.
    QVERIFY(!access::encodeProperties(Version::Jet4, {{QStringLiteral("B"), ColumnType::Byte, qint64(256)}}));
    QVERIFY(!access::encodeProperties(Version::Jet4,
                                      {{QStringLiteral("I"), ColumnType::Integer, qint64(40000)}}));
    QVERIFY(!access::encodeProperties(Version::Jet4, {{QStringLiteral("T"), ColumnType::Text, qint64(1)}}));
    QVERIFY(!access::encodeProperties(Version::Jet3,
                                      {{QStringLiteral("T"), ColumnType::Text, QStringLiteral("€☃")}}));

    // Every cut of a block, and every byte of it spoilt, reads as a fault or as some properties,
    // never past its end.
    const QByteArray block = *access::encodeProperties(Version::Jet4, access::summaryProperties({
                                                                          QStringLiteral("Банк"),
                                                                          QStringLiteral("Учитель"),
                                                                          QStringLiteral("Школа"),
                                                                      }));
    QString fault;
    for (qsizetype n = 0; n < block.size(); ++n) {
        fault.clear();
        const auto cut = access::decodeProperties(Version::Jet4, block.left(n), 0, &fault);
        QVERIFY2(!cut || cut->size() < 3, qPrintable(QString::number(n)));
        QVERIFY2(cut || !fault.isEmpty(), qPrintable(QString::number(n)));
    }
    for (qsizetype i = 0; i < block.size(); ++i) {
        QByteArray spoilt = block;
        spoilt[i] = char(0xFF);
        access::decodeProperties(Version::Jet4, spoilt, 0, &fault);
    }
    QVERIFY(!access::decodeProperties(Version::Jet3, block, 1251, &fault));
    QVERIFY(fault.contains(QLatin1String("KKD")));
}

void TestAccessObjects::definitionsEncode_data() {
    QTest::addColumn<Version>("version");
    QTest::newRow("jet4") << Version::Jet4;
    QTest::newRow("jet3") << Version::Jet3;
}

// The definitions are whole: they encode and parse back, fixed columns do not overlap, and every
// index names columns of its table.
void TestAccessObjects::definitionsEncode() {
    QFETCH(Version, version);
    const fmt::Layout &l = fmt::layout(version);
    const QList<access::SystemTable> tables = access::systemTables(version);
    QCOMPARE(tables.size(), 4);
    for (qsizetype i = 0; i < tables.size(); ++i) {
        const access::SystemTable &t = tables[i];
        QCOMPARE(t.tdefPage, quint32(2 + i));
        QString fault;
        const auto back = fmt::parseTdef(l, fmt::encodeTdef(l, t.def), 1251, &fault);
        QVERIFY2(back, qPrintable(fault));
        QCOMPARE(describeAll(back->columns), describeAll(t.def.columns));

        QList<bool> used(64, false);
        QList<int> numbers;
        for (const fmt::ColumnDef &c : t.def.columns) {
            numbers << c.number;
            if (!c.isFixed() || c.type == ColumnType::Boolean)
                continue;
            for (int b = c.fixedOffset; b < c.fixedOffset + c.length; ++b) {
                QVERIFY2(!used[b], qPrintable(t.name + QLatin1Char('.') + c.name));
                used[b] = true;
            }
        }
        for (const fmt::RealIndexDef &r : t.def.realIndexes)
            for (const fmt::IndexColumnDef &c : r.columns)
                QVERIFY(numbers.contains(c.number));
        for (const fmt::LogicalIndexDef &x : t.def.indexes)
            QVERIFY(x.realIndex < t.def.realIndexes.size());
    }
    // The catalogue's rows fit its columns and name each system table at its page.
    const Table catalogue = access::catalogue(version, 46000);
    for (const QList<Value> &row : catalogue.rows)
        QCOMPARE(row.size(), catalogue.columns.size());
    for (const access::SystemTable &t : tables) {
        QVERIFY2(std::any_of(catalogue.rows.cbegin(), catalogue.rows.cend(),
                             [&](const QList<Value> &row) {
                                 return row[0] == Value(qint64(t.tdefPage)) && row[2] == Value(t.name);
                             }),
                 qPrintable(t.name));
    }
    // Every object has entries, and no entry is for an object that is not there.
    QSet<qint64> ids;
    for (const QList<Value> &row : catalogue.rows)
        ids.insert(std::get<qint64>(row[0]));
    QSet<qint64> withEntries;
    for (const QList<Value> &row : access::accessControlEntries(version).rows)
        withEntries.insert(std::get<qint64>(row[0]));
    QCOMPARE(withEntries, ids);
}

void TestAccessObjects::jet3TablesDifferWhereAccess97Does() {
    const QList<access::SystemTable> jet3 = access::systemTables(Version::Jet3);
    const QList<access::SystemTable> jet4 = access::systemTables(Version::Jet4);
    for (qsizetype i = 0; i < jet3.size(); ++i) {
        for (const fmt::ColumnDef &c : jet3[i].def.columns) {
            if (c.type == ColumnType::Text || c.type == ColumnType::Binary)
                QCOMPARE(c.length, 255);
        }
        for (const fmt::RealIndexDef &r : jet3[i].def.realIndexes)
            QCOMPARE(r.flags & access::kIndexJet4Marker, 0);
        const int extra = jet3[i].name == QLatin1String("MSysQueries") ? 1 : 0; // LvExtra
        QCOMPARE(jet3[i].def.columns.size() + extra, jet4[i].def.columns.size());
    }
    const Table catalogue = access::catalogue(Version::Jet3, 36000);
    QVERIFY(std::none_of(catalogue.rows.cbegin(), catalogue.rows.cend(), [](const QList<Value> &row) {
        return row[2] == Value(QStringLiteral("DataAccessPages"));
    }));
    QString fault;
    const auto props = access::decodeProperties(
        Version::Jet3,
        std::get<QByteArray>(
            std::find_if(catalogue.rows.cbegin(), catalogue.rows.cend(),
                         [](const QList<Value> &r) { return r[2] == Value(QStringLiteral("MSysDb")); })
                ->at(14)),
        1251, &fault);
    QVERIFY2(props, qPrintable(fault));
    QCOMPARE(props->front().value, Value(QStringLiteral("07.53")));
}

void TestAccessObjects::headerPagesOpen_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<double>("created");
    QTest::newRow("jet4") << Version::Jet4 << 46000.75;
    QTest::newRow("jet4_before_1900") << Version::Jet4 << -10.5;
    QTest::newRow("jet3") << Version::Jet3 << 46000.75;
}

// A file with our header in place of the writer's opens in our reader: no password read into the
// date's mask, the code page Jet 3 text is in.
void TestAccessObjects::headerPagesOpen() {
    QFETCH(Version, version);
    QFETCH(double, created);
    const Table table{QStringLiteral("Zadachi"),
                      {{QStringLiteral("ID_P"), ColumnType::LongInteger, 0, 0},
                       {QStringLiteral("Текст"), ColumnType::Text, 0, 0}},
                      {{qint64(1), QStringLiteral("Сколько будет 2 + 2?")}},
                      {}};
    QByteArray file = write({table}, version);
    const QByteArray header = access::headerPage(version, created);
    QCOMPARE(header.size(), fmt::layout(version).pageSize);
    file.replace(0, header.size(), header);
    const Database db = Database::fromBytes(file, QStringLiteral("header.mdb"));
    QCOMPARE(db.version(), version);
    QVERIFY(db.codePageNotice().isEmpty());
    if (version == Version::Jet3)
        QCOMPARE(db.codePage(), 1251);
    const QString difference = jettest::firstDifference(table, db.readTable(table.name));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_GUILESS_MAIN(TestAccessObjects)
#include "tst_access_objects.moc"
