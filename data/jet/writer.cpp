// Writing Jet 3 and Jet 4 files: a header, the catalog MSysObjects (its definition at page 2) and
// one definition, data pages and long-value pages per table, and the tables' usage maps on page 1
// (and more map pages when they do not fit). No indexes. The output depends only on the input.
//
// Page order: 0 header, 1 usage maps, 2 the catalog's definition, the tables' definitions, the
// catalog's rows, then per table its long-value pages and its data pages (contiguous, so that one
// map row covers them), then further map pages.

#include "data/jet/errors.h"
#include "data/jet/format.h"
#include "data/jet/jet.h"

#include <QSaveFile>
#include <QSet>

#include <cmath>
#include <cstring>
#include <limits>

namespace jet {

using namespace format;
using Kind = FormatError::Kind;

namespace {

constexpr int kMaxInlineLongValue = 64;       // larger memos go to long-value pages, as Access does
constexpr qsizetype kMaxLongValue = 0xFFFFFF; // the readers take the length as 24 bits
constexpr int kMaxNameLength = 64;
constexpr int kMaxTextLength = 255;
constexpr int kMaxColumns = 255;
constexpr int kMaxPrecision = 28; // Numeric digits, as Access allows

struct Placed {
    quint32 pgRow;
    int page;
    int offset; // of the row in its page
};

// Pages held in memory while the file is built.
class Pages {
public:
    explicit Pages(const Layout &l)
        : m_l(l) {}
    int allocate() {
        m_pages.emplace_back(m_l.pageSize, '\0');
        return int(m_pages.size() - 1);
    }
    uchar *at(int page) { return reinterpret_cast<uchar *>(m_pages[size_t(page)].data()); }
    int count() const { return int(m_pages.size()); }
    QByteArray join() const {
        QByteArray out;
        out.reserve(qsizetype(m_pages.size()) * m_l.pageSize);
        for (const QByteArray &p : m_pages)
            out += p;
        return out;
    }

private:
    const Layout &m_l;
    std::vector<QByteArray> m_pages;
};

// Stacks rows downward from the end of data pages of one owner, starting a new page when a row
// does not fit.
class RowPacker {
public:
    // owner: the table definition's page, or 0; lval: long-value pages ("LVAL" in place of owner).
    RowPacker(Pages &pages, const Layout &l, quint32 owner, bool lval, int firstPage = -1)
        : m_pages(pages)
        , m_l(l)
        , m_owner(owner)
        , m_lval(lval) {
        if (firstPage >= 0)
            start(firstPage);
    }

    Placed place(const QByteArray &row) {
        if (m_page < 0 || !fits(int(row.size())))
            start(m_pages.allocate());
        uchar *pg = m_pages.at(m_page);
        m_end -= int(row.size());
        std::memcpy(pg + m_end, row.constData(), size_t(row.size()));
        put16(pg + m_l.dataRowCount + 2 + 2 * m_rows, quint16(m_end));
        ++m_rows;
        put16(pg + m_l.dataRowCount, quint16(m_rows));
        put16(pg + 2, quint16(m_end - (m_l.dataRowCount + 2 + 2 * m_rows)));
        return Placed{pgRow(quint32(m_page), m_rows - 1), m_page, m_end};
    }

    // The pages started so far, in order.
    const std::vector<int> &pages() const { return m_started; }

private:
    bool fits(int size) const {
        return m_rows < kMaxRowsPerPage && m_end - size >= m_l.dataRowCount + 2 + 2 * (m_rows + 1);
    }
    void start(int page) {
        m_started.push_back(page);
        m_page = page;
        m_rows = 0;
        m_end = m_l.pageSize;
        uchar *pg = m_pages.at(page);
        pg[0] = kPageData;
        pg[1] = 0x01;
        if (m_lval)
            std::memcpy(pg + 4, "LVAL", 4);
        else
            put32(pg + 4, m_owner);
        put16(pg + 2, quint16(m_end - (m_l.dataRowCount + 2)));
    }

