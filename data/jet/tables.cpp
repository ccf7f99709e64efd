#include "data/jet/tables.h"

#include "data/jet/code_page.h"
#include "data/jet/errors.h"
#include "data/jet/table_index.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>

namespace jet::detail {

using namespace format;
using Kind = FormatError::Kind;

namespace {

constexpr int kMaxInlineLongValue = 64;       // larger memos go to long-value pages, as Access does
constexpr qsizetype kMaxLongValue = 0xFFFFFF; // the readers take the length as 24 bits
constexpr int kMaxTextLength = 255;
constexpr int kMinUsefulFreeSpace = 64; // a page with less is not offered for new rows
constexpr quint8 kColAutoNumber = 0x04;

// The value a message is about. Its text is made only when there is something to report.
struct Cell {
    const QString &table;
    qsizetype row; // 0-based
    const QString &column;

    QString text() const {
        return QStringLiteral("таблица «%1», строка %2, столбец «%3»").arg(table).arg(row + 1).arg(column);
    }
};

[[noreturn]] void unsupported(const PageStore &store, const QString &detail) {
    detail::failWrite(Kind::Unsupported, store.file(), detail);
}

// The stored bytes of one value; for memo and OLE values the data itself (header added later).
std::optional<QByteArray> encodeValue(const PageStore &store, const ColumnDef &col, const Value &v,
                                      const Cell &where) {
    const Layout &l = store.layout();
    if (std::holds_alternative<std::monostate>(v)) {
        if (col.type == ColumnType::Boolean)
            unsupported(store,
                        QStringLiteral("%1: логическое поле не может быть пустым (NULL)").arg(where.text()));
        return std::nullopt;
    }
    auto expect = [&](const char *what) {
        unsupported(store, QStringLiteral("%1: ожидается %2 для столбца типа %3")
                               .arg(where.text(), QString::fromUtf8(what), typeName(col.type)));
    };
    auto integer = [&](qint64 lo, qint64 hi, int bytes) {
        const auto *n = std::get_if<qint64>(&v);
        if (!n)
            expect("целое число");
        if (*n < lo || *n > hi)
            unsupported(store, QStringLiteral("%1: число %2 не помещается в столбец типа %3 (%4…%5)")
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
                unsupported(store, QStringLiteral("%1: число %2 не помещается в столбец типа Single")
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
            unsupported(store, QStringLiteral("%1: текст из %2 символов длиннее %3 символов столбца")
                                   .arg(where.text())
                                   .arg(s->size())
                                   .arg(maxChars));
        if (const qsizetype bad = codepage::firstUnstorable(l.version, *s); bad >= 0)
            unsupported(store,
                        l.version == Version::Jet4
                            ? QStringLiteral("%1: символ в позиции %2 лежит вне основной плоскости Юникода")
                                  .arg(where.text())
                                  .arg(bad + 1)
                            : QStringLiteral("%1: символа «%2» (позиция %3) нет в кодировке Windows-1251")
                                  .arg(where.text(), s->at(bad))
                                  .arg(bad + 1));
        auto bytes = encodeText(l.version, *s, true);
        if (!bytes)
            unsupported(store, QStringLiteral("%1: текст начинается с символа U+FEFF").arg(where.text()));
        return *bytes;
    };
    auto bytes = [&](qsizetype exact, qsizetype max) {
        const auto *b = std::get_if<QByteArray>(&v);
        if (!b)
            expect("массив байтов");
        if ((exact >= 0 && b->size() != exact) || b->size() > max)
            unsupported(store, QStringLiteral("%1: %2 байт не помещаются в столбец типа %3")
                                   .arg(where.text())
                                   .arg(b->size())
                                   .arg(typeName(col.type)));
        return *b;
    };
    // Text and Binary columns hold what their declared length allows (Jet 4 text: two bytes a
    // character), at most 255.
    const int declared = col.length > 0 ? col.length : (l.version == Version::Jet4 ? 2 : 1) * kMaxTextLength;
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
        return text(std::min(kMaxTextLength, l.version == Version::Jet4 ? declared / 2 : declared));
    case ColumnType::Memo: {
        QByteArray b = text(-1);
        if (b.size() > kMaxLongValue)
            unsupported(store,
                        QStringLiteral("%1: текст длиннее %2 байт").arg(where.text()).arg(kMaxLongValue));
        return b;
    }
    case ColumnType::Binary:
        return bytes(-1, std::min(kMaxTextLength, declared));
    case ColumnType::Ole:
        return bytes(-1, kMaxLongValue);
    case ColumnType::Guid:
        return bytes(16, 16);
    case ColumnType::Numeric: {
        const QByteArray b = bytes(17, 17);
        // The magnitude within the column's precision, and a plain sign byte.
        const QString digits = numericText(b, 0)->remove(QLatin1Char('-'));
        if ((b[0] & 0x7F) != 0 || digits.size() > col.precision)
            unsupported(store,
                        QStringLiteral("%1: число %2 (масштаб %3) не помещается в столбец типа Numeric "
                                       "точностью %4")
                            .arg(where.text(), *numericText(b, col.scale))
                            .arg(col.scale)
                            .arg(col.precision));
        return b;
    }
    default:
        unsupported(
            store,
            QStringLiteral("%1: столбцы типа %2 не записываются").arg(where.text(), typeName(col.type)));
    }
}

QByteArray longValueHeader(quint32 lengthAndKind, quint32 ref) {
    QByteArray h(kMemoHeaderSize, '\0');
    put32(reinterpret_cast<uchar *>(h.data()), lengthAndKind);
    put32(reinterpret_cast<uchar *>(h.data()) + 4, ref);
    return h;
}

// Puts a long value on long-value pages: one row when it fits, else a chain.
QByteArray storeLongValue(PageStore &store, RowPacker &lval, const QByteArray &data) {
    const Layout &l = store.layout();
    const quint32 length = quint32(data.size());
    if (data.size() <= l.maxRowSize())
        return longValueHeader(length | kMemoSingle, lval.place(data).pgRow);
    const int chunk = l.maxRowSize() - kMemoChainLinkSize;
    std::vector<PlacedRow> links;
    for (qsizetype pos = 0; pos < data.size(); pos += chunk)
        links.push_back(lval.place(QByteArray(kMemoChainLinkSize, '\0') + data.mid(pos, chunk)));
    for (size_t i = 0; i + 1 < links.size(); ++i)
        put32(store.page(links[i].page) + links[i].offset, links[i + 1].pgRow);
    return longValueHeader(length, links.front().pgRow);
}

// The pages the table holds today and that a rewrite of its rows gives back: its data pages, the
// long-value pages whose every row is one of its values, and its indexes' pages.
std::vector<quint32> pagesToFree(const PageStore &store, quint32 tdefPage, const TableDef &def,
                                 const QString &table) {
    const Layout &l = store.layout();
    std::vector<quint32> out;
    const std::vector<quint32> data = readUsageMap(store, def.usageMap);
    QHash<quint32, int> lvalRows; // long-value page -> rows of it that are this table's values
    std::vector<FieldBytes> fields;
    auto malformed = [&](quint32 page, const QString &why) {
        detail::fail(Kind::Malformed, store.file(),
                     QStringLiteral("страница %1 таблицы «%2»: %3").arg(page).arg(table, why));
    };
    for (quint32 n : data) {
        const uchar *pg = store.page(n);
        if (pg[0] != kPageData || u32(pg + 4) != tdefPage)
            malformed(n, QStringLiteral("страница из карты таблицы не является её страницей данных"));
        out.push_back(n);
        const int rows = u16(pg + l.dataRowCount);
        for (int r = 0; r < rows; ++r) {
            const auto span = rowSpan(l, pg, r);
            if (!span)
                malformed(n, QStringLiteral("строка %1 выходит за пределы страницы").arg(r));
            if (span->flags & (kRowDeleted | kRowOverflow))
                continue; // an overflow row's target is a row of the table's own pages
            if (const QString fault = splitRow(l, def, pg + span->start, span->end - span->start, fields);
                !fault.isEmpty())
                malformed(n, fault);
            for (qsizetype i = 0; i < def.columns.size(); ++i) {
                const FieldBytes &f = fields[size_t(i)];
                if (!isLongValue(def.columns[i].type) || !f.present || f.size < kMemoHeaderSize)
                    continue;
                const quint32 word = u32(f.data);
                const quint32 kind = word & ~kMemoLengthMask;
                if (kind == kMemoInline)
                    continue;
                quint32 ref = u32(f.data + 4);
                QSet<quint32> seen;
                while (ref != 0 && !seen.contains(ref) && pgRowPage(ref) < store.count()) {
                    seen.insert(ref);
                    ++lvalRows[pgRowPage(ref)];
                    if (kind == kMemoSingle)
                        break;
                    const uchar *lp = store.page(pgRowPage(ref));
                    const auto link = rowSpan(l, lp, pgRowRow(ref));
                    if (lp[0] != kPageData || !link || link->end - link->start < kMemoChainLinkSize)
                        break;
                    ref = u32(lp + link->start);
                }
            }
        }
    }
    for (auto it = lvalRows.cbegin(); it != lvalRows.cend(); ++it) {
        const uchar *pg = store.page(it.key());
        if (pg[0] != kPageData || std::memcmp(pg + 4, "LVAL", 4) != 0)
            continue;
        int live = 0;
        const int rows = u16(pg + l.dataRowCount);
        for (int r = 0; r < rows; ++r) {
            const auto span = rowSpan(l, pg, r);
            if (span && !(span->flags & kRowDeleted))
                ++live;
        }
        if (live <= it.value())
            out.push_back(it.key());
    }
    // Jet 4 also lists each long-value column's pages (those that held only deleted rows, say).
    for (const ColumnMapDef &m : def.columnMaps) {
        if (m.usedPages == 0)
            continue;
        for (quint32 n : readUsageMap(store, m.usedPages)) {
            const uchar *pg = store.page(n);
            if (pg[0] == kPageData && std::memcmp(pg + 4, "LVAL", 4) == 0 && !lvalRows.contains(n) &&
                freeSpace(l, pg) >= 0) {
                bool empty = true;
                const int rows = u16(pg + l.dataRowCount);
                for (int r = 0; r < rows && empty; ++r) {
                    const auto span = rowSpan(l, pg, r);
                    empty = span && (span->flags & kRowDeleted);
                }
                if (empty)
                    out.push_back(n);
            }
        }
    }
    for (const RealIndexDef &idx : def.realIndexes) {
        if (idx.usageMap != 0)
            for (quint32 n : readUsageMap(store, idx.usageMap))
                out.push_back(n);
        if (idx.firstPage != 0 && idx.firstPage < store.count())
            out.push_back(idx.firstPage);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    // Never the header, the map of free pages, or any table's definition.
    out.erase(
        std::remove_if(out.begin(), out.end(),
                       [&](quint32 n) { return n <= 1 || store.page(n)[0] == kPageTdef || store.isFree(n); }),
        out.end());
    return out;
}

std::vector<quint32> withFreeSpace(const PageStore &store, const std::vector<quint32> &pages) {
    std::vector<quint32> out;
    for (quint32 n : pages) {
        if (freeSpace(store.layout(), store.page(n)) >= kMinUsefulFreeSpace)
            out.push_back(n);
    }
    return out;
}

QString indexName(const TableDef &def, int real) {
    for (const LogicalIndexDef &li : def.indexes) {
        if (li.realIndex == real)
            return li.name;
    }
    return QString::number(real);
}

} // namespace

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

TableDef readTdef(const PageStore &store, quint32 n, int codePage, const QString &table) {
    const Layout &l = store.layout();
    QByteArray block;
    QSet<quint32> seen;
    for (quint32 p = n; p != 0;) {
        if (p >= store.count() || seen.contains(p) || store.page(p)[0] != kPageTdef)
            detail::fail(Kind::Malformed, store.file(),
                         QStringLiteral("описание таблицы «%1»: страница %2 не является его продолжением")
                             .arg(table)
                             .arg(p));
        seen.insert(p);
        const int skip = block.isEmpty() ? 0 : 8;
        block.append(reinterpret_cast<const char *>(store.page(p)) + skip, l.pageSize - skip);
        p = u32(store.page(p) + 4);
    }
    QString fault;
    auto def = parseTdef(l, block, codePage, &fault);
    if (!def)
        detail::fail(Kind::Malformed, store.file(),
                     QStringLiteral("описание таблицы «%1» на странице %2: %3").arg(table).arg(n).arg(fault));
    return *def;
}

void writeTdef(PageStore &store, quint32 n, const TableDef &def) {
    const Layout &l = store.layout();
    const QByteArray block = encodeTdef(l, def);
    // The pages the definition has today, the first one included.
    std::vector<quint32> chain;
    for (quint32 p = n; p != 0 && p < store.count() && chain.size() < 256; p = u32(store.page(p) + 4)) {
        if (p != n && store.page(p)[0] != kPageTdef)
            break;
        chain.push_back(p);
    }
    if (chain.empty())
        chain.push_back(n);
    const qsizetype beyondFirst = std::max<qsizetype>(block.size() - l.pageSize, 0);
    const int perPage = l.pageSize - 8;
    const size_t needed = 1 + size_t((beyondFirst + perPage - 1) / perPage);
    while (chain.size() > needed) {
        store.release(chain.back());
        chain.pop_back();
    }
    while (chain.size() < needed)
        chain.push_back(store.allocate());
    qsizetype pos = 0;
    for (size_t i = 0; i < chain.size(); ++i) {
        uchar *pg = store.page(chain[i]);
        std::memset(pg, 0, size_t(l.pageSize));
        const int skip = i == 0 ? 0 : 8;
        const qsizetype count = std::min<qsizetype>(block.size() - pos, l.pageSize - skip);
        std::memcpy(pg + skip, block.constData() + pos, size_t(count));
        pos += count;
        pg[0] = kPageTdef;
        pg[1] = 0x01;
        if (l.version == Version::Jet3) {
            pg[2] = 'V';
            pg[3] = 'C';
        } else {
            put16(pg + 2, quint16(l.pageSize - skip - count));
        }
        put32(pg + 4, i + 1 < chain.size() ? chain[i + 1] : 0);
    }
}

void replaceRows(PageStore &store, quint32 tdefPage, TableDef &def, const QString &table,
                 const QList<QList<Value>> &rows) {
    const Layout &l = store.layout();
    const qsizetype numCols = def.columns.size();

    // Everything that can be refused is checked before a page changes: the values, then the keys.
    std::vector<std::vector<std::optional<QByteArray>>> encoded(size_t(rows.size()));
    std::vector<std::vector<bool>> booleans(size_t(rows.size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        if (rows[r].size() != numCols)
            unsupported(store, QStringLiteral("таблица «%1», строка %2: %3 значений при %4 столбцах")
                                   .arg(table)
                                   .arg(r + 1)
                                   .arg(rows[r].size())
                                   .arg(numCols));
        auto &fields = encoded[size_t(r)];
        auto &bools = booleans[size_t(r)];
        fields.resize(size_t(numCols));
        bools.resize(size_t(numCols));
        for (qsizetype i = 0; i < numCols; ++i) {
            const ColumnDef &col = def.columns[i];
            fields[size_t(i)] = encodeValue(store, col, rows[r][i], Cell{table, r, col.name});
            if (col.type == ColumnType::Boolean) {
                bools[size_t(i)] = std::get<bool>(rows[r][i]);
                fields[size_t(i)].reset();
            }
        }
    }
    std::vector<IndexKeys> keys;
    keys.reserve(size_t(def.realIndexes.size()));
    for (qsizetype k = 0; k < def.realIndexes.size(); ++k) {
        QString fault;
        auto made = makeIndexKeys(l, def, int(k), rows, &fault);
        if (!made)
            unsupported(
                store,
                QStringLiteral("таблица «%1», индекс «%2»: %3").arg(table, indexName(def, int(k)), fault));
        keys.push_back(std::move(*made));
    }

    for (quint32 n : pagesToFree(store, tdefPage, def, table))
        store.release(n);

    // Long values of each column on pages of their own, as Access keeps them (Jet 4 lists them per
    // column in the definition).
    std::map<int, RowPacker> lvals;
    auto lvalFor = [&](int column) -> RowPacker & {
        const int key = l.version == Version::Jet4 ? column : 0;
        return lvals.try_emplace(key, store, 0, true).first->second;
    };
    RowPacker data(store, tdefPage, false);
    std::vector<quint32> placed(size_t(rows.size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        auto &fields = encoded[size_t(r)];
        std::vector<bool> inlineLong(static_cast<size_t>(numCols));
        for (qsizetype i = 0; i < numCols; ++i)
            inlineLong[size_t(i)] = isLongValue(def.columns[i].type) && fields[size_t(i)] &&
                                    fields[size_t(i)]->size() <= kMaxInlineLongValue;
        // Small long values stay in the row while the row fits on a page.
        auto build = [&] {
            std::vector<std::optional<QByteArray>> stored(fields.size());
            for (size_t i = 0; i < fields.size(); ++i) {
                if (!fields[i] || !isLongValue(def.columns[qsizetype(i)].type))
                    stored[i] = fields[i];
                else if (inlineLong[i])
                    stored[i] = longValueHeader(quint32(fields[i]->size()) | kMemoInline, 0) + *fields[i];
                else
                    stored[i] = QByteArray(kMemoHeaderSize, '\0'); // the size of the final header
            }
            return stored;
        };
        auto stored = build();
        QByteArray row = joinRow(l, def, stored, booleans[size_t(r)]);
        while (row.size() > l.maxRowSize()) {
            size_t largest = fields.size();
            for (size_t i = 0; i < fields.size(); ++i) {
                if (inlineLong[i] &&
                    (largest == fields.size() || fields[i]->size() > fields[largest]->size()))
                    largest = i;
            }
            if (largest == fields.size())
                unsupported(store, QStringLiteral("таблица «%1», строка %2: строка занимает %3 байт, а на "
                                                  "странице помещается %4")
                                       .arg(table)
                                       .arg(r + 1)
                                       .arg(row.size())
                                       .arg(l.maxRowSize()));
            inlineLong[largest] = false;
            stored = build();
            row = joinRow(l, def, stored, booleans[size_t(r)]);
        }
        for (size_t i = 0; i < fields.size(); ++i) {
            if (fields[i] && isLongValue(def.columns[qsizetype(i)].type) && !inlineLong[i])
                stored[i] = storeLongValue(store, lvalFor(def.columns[qsizetype(i)].number), *fields[i]);
        }
        placed[size_t(r)] = data.place(joinRow(l, def, stored, booleans[size_t(r)])).pgRow;
    }

    writeUsageMap(store, def.usageMap, data.pages());
    if (def.freeMap != 0)
        writeUsageMap(store, def.freeMap, withFreeSpace(store, data.pages()));
    for (ColumnMapDef &m : def.columnMaps) {
        const auto it = lvals.find(m.number);
        const std::vector<quint32> pages = it == lvals.end() ? std::vector<quint32>{} : it->second.pages();
        if (m.usedPages != 0)
            writeUsageMap(store, m.usedPages, pages);
        if (m.freePages != 0)
            writeUsageMap(store, m.freePages, withFreeSpace(store, pages));
    }

    for (qsizetype k = 0; k < def.realIndexes.size(); ++k) {
        RealIndexDef &idx = def.realIndexes[k];
        const IndexPages built = writeIndexPages(store, tdefPage, keys[size_t(k)], placed);
        idx.firstPage = built.root;
        idx.rowCount = quint32(built.entries);
        if (idx.usageMap != 0)
            writeUsageMap(store, idx.usageMap, built.pages);
    }

    def.numRows = quint32(rows.size());
    for (qsizetype i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        if (!(c.flags & kColAutoNumber))
            continue;
        for (const QList<Value> &row : rows) {
            if (const auto *n = std::get_if<qint64>(&row[i]); n && *n > qint64(def.autoNumber))
                def.autoNumber = quint32(*n);
        }
    }
    writeTdef(store, tdefPage, def);
}

} // namespace jet::detail
