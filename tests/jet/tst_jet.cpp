// Our Jet writer and reader against each other: round trips, what the writer refuses, and what the
// reader says about damaged files (made here by corrupting the writer's output).

#include "cases.h"
#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "jet_test_util.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace jet;
using jettest::firstDifference;
using Kind = FormatError::Kind;
namespace fmt = jet::format;

Q_DECLARE_METATYPE(jet::Version)
Q_DECLARE_METATYPE(QList<jet::Table>)
Q_DECLARE_METATYPE(jet::FormatError::Kind)

namespace {

// Reads every table the way the bank module does; returns the error, if any.
std::optional<FormatError> readAll(const QByteArray &bytes) {
    try {
        const Database db = Database::fromBytes(bytes, QStringLiteral("проба.mdb"));
        for (const QString &name : db.tableNames())
            db.readTable(name);
    } catch (const FormatError &e) {
        return e;
    }
    return std::nullopt;
}

// Byte surgery on writer output: tables found through the catalogue, their map rows through
// their definitions.
struct Surgeon {
    QByteArray bytes;
    fmt::Layout l;

    uchar *page(int n) { return reinterpret_cast<uchar *>(bytes.data()) + qsizetype(n) * l.pageSize; }
    int pageCount() const { return int(bytes.size() / l.pageSize); }
    int tdef(const QString &table) const {
        return int(*Database::fromBytes(bytes, QStringLiteral("t.mdb")).tablePage(table));
    }
    // Pages of type 1 owned by the given definition page (or holding long values for owner -1).
    QList<int> dataPages(int owner) {
        QList<int> out;
        for (int n = 0; n < pageCount(); ++n) {
            uchar *p = page(n);
            const bool lval = std::memcmp(p + 4, "LVAL", 4) == 0;
            if (p[0] == fmt::kPageData && (owner < 0 ? lval : !lval && int(fmt::u32(p + 4)) == owner))
                out.append(n);
        }
        return out;
    }
    // Long-value pages holding a long row: the links of a memo chain, in page order.
    QList<int> chainPages() {
        QList<int> out;
        for (int n : dataPages(-1)) {
            if (l.pageSize - (fmt::u16(offsetEntry(n, 0)) & fmt::kRowOffsetMask) > 400)
                out.append(n);
        }
        return out;
    }
    // The page and row of a table's usage map.
    std::pair<int, int> usageMap(const QString &table) {
        const quint32 ref = fmt::u32(page(tdef(table)) + l.tdefUsageMap);
        return {int(fmt::pgRowPage(ref)), fmt::pgRowRow(ref)};
    }
    uchar *offsetEntry(int n, int row) { return page(n) + l.dataRowCount + 2 + 2 * row; }
    uchar *row(int n, int r) { return page(n) + (fmt::u16(offsetEntry(n, r)) & fmt::kRowOffsetMask); }
};

QList<Table> chainBank() {
    QList<Table> tables = jetcases::bank(3);
    tables[0].rows[1][2] = jetcases::cyrillic(3000); // Uslovie of problem 2: a chain of two links
    return tables;
}

} // namespace

class TestJet : public QObject {
    Q_OBJECT

private slots:
    void updateKeepsWhatItDoesNotName_data();
    void updateKeepsWhatItDoesNotName();
    void savesReuseFreedPages();
    void minimalFilesAreMadeAnew();
    void updateRefusals();
    void roundTrip_data();
    void roundTrip();
    void roundTripThroughFile();
    void tableLookupIgnoresCase();
    void writerRejects_data();
    void writerRejects();
    void failedWriteKeepsOldFile();
    void damaged_data();
    void damaged();
    void openErrors();
    void openLeavesFileAlone();
    void deletedAndOverflowRows();
    void textForms();
    void jet3CodePage_data();
    void jet3CodePage();
    void jet4HasNoCodePage();
    void numericValues_data();
    void numericValues();
    void numericRejects();
};