    Pages &m_pages;
    const Layout &m_l;
    quint32 m_owner;
    bool m_lval;
    int m_page = -1;
    int m_rows = 0;
    int m_end = 0;
    std::vector<int> m_started;
};

QString typeName(ColumnType type) {
    switch (type) {
    case ColumnType::Boolean:
        return QStringLiteral("Boolean");
    case ColumnType::Byte:
        return QStringLiteral("Byte");
    case ColumnType::Integer:
        return QStringLiteral("Integer");
    case ColumnType::LongInteger:
        return QStringLiteral("Long Integer");
    case ColumnType::Currency:
        return QStringLiteral("Currency");
    case ColumnType::Single:
        return QStringLiteral("Single");
    case ColumnType::Double:
        return QStringLiteral("Double");
    case ColumnType::DateTime:
        return QStringLiteral("Date/Time");
    case ColumnType::Binary:
        return QStringLiteral("Binary");
    case ColumnType::Text:
        return QStringLiteral("Text");
    case ColumnType::Ole:
        return QStringLiteral("OLE");
    case ColumnType::Memo:
        return QStringLiteral("Memo");
    case ColumnType::Guid:
        return QStringLiteral("GUID");
    case ColumnType::Numeric:
        return QStringLiteral("Numeric");
    }
    return QStringLiteral("0x%1").arg(int(type), 2, 16, QLatin1Char('0'));
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

// The value a message is about. Its text is made only when there is something to report.
struct Cell {
    const QString &table;
    qsizetype row; // 0-based
    const QString &column;

    QString text() const {
        return QStringLiteral("таблица «%1», строка %2, столбец «%3»").arg(table).arg(row + 1).arg(column);
    }
};

// A table on its way into the file.
struct Pending {
    const Table *table;
    TableDef def;
    int tdefPage = 0;
    int tdefPages = 0;
    std::vector<int> dataPages;
};

class Writer {
public:
    Writer(Version version, const QString &file)
        : m_l(layout(version))
        , m_file(file)
        , m_pages(m_l) {}

    QByteArray write(const QList<Table> &tables) {
        checkNames(tables);
        Table catalog = catalogTable(tables);

        std::vector<Pending> pending;
        pending.push_back(Pending{&catalog, definition(catalog, kSystemTable), 0, 0, {}});
        for (const Table &t : tables)
            pending.push_back(Pending{&t, definition(t, kUserTable), 0, 0, {}});

        // Header, the first map page and the definitions come first: the catalog names them.
        const QByteArray header = encodeHeader(m_l, 1251);
        std::memcpy(m_pages.at(m_pages.allocate()), header.constData(), size_t(header.size()));
        const int firstMapPage = m_pages.allocate();
        for (Pending &p : pending) {
            // The first page holds a whole page of the definition, each further one a page less its
            // 8-byte header.
            const qsizetype beyondFirst =
                std::max<qsizetype>(encodeTdef(m_l, p.def).size() - m_l.pageSize, 0);
            const int perPage = m_l.pageSize - 8;
            p.tdefPages = 1 + int((beyondFirst + perPage - 1) / perPage);
            p.tdefPage = m_pages.allocate();
            for (int i = 1; i < p.tdefPages; ++i)
                m_pages.allocate();
        }
        Q_ASSERT(pending.front().tdefPage == int(kCatalogTdefPage));
        // The catalog's rows carry the definitions' pages.
        for (qsizetype i = 0; i < tables.size(); ++i)
            catalog.rows[i + 1][0] = qint64(pending[size_t(i) + 1].tdefPage);

        for (Pending &p : pending)
            p.dataPages = writeRows(*p.table, p.def, quint32(p.tdefPage));

        RowPacker maps(m_pages, m_l, 0, false, firstMapPage);
        for (Pending &p : pending) {
            const QByteArray map = usageMap(p.dataPages);
            p.def.usageMap = maps.place(map).pgRow;
            p.def.freeMap = maps.place(map).pgRow;
            p.def.numRows = quint32(p.table->rows.size());
            writeTdef(p);
        }
        return m_pages.join();
    }

private:
    [[noreturn]] void unsupported(const QString &detail) const {
        detail::failWrite(Kind::Unsupported, m_file, detail);
    }

    void checkName(const QString &name, const QString &what) const {
        if (name.isEmpty() || name.size() > kMaxNameLength)
            unsupported(
                QStringLiteral("%1: имя должно содержать от 1 до %2 символов").arg(what).arg(kMaxNameLength));
        if (firstUnstorableChar(m_l.version, name) >= 0)
            unsupported(QStringLiteral("%1: в имени есть символ, который нельзя записать в эту версию базы")
                            .arg(what));
    }

    void checkNames(const QList<Table> &tables) const {
        QSet<QString> seen;
        for (const Table &t : tables) {
            const QString what = QStringLiteral("таблица «%1»").arg(t.name);
            checkName(t.name, what);
            if (t.name.compare(QStringLiteral("MSysObjects"), Qt::CaseInsensitive) == 0)
                unsupported(QStringLiteral("%1: это имя занято каталогом базы").arg(what));
            if (seen.contains(t.name.toCaseFolded()))
                unsupported(QStringLiteral("%1: таблица с таким именем уже есть").arg(what));
            seen.insert(t.name.toCaseFolded());
            if (t.columns.size() > kMaxColumns)
                unsupported(QStringLiteral("%1: больше %2 столбцов").arg(what).arg(kMaxColumns));
            QSet<QString> columns;
            for (const Column &c : t.columns) {
                const QString where = QStringLiteral("%1, столбец «%2»").arg(what, c.name);
                checkName(c.name, where);
                if (columns.contains(c.name.toCaseFolded()))
                    unsupported(QStringLiteral("%1: столбец с таким именем уже есть").arg(where));
                columns.insert(c.name.toCaseFolded());
                if (!writable(c.type))
                    unsupported(
                        QStringLiteral("%1: столбцы типа %2 не записываются").arg(where, typeName(c.type)));
                if (c.type == ColumnType::Numeric && m_l.version == Version::Jet3)
                    unsupported(
                        QStringLiteral("%1: в базе Jet 3 (Access 97) нет столбцов типа Numeric").arg(where));
                if (c.type == ColumnType::Numeric &&
                    (c.precision < 1 || c.precision > kMaxPrecision || c.scale < 0 || c.scale > c.precision))
                    unsupported(
                        QStringLiteral("%1: точность %2 и масштаб %3 столбца типа Numeric вне пределов "
                                       "(точность 1–%4, масштаб от 0 до точности)")
                            .arg(where)
                            .arg(c.precision)
                            .arg(c.scale)
                            .arg(kMaxPrecision));
            }
            for (qsizetype r = 0; r < t.rows.size(); ++r) {
                if (t.rows[r].size() != t.columns.size())
                    unsupported(QStringLiteral("%1, строка %2: %3 значений при %4 столбцах")
                                    .arg(what)
                                    .arg(r + 1)
                                    .arg(t.rows[r].size())
                                    .arg(t.columns.size()));
            }
        }
    }

    // MSysObjects with the columns both other readers require, one row for itself and one per table.
    static Table catalogTable(const QList<Table> &tables) {
        Table t;
        t.name = QStringLiteral("MSysObjects");
        t.columns = {{QStringLiteral("Id"), ColumnType::LongInteger},
                     {QStringLiteral("Name"), ColumnType::Text},
                     {QStringLiteral("Type"), ColumnType::Integer},
                     {QStringLiteral("Flags"), ColumnType::LongInteger},
                     {QStringLiteral("LvProp"), ColumnType::Ole}};
        const qint64 tableType = 1;
        const qint64 systemFlags = qint64(qint32(0x80000000u));
        t.rows.append({qint64(kCatalogTdefPage), t.name, tableType, systemFlags, std::monostate{}});
        for (const Table &user : tables)
            t.rows.append({qint64(0), user.name, tableType, qint64(0), std::monostate{}});
        return t;
    }

    TableDef definition(const Table &t, quint8 tableType) const {
        TableDef def;
        def.tableType = tableType;
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
                    c.length = m_l.version == Version::Jet4 ? 2 * kMaxTextLength : kMaxTextLength;
                else if (col.type == ColumnType::Binary)
                    c.length = kMaxTextLength;
                if (isTextual(col.type) && m_l.version == Version::Jet4)
                    c.miscFlags = kColCompressedUnicode;
            }
            def.columns.append(c);
        }
        def.numVarCols = varIndex;
        def.maxCols = int(def.columns.size());
        return def;
    }

