// Jet indexes: table definitions with their index sections, index keys and B-tree index pages,
// checked against files Access and Jackcess made.

#include "data/jet/format.h"
#include "data/jet/index.h"
#include "data/jet/jet.h"
#include "jet_test_util.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <map>

using namespace jet;
using namespace jet::format;
using jet::index::Entry;
using jet::index::KeyColumn;

Q_DECLARE_METATYPE(jet::Version)
Q_DECLARE_METATYPE(jet::ColumnType)
Q_DECLARE_METATYPE(jet::Value)

namespace {

QString hex(const QByteArray &b) {
    return QString::fromLatin1(b.toHex());
}

// Pages in memory, numbered from 1 so that 0 stays "no page".
struct PageStore {
    explicit PageStore(const Layout &l)
        : l(l) {}
    const Layout &l;
    std::map<quint32, QByteArray> pages;
    quint32 next = 1;

    jet::index::PageSink sink() {
        return {[this] {
                    pages[next] = QByteArray(l.pageSize, '\0');
                    return next++;
                },
                [this](quint32 n) { return reinterpret_cast<uchar *>(pages.at(n).data()); }};
    }
    std::function<const uchar *(quint32)> reader() const {
        return [this](quint32 n) -> const uchar * {
            const auto it = pages.find(n);
            return it == pages.end() ? nullptr : reinterpret_cast<const uchar *>(it->second.constData());
        };
    }
};

std::function<const uchar *(quint32)> fileReader(const QByteArray &file, const Layout &l) {
    return [&file, &l](quint32 n) -> const uchar * {
        if (qint64(n + 1) * l.pageSize > file.size())
            return nullptr;
        return reinterpret_cast<const uchar *>(file.constData()) + qint64(n) * l.pageSize;
    };
}

// A table definition as the reader assembles it: the first page whole, then each continuation
// page without its 8-byte header.
QByteArray tdefBlock(const QByteArray &file, const Layout &l, quint32 page) {
    QByteArray block;
    for (int guard = 0; page != 0 && guard < 64; ++guard) {
        const QByteArray pg = file.mid(qint64(page) * l.pageSize, l.pageSize);
        block += block.isEmpty() ? pg : pg.mid(8);
        page = u32(reinterpret_cast<const uchar *>(pg.constData()) + 4);
    }
    return block;
}

// The first pages of every table definition in a file: type 0x02 pages no other one continues.
QList<quint32> tdefPages(const QByteArray &file, const Layout &l) {
    QList<quint32> all;
    QSet<quint32> continued;
    for (quint32 n = 1; qint64(n + 1) * l.pageSize <= file.size(); ++n) {
        const auto *pg = reinterpret_cast<const uchar *>(file.constData()) + qint64(n) * l.pageSize;
        if (pg[0] == kPageTdef) {
            all.append(n);
            if (u32(pg + 4))
                continued.insert(u32(pg + 4));
        }
    }
    all.removeIf([&](quint32 n) { return continued.contains(n); });
    return all;
}

// Empty when encodeTdef(parseTdef(block)) gives the block back (bytes 2-7 are the page's own).
QString roundTrip(const Layout &l, const QByteArray &block, TableDef *parsed = nullptr) {
    QString fault;
    const auto def = parseTdef(l, block, 1251, &fault);
    if (!def)
        return QStringLiteral("parse: ") + fault;
    const QByteArray again = encodeTdef(l, *def, 1251);
    const quint32 length = u32(reinterpret_cast<const uchar *>(block.constData()) + 8);
    if (again.size() != qsizetype(length))
        return QStringLiteral("encoded %1 bytes, the block says %2").arg(again.size()).arg(length);
    for (qsizetype i = 0; i < again.size(); ++i) {
        if ((i < 2 || i >= 8) && again[i] != block[i])
            return QStringLiteral("byte %1: %2, expected %3")
                .arg(i)
                .arg(quint8(again[i]), 2, 16, QLatin1Char('0'))
                .arg(quint8(block[i]), 2, 16, QLatin1Char('0'));
    }
    if (parsed)
        *parsed = *def;
    return {};
}

// Jackcess, when the jar, java and javac are there.
struct Jackcess {
    QString skipReason;
    QString classPath;
    QString java;
    QTemporaryDir dir;