namespace {

// A teacher's bank: our two tables, a topic column of the teacher's own in Zadachi and a table
// of the teacher's own.
QList<Table> teachersBank(int problems) {
    QList<Table> tables = jetcases::bank(problems);
    tables[0].columns.append({QStringLiteral("Tema"), ColumnType::Text});
    for (qsizetype r = 0; r < tables[0].rows.size(); ++r)
        tables[0].rows[r].append(QStringLiteral("Тема %1").arg(r + 1));
    tables[0].indexes = {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID_P")}, true, true}};
    tables[1].indexes = {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID_O")}, true, true},
                         {QStringLiteral("ID_P"), {QStringLiteral("ID_P")}, false, false}};
    Table klassy{
        QStringLiteral("Klassy"),
        {{QStringLiteral("Klass"), ColumnType::Text}, {QStringLiteral("Uchenikov"), ColumnType::Integer}},
        {{QStringLiteral("7 «А»"), qint64(28)}, {QStringLiteral("8 «Б»"), qint64(25)}}};
    return tables << klassy;
}

// Zadachi as the editor gives it: only its own columns.
TableUpdate problemsUpdate(const QList<QList<Value>> &rows, const QList<Value> &origins) {
    Table t{QStringLiteral("Zadachi"), jetcases::bank(1)[0].columns, rows};
    return TableUpdate{t, QStringLiteral("ID_P"), origins};
}

} // namespace

void TestJet::updateKeepsWhatItDoesNotName_data() {
    QTest::addColumn<Version>("version");
    QTest::newRow("jet4") << Version::Jet4;
    QTest::newRow("jet3") << Version::Jet3;
}

// Saving Zadachi into a teacher's file replaces its rows and keys; the topic follows each row
// from the row it continues (NULL for a new one), and the teacher's table is as it was.
void TestJet::updateKeepsWhatItDoesNotName() {
    QFETCH(Version, version);
    const WriteOptions stamp{45000.5};
    const QList<Table> teacher = teachersBank(5);
    const QByteArray original = write(teacher, version, stamp);

    // Problem 3 moved to the front, a new problem at the end, problem 5 gone.
    const QList<QList<Value>> rows{{qint64(1), QStringLiteral("бывшая третья"), QStringLiteral("Вычислите:")},
                                   {qint64(2), QStringLiteral("первая"), std::monostate{}},
                                   {qint64(3), QStringLiteral("вторая"), std::monostate{}},
                                   {qint64(4), QStringLiteral("четвёртая"), std::monostate{}},
                                   {qint64(5), QStringLiteral("новая"), std::monostate{}}};
    const QList<Value> origins{qint64(3), qint64(1), qint64(2), qint64(4), std::monostate{}};
    const QByteArray saved =
        update(original, QStringLiteral("t.mdb"), {problemsUpdate(rows, origins)}, stamp);

    const Database db = Database::fromBytes(saved, QStringLiteral("t.mdb"));
    QVERIFY(db.hasAccessCatalog());
    QCOMPARE(db.tableNames(),
             (QStringList{QStringLiteral("Zadachi"), QStringLiteral("Otvety"), QStringLiteral("Klassy")}));
    const Table z = db.readTable(QStringLiteral("Zadachi"));
    QCOMPARE(z.columns.size(), 4);
    QCOMPARE(z.columns[3].name, QStringLiteral("Tema"));
    const QList<Value> topics{QStringLiteral("Тема 3"), QStringLiteral("Тема 1"), QStringLiteral("Тема 2"),
                              QStringLiteral("Тема 4"), std::monostate{}};
    QCOMPARE(z.rows.size(), 5);
    for (qsizetype r = 0; r < 5; ++r) {
        QCOMPARE(z.rows[r].mid(0, 3), rows[r]);
        QCOMPARE(z.rows[r][3], topics[r]);
    }
    QCOMPARE(z.indexes, teacher[0].indexes);
    for (const QString &kept : {QStringLiteral("Otvety"), QStringLiteral("Klassy")}) {
        const Table before = Database::fromBytes(original, QStringLiteral("t.mdb")).readTable(kept);
        const QString diff = firstDifference(before, db.readTable(kept));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
    QCOMPARE(update(original, QStringLiteral("t.mdb"), {problemsUpdate(rows, origins)}, stamp), saved);
}

// Ten saves of a bank into its own file take the pages the previous one gave back.
void TestJet::savesReuseFreedPages() {
    const WriteOptions stamp{45000.5};
    QList<Table> bank = teachersBank(300);
    QByteArray bytes = write(bank, Version::Jet4, stamp);
    qsizetype afterOne = 0;
    for (int save = 1; save <= 10; ++save) {
        QList<QList<Value>> rows;
        QList<Value> origins;
        for (int p = 1; p <= 300; ++p) {
            rows.append({qint64(p), jetcases::cyrillic(200 + p % 13, save), QStringLiteral("Вычислите:")});
            origins.append(qint64(p));
        }
        bytes = update(bytes, QStringLiteral("t.mdb"), {problemsUpdate(rows, origins)}, stamp);
        if (save == 1)
            afterOne = bytes.size();
    }
    // Texts of the same length each time: the file may keep a few more pages, no more.
    QVERIFY2(
        bytes.size() <= afterOne + 4 * fmt::layout(Version::Jet4).pageSize,
        qPrintable(QStringLiteral("%1 bytes after ten saves, %2 after one").arg(bytes.size()).arg(afterOne)));
    const Table z = Database::fromBytes(bytes, QStringLiteral("t.mdb")).readTable(QStringLiteral("Zadachi"));
    QCOMPARE(z.rows.size(), 300);
    QCOMPARE(z.rows[299][3], Value(QStringLiteral("Тема 300")));
}

// A file of the minimal catalogue older writers made holds only tables: changing it makes an
// Access database of all of them.
void TestJet::minimalFilesAreMadeAnew() {
    for (const char *name : {"jet4_bank_small.mdb", "jet3_bank_small.mdb"}) {
        QFile f(jettest::sourceDir() + QStringLiteral("/fuzz/corpus/") + QLatin1String(name));
        QVERIFY2(f.open(QIODevice::ReadOnly), name);
        const QByteArray old = f.readAll();
        const Database before = Database::fromBytes(old, QStringLiteral("old.mdb"));
        QVERIFY(!before.hasAccessCatalog());
        const Table otvety = before.readTable(QStringLiteral("Otvety"));
        const Table zadachi = before.readTable(QStringLiteral("Zadachi"));
        const QByteArray saved =
            update(old, QStringLiteral("old.mdb"), {TableUpdate{zadachi, QStringLiteral("ID_P"), {}}});
        const Database after = Database::fromBytes(saved, QStringLiteral("old.mdb"));
        QVERIFY(after.hasAccessCatalog());
        QCOMPARE(after.version(), before.version());
        QVERIFY(firstDifference(otvety, after.readTable(QStringLiteral("Otvety"))).isEmpty());
        QVERIFY(firstDifference(zadachi, after.readTable(QStringLiteral("Zadachi"))).isEmpty());
    }
}

// What the writer cannot keep or must not write is refused with the reason, naming the rows.
void TestJet::updateRefusals() {
    const QByteArray original = write(teachersBank(3), Version::Jet4, WriteOptions{45000.5});
    auto refused = [&](const TableUpdate &u, const QString &fragment) {
        try {
            update(original, QStringLiteral("t.mdb"), {u});
        } catch (const FormatError &e) {
            QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
            return;
        }
        QFAIL(qPrintable(QStringLiteral("accepted: ") + fragment));
    };
    refused(problemsUpdate({{qint64(1), QStringLiteral("a"), std::monostate{}},
                            {qint64(1), QStringLiteral("b"), std::monostate{}}},
                           {}),
            QStringLiteral("строки 1 и 2 имеют одинаковый ключ 1"));
    refused(problemsUpdate({{std::monostate{}, QStringLiteral("a"), std::monostate{}}}, {}),
            QStringLiteral("в строке 1 не заполнен ключ"));
    TableUpdate extra = problemsUpdate({}, {});
    extra.table.columns.append({QStringLiteral("Slozhnost"), ColumnType::Integer});
    refused(extra, QStringLiteral("нет столбца «Slozhnost»"));
    Table cyrillic{QStringLiteral("Классы"), {{QStringLiteral("N"), ColumnType::Integer}}, {}};
    try {
        write({cyrillic}, Version::Jet3);
        QFAIL("a Cyrillic table name written into a Jet 3 catalogue");
    } catch (const FormatError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("каталог")), qPrintable(e.message()));
    }
}