    // The stored bytes of one value; for memo and OLE values the data itself (header added later).
    std::optional<QByteArray> encodeValue(const Column &col, const Value &v, const Cell &where) const {
        if (std::holds_alternative<std::monostate>(v)) {
            if (col.type == ColumnType::Boolean)
                unsupported(
                    QStringLiteral("%1: логическое поле не может быть пустым (NULL)").arg(where.text()));
            return std::nullopt;
        }
        auto expect = [&](const char *what) {
            unsupported(QStringLiteral("%1: ожидается %2 для столбца типа %3")
                            .arg(where.text(), QString::fromUtf8(what), typeName(col.type)));
        };
        auto integer = [&](qint64 lo, qint64 hi, int bytes) {
            const auto *n = std::get_if<qint64>(&v);
            if (!n)
                expect("целое число");
            if (*n < lo || *n > hi)
                unsupported(QStringLiteral("%1: число %2 не помещается в столбец типа %3 (%4…%5)")
                                .arg(where.text())
                                .arg(*n)
                                .arg(typeName(col.type))
                                .arg(lo)
                                .arg(hi));
            QByteArray out(bytes, '\0');
            for (int i = 0; i < bytes; ++i)
                out[i] = char(quint64(*n) >> (8 * i));
            return out;
        };
        auto real = [&](int bytes) {
            const auto *d = std::get_if<double>(&v);
            if (!d)
                expect("число с плавающей точкой");
            QByteArray out(bytes, '\0');
            if (bytes == 4) {
                if (std::isfinite(*d) && std::abs(*d) > double(std::numeric_limits<float>::max()))
                    unsupported(QStringLiteral("%1: число %2 не помещается в столбец типа Single")
                                    .arg(where.text())
                                    .arg(*d));
                const float f = float(*d);
                std::memcpy(out.data(), &f, 4);
            } else {
                std::memcpy(out.data(), &*d, 8);
            }
            return out;
        };
        auto text = [&](qsizetype maxChars) {
            const auto *s = std::get_if<QString>(&v);
            if (!s)
                expect("текст");
            if (maxChars > 0 && s->size() > maxChars)
                unsupported(QStringLiteral("%1: текст из %2 символов длиннее %3 символов столбца типа Text")
                                .arg(where.text())
                                .arg(s->size())
                                .arg(maxChars));
            if (const qsizetype bad = firstUnstorableChar(m_l.version, *s); bad >= 0)
                unsupported(
                    m_l.version == Version::Jet4
                        ? QStringLiteral("%1: символ в позиции %2 лежит вне основной плоскости Юникода")
                              .arg(where.text())
                              .arg(bad + 1)
                        : QStringLiteral("%1: символа «%2» (позиция %3) нет в кодировке Windows-1251")
                              .arg(where.text(), s->at(bad))
                              .arg(bad + 1));
            auto bytes = encodeText(m_l.version, *s, true);
            if (!bytes)
                unsupported(QStringLiteral("%1: текст начинается с символа U+FEFF").arg(where.text()));
            return *bytes;
        };
        auto bytes = [&](qsizetype exact, qsizetype max) {
            const auto *b = std::get_if<QByteArray>(&v);
            if (!b)
                expect("массив байтов");
            if ((exact >= 0 && b->size() != exact) || b->size() > max)
                unsupported(QStringLiteral("%1: %2 байт не помещаются в столбец типа %3")
                                .arg(where.text())
                                .arg(b->size())
                                .arg(typeName(col.type)));
            return *b;
        };
        switch (col.type) {
        case ColumnType::Boolean:
            if (!std::holds_alternative<bool>(v))
                expect("логическое значение");
            return QByteArray();
        case ColumnType::Byte:
            return integer(0, 255, 1);
        case ColumnType::Integer:
            return integer(std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max(), 2);
        case ColumnType::LongInteger:
            return integer(std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), 4);
        case ColumnType::Currency:
            return integer(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), 8);
        case ColumnType::Single:
            return real(4);
        case ColumnType::Double:
        case ColumnType::DateTime:
            return real(8);
        case ColumnType::Text:
            return text(kMaxTextLength);
        case ColumnType::Memo: {
            QByteArray b = text(-1);
            if (b.size() > kMaxLongValue)
                unsupported(QStringLiteral("%1: текст длиннее %2 байт").arg(where.text()).arg(kMaxLongValue));
            return b;
        }
        case ColumnType::Binary:
            return bytes(-1, kMaxTextLength);
        case ColumnType::Ole:
            return bytes(-1, kMaxLongValue);
        case ColumnType::Guid:
            return bytes(16, 16);
        case ColumnType::Numeric: {
            const QByteArray b = bytes(17, 17);
            // The magnitude within the column's precision, and a plain sign byte.
            const QString digits = numericText(b, 0)->remove(QLatin1Char('-'));
            if ((b[0] & 0x7F) != 0 || digits.size() > col.precision)
                unsupported(QStringLiteral("%1: число %2 (масштаб %3) не помещается в столбец типа Numeric "
                                           "точностью %4")
                                .arg(where.text(), *numericText(b, col.scale))
                                .arg(col.scale)
                                .arg(col.precision));
            return b;
        }
        default:
            unsupported(
                QStringLiteral("%1: столбцы типа %2 не записываются").arg(where.text(), typeName(col.type)));
        }
    }

    static QByteArray longValueHeader(quint32 lengthAndKind, quint32 ref) {
        QByteArray h(kMemoHeaderSize, '\0');
        put32(reinterpret_cast<uchar *>(h.data()), lengthAndKind);
        put32(reinterpret_cast<uchar *>(h.data()) + 4, ref);
        return h;
    }

    // Puts a long value on long-value pages: one row when it fits, else a chain.
    QByteArray storeLongValue(RowPacker &lval, const QByteArray &data) {
        const quint32 length = quint32(data.size());
        if (data.size() <= m_l.maxRowSize())
            return longValueHeader(length | kMemoSingle, lval.place(data).pgRow);
        const int chunk = m_l.maxRowSize() - kMemoChainLinkSize;
        std::vector<Placed> links;
        for (qsizetype pos = 0; pos < data.size(); pos += chunk)
            links.push_back(lval.place(QByteArray(kMemoChainLinkSize, '\0') + data.mid(pos, chunk)));
        for (size_t i = 0; i + 1 < links.size(); ++i)
            put32(m_pages.at(links[i].page) + links[i].offset, links[i + 1].pgRow);
        return longValueHeader(length, links.front().pgRow);
    }

    // Writes the rows: long values first (on pages of their own), then the data pages. Returns the
    // data pages.
    std::vector<int> writeRows(const Table &t, const TableDef &def, quint32 tdefPage) {
        RowPacker lval(m_pages, m_l, 0, true);
        std::vector<QByteArray> rows;
        rows.reserve(size_t(t.rows.size()));
        std::vector<std::optional<QByteArray>> fields(size_t(t.columns.size()));
        std::vector<bool> booleans(size_t(t.columns.size()));
        std::vector<bool> inlineLong(size_t(t.columns.size()));
        for (qsizetype r = 0; r < t.rows.size(); ++r) {
            for (qsizetype i = 0; i < t.columns.size(); ++i) {
                const Column &col = t.columns[i];
                const Value &v = t.rows[r][i];
                fields[size_t(i)] = encodeValue(col, v, Cell{t.name, r, col.name});
                booleans[size_t(i)] = col.type == ColumnType::Boolean && std::get<bool>(v);
                if (col.type == ColumnType::Boolean)
                    fields[size_t(i)].reset();
                inlineLong[size_t(i)] = isLongValue(col.type) && fields[size_t(i)] &&
                                        fields[size_t(i)]->size() <= kMaxInlineLongValue;
            }
            // Small long values stay in the row while the row fits on a page.
            auto build = [&] {
                std::vector<std::optional<QByteArray>> stored(fields.size());
                for (size_t i = 0; i < fields.size(); ++i) {
                    if (!fields[i] || !isLongValue(t.columns[qsizetype(i)].type))
                        stored[i] = fields[i];
                    else if (inlineLong[i])
                        stored[i] = longValueHeader(quint32(fields[i]->size()) | kMemoInline, 0) + *fields[i];
                    else
                        stored[i] = QByteArray(kMemoHeaderSize, '\0'); // the size of the final header
                }
                return stored;
            };
            auto stored = build();
            QByteArray row = joinRow(m_l, def, stored, booleans);
            while (row.size() > m_l.maxRowSize()) {
                size_t largest = fields.size();
                for (size_t i = 0; i < fields.size(); ++i) {
                    if (inlineLong[i] &&
                        (largest == fields.size() || fields[i]->size() > fields[largest]->size()))
                        largest = i;
                }
                if (largest == fields.size())
                    unsupported(
                        QStringLiteral("таблица «%1», строка %2: строка занимает %3 байт, а на странице "
                                       "помещается %4")
                            .arg(t.name)
                            .arg(r + 1)
                            .arg(row.size())
                            .arg(m_l.maxRowSize()));
                inlineLong[largest] = false;
                stored = build();
                row = joinRow(m_l, def, stored, booleans);
            }
            for (size_t i = 0; i < fields.size(); ++i) {
                if (fields[i] && isLongValue(t.columns[qsizetype(i)].type) && !inlineLong[i])
                    stored[i] = storeLongValue(lval, *fields[i]);
            }
            rows.push_back(joinRow(m_l, def, stored, booleans));
        }
        RowPacker data(m_pages, m_l, tdefPage, false);
        for (const QByteArray &row : rows)
            data.place(row);
        return data.pages();
    }

    // A usage-map row for contiguous data pages: the bitmap inline when it covers them (type 0),
    // else pointers to map pages (type 1).
    QByteArray usageMap(const std::vector<int> &pages) {
        const int inlineBytes = m_l.version == Version::Jet4 ? 64 : 128; // as Access sizes them
        if (pages.empty() || pages.back() - pages.front() < inlineBytes * 8) {
            QByteArray row(5 + inlineBytes, '\0');
            auto *p = reinterpret_cast<uchar *>(row.data());
            const int first = pages.empty() ? 0 : pages.front();
            put32(p + 1, quint32(first));
            for (int page : pages)
                p[5 + (page - first) / 8] |= uchar(1 << ((page - first) % 8));
            return row;
        }
        const int bits = m_l.mapPageBits();
        const int last = pages.back() / bits;
        QByteArray row(1 + 4 * (last + 1), '\0');
        auto *p = reinterpret_cast<uchar *>(row.data());
        p[0] = 1;
        for (int page : pages) {
            const int j = page / bits;
            quint32 mapPage = u32(p + 1 + 4 * j);
            if (mapPage == 0) {
                mapPage = quint32(m_pages.allocate());
                uchar *mp = m_pages.at(int(mapPage));
                mp[0] = kPageUsageMap;
                mp[1] = 0x01;
                put32(p + 1 + 4 * j, mapPage);
            }
            const int bit = page % bits;
            m_pages.at(int(mapPage))[4 + bit / 8] |= uchar(1 << (bit % 8));
        }
        return row;
    }

    void writeTdef(const Pending &p) {
        const QByteArray block = encodeTdef(m_l, p.def);
        qsizetype pos = 0;
        for (int i = 0; i < p.tdefPages; ++i) {
            uchar *pg = m_pages.at(p.tdefPage + i);
            const int skip = i == 0 ? 0 : 8;
            const qsizetype n = std::min<qsizetype>(block.size() - pos, m_l.pageSize - skip);
            std::memcpy(pg + skip, block.constData() + pos, size_t(n));
            pos += n;
            pg[0] = kPageTdef;
            pg[1] = 0x01;
            if (m_l.version == Version::Jet3) {
                pg[2] = 'V';
                pg[3] = 'C';
            } else {
                put16(pg + 2, quint16(m_l.pageSize - skip - n));
            }
            put32(pg + 4, i + 1 < p.tdefPages ? quint32(p.tdefPage + i + 1) : 0);
        }
        Q_ASSERT(pos == block.size());
    }

    const Layout &m_l;
    QString m_file;
    Pages m_pages;
};

} // namespace

QByteArray write(const QList<Table> &tables, Version version) {
    return Writer(version, {}).write(tables);
}

void writeFile(const QString &path, const QList<Table> &tables, Version version) {
    const QByteArray bytes = Writer(version, path).write(tables);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        detail::failWrite(Kind::Unreadable, path, file.errorString());
}

} // namespace jet