    Jackcess() {
        QString jar = qEnvironmentVariable("CIFROVEX_JACKCESS_JAR");
        if (jar.isEmpty())
            jar = jettest::sourceDir() +
                  QStringLiteral("/../shared/oracles/jackcess/jackcess-4.0.11-snapshot.jar");
        const QString lang = QStringLiteral("/usr/share/java/commons-lang3.jar");
        const QString logging = QStringLiteral("/usr/share/java/commons-logging.jar");
        java = QStandardPaths::findExecutable(QStringLiteral("java"));
        const QString javac = QStandardPaths::findExecutable(QStringLiteral("javac"));
        if (!QFile::exists(jar))
            skipReason = QStringLiteral("no Jackcess jar at %1 (set CIFROVEX_JACKCESS_JAR)").arg(jar);
        else if (java.isEmpty() || javac.isEmpty())
            skipReason = QStringLiteral("java or javac is not installed");
        else if (!QFile::exists(lang) || !QFile::exists(logging))
            skipReason =
                QStringLiteral("commons-lang3/commons-logging jars are missing from /usr/share/java");
        if (!skipReason.isEmpty())
            return;
        classPath = QStringList{jar, lang, logging, dir.path()}.join(QLatin1Char(':'));
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(javac, {QStringLiteral("-cp"), classPath, QStringLiteral("-d"), dir.path(),
                        jettest::sourceDir() + QStringLiteral("/tests/jet/JackcessIndexes.java")});
        if (!p.waitForFinished(120000) || p.exitCode() != 0)
            compileError = QString::fromLocal8Bit(p.readAll());
    }
    QString compileError; // the program did not compile: a fault, not a reason to skip

    // The database the oracle tests share: Jackcess's tables of every key type, 2000 rows.
    QString keysFile(QString *error) {
        if (m_keys.isEmpty()) {
            const QString path = dir.filePath(QStringLiteral("keys.mdb"));
            const auto out = run({path, QStringLiteral("2000")}, error);
            if (!out)
                return {};
            m_keys = path;
            keysOutput = *out;
        }
        return m_keys;
    }
    QByteArray keysOutput;
    QString m_keys;

    // Runs the program; its standard output, or nullopt with *error set.
    std::optional<QByteArray> run(const QStringList &args, QString *error) const {
        QProcess p;
        p.start(java,
                QStringList{QStringLiteral("-cp"), classPath, QStringLiteral("JackcessIndexes")} + args);
        if (!p.waitForFinished(300000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            *error = QString::fromLocal8Bit(p.readAllStandardError());
            return std::nullopt;
        }
        return p.readAllStandardOutput();
    }
};

Jackcess &jackcess() {
    static Jackcess j;
    return j;
}

QByteArray readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table definition made here, with every index section filled in.
TableDef madeDefinition(const Layout &l) {
    TableDef def;
    def.numRows = 12;
    def.autoNumber = 40;
    def.maxCols = 3;
    def.numVarCols = 1;
    def.usageMap = pgRow(7, 0);
    def.freeMap = pgRow(7, 1);
    def.columns = {
        ColumnDef{QStringLiteral("ID_P"), ColumnType::LongInteger, 0, 0, 0, 4, 0, 0, kColFixed, 0, {}},
        ColumnDef{QStringLiteral("Текст"), ColumnType::Memo, 1, 0, 0, 0, 0, 0, kColNullable, 0, {}},
        ColumnDef{QStringLiteral("Имя"), ColumnType::Text, 2, 0, 0, 100, 0, 0, kColNullable, 0, {}},
    };
    RealIndexDef pk{{{0, true}}, 12, pgRow(7, 2), 9, kIndexUnique | kIndexRequired, {}, {}};
    RealIndexDef byName{{{2, false}, {0, true}}, 5, pgRow(7, 3), 10, 0, {}, {}};
    def.realIndexes = {pk, byName};
    def.indexes = {
        LogicalIndexDef{QStringLiteral("PrimaryKey"), 0, 0, kIndexPrimaryKey, 0, -1, 0, 0, 0, {}},
        LogicalIndexDef{QStringLiteral("Имя"), 1, 1, kIndexNormal, 0, -1, 0, 0, 0, {}},
    };
    if (l.hasColumnMaps)
        def.columnMaps = {ColumnMapDef{1, pgRow(7, 4), pgRow(7, 5)}};
    return def;
}

} // namespace

class tst_jet_index : public QObject {
    Q_OBJECT

private slots:
    void madeDefinitionsRoundTrip_data();
    void madeDefinitionsRoundTrip();
    void truncatedDefinitionsFail();
    void accessDefinitionsRoundTrip();

    void keys_data();
    void keys();

    void pages_data();
    void pages();
    void duplicateEntryRefused();
    void damagedPagesFail_data();
    void damagedPagesFail();

