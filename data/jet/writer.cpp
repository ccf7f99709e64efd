// Making and changing Jet 3 and Jet 4 databases. A new database is an empty one as Access makes
// it (header, map of free pages, the catalogue MSysObjects and the system tables with their rows),
// into which each table is added and filled; changing a file is the same table code run on the
// file's own pages, so that everything the update does not name stays as it was.
//
// All work happens on pages in memory (PageStore); the caller writes the result whole.

#include "data/jet/access_objects.h"
#include "data/jet/code_page.h"
#include "data/jet/errors.h"
#include "data/jet/format.h"
#include "data/jet/index.h"
#include "data/jet/jet.h"
#include "data/jet/pages.h"
#include "data/jet/tables.h"
#include "platform/files.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <cstring>

namespace jet {

using namespace format;
using namespace detail;
using Kind = FormatError::Kind;

namespace {

constexpr int kMaxNameLength = 64;
constexpr int kMaxColumns = 255;
constexpr int kMaxPrecision = 28; // Numeric digits, as Access allows
constexpr int kMaxIndexColumns = 10;

const QString &catalogName() {
    static const QString name = QStringLiteral("MSysObjects");
    return name;
}
const QString &acesName() {
    static const QString name = QStringLiteral("MSysACEs");
    return name;
}

double nowAsJetDate() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime epoch(QDate(1899, 12, 30), QTime(0, 0));
    const qint64 ms = epoch.msecsTo(QDateTime(now.date(), now.time()));
    return double(ms) / 86400000.0;
}

[[noreturn]] void unsupported(const QString &file, const QString &detail) {
    detail::failWrite(Kind::Unsupported, file, detail);
}

bool writable(ColumnType type) {
    switch (type) {
    case ColumnType::Boolean:
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
    case ColumnType::Currency:
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime:
    case ColumnType::Binary:
    case ColumnType::Text:
    case ColumnType::Ole:
    case ColumnType::Memo:
    case ColumnType::Guid:
    case ColumnType::Numeric:
        return true;
    default:
        return false;
    }
}

void checkName(const Layout &l, const QString &file, const QString &name, const QString &what) {
    if (name.isEmpty() || name.size() > kMaxNameLength)
        unsupported(
            file,
            QStringLiteral("%1: имя должно содержать от 1 до %2 символов").arg(what).arg(kMaxNameLength));
    if (codepage::firstUnstorable(l.version, name) >= 0)
        unsupported(
            file,
            QStringLiteral("%1: в имени есть символ, который нельзя записать в эту версию базы").arg(what));
}

// What a table to be made may be: names, columns and indexes a database can hold.
void checkTable(const Layout &l, const QString &file, const Table &t) {
    const QString what = QStringLiteral("таблица «%1»").arg(t.name);
    checkName(l, file, t.name, what);
    // The catalogue finds a table by its name through an index.
    if (const qsizetype bad = index::firstUnkeyableChar(l.version, t.name); bad >= 0)
        unsupported(file, QStringLiteral("%1: символ «%2» в имени нельзя записать в каталог базы %3")
                              .arg(what, t.name.at(bad),
                                   l.version == Version::Jet3 ? QStringLiteral("Jet 3 (Access 97)")
                                                              : QStringLiteral("Jet 4")));
    if (t.name.startsWith(QStringLiteral("MSys"), Qt::CaseInsensitive))
        unsupported(file, QStringLiteral("%1: имена на «MSys» заняты системными таблицами").arg(what));
    if (t.columns.size() > kMaxColumns)
        unsupported(file, QStringLiteral("%1: больше %2 столбцов").arg(what).arg(kMaxColumns));
    QSet<QString> columns;
    for (const Column &c : t.columns) {
        const QString where = QStringLiteral("%1, столбец «%2»").arg(what, c.name);
        checkName(l, file, c.name, where);
        if (columns.contains(c.name.toCaseFolded()))
            unsupported(file, QStringLiteral("%1: столбец с таким именем уже есть").arg(where));
        columns.insert(c.name.toCaseFolded());
        if (!writable(c.type))
            unsupported(file,
                        QStringLiteral("%1: столбцы типа %2 не записываются").arg(where, typeName(c.type)));
        if (c.type == ColumnType::Numeric && l.version == Version::Jet3)
            unsupported(file,
                        QStringLiteral("%1: в базе Jet 3 (Access 97) нет столбцов типа Numeric").arg(where));
        if (c.type == ColumnType::Numeric &&
            (c.precision < 1 || c.precision > kMaxPrecision || c.scale < 0 || c.scale > c.precision))
            unsupported(file, QStringLiteral("%1: точность %2 и масштаб %3 столбца типа Numeric вне пределов "
                                             "(точность 1–%4, масштаб от 0 до точности)")
                                  .arg(where)
                                  .arg(c.precision)
                                  .arg(c.scale)
                                  .arg(kMaxPrecision));
    }
    for (qsizetype r = 0; r < t.rows.size(); ++r) {
        if (t.rows[r].size() != t.columns.size())
            unsupported(file, QStringLiteral("%1, строка %2: %3 значений при %4 столбцах")
                                  .arg(what)
                                  .arg(r + 1)
                                  .arg(t.rows[r].size())
                                  .arg(t.columns.size()));
    }
    QSet<QString> indexes;
    int primaryKeys = 0;
    for (const Index &ix : t.indexes) {
        const QString where = QStringLiteral("%1, индекс «%2»").arg(what, ix.name);
        checkName(l, file, ix.name, where);
        if (indexes.contains(ix.name.toCaseFolded()))
            unsupported(file, QStringLiteral("%1: индекс с таким именем уже есть").arg(where));
        indexes.insert(ix.name.toCaseFolded());
        if (ix.columns.isEmpty() || ix.columns.size() > kMaxIndexColumns)
            unsupported(file,
                        QStringLiteral("%1: в индексе от 1 до %2 столбцов").arg(where).arg(kMaxIndexColumns));
        for (const QString &c : ix.columns) {
            if (!columns.contains(c.toCaseFolded()))
                unsupported(file, QStringLiteral("%1: нет столбца «%2»").arg(where, c));
        }
        primaryKeys += ix.primaryKey ? 1 : 0;
    }
    if (primaryKeys > 1)
        unsupported(file, QStringLiteral("%1: больше одного первичного ключа").arg(what));
}

int findColumn(const TableDef &def, const QString &name) {
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        if (def.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

// The definition of a table to be made: columns as Access lays them out, and its indexes.
TableDef definition(const Layout &l, const Table &t) {
    TableDef def;
    def.tableType = kUserTable;
    int fixedOffset = 0;
    int varIndex = 0;
    for (qsizetype i = 0; i < t.columns.size(); ++i) {
        const Column &col = t.columns[i];
        ColumnDef c;
        c.name = col.name;
        c.type = col.type;
        c.number = int(i);
        c.flags = kColNullable;
        c.precision = col.precision;
        c.scale = col.scale;
        const int size = fixedSize(col.type);
        if (size > 0 || col.type == ColumnType::Boolean) {
            c.flags |= kColFixed;
            c.fixedOffset = fixedOffset;
            c.length = col.type == ColumnType::Boolean ? 1 : size;
            fixedOffset += size;
        } else {
            c.varIndex = varIndex++;
            if (col.type == ColumnType::Text)
                c.length = l.version == Version::Jet4 ? 2 * 255 : 255;
            else if (col.type == ColumnType::Binary)
                c.length = 255;
            if (isTextual(col.type) && l.version == Version::Jet4)
                c.miscFlags = kColCompressedUnicode;
        }
        def.columns.append(c);
    }
    def.numVarCols = varIndex;
    def.maxCols = int(def.columns.size());
    // One real index per logical one, in the order given: Access shares a real index between
    // logical ones only for foreign keys, which we never make.
    for (qsizetype k = 0; k < t.indexes.size(); ++k) {
        const Index &ix = t.indexes[k];
        RealIndexDef real;
        for (const QString &name : ix.columns)
            real.columns.append(IndexColumnDef{findColumn(def, name), true});
        if (ix.primaryKey)
            real.flags = kIndexUnique | kIndexRequired;
        else if (ix.unique)
            real.flags = kIndexUnique;
        if (l.version == Version::Jet4)
            real.flags |= kIndexAlways;
        def.realIndexes.append(real);
        LogicalIndexDef logical;
        logical.name = ix.name;
        logical.number = int(k);
        logical.realIndex = int(k);
        logical.kind = ix.primaryKey ? kIndexPrimaryKey : kIndexNormal;
        def.indexes.append(logical);
    }
    if (l.version == Version::Jet4) {
        for (const ColumnDef &c : def.columns) {
            if (isLongValue(c.type))
                def.columnMaps.append(ColumnMapDef{c.number, 0, 0});
        }
    }
    return def;
}

// Rows given by column name, in the definition's column order.
QList<QList<Value>> inDefinitionOrder(const TableDef &def, const QList<Column> &columns,
                                      const QList<QList<Value>> &rows) {
    std::vector<int> from(size_t(def.columns.size()), -1);
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        for (qsizetype j = 0; j < columns.size(); ++j) {
            if (columns[j].name.compare(def.columns[i].name, Qt::CaseInsensitive) == 0)
                from[size_t(i)] = int(j);
        }
    }
    QList<QList<Value>> out;
    out.reserve(rows.size());
    for (const QList<Value> &row : rows) {
        QList<Value> r;
        r.reserve(def.columns.size());
        for (qsizetype i = 0; i < def.columns.size(); ++i) {
            const int j = from[size_t(i)];
            if (j >= 0 && j < row.size())
                r.append(row[j]);
            else if (def.columns[i].type == ColumnType::Boolean)
                r.append(false);
            else
                r.append(std::monostate{});
        }
        out.append(std::move(r));
    }
    return out;
}

// A database over a PageStore: its catalogue found and kept up to date as tables are added.
class Builder {
public:
    Builder(PageStore &store, double date)
        : m_store(store)
        , m_l(store.layout())
        , m_date(date) {}

    // Lays out a new, empty database as Access makes one.
    void create() {
        const QByteArray header = access::headerPage(m_l.version, m_date);
        std::memcpy(m_store.page(m_store.append()), header.constData(), size_t(m_l.pageSize));
        // Page 1: the map of free pages and, as Access has it, a second, empty map.
        const quint32 freeMapPage = m_store.append();
        {
            uchar *pg = m_store.page(freeMapPage);
            pg[0] = kPageData;
            pg[1] = 0x01;
            put32(pg + 4, freeMapPage);
            RowPacker rows(m_store, freeMapPage, false);
            rows.resume(freeMapPage);
            rows.place(emptyUsageMapRow(m_l));
            rows.place(emptyUsageMapRow(m_l));
        }
        const QList<access::SystemTable> system = access::systemTables(m_l.version);
        for (const access::SystemTable &t : system) {
            const quint32 page = m_store.append();
            Q_ASSERT(page == t.tdefPage);
            Q_UNUSED(page);
        }
        for (const access::SystemTable &t : system) {
            TableDef def = t.def;
            placeMaps(def);
            writeTdef(m_store, t.tdefPage, def);
        }
        const Table catalogue = access::catalogue(m_l.version, m_date);
        const Table aces = access::accessControlEntries(m_l.version);
        for (const access::SystemTable &t : system) {
            TableDef def = readTdef(m_store, t.tdefPage, codepage::kCyrillic, t.name);
            const Table *rows = t.name == catalogue.name ? &catalogue : t.name == aces.name ? &aces : nullptr;
            replaceRows(m_store, t.tdefPage, def, t.name,
                        rows ? inDefinitionOrder(def, rows->columns, rows->rows) : QList<QList<Value>>{});
        }
    }

    // Adds a table (its definition, maps, catalogue row and rights); returns its definition's page.
    quint32 addTable(const Table &t) {
        checkTable(m_l, m_store.file(), t);
        TableDef def = definition(m_l, t);
        const quint32 page = m_store.allocate();
        // The definition's page must be a definition before the maps' page is taken.
        m_store.page(page)[0] = kPageTdef;
        placeMaps(def);
        writeTdef(m_store, page, def);

        appendRows(catalogName(), {access::tableObjectRow(page, t.name, m_date)});
        appendRows(acesName(), access::tableAces(page));
        return page;
    }

    void fill(quint32 page, const QString &name, const QList<Column> &columns,
              const QList<QList<Value>> &rows) {
        TableDef def = readTdef(m_store, page, codepage::kCyrillic, name);
        replaceRows(m_store, page, def, name, inDefinitionOrder(def, columns, rows));
    }

private:
    // Map rows for the table, its indexes and (Jet 4) its long-value columns, on a page of maps.
    void placeMaps(TableDef &def) {
        const int count = 2 + int(def.realIndexes.size()) + 2 * int(def.columnMaps.size());
        const int rowSize = int(emptyUsageMapRow(m_l).size());
        if (!m_mapsOpen || freeSpace(m_l, m_store.page(m_mapsPage)) < count * (rowSize + 2) ||
            u16(m_store.page(m_mapsPage) + m_l.dataRowCount) + count > kMaxRowsPerPage) {
            m_mapsPage = m_store.allocate();
            m_mapsOpen = false;
        }
        RowPacker maps(m_store, 0, false);
        if (m_mapsOpen)
            maps.resume(m_mapsPage);
        auto next = [&] {
            const PlacedRow r = maps.place(emptyUsageMapRow(m_l));
            m_mapsPage = r.page;
            return r.pgRow;
        };
        def.usageMap = next();
        def.freeMap = next();
        for (RealIndexDef &idx : def.realIndexes)
            idx.usageMap = next();
        for (ColumnMapDef &m : def.columnMaps) {
            m.usedPages = next();
            m.freePages = next();
        }
        m_mapsOpen = true;
    }

    // Adds rows to a system table: its rows are read back and written again with the new ones.
    // `added` has the columns by column number, as jet::Table has them.
    void appendRows(const QString &name, const QList<QList<Value>> &added) {
        const quint32 page = name == catalogName() ? kCatalogTdefPage : tablePage(name);
        TableDef def = readTdef(m_store, page, codepage::kCyrillic, name);
        QList<QList<Value>> rows = existingRows(name, def);
        rows += inDefinitionOrder(def, access::tableColumns(def), added);
        replaceRows(m_store, page, def, name, rows);
    }

    quint32 tablePage(const QString &name) {
        const Database db = snapshot();
        const auto page = db.tablePage(name);
        if (!page)
            detail::fail(Kind::Unsupported, m_store.file(),
                         QStringLiteral("в каталоге нет таблицы «%1»").arg(name));
        return *page;
    }

    QList<QList<Value>> existingRows(const QString &name, const TableDef &def) {
        const Table t = snapshot().readTable(name);
        return inDefinitionOrder(def, t.columns, t.rows);
    }

    Database snapshot() {
        PageStore copy = m_store;
        return Database::fromBytes(copy.finish(), m_store.file());
    }

    PageStore &m_store;
    const Layout &m_l;
    double m_date;
    quint32 m_mapsPage = 0;
    bool m_mapsOpen = false;
};

// Rows replaced in one table of a relationship Jet enforces, and kept in the other, could leave
// the other table's rows pointing at rows that are gone: such a file is not changed.
void refuseBrokenRelationships(const Database &db, const QString &file, const QList<TableUpdate> &updates) {
    const auto page = db.tablePage(QStringLiteral("MSysRelationships"));
    if (!page)
        return;
    const Table relationships = db.readTable(QStringLiteral("MSysRelationships"));
    auto column = [&](const char *name) {
        for (qsizetype i = 0; i < relationships.columns.size(); ++i) {
            if (relationships.columns[i].name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return int(i);
        }
        return -1;
    };
    const int name = column("szRelationship");
    const int flags = column("grbit");
    const int from = column("szObject");
    const int to = column("szReferencedObject");
    if (flags < 0 || from < 0 || to < 0)
        return;
    auto updated = [&](const Value &v) {
        const auto *table = std::get_if<QString>(&v);
        return table && std::any_of(updates.cbegin(), updates.cend(), [&](const TableUpdate &u) {
                   return u.table.name.compare(*table, Qt::CaseInsensitive) == 0;
               });
    };
    constexpr qint64 kNotEnforced = 0x02;
    for (const QList<Value> &r : relationships.rows) {
        const auto *grbit = std::get_if<qint64>(&r[flags]);
        if (grbit && (*grbit & kNotEnforced))
            continue;
        auto text = [&](int c) {
            const auto *t = c >= 0 ? std::get_if<QString>(&r[c]) : nullptr;
            return t ? *t : QString();
        };
        if (updated(r[from]) != updated(r[to]))
            unsupported(file,
                        QStringLiteral("связь «%1» между таблицами «%2» и «%3» требует целостности данных, а "
                                       "меняется только одна из них; сохраните банк в новый файл")
                            .arg(text(name), text(from), text(to)));
    }
}

} // namespace

QByteArray write(const QList<Table> &tables, Version version, const WriteOptions &options) {
    const Layout &l = layout(version);
    PageStore store(l, {});
    QSet<QString> seen;
    for (const Table &t : tables) {
        checkTable(l, {}, t);
        if (seen.contains(t.name.toCaseFolded()))
            unsupported({}, QStringLiteral("таблица «%1»: таблица с таким именем уже есть").arg(t.name));
        seen.insert(t.name.toCaseFolded());
    }
    Builder b(store, options.date.value_or(nowAsJetDate()));
    b.create();
    for (const Table &t : tables)
        b.fill(b.addTable(t), t.name, t.columns, t.rows);
    return store.finish();
}

void writeFile(const QString &path, const QList<Table> &tables, Version version,
               const WriteOptions &options) {
    QByteArray bytes;
    try {
        bytes = write(tables, version, options);
    } catch (const FormatError &e) {
        detail::failWrite(e.kind(), path, e.message());
    }
    if (const QString why = platform::writeWhole(path, bytes); !why.isEmpty())
        detail::failWrite(Kind::Unreadable, path, why);
}

QByteArray update(const QByteArray &original, const QString &fileName, const QList<TableUpdate> &updates,
                  const WriteOptions &options) {
    const Database db = Database::fromBytes(original, fileName);
    const Layout &l = layout(db.version());
    const double date = options.date.value_or(nowAsJetDate());

    // Each update's full rows: the given columns, and the file's other columns from the row it
    // continues.
    struct Prepared {
        const TableUpdate *update;
        std::optional<Table> existing;
    };
    std::vector<Prepared> prepared;
    for (const TableUpdate &u : updates) {
        Prepared p{&u, std::nullopt};
        if (db.tablePage(u.table.name))
            p.existing = db.readTable(u.table.name);
        prepared.push_back(std::move(p));
    }
    auto fullRows = [&](const Prepared &p) {
        const Table &given = p.update->table;
        if (!p.existing)
            return given;
        const Table &file = *p.existing;
        Table out{file.name, file.columns, {}, file.indexes};
        std::vector<int> from(size_t(file.columns.size()), -1);
        for (qsizetype i = 0; i < file.columns.size(); ++i) {
            for (qsizetype j = 0; j < given.columns.size(); ++j) {
                if (given.columns[j].name.compare(file.columns[i].name, Qt::CaseInsensitive) == 0)
                    from[size_t(i)] = int(j);
            }
        }
        for (const Column &c : given.columns) {
            const bool known = std::any_of(file.columns.cbegin(), file.columns.cend(), [&](const Column &f) {
                return f.name.compare(c.name, Qt::CaseInsensitive) == 0;
            });
            if (!known)
                unsupported(fileName,
                            QStringLiteral("в таблице «%1» этого файла нет столбца «%2», а добавлять "
                                           "столбцы в чужую таблицу нельзя")
                                .arg(file.name, c.name));
        }
        // The file's rows by the value of the match column, the first of equal ones.
        int match = -1;
        for (qsizetype i = 0; i < file.columns.size(); ++i) {
            if (file.columns[i].name.compare(p.update->matchColumn, Qt::CaseInsensitive) == 0)
                match = int(i);
        }
        QHash<QString, qsizetype> byKey;
        auto keyOf = [](const Value &v) -> QString {
            if (const auto *n = std::get_if<qint64>(&v))
                return QStringLiteral("n%1").arg(*n);
            if (const auto *s = std::get_if<QString>(&v))
                return QStringLiteral("s") + *s;
            return {};
        };
        if (match >= 0) {
            for (qsizetype r = 0; r < file.rows.size(); ++r) {
                const QString k = keyOf(file.rows[r][match]);
                if (!k.isEmpty() && !byKey.contains(k))
                    byKey.insert(k, r);
            }
        }
        for (qsizetype r = 0; r < given.rows.size(); ++r) {
            const qsizetype source =
                r < p.update->origins.size() ? byKey.value(keyOf(p.update->origins[r]), -1) : -1;
            QList<Value> row;
            row.reserve(file.columns.size());
            for (qsizetype i = 0; i < file.columns.size(); ++i) {
                const int j = from[size_t(i)];
                if (j >= 0)
                    row.append(given.rows[r][j]);
                else if (source >= 0)
                    row.append(file.rows[source][i]);
                else if (file.columns[i].type == ColumnType::Boolean)
                    row.append(false);
                else
                    row.append(std::monostate{});
            }
            out.rows.append(std::move(row));
        }
        return out;
    };

    if (!db.hasAccessCatalog()) {
        // A minimal catalogue holds tables and nothing else: made anew with all of them.
        QList<Table> tables;
        QSet<QString> updated;
        for (const Prepared &p : prepared) {
            Table t = fullRows(p);
            if (p.existing)
                t.indexes = p.update->table.indexes;
            updated.insert(t.name.toCaseFolded());
            tables.append(std::move(t));
        }
        for (const QString &name : db.tableNames()) {
            if (!updated.contains(name.toCaseFolded()))
                tables.append(db.readTable(name));
        }
        WriteOptions o = options;
        o.date = date;
        return write(tables, db.version(), o);
    }

    // Jet 3 text is stored in the file's code page, and ours is Windows-1251.
    if (db.version() == Version::Jet3 && db.codePage() != 1251)
        unsupported(fileName,
                    QStringLiteral("текст этой базы Jet 3 записан в кодовой странице %1, а банк задач "
                                   "пишется в Windows-1251; сохраните банк в новый файл")
                        .arg(db.codePage()));
    refuseBrokenRelationships(db, fileName, updates);
    PageStore store(l, fileName, original);
    Builder b(store, date);
    for (const Prepared &p : prepared) {
        const Table rows = fullRows(p);
        quint32 page;
        if (const auto existing = db.tablePage(rows.name))
            page = *existing;
        else
            page = b.addTable(rows);
        b.fill(page, rows.name, rows.columns, rows.rows);
    }
    return store.finish();
}

} // namespace jet