void TestJet::roundTrip_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<QList<Table>>("tables");
    for (const jetcases::Case &c : jetcases::cases())
        QTest::newRow(qPrintable(c.tag)) << c.version << c.tables;
}

void TestJet::roundTrip() {
    QFETCH(Version, version);
    QFETCH(QList<Table>, tables);
    const WriteOptions stamp{45000.5};
    const QByteArray bytes = write(tables, version, stamp);
    QCOMPARE(bytes.size() % fmt::layout(version).pageSize, 0);
    QCOMPARE(write(tables, version, stamp), bytes); // deterministic

    const Database db = Database::fromBytes(bytes, QStringLiteral("roundtrip.mdb"));
    QCOMPARE(db.version(), version);
    QStringList names;
    for (const Table &t : tables)
        names.append(t.name);
    QCOMPARE(db.tableNames(), names);
    for (const Table &t : tables) {
        const QString diff = firstDifference(t, db.readTable(t.name));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

void TestJet::roundTripThroughFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("банк.cvx"));
    writeFile(path, jetcases::bank(20), Version::Jet3);
    const Database db = Database::open(path);
    QCOMPARE(db.version(), Version::Jet3);
    QVERIFY(firstDifference(jetcases::bank(20)[1], db.readTable(QStringLiteral("Otvety"))).isEmpty());
    // Replacing an existing file leaves no temporary file behind.
    writeFile(path, jetcases::bank(2), Version::Jet4);
    QCOMPARE(Database::open(path).readTable(QStringLiteral("Zadachi")).rows.size(), 2);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("банк.cvx")});
}

void TestJet::tableLookupIgnoresCase() {
    const Database db = Database::fromBytes(write(jetcases::bank(2)), QStringLiteral("x.mdb"));
    QCOMPARE(db.readTable(QStringLiteral("zADACHI")).name, QStringLiteral("Zadachi"));
    // The catalog is there to be read, but not listed.
    QVERIFY(!db.tableNames().contains(QStringLiteral("MSysObjects")));
    const Table catalogue = db.readTable(QStringLiteral("msysobjects"));
    QVERIFY(std::any_of(catalogue.rows.cbegin(), catalogue.rows.cend(),
                        [](const QList<Value> &r) { return r.contains(Value(QStringLiteral("Zadachi"))); }));
    try {
        db.readTable(QStringLiteral("Voprosy"));
        QFAIL("no error for a missing table");
    } catch (const FormatError &e) {
        QCOMPARE(e.kind(), Kind::NoTable);
        QVERIFY2(e.message().contains(QStringLiteral("«Voprosy»")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("«x.mdb»")), qPrintable(e.message()));
    }
}