    void jackcessIndexes();
    void jackcessReadsOurPages();
};

void tst_jet_index::madeDefinitionsRoundTrip_data() {
    QTest::addColumn<Version>("version");
    QTest::newRow("jet3") << Version::Jet3;
    QTest::newRow("jet4") << Version::Jet4;
}

// A definition made here encodes, parses back to the same fields and encodes to the same bytes.
void tst_jet_index::madeDefinitionsRoundTrip() {
    QFETCH(Version, version);
    const Layout &l = layout(version);
    const TableDef made = madeDefinition(l);
    const QByteArray block = encodeTdef(l, made);
    TableDef parsed;
    const QString fault = roundTrip(l, block, &parsed);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(parsed.numRows, made.numRows);
    QCOMPARE(parsed.autoNumber, made.autoNumber);
    QCOMPARE(parsed.columns.size(), 3);
    QCOMPARE(parsed.columns[1].name, QStringLiteral("Текст"));
    QCOMPARE(parsed.realIndexes.size(), 2);
    for (qsizetype i = 0; i < 2; ++i) {
        const RealIndexDef &a = parsed.realIndexes[i];
        const RealIndexDef &e = made.realIndexes[i];
        QCOMPARE(a.columns.size(), e.columns.size());
        for (qsizetype c = 0; c < a.columns.size(); ++c) {
            QCOMPARE(a.columns[c].number, e.columns[c].number);
            QCOMPARE(a.columns[c].ascending, e.columns[c].ascending);
        }
        QCOMPARE(a.rowCount, e.rowCount);
        QCOMPARE(a.usageMap, e.usageMap);
        QCOMPARE(a.firstPage, e.firstPage);
        QCOMPARE(a.flags, e.flags);
    }
    QCOMPARE(parsed.indexes.size(), 2);
    QCOMPARE(parsed.indexes[1].name, QStringLiteral("Имя"));
    QCOMPARE(parsed.indexes[1].realIndex, 1);
    QCOMPARE(parsed.indexes[0].kind, kIndexPrimaryKey);
    QCOMPARE(parsed.indexes[0].relIndex, -1);
    QCOMPARE(parsed.columnMaps.size(), made.columnMaps.size());
    if (!made.columnMaps.isEmpty())
        QCOMPARE(parsed.columnMaps[0].freePages, made.columnMaps[0].freePages);
}

// Every cut of a definition short of its end is refused with a fault, never read past.
void tst_jet_index::truncatedDefinitionsFail() {
    for (Version version : {Version::Jet3, Version::Jet4}) {
        const Layout &l = layout(version);
        const QByteArray block = encodeTdef(l, madeDefinition(l));
        // A Jet 3 definition reads without the 0xFFFF that closes its (always empty) list of
        // long-value maps.
        const qsizetype whole = version == Version::Jet3 ? block.size() - 2 : block.size();
        for (qsizetype size = 0; size < whole; ++size) {
            QString fault;
            const auto def = parseTdef(l, block.left(size), 1251, &fault);
            QVERIFY2(!def, qPrintable(QStringLiteral("%1 bytes of %2 parsed").arg(size).arg(block.size())));
            QVERIFY(!fault.isEmpty());
        }
    }
}

// Definitions Access wrote (the system tables of an Access 2000 database) and Jackcess wrote
// (tables with primary keys, multi-column, descending and text indexes, memo columns) encode
// back to their bytes.
void tst_jet_index::accessDefinitionsRoundTrip() {
    Jackcess &j = jackcess();
    if (!j.skipReason.isEmpty())
        QSKIP(qPrintable(j.skipReason));
    QVERIFY2(j.compileError.isEmpty(), qPrintable(j.compileError));
    QString error;
    const QString empty = j.dir.filePath(QStringLiteral("empty.mdb"));
    const QString made = j.dir.filePath(QStringLiteral("tdefs.mdb"));
    QVERIFY2(j.run({QStringLiteral("--empty"), empty}, &error), qPrintable(error));
    QVERIFY2(j.run({made, QStringLiteral("30")}, &error), qPrintable(error));
    const Layout &l = layout(Version::Jet4);
    int withIndexes = 0;
    int withMaps = 0;
    for (const QString &path : {empty, made}) {
        const QByteArray file = readAll(path);
        const QList<quint32> pages = tdefPages(file, l);
        QVERIFY(pages.size() >= 4);
        for (quint32 page : pages) {
            TableDef def;
            const QString fault = roundTrip(l, tdefBlock(file, l, page), &def);
            QVERIFY2(fault.isEmpty(),
                     qPrintable(QStringLiteral("%1, page %2: %3").arg(path).arg(page).arg(fault)));
            withIndexes += !def.realIndexes.isEmpty();
            withMaps += !def.columnMaps.isEmpty();
        }
    }
    QVERIFY(withIndexes >= 6);
    QVERIFY(withMaps >= 2);
}

void tst_jet_index::keys_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<ColumnType>("type");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<Value>("value");
    QTest::addColumn<QString>("expected"); // hex; empty: no key

    const auto v4 = Version::Jet4;
    const auto v3 = Version::Jet3;
    const Value null;
    auto row = [](const char *tag, Version v, ColumnType t, bool asc, const Value &value, const char *hex) {
        QTest::newRow(tag) << v << t << asc << value << QString::fromLatin1(hex);
    };
    row("long_one", v4, ColumnType::LongInteger, true, qint64(1), "7f80000001");
    row("long_minus_one", v4, ColumnType::LongInteger, true, qint64(-1), "7f7fffffff");
    row("long_desc", v4, ColumnType::LongInteger, false, qint64(1), "807ffffffe");
    row("long_null", v4, ColumnType::LongInteger, true, null, "00");
    row("long_null_desc", v4, ColumnType::LongInteger, false, null, "ff");
    row("long_jet3", v3, ColumnType::LongInteger, true, qint64(0x12345678), "7f92345678");
    row("long_too_big", v4, ColumnType::LongInteger, true, qint64(1) << 31, "");
    row("long_text", v4, ColumnType::LongInteger, true, QStringLiteral("1"), "");
    row("int", v4, ColumnType::Integer, true, qint64(0x1234), "7f9234");
    row("int_min", v4, ColumnType::Integer, true, qint64(-32768), "7f0000");
    row("int_too_big", v4, ColumnType::Integer, true, qint64(40000), "");
    row("byte", v4, ColumnType::Byte, true, qint64(200), "7fc8");
    row("byte_desc", v4, ColumnType::Byte, false, qint64(200), "8037");
    row("byte_too_big", v4, ColumnType::Byte, true, qint64(256), "");
    row("currency", v4, ColumnType::Currency, true, qint64(12345), "7f8000000000003039");
    row("currency_negative", v4, ColumnType::Currency, true, qint64(-1), "7f7fffffffffffffff");
    row("double_one", v4, ColumnType::Double, true, 1.0, "7fbff0000000000000");
    row("double_minus_one", v4, ColumnType::Double, true, -1.0, "7f400fffffffffffff");
    row("double_desc", v4, ColumnType::Double, false, 1.0, "80400fffffffffffff");
    row("double_desc_negative", v4, ColumnType::Double, false, -1.0, "80bff0000000000000");
    row("date", v3, ColumnType::DateTime, true, 36526.5, "7fc0e1d5d000000000");
    row("date_null", v4, ColumnType::DateTime, true, null, "00");
    row("bool_true", v4, ColumnType::Boolean, true, true, "7f00");
    row("bool_false", v4, ColumnType::Boolean, true, false, "7fff");
    row("bool_true_desc", v4, ColumnType::Boolean, false, true, "80ff");
    row("bool_null_is_false", v4, ColumnType::Boolean, true, null, "7fff");
    row("text_case_ignored", v4, ColumnType::Text, true, QStringLiteral("aBc"), "7f4a4c4d0100");
    row("text_empty", v4, ColumnType::Text, true, QString(), "7f0100");
    row("text_null", v4, ColumnType::Text, true, null, "00");
    row("text_desc", v4, ColumnType::Text, false, QStringLiteral("a"), "80b5feff00");
    row("text_cyrillic", v4, ColumnType::Text, true, QStringLiteral("Мир"), "7f7943793b79480100");
    row("text_yo", v4, ColumnType::Text, true, QStringLiteral("Ёж"),
        "7f7936793801"
        "1300");
    row("text_apostrophe", v4, ColumnType::Text, true, QStringLiteral("don't"),
        "7f4f64626d01010101801306"
        "8000");
    row("text_yo_hyphen", v4, ColumnType::Text, true, QStringLiteral("Ё-ж"),
        "7f79367938011301010180"
        "0b068200");
    row("text_punctuation", v4, ColumnType::Text, true, QStringLiteral("1 ~"), "7f38072b0f0100");
    row("text_tab", v4, ColumnType::Text, true, QStringLiteral("a\tb"), "");
    row("text_euro", v4, ColumnType::Text, true, QStringLiteral("5€"), "");
    row("memo", v4, ColumnType::Memo, true, QStringLiteral("A"), "7f4a0100");
    row("text_jet3", v3, ColumnType::Text, true, QStringLiteral("Ab-1"), "7f60611e5700");
    row("text_jet3_desc", v3, ColumnType::Text, false, QStringLiteral("A"), "809fff");
    row("text_jet3_cyrillic", v3, ColumnType::Text, true, QStringLiteral("Я"), "");
    row("guid_unsupported", v4, ColumnType::Guid, true, QByteArray(16, 'x'), "");
}