void TestJet::writerRejects_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<QList<Table>>("tables");
    QTest::addColumn<QString>("fragment"); // what the message must name

    auto options = [](const Value &otvet, const Value &istina, const Value &dopol) {
        Table o = jetcases::otvety();
        o.rows.append(QList<Value>{qint64(1), qint64(1), QStringLiteral("ok"), true, qint64(1)});
        o.rows.append(QList<Value>{qint64(2), qint64(1), otvet, istina, dopol});
        return QList<Table>{o};
    };
    const QString where = QStringLiteral("таблица «Otvety», строка 2, столбец");
    QTest::newRow("outside_bmp") << Version::Jet4 << options(QStringLiteral("𝑥 + 1"), false, qint64(1))
                                 << where + QStringLiteral(" «Otvet»");
    QTest::newRow("jet3_not_cp1251") << Version::Jet3 << options(QStringLiteral("日本"), false, qint64(1))
                                     << where + QStringLiteral(" «Otvet»");
    QTest::newRow("dopol_too_big") << Version::Jet4 << options(QString(), false, qint64(32768))
                                   << where + QStringLiteral(" «dopol»");
    QTest::newRow("dopol_too_small") << Version::Jet3 << options(QString(), false, qint64(-32769))
                                     << where + QStringLiteral(" «dopol»");
    QTest::newRow("istina_null") << Version::Jet4 << options(QString(), Value(), qint64(1))
                                 << where + QStringLiteral(" «Istina»");
    QTest::newRow("dopol_text") << Version::Jet4 << options(QString(), false, QStringLiteral("1"))
                                << where + QStringLiteral(" «dopol»");

    Table z = jetcases::zadachi();
    z.rows.append(QList<Value>{qint64(2147483648LL), QString(), QString()});
    QTest::newRow("long_too_big") << Version::Jet4 << QList<Table>{z} << QStringLiteral("«ID_P»");

    Table t{QStringLiteral("T"), {{QStringLiteral("Kratko"), ColumnType::Text}}, {}};
    t.rows.append(QList<Value>{QString(256, QLatin1Char('a'))});
    QTest::newRow("text_over_255") << Version::Jet4 << QList<Table>{t} << QStringLiteral("«Kratko»");

    auto numeric = [](int precision, int scale, const Value &v) {
        Table n{QStringLiteral("N"), {{QStringLiteral("Num"), ColumnType::Numeric, precision, scale}}, {}};
        n.rows.append(QList<Value>{v});
        return QList<Table>{n};
    };
    const Value twelve = *numericBytes(QStringLiteral("12"), 2);
    QTest::newRow("numeric_no_precision")
        << Version::Jet4 << numeric(0, 0, twelve) << QStringLiteral("«Num»");
    QTest::newRow("numeric_precision_29")
        << Version::Jet4 << numeric(29, 2, twelve) << QStringLiteral("«Num»");
    QTest::newRow("numeric_scale_over_precision")
        << Version::Jet4 << numeric(3, 4, twelve) << QStringLiteral("масштаб 4");
    QTest::newRow("numeric_beyond_precision")
        << Version::Jet4 << numeric(4, 2, *numericBytes(QStringLiteral("-123.45"), 2))
        << QStringLiteral("столбец «Num»: число -123.45");
    QTest::newRow("numeric_17_bytes")
        << Version::Jet4 << numeric(10, 2, QByteArray(16, '\0')) << QStringLiteral("столбец «Num»");
    QTest::newRow("numeric_in_jet3") << Version::Jet3 << numeric(10, 2, twelve) << QStringLiteral("Jet 3");

    QTest::newRow("duplicate_table") << Version::Jet4
                                     << QList<Table>{jetcases::zadachi(), jetcases::zadachi()}
                                     << QStringLiteral("«Zadachi»");
    QTest::newRow("catalog_name") << Version::Jet4
                                  << QList<Table>{Table{QStringLiteral("msysobjects"), {}, {}}}
                                  << QStringLiteral("«msysobjects»");

    Table short_ = jetcases::zadachi();
    short_.rows.append(QList<Value>{qint64(1)});
    QTest::newRow("row_too_short") << Version::Jet4 << QList<Table>{short_} << QStringLiteral("строка 1");

    QTest::newRow("row_over_page") << Version::Jet3
                                   << QList<Table>{jetcases::wideText(QStringLiteral("W"), 9, 1, 255)}
                                   << QStringLiteral("строка 1");
}

void TestJet::writerRejects() {
    QFETCH(Version, version);
    QFETCH(QList<Table>, tables);
    QFETCH(QString, fragment);
    try {
        write(tables, version);
        QFAIL("the writer accepted it");
    } catch (const FormatError &e) {
        QCOMPARE(e.kind(), Kind::Unsupported);
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
    }
}