void tst_jet_index::keys() {
    QFETCH(Version, version);
    QFETCH(ColumnType, type);
    QFETCH(bool, ascending);
    QFETCH(Value, value);
    QFETCH(QString, expected);
    const auto key = jet::index::columnKey(version, {type, ascending}, value);
    if (expected.isEmpty()) {
        QVERIFY2(!key, qPrintable(hex(key.value_or(QByteArray()))));
        return;
    }
    QVERIFY(key);
    QCOMPARE(hex(*key), expected);
}

void tst_jet_index::pages_data() {
    QTest::addColumn<Version>("version");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("keyBytes"); // 0: long integer keys; else text keys near that long
    QTest::addColumn<int>("minDepth");
    QTest::newRow("jet4_empty") << Version::Jet4 << 0 << 0 << 1;
    QTest::newRow("jet4_one") << Version::Jet4 << 1 << 0 << 1;
    QTest::newRow("jet3_one_text") << Version::Jet3 << 1 << 20 << 1;
    QTest::newRow("jet4_many") << Version::Jet4 << 1000 << 0 << 2;
    QTest::newRow("jet4_options") << Version::Jet4 << 40000 << 0 << 2;
    QTest::newRow("jet3_options") << Version::Jet3 << 40000 << 0 << 2;
    QTest::newRow("jet4_text_levels") << Version::Jet4 << 6000 << 200 << 3;
    QTest::newRow("jet3_text_levels") << Version::Jet3 << 3000 << 120 << 3;
}

// Entries given in any order come back from the pages sorted, with every page linked as the tree
// says, in as many levels as they need.
void tst_jet_index::pages() {
    QFETCH(Version, version);
    QFETCH(int, count);
    QFETCH(int, keyBytes);
    QFETCH(int, minDepth);
    const Layout &l = layout(version);
    QRandomGenerator random(count * 31 + keyBytes);
    std::vector<Entry> entries;
    for (int i = 0; i < count; ++i) {
        Value v;
        KeyColumn column;
        if (keyBytes == 0) {
            v = qint64(random.bounded(-1000000, 1000000)); // duplicates among them, and negatives
        } else {
            column.type = ColumnType::Memo;
            const QString letters = version == Version::Jet4 ? QStringLiteral("abcXYZ019 -'АбвЁё")
                                                             : QStringLiteral("abcXYZ019 -'");
            QString s;
            for (int k = random.bounded(keyBytes / 2); k < keyBytes / 2; ++k)
                s += letters[random.bounded(int(letters.size()))];
            v = s;
        }
        const auto key = jet::index::columnKey(version, column, v);
        QVERIFY(key);
        entries.push_back(Entry{*key, pgRow(100 + quint32(i) / 50, i % 50)});
    }
    PageStore store(l);
    QString fault;
    const auto built = jet::index::writeIndex(l, 77, entries, store.sink(), &fault);
    QVERIFY2(built, qPrintable(fault));
    QCOMPARE(built->pages.back(), built->rootPage);
    QCOMPARE(built->pages.size(), store.pages.size());

    const auto read = jet::index::readIndex(l, built->rootPage, store.reader(), &fault);
    QVERIFY2(read, qPrintable(fault));
    std::sort(entries.begin(), entries.end(), jet::index::entryLess);
    QCOMPARE(read->entries.size(), entries.size());
    QVERIFY(read->entries == entries);
    QVERIFY(read->depth >= minDepth);
    std::vector<quint32> builtPages = built->pages;
    std::vector<quint32> readPages = read->pages;
    std::sort(builtPages.begin(), builtPages.end());
    std::sort(readPages.begin(), readPages.end());
    QVERIFY(builtPages == readPages);

    QSet<QByteArray> distinct;
    for (const Entry &e : entries)
        distinct.insert(e.key);
    QCOMPARE(built->distinctKeys, quint32(distinct.size()));
    for (const auto &[n, page] : store.pages) {
        const auto *pg = reinterpret_cast<const uchar *>(page.constData());
        QCOMPARE(u32(pg + 4), 77u);
        // The free space left is what lies after the last entry, and it is all zeros.
        const int used = l.pageSize - u16(pg + 2);
        QVERIFY(used >= l.idxEntriesStart());
        QVERIFY(std::all_of(page.begin() + used, page.end(), [](char c) { return c == 0; }));
    }
}

void tst_jet_index::duplicateEntryRefused() {
    const Layout &l = layout(Version::Jet4);
    PageStore store(l);
    QString fault;
    const std::vector<Entry> entries{
        {"\x7f\x80", pgRow(5, 1)}, {"\x7f\x81", pgRow(5, 2)}, {"\x7f\x80", pgRow(5, 1)}};
    QVERIFY(!jet::index::writeIndex(l, 2, entries, store.sink(), &fault));
    QVERIFY2(fault.contains(QStringLiteral("строки 1 страницы 5")), qPrintable(fault));
    QVERIFY(store.pages.empty());

    const std::vector<Entry> huge{{QByteArray(l.pageSize, 'k'), pgRow(5, 1)}};
    QVERIFY(!jet::index::writeIndex(l, 2, huge, store.sink(), &fault));
    QVERIFY2(fault.contains(QStringLiteral("не помещается")), qPrintable(fault));
}

void tst_jet_index::damagedPagesFail_data() {
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("fault");
    QTest::newRow("child_is_root") << "child_is_root"
                                   << "дважды";
    QTest::newRow("not_index_page") << "not_index_page"
                                    << "не является страницей индекса";
    QTest::newRow("entry_past_page") << "entry_past_page"
                                     << "выходит за пределы страницы";
    QTest::newRow("prefix_too_long") << "prefix_too_long"
                                     << "длиннее её первой записи";
    QTest::newRow("leaf_link_broken") << "leaf_link_broken"
                                      << "на соседей";
    QTest::newRow("missing_child") << "missing_child"
                                   << "нет в файле";
    QTest::newRow("out_of_order") << "out_of_order"
                                  << "не по порядку";
}

// A damaged index is refused with a message, not read wrong, looped over or read out of bounds.
void tst_jet_index::damagedPagesFail() {
    QFETCH(QString, damage);
    QFETCH(QString, fault);
    const Layout &l = layout(Version::Jet4);
    std::vector<Entry> entries;
    for (int i = 0; i < 2000; ++i)
        entries.push_back(Entry{*jet::index::columnKey(Version::Jet4, {}, qint64(i)), pgRow(9, i % 200)});
    PageStore store(l);
    QString error;
    const auto built = jet::index::writeIndex(l, 2, entries, store.sink(), &error);
    QVERIFY(built);
    const quint32 root = built->rootPage;
    const quint32 firstLeaf = built->pages.front();
    auto at = [&](quint32 n) { return reinterpret_cast<uchar *>(store.pages.at(n).data()); };
    uchar *rootPg = at(root);
    uchar *leafPg = at(firstLeaf);
    // The first entry of the root: its child page is its last 4 bytes.
    const int firstEnd = [&] {
        for (int bit = 1;; ++bit)
            if (rootPg[l.idxMask + bit / 8] & (1 << (bit % 8)))
                return bit;
    }();
    uchar *child = rootPg + l.idxEntriesStart() + firstEnd - 4;
    if (damage == QLatin1String("child_is_root")) {
        child[0] = uchar(root >> 24), child[1] = uchar(root >> 16), child[2] = uchar(root >> 8),
        child[3] = uchar(root);
    } else if (damage == QLatin1String("not_index_page")) {
        leafPg[0] = kPageData;
    } else if (damage == QLatin1String("entry_past_page")) {
        leafPg[l.idxMask + l.idxMaskSize - 1] |= 0x80;
    } else if (damage == QLatin1String("prefix_too_long")) {
        put16(leafPg + l.idxPrefixLength, 200);
    } else if (damage == QLatin1String("leaf_link_broken")) {
        put32(leafPg + l.idxNext, 0);
    } else if (damage == QLatin1String("missing_child")) {
        child[0] = 0x7F;
    } else if (damage == QLatin1String("out_of_order")) {
        leafPg[l.idxEntriesStart() + 1] = 0xFF; // the first entry's key now sorts last
    }
    QVERIFY(!jet::index::readIndex(l, root, store.reader(), &error));
    QVERIFY2(error.contains(fault), qPrintable(error));
}