void TestJet::failedWriteKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeFile(path, jetcases::bank(1));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    Table bad = jetcases::zadachi();
    bad.rows.append(QList<Value>{qint64(1), QStringLiteral("\U0001F600"), QString()});
    try {
        writeFile(path, {bad});
        QFAIL("the writer accepted it");
    } catch (const FormatError &e) {
        QCOMPARE(e.kind(), Kind::Unsupported);
        QCOMPARE(e.file(), path);
        QVERIFY2(e.message().contains(path), qPrintable(e.message()));
    }
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestJet::damaged_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Kind>("kind");

    for (Version v : {Version::Jet4, Version::Jet3}) {
        const fmt::Layout &l = fmt::layout(v);
        const QByteArray good = write(chainBank(), v);
        const QString jet = v == Version::Jet4 ? QStringLiteral("jet4_") : QStringLiteral("jet3_");
        auto row = [&](const QString &tag, const QByteArray &bytes, Kind kind) {
            QTest::newRow(qPrintable(jet + tag)) << bytes << kind;
        };
        const int zadachiTdef = Surgeon{good, l}.tdef(QStringLiteral("Zadachi"));

        row(QStringLiteral("cut_mid_page"), good.chopped(100), Kind::Truncated);
        row(QStringLiteral("cut_whole_pages"), good.left(good.size() - 2 * l.pageSize), Kind::Truncated);
        row(QStringLiteral("cut_before_catalog"), good.left(2 * l.pageSize), Kind::Truncated);

        Surgeon s{good, l};
        fmt::put32(s.page(zadachiTdef) + l.tdefUsageMap, fmt::pgRow(50000, 0));
        row(QStringLiteral("page_pointer_out_of_range"), s.bytes, Kind::Truncated);

        s = Surgeon{good, l};
        const int data = s.dataPages(zadachiTdef).front();
        fmt::put16(s.offsetEntry(data, 0), 0x1FF0);
        row(QStringLiteral("row_offset_past_page_end"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        fmt::put16(s.page(data) + l.dataRowCount, 3000);
        row(QStringLiteral("row_count_past_page_end"), s.bytes, Kind::Malformed);

        // The chain: link 1 fills the first long-value page, link 2 starts the next one.
        s = Surgeon{good, l};
        const QList<int> lval = s.chainPages();
        QVERIFY(lval.size() >= 2);
        fmt::put32(s.row(lval[0], 0), fmt::pgRow(quint32(lval[0]), 0));
        row(QStringLiteral("memo_chain_loop"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        fmt::put32(s.row(lval[0], 0), 0);
        row(QStringLiteral("memo_chain_short"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        fmt::put32(s.row(lval[0], 0), fmt::pgRow(quint32(lval[0]) + 700, 0));
        row(QStringLiteral("memo_chain_past_end"), s.bytes, Kind::Truncated);

        s = Surgeon{good, l};
        const auto [mapPage, mapRow] = s.usageMap(QStringLiteral("Zadachi"));
        fmt::put16(s.offsetEntry(mapPage, mapRow),
                   mapRow == 0 ? quint16(l.pageSize) : fmt::u16(s.offsetEntry(mapPage, mapRow - 1)));
        row(QStringLiteral("usage_map_row_empty"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        *s.row(mapPage, mapRow) = 7;
        row(QStringLiteral("usage_map_type_unknown"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        s.page(zadachiTdef)[0] = 0x05;
        row(QStringLiteral("bad_tdef_type"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        s.page(fmt::kCatalogTdefPage)[0] = 0x01;
        row(QStringLiteral("bad_catalog_tdef_type"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        fmt::put32(s.page(zadachiTdef) + 4, zadachiTdef);
        row(QStringLiteral("tdef_continuation_loop"), s.bytes, Kind::Malformed);

        s = Surgeon{good, l};
        fmt::put16(s.page(zadachiTdef) + l.tdefNumCols, 900);
        row(QStringLiteral("tdef_too_many_columns"), s.bytes, Kind::Malformed);

        // Header fields inside the RC4 area.
        auto header = [&](int offset, quint32 value) {
            QByteArray b = good;
            auto *p = reinterpret_cast<uchar *>(b.data());
            fmt::headerCrypt(p + fmt::kHeaderCryptStart, l.headerCryptSize);
            fmt::put32(p + offset, value);
            fmt::headerCrypt(p + fmt::kHeaderCryptStart, l.headerCryptSize);
            return b;
        };
        row(QStringLiteral("encrypted_key"), header(fmt::kHeaderDbKey, 0x12345678), Kind::Encrypted);
        row(QStringLiteral("password"), header(fmt::kHeaderPassword, 0x00610062), Kind::Encrypted);

        QByteArray b = good;
        b[fmt::kHeaderVersion] = 3;
        row(QStringLiteral("accdb_version"), b, Kind::Unsupported);
        b[fmt::kHeaderVersion] = 0x42;
        row(QStringLiteral("unknown_version"), b, Kind::NotJet);
        b = good;
        b[0] = 1;
        row(QStringLiteral("first_byte"), b, Kind::NotJet);
    }
    QTest::newRow("empty") << QByteArray() << Kind::NotJet;
    QTest::newRow("short") << QByteArray(100, '\0') << Kind::NotJet;
    QTest::newRow("not_jet_text") << QByteArray(8192, 'a') << Kind::NotJet;
    QTest::newRow("not_jet_zeros") << QByteArray(8192, '\0') << Kind::NotJet;
}

void TestJet::damaged() {
    QFETCH(QByteArray, bytes);
    QFETCH(Kind, kind);
    const auto error = readAll(bytes);
    QVERIFY2(error, "the damaged file read without an error");
    QVERIFY2(error->kind() == kind,
             qPrintable(QStringLiteral("kind %1: %2").arg(int(error->kind())).arg(error->message())));
    QCOMPARE(error->file(), QStringLiteral("проба.mdb"));
    QVERIFY2(error->message().contains(QStringLiteral("«проба.mdb»")), qPrintable(error->message()));
}

void TestJet::openErrors() {
    QTemporaryDir dir;
    try {
        Database::open(dir.filePath(QStringLiteral("нет.mdb")));
        QFAIL("opened a missing file");
    } catch (const FormatError &e) {
        QCOMPARE(e.kind(), Kind::Missing);
        QVERIFY(e.message().contains(QStringLiteral("нет.mdb")));
    }
    try {
        Database::open(dir.path());
        QFAIL("opened a folder");
    } catch (const FormatError &e) {
        QCOMPARE(e.kind(), Kind::Unreadable);
    }
}

void TestJet::openLeavesFileAlone() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.cvx"));
    writeFile(path, jetcases::bank(3));
    QFile f(path);
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.setFileTime(old, QFileDevice::FileModificationTime));
    const QByteArray before = f.readAll();
    f.close();
    QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));

    const Database db = Database::open(path);
    for (const QString &name : db.tableNames())
        db.readTable(name);

    QCOMPARE(QFileInfo(path).lastModified(), old);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
}

void TestJet::deletedAndOverflowRows() {
    // Access marks deleted rows 0x8000 (usually 0xC000); a row that moved keeps a 0x4000 entry
    // holding the pg_row of its new place, and the new place is marked deleted so scans skip it.
    Table t{QStringLiteral("T"), {{QStringLiteral("N"), ColumnType::LongInteger}}, {}};
    for (int i = 1; i <= 5; ++i)
        t.rows.append(QList<Value>{qint64(i)});
    for (Version v : {Version::Jet4, Version::Jet3}) {
        const fmt::Layout &l = fmt::layout(v);
        Surgeon s{write({t}, v), l};
        const int data = s.dataPages(s.tdef(QStringLiteral("T"))).front();
        auto flag = [&](int r, quint16 f) {
            fmt::put16(s.offsetEntry(data, r), fmt::u16(s.offsetEntry(data, r)) | f);
        };
        flag(1, fmt::kRowDeleted | fmt::kRowOverflow);
        flag(2, fmt::kRowDeleted);
        flag(0, fmt::kRowOverflow);
        fmt::put32(s.row(data, 0), fmt::pgRow(quint32(data), 4)); // row 1 lives where row 5 is
        flag(4, fmt::kRowDeleted);
        const Table read =
            Database::fromBytes(s.bytes, QStringLiteral("t.mdb")).readTable(QStringLiteral("T"));
        QCOMPARE(read.rows, (QList<QList<Value>>{{qint64(5)}, {qint64(4)}}));

        // Two rows pointing at one place: refused rather than read twice.
        flag(3, fmt::kRowOverflow);
        fmt::put32(s.row(data, 3), fmt::pgRow(quint32(data), 4));
        QCOMPARE(readAll(s.bytes)->kind(), Kind::Malformed);
    }
}

void TestJet::textForms() {
    auto bytes = [](const QString &s) { return *fmt::encodeText(Version::Jet4, s, true); };
    auto back = [](const QByteArray &b) {
        return *fmt::decodeText(Version::Jet4, reinterpret_cast<const uchar *>(b.constData()), b.size(), 0);
    };
    // Compressed when shorter: one byte per Latin-1 character, 00 to switch to two bytes and back.
    QCOMPARE(bytes(QStringLiteral("abc")), QByteArray("\xFF\xFE"
                                                      "abc"));
    QCOMPARE(bytes(QStringLiteral("ab")), QByteArray("a\0b\0", 4)); // no shorter compressed
    QCOMPARE(bytes(QStringLiteral("ab Жc d e")), QByteArray("\xFF\xFE"
                                                            "ab \x00\x16\x04\x00"
                                                            "c d e",
                                                            14));
    QCOMPARE(back(bytes(QStringLiteral("ab Жc d e"))), QStringLiteral("ab Жc d e"));
    // Plain UCS-2 when compression would not save space, cannot express a character, or the text is
    // over 1024 characters.
    QCOMPARE(bytes(QStringLiteral("Жё")), QByteArray("\x16\x04\x51\x04", 4));
    QCOMPARE(bytes(QStringLiteral("aaaaaĀ")).left(2), QByteArray("a\0", 2));
    QCOMPARE(bytes(QString(1025, QLatin1Char('a'))).size(), 2050);
    QCOMPARE(bytes(QString(1024, QLatin1Char('a'))).size(), 1026);
    // Outside the BMP: not storable. A plain text that would start like a compressed one: refused.
    QVERIFY(!fmt::encodeText(Version::Jet4, QStringLiteral("\U0001D465"), true));
    QVERIFY(!fmt::encodeText(Version::Jet4, QStringLiteral("\uFEFF\u0100"), true));
    // One that compression can express is written compressed, even where that is longer.
    QCOMPARE(back(bytes(QStringLiteral("\uFEFFЖё"))), QStringLiteral("\uFEFFЖё"));
    QCOMPARE(back(bytes(QStringLiteral("\uFEFF") + QString(1100, QChar(u'ж')))),
             QStringLiteral("\uFEFF") + QString(1100, QChar(u'ж')));
    // Broken forms do not decode.
    QVERIFY(!fmt::decodeText(Version::Jet4, reinterpret_cast<const uchar *>("abc"), 3, 0));
    QVERIFY(!fmt::decodeText(Version::Jet4,
                             reinterpret_cast<const uchar *>("\xFF\xFE"
                                                             "a\0b"),
                             5, 0));
    // Jet 3: Windows-1251, nothing else.
    QCOMPARE(*fmt::encodeText(Version::Jet3, QStringLiteral("Ёж№"), true), QByteArray("\xA8\xE6\xB9"));
    QVERIFY(!fmt::encodeText(Version::Jet3, QStringLiteral("é"), true));
}

void TestJet::jet3CodePage_data() {
    QTest::addColumn<int>("codePage");  // in the header
    QTest::addColumn<int>("sortOrder"); // in the header
    QTest::addColumn<int>("readAs");
    QTest::addColumn<QString>("text"); // the bytes E3 F0 E5 read
    QTest::addColumn<bool>("notice");

    // The header's code page, whatever the sort order.
    QTest::newRow("1250") << 1250 << 0x0409 << 1250 << QStringLiteral("\u0103\u0111\u013A") << false;
    QTest::newRow("1251") << 1251 << 0x0409 << 1251 << QStringLiteral("гре") << false;
    QTest::newRow("1252") << 1252 << 0x0419 << 1252 << QStringLiteral("\u00E3\u00F0\u00E5") << false;
    QTest::newRow("1253") << 1253 << 0x0409 << 1253 << QStringLiteral("\u03B3\u03C0\u03B5") << false;
    QTest::newRow("1254") << 1254 << 0x0409 << 1254 << QStringLiteral("\u00E3\u011F\u00E5") << false;
    QTest::newRow("1255") << 1255 << 0x0409 << 1255 << QStringLiteral("\u05D3\u05E0\u05D5") << false;
    QTest::newRow("1256") << 1256 << 0x0409 << 1256 << QStringLiteral("\u0645\u064B\u0647") << false;
    QTest::newRow("1257") << 1257 << 0x0409 << 1257 << QStringLiteral("\u0107\u0161\u00E5") << false;
    QTest::newRow("1258") << 1258 << 0x0409 << 1258 << QStringLiteral("\u0103\u0111\u00E5") << false;
    // No code page this code knows: the sort order's language decides.
    QTest::newRow("polish_order") << 0 << 0x0415 << 1250 << QStringLiteral("\u0103\u0111\u013A") << false;
    QTest::newRow("cyrillic_order") << 0 << 0x0419 << 1251 << QStringLiteral("гре") << false;
    QTest::newRow("greek_order") << 0 << 0x0408 << 1253 << QStringLiteral("\u03B3\u03C0\u03B5") << false;
    QTest::newRow("turkish_order") << 932 << 0x041F << 1254 << QStringLiteral("\u00E3\u011F\u00E5") << false;
    QTest::newRow("latvian_order") << 0 << 0x0426 << 1257 << QStringLiteral("\u0107\u0161\u00E5") << false;
    QTest::newRow("swedish_order") << 0 << 0x041D << 1252 << QStringLiteral("\u00E3\u00F0\u00E5") << false;
    QTest::newRow("serbian_cyrillic_order") << 0 << 0x0C1A << 1251 << QStringLiteral("гре") << false;
    // Neither: Windows-1251, and a notice that says so. "General" is every language's order.
    QTest::newRow("general_order") << 0 << 0x0409 << 1251 << QStringLiteral("гре") << true;
    QTest::newRow("japanese") << 932 << 0x0411 << 1251 << QStringLiteral("гре") << true;
    QTest::newRow("nothing") << 0 << 0 << 1251 << QStringLiteral("гре") << true;
}

void TestJet::jet3CodePage() {
    QFETCH(int, codePage);
    QFETCH(int, sortOrder);
    QFETCH(int, readAs);
    QFETCH(QString, text);
    QFETCH(bool, notice);

    Table t{QStringLiteral("T"), {{QStringLiteral("S"), ColumnType::Text}}, {}};
    t.rows.append(QList<Value>{QStringLiteral("гре")}); // E3 F0 E5 in Windows-1251
    QByteArray bytes = write({t}, Version::Jet3);
    const fmt::Layout &l = fmt::layout(Version::Jet3);
    auto *p = reinterpret_cast<uchar *>(bytes.data());
    fmt::headerCrypt(p + fmt::kHeaderCryptStart, l.headerCryptSize);
    fmt::put16(p + fmt::kHeaderCodePage, quint16(codePage));
    fmt::put16(p + fmt::kHeaderSortOrder3, quint16(sortOrder));
    fmt::headerCrypt(p + fmt::kHeaderCryptStart, l.headerCryptSize);

    const Database db = Database::fromBytes(bytes, QStringLiteral("t.mdb"));
    QCOMPARE(db.codePage(), readAs);
    QCOMPARE(std::get<QString>(db.readTable(QStringLiteral("T")).rows[0][0]), text);
    QCOMPARE(!db.codePageNotice().isEmpty(), notice);
    if (notice)
        QVERIFY2(db.codePageNotice().startsWith(QStringLiteral("t.mdb: ")) &&
                     db.codePageNotice().contains(QStringLiteral("Windows-1251")) &&
                     db.codePageNotice().contains(QString::number(codePage)),
                 qPrintable(db.codePageNotice()));
}

void TestJet::jet4HasNoCodePage() {
    // Jet 4 text is Unicode: no code page, no notice, whatever the header's field says.
    const Database db = Database::fromBytes(write(jetcases::bank(1), Version::Jet4), QStringLiteral("t.mdb"));
    QCOMPARE(db.codePage(), 0);
    QVERIFY(db.codePageNotice().isEmpty());
}

void TestJet::numericValues_data() {
    QTest::addColumn<QByteArray>("stored"); // hex: sign, then the four words, the most significant first
    QTest::addColumn<int>("scale");
    QTest::addColumn<QString>("text");

    QTest::newRow("one") << QByteArray("00 00000000 00000000 00000000 01000000") << 0 << QStringLiteral("1");
    QTest::newRow("second_word") << QByteArray("00 00000000 00000000 01000000 00000000") << 0
                                 << QStringLiteral("4294967296");
    QTest::newRow("words_little_endian")
        << QByteArray("00 00000000 00000000 00000000 00010000") << 0 << QStringLiteral("256");
    QTest::newRow("top_word") << QByteArray("00 01000000 00000000 00000000 00000000") << 0
                              << QStringLiteral("79228162514264337593543950336");
    QTest::newRow("negative_fraction")
        << QByteArray("80 00000000 00000000 00000000 05000000") << 3 << QStringLiteral("-0.005");
    QTest::newRow("trailing_zeros") << QByteArray("00 00000000 00000000 00000000 DC050000") << 2
                                    << QStringLiteral("15.00");
    QTest::newRow("zero_scaled") << QByteArray("00 00000000 00000000 00000000 00000000") << 2
                                 << QStringLiteral("0.00");
    QTest::newRow("28_nines") << QByteArray("00 00000000 5ECE4F20 6102253E FFFFFF0F") << 10
                              << QStringLiteral("999999999999999999.9999999999");
    QTest::newRow("all_128_bits") << QByteArray("00 FFFFFFFF FFFFFFFF FFFFFFFF FFFFFFFF") << 2
                                  << QStringLiteral("3402823669209384634633746074317682114.55");
}

// Numeric values in decimal, and back.
void TestJet::numericValues() {
    QFETCH(QByteArray, stored);
    QFETCH(int, scale);
    QFETCH(QString, text);
    const QByteArray bytes = QByteArray::fromHex(stored.replace(' ', ""));
    QCOMPARE(bytes.size(), 17);
    QCOMPARE(numericText(bytes, scale), std::optional<QString>(text));
    QCOMPARE(numericBytes(text, scale), std::optional<QByteArray>(bytes));
}

void TestJet::numericRejects() {
    QVERIFY(!numericText(QByteArray(16, '\0'), 0));
    QVERIFY(!numericText(QByteArray(17, '\0'), -1));
    for (const char *bad : {"", "-", ".", "+1", " 1", "1e5", "1,5", "1.2.3", "0x10", "1.234",
                            "340282366920938463463374607431768211456"})
        QVERIFY2(!numericBytes(QString::fromLatin1(bad), 2), bad);
    // Shorter forms read as they mean.
    QCOMPARE(numericText(*numericBytes(QStringLiteral(".5"), 2), 2),
             std::optional<QString>(QStringLiteral("0.50")));
    QCOMPARE(numericText(*numericBytes(QStringLiteral("7."), 1), 1),
             std::optional<QString>(QStringLiteral("7.0")));
}

QTEST_GUILESS_MAIN(TestJet)
#include "tst_jet.moc"