// The strong oracle: Jackcess makes an Access 2000 file with tables of every key type; our
// reader walks each of its indexes, and our keys for the rows' values are exactly the keys
// Jackcess stored, in the same order. An index on one page is also built here for the same
// entries and must have Jackcess's header.
void tst_jet_index::jackcessIndexes() {
    Jackcess &j = jackcess();
    if (!j.skipReason.isEmpty())
        QSKIP(qPrintable(j.skipReason));
    QVERIFY2(j.compileError.isEmpty(), qPrintable(j.compileError));
    QString error;
    const QString path = j.keysFile(&error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));
    const QByteArray &out = j.keysOutput;
    const QByteArray file = readAll(path);
    const Database db = Database::fromBytes(file, path);
    const Layout &l = layout(Version::Jet4);

    // Each table's definition page and its rows' pg_rows in scan order.
    QList<std::pair<QString, quint32>> tables;
    QHash<QString, QList<quint32>> rowIds;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(' ');
        if (f.size() == 3 && f[0] == "TABLE")
            tables.append({QString::fromUtf8(f[1]), f[2].toUInt()});
        else if (f.size() == 3 && f[0] == "ROW")
            rowIds[tables.back().first].append(pgRow(f[1].toUInt(), f[2].toInt()));
    }
    QCOMPARE(tables.size(), 6);

    int checkedIndexes = 0;
    int multiLevel = 0;
    int samePages = 0;
    qsizetype textEntries = 0;
    for (const auto &[name, tdefPage] : tables) {
        const Table table = db.readTable(name);
        const QList<quint32> ids = rowIds.value(name);
        QCOMPARE(table.rows.size(), ids.size());
        QString fault;
        const auto def = parseTdef(l, tdefBlock(file, l, tdefPage), 0, &fault);
        QVERIFY2(def, qPrintable(fault));
        QHash<int, qsizetype> position; // col_num -> place in the table's columns
        QHash<int, ColumnType> types;
        for (const ColumnDef &c : def->columns) {
            for (qsizetype k = 0; k < table.columns.size(); ++k)
                if (table.columns[k].name == c.name)
                    position[c.number] = k;
            types[c.number] = c.type;
        }
        for (qsizetype r = 0; r < def->realIndexes.size(); ++r) {
            const RealIndexDef &real = def->realIndexes[r];
            const QString where = QStringLiteral("%1, index %2").arg(name).arg(r);
            const auto read = jet::index::readIndex(l, real.firstPage, fileReader(file, l), &fault);
            QVERIFY2(read, qPrintable(where + QStringLiteral(": ") + fault));

            QList<KeyColumn> columns;
            for (const IndexColumnDef &c : real.columns)
                columns.append(KeyColumn{types.value(c.number), c.ascending});
            std::vector<Entry> expected;
            for (qsizetype row = 0; row < table.rows.size(); ++row) {
                QList<Value> values;
                bool allNull = true;
                for (const IndexColumnDef &c : real.columns) {
                    values.append(table.rows[row][position.value(c.number)]);
                    allNull = allNull && std::holds_alternative<std::monostate>(values.back());
                }
                if (allNull && (real.flags & kIndexIgnoreNulls))
                    continue;
                const auto key = jet::index::entryKey(Version::Jet4, columns, values);
                QVERIFY2(key, qPrintable(QStringLiteral("%1: no key for row %2").arg(where).arg(row + 1)));
                expected.push_back(Entry{*key, ids[row]});
                textEntries += columns.front().type == ColumnType::Text;
            }
            std::sort(expected.begin(), expected.end(), jet::index::entryLess);
            QCOMPARE(read->entries.size(), expected.size());
            for (size_t e = 0; e < expected.size(); ++e) {
                QVERIFY2(read->entries[e] == expected[e],
                         qPrintable(QStringLiteral("%1, entry %2: Jackcess %3 row %4, ours %5 row %6")
                                        .arg(where)
                                        .arg(e)
                                        .arg(hex(read->entries[e].key))
                                        .arg(read->entries[e].pgRow, 0, 16)
                                        .arg(hex(expected[e].key))
                                        .arg(expected[e].pgRow, 0, 16)));
            }
            ++checkedIndexes;
            multiLevel += read->depth > 1;
            qsizetype distinct = 0;
            for (size_t e = 0; e < expected.size(); ++e)
                distinct += e == 0 || expected[e].key != expected[e - 1].key;
            QCOMPARE(qsizetype(real.rowCount), distinct);

            // Jackcess shares no prefix between a page's entries until the page overflows; the
            // header of a root leaf built here for the same entries must be the same.
            if (read->depth == 1) {
                PageStore store(l);
                const auto built = jet::index::writeIndex(l, tdefPage, expected, store.sink(), &fault);
                QVERIFY2(built, qPrintable(fault));
                const QByteArray theirs = file.mid(qint64(real.firstPage) * l.pageSize, l.pageSize);
                const QByteArray ours = store.pages.at(built->rootPage);
                QCOMPARE(hex(ours.left(2)), hex(theirs.left(2)));
                QCOMPARE(hex(ours.mid(4, l.idxPrefixLength - 4)), hex(theirs.mid(4, l.idxPrefixLength - 4)));
                ++samePages;
            }
        }
    }
    QVERIFY(checkedIndexes >= 15);
    QVERIFY(multiLevel >= 3);
    QVERIFY(samePages >= 4);
    QVERIFY(textEntries >= 4000);
}

// Jackcess walks B-trees built here: the text index of the shared file (several levels) is
// rebuilt over its own pages and new ones at the end of the file, and Jackcess's cursor over it,
// with its check of the pages, gives the rows in the order of the entries.
void tst_jet_index::jackcessReadsOurPages() {
    Jackcess &j = jackcess();
    if (!j.skipReason.isEmpty())
        QSKIP(qPrintable(j.skipReason));
    QVERIFY2(j.compileError.isEmpty(), qPrintable(j.compileError));
    QString error;
    const QString path = j.keysFile(&error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));
    QByteArray file = readAll(path);
    const Layout &l = layout(Version::Jet4);
    quint32 tdefPage = 0;
    for (const QByteArray &line : j.keysOutput.split('\n')) {
        if (line.startsWith("TABLE Keys "))
            tdefPage = line.mid(11).trimmed().toUInt();
    }
    QVERIFY(tdefPage != 0);
    QString fault;
    auto def = parseTdef(l, tdefBlock(file, l, tdefPage), 0, &fault);
    QVERIFY2(def, qPrintable(fault));
    const auto logical =
        std::find_if(def->indexes.cbegin(), def->indexes.cend(),
                     [](const LogicalIndexDef &x) { return x.name == QLatin1String("TxtDescI"); });
    QVERIFY(logical != def->indexes.cend());
    RealIndexDef &real = def->realIndexes[logical->realIndex];
    const auto theirs = jet::index::readIndex(l, real.firstPage, fileReader(file, l), &fault);
    QVERIFY2(theirs, qPrintable(fault));
    QVERIFY(theirs->depth >= 2);

    // The index's own pages are reused first (in another order than Jackcess used them), then
    // new pages are added at the end of the file.
    std::vector<quint32> pool = theirs->pages;
    std::reverse(pool.begin(), pool.end());
    jet::index::PageSink sink{
        [&] {
            quint32 n;
            if (!pool.empty()) {
                n = pool.back();
                pool.pop_back();
            } else {
                n = quint32(file.size() / l.pageSize);
                file.append(QByteArray(l.pageSize, '\0'));
            }
            std::memset(file.data() + qint64(n) * l.pageSize, 0, size_t(l.pageSize));
            return n;
        },
        [&](quint32 n) { return reinterpret_cast<uchar *>(file.data()) + qint64(n) * l.pageSize; }};
    // The same entries: the cursor reads rows, so every entry must point to one that exists.
    const auto built = jet::index::writeIndex(l, tdefPage, theirs->entries, sink, &fault);
    QVERIFY2(built, qPrintable(fault));
    real.firstPage = built->rootPage;
    const QByteArray block = encodeTdef(l, *def);
    QVERIFY(block.size() <= l.pageSize);
    std::memcpy(file.data() + qint64(tdefPage) * l.pageSize + 8, block.constData() + 8,
                size_t(block.size() - 8));
    const QString ours = j.dir.filePath(QStringLiteral("our-index.mdb"));
    QFile out(ours);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    const auto walked =
        j.run({QStringLiteral("--walk"), ours, QStringLiteral("Keys"), QStringLiteral("TxtDescI")}, &error);
    QVERIFY2(walked, qPrintable(error));
    std::vector<quint32> order;
    for (const QByteArray &line : walked->split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(' ');
        if (f.size() == 3 && f[0] == "ENTRY")
            order.push_back(pgRow(f[1].toUInt(), f[2].toInt()));
    }
    QCOMPARE(order.size(), theirs->entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        QCOMPARE(order[i], theirs->entries[i].pgRow);
    const auto reread = jet::index::readIndex(l, built->rootPage, fileReader(file, l), &fault);
    QVERIFY2(reread, qPrintable(fault));
    QVERIFY(reread->entries == theirs->entries);
    QVERIFY(reread->depth >= 2);
}

QTEST_GUILESS_MAIN(tst_jet_index)
#include "tst_jet_index.moc"
