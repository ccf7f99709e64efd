// Reading Jet 3 and Jet 4 files held whole in memory. Every page number, offset, length and chain
// is checked before use: a bad file ends in FormatError, never in a read outside the buffer.

#include "data/jet/code_page.h"
#include "data/jet/errors.h"
#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "platform/files.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

namespace jet {

using namespace format;
using Kind = FormatError::Kind;

namespace {

// A row's bytes on a page, and the flags of its offset entry.
struct RowRef {
    const uchar *data = nullptr;
    int size = 0;
    quint16 flags = 0;
};

// Where a fault lies. Its text is made only when there is a fault to report: reading a table
// would otherwise format a sentence for every field.
struct Where {
    const QString *ready = nullptr; // a ready text, or the parts below
    int row = 0;
    quint32 page = 0;
    const QString *column = nullptr;
    const QString *table = nullptr;

    QString text() const {
        if (ready)
            return *ready;
        return QStringLiteral("строка %1 страницы %2, столбец «%3» таблицы «%4»")
            .arg(row)
            .arg(page)
            .arg(*column, *table);
    }
};

class Reader {
public:
    Reader(const QByteArray &bytes, const QString &file, const Layout &l, int codePage)
        : m_data(reinterpret_cast<const uchar *>(bytes.constData()))
        , m_pageCount(quint32(bytes.size() / l.pageSize))
        , m_fileSize(bytes.size())
        , m_file(file)
        , m_l(l)
        , m_codePage(codePage) {}

    [[noreturn]] void malformed(const QString &detail) const {
        detail::fail(Kind::Malformed, m_file, detail);
    }
    [[noreturn]] void truncated(const QString &detail) const {
        detail::fail(Kind::Truncated, m_file, detail);
    }

    const uchar *page(quint32 n, const Where &what) const {
        if (n >= m_pageCount)
            truncated(QStringLiteral("%1 указывает на страницу %2, а в файле %3 страниц")
                          .arg(what.text())
                          .arg(n)
                          .arg(m_pageCount));
        return m_data + qint64(n) * m_l.pageSize;
    }

    const uchar *dataPage(quint32 n, const Where &what) const {
        const uchar *pg = page(n, what);
        if (pg[0] != kPageData)
            malformed(
                QStringLiteral("%1 указывает на страницу %2, которая не является страницей данных (тип %3)")
                    .arg(what.text())
                    .arg(n)
                    .arg(pg[0]));
        return pg;
    }

    int rowCount(const uchar *pg, quint32 n) const {
        const int count = u16(pg + m_l.dataRowCount);
        if (m_l.dataRowCount + 2 + 2 * count > m_l.pageSize)
            malformed(QStringLiteral("таблица строк страницы %1 (%2 строк) выходит за пределы страницы")
                          .arg(n)
                          .arg(count));
        return count;
    }

    RowRef row(const uchar *pg, quint32 n, int r) const {
        const int count = rowCount(pg, n);
        if (r >= count)
            malformed(QStringLiteral("на странице %1 нет строки %2").arg(n).arg(r));
        const uchar *offsets = pg + m_l.dataRowCount + 2;
        const quint16 raw = u16(offsets + 2 * r);
        const int start = raw & kRowOffsetMask;
        const int end = r == 0 ? m_l.pageSize : u16(offsets + 2 * (r - 1)) & kRowOffsetMask;
        if (start < m_l.dataRowCount + 2 + 2 * count || start > end || end > m_l.pageSize)
            malformed(QStringLiteral("строка %1 страницы %2 выходит за пределы страницы").arg(r).arg(n));
        return RowRef{pg + start, end - start, quint16(raw & ~kRowOffsetMask)};
    }

    RowRef row(quint32 pgRowValue, const Where &what) const {
        const quint32 n = pgRowPage(pgRowValue);
        return row(dataPage(n, what), n, pgRowRow(pgRowValue));
    }

    // The table definition at page n with its continuation pages.
    TableDef tdef(quint32 n, const QString &table) const {
        const QString whatText = QStringLiteral("описание таблицы «%1»").arg(table);
        const Where what{&whatText};
        QByteArray block;
        QSet<quint32> seen;
        for (quint32 p = n; p != 0;) {
            if (seen.contains(p))
                malformed(QStringLiteral("страницы описания таблицы «%1» зациклены (страница %2)")
                              .arg(table)
                              .arg(p));
            seen.insert(p);
            const uchar *pg = page(p, what);
            if (pg[0] != kPageTdef)
                malformed(QStringLiteral("страница %1 не является описанием таблицы «%2» (тип %3)")
                              .arg(p)
                              .arg(table)
                              .arg(pg[0]));
            const int skip = block.isEmpty() ? 0 : 8; // continuation pages add their content only
            block.append(reinterpret_cast<const char *>(pg) + skip, m_l.pageSize - skip);
            p = u32(pg + 4);
        }
        QString fault;
        auto def = parseTdef(m_l, block, m_codePage, &fault);
        if (!def)
            malformed(
                QStringLiteral("описание таблицы «%1» на странице %2: %3").arg(table).arg(n).arg(fault));
        return *def;
    }

    // The table's data pages, in page order, from its usage map.
    std::vector<quint32> dataPages(const TableDef &def, quint32 tdefPage, const QString &table) const {
        const QString whatText = QStringLiteral("карта страниц таблицы «%1»").arg(table);
        const Where what{&whatText};
        const RowRef map = row(def.usageMap, what);
        if (map.size < 1)
            malformed(QStringLiteral("карта страниц таблицы «%1» пуста").arg(table));
        std::vector<bool> owned(m_pageCount, false);
        auto mark = [&](quint64 p) {
            if (p >= m_pageCount)
                truncated(QStringLiteral("%1 указывает на страницу %2, а в файле %3 страниц")
                              .arg(what.text())
                              .arg(p)
                              .arg(m_pageCount));
            owned[size_t(p)] = true;
        };
        auto markBits = [&](const uchar *bits, int bytes, quint64 first) {
            for (int i = 0; i < bytes; ++i) {
                for (int b = 0; b < 8; ++b) {
                    if (bits[i] & (1 << b))
                        mark(first + quint64(i) * 8 + quint64(b));
                }
            }
        };
        if (map.data[0] == 0) {
            if (map.size < 5)
                malformed(QStringLiteral("карта страниц таблицы «%1» короче своего заголовка").arg(table));
            markBits(map.data + 5, map.size - 5, u32(map.data + 1));
        } else if (map.data[0] == 1) {
            const int bitsPerPage = m_l.mapPageBits();
            for (int j = 0; 1 + 4 * j + 4 <= map.size; ++j) {
                const quint32 mp = u32(map.data + 1 + 4 * j);
                if (mp == 0)
                    continue;
                const uchar *pg = page(mp, what);
                if (pg[0] != kPageUsageMap)
                    malformed(QStringLiteral(
                                  "%1 указывает на страницу %2, которая не является страницей карты (тип %3)")
                                  .arg(what.text())
                                  .arg(mp)
                                  .arg(pg[0]));
                markBits(pg + 4, m_l.pageSize - 4, quint64(j) * quint64(bitsPerPage));
            }
        } else {
            malformed(
                QStringLiteral("неизвестный тип карты страниц таблицы «%1»: %2").arg(table).arg(map.data[0]));
        }
        std::vector<quint32> pages;
        for (quint32 p = 0; p < m_pageCount; ++p) {
            if (!owned[p])
                continue;
            const uchar *pg = page(p, what);
            if (pg[0] != kPageData || u32(pg + 4) != tdefPage)
                malformed(QStringLiteral("страница %1 из карты таблицы «%2» не является её страницей данных")
                              .arg(p)
                              .arg(table));
            pages.push_back(p);
        }
        return pages;
    }

    // Calls visit(row, page, rowIndex) for every live row of the table, overflow rows followed.
    void forEachRow(const TableDef &def, quint32 tdefPage, const QString &table,
                    const std::function<void(const RowRef &, quint32, int)> &visit) const {
        for (quint32 n : dataPages(def, tdefPage, table)) {
            const uchar *pg = m_data + qint64(n) * m_l.pageSize;
            const int count = rowCount(pg, n);
            for (int r = 0; r < count; ++r) {
                RowRef ref = row(pg, n, r);
                if (ref.flags & kRowDeleted)
                    continue;
                // An overflow row holds the pg_row of the row's real place on another page of the
                // table; that target is flagged deleted so that a scan skips it.
                for (int hops = 0; ref.flags & kRowOverflow; ++hops) {
                    if (hops == 8 || ref.size < 4)
                        malformed(
                            QStringLiteral("строка %1 страницы %2 ссылается на перенесённую строку с ошибкой")
                                .arg(r)
                                .arg(n));
                    const quint32 target = u32(ref.data);
                    const QString whatText = QStringLiteral("строка %1 страницы %2").arg(r).arg(n);
                    const Where what{&whatText};
                    claim(target, what);
                    const uchar *tp = dataPage(pgRowPage(target), what);
                    if (u32(tp + 4) != tdefPage)
                        malformed(
                            QStringLiteral("строка %1 страницы %2 перенесена на страницу %3 другой таблицы")
                                .arg(r)
                                .arg(n)
                                .arg(pgRowPage(target)));
                    ref = row(tp, pgRowPage(target), pgRowRow(target));
                }
                visit(ref, n, r);
            }
        }
    }

    // The bytes of a memo or OLE value from its 12-byte header (and inline data).
    QByteArray longValue(const FieldBytes &f, const Where &where) const {
        if (f.size < kMemoHeaderSize)
            malformed(QStringLiteral("%1: заголовок длинного значения короче 12 байт").arg(where.text()));
        const quint32 word = u32(f.data);
        const qint64 length = word & kMemoLengthMask;
        const quint32 kind = word & ~kMemoLengthMask;
        if (length > m_fileSize)
            malformed(
                QStringLiteral("%1: длина значения (%2 байт) больше файла").arg(where.text()).arg(length));
        const quint32 ref = u32(f.data + 4);
        if (kind == kMemoInline) {
            if (length != f.size - kMemoHeaderSize)
                malformed(
                    QStringLiteral("%1: длина значения (%2 байт) не совпадает с местом в строке (%3 байт)")
                        .arg(where.text())
                        .arg(length)
                        .arg(f.size - kMemoHeaderSize));
            return QByteArray(reinterpret_cast<const char *>(f.data) + kMemoHeaderSize, int(length));
        }
        if (kind == kMemoSingle) {
            claim(ref, where);
            const RowRef lv = row(ref, where);
            if (lv.size < length)
                malformed(
                    QStringLiteral("%1: значение (%2 байт) длиннее своей строки на странице %3 (%4 байт)")
                        .arg(where.text())
                        .arg(length)
                        .arg(pgRowPage(ref))
                        .arg(lv.size));
            return QByteArray(reinterpret_cast<const char *>(lv.data), int(length));
        }
        if (kind != 0)
            malformed(QStringLiteral("%1: неизвестный способ хранения длинного значения").arg(where.text()));
        QByteArray out;
        QSet<quint32> seen;
        quint32 next = ref;
        while (out.size() < length) {
            if (next == 0)
                malformed(QStringLiteral("%1: цепочка страниц значения короче его длины (%2 из %3 байт)")
                              .arg(where.text())
                              .arg(out.size())
                              .arg(length));
            if (seen.contains(next))
                malformed(QStringLiteral("%1: цепочка страниц значения зациклена (страница %2, строка %3)")
                              .arg(where.text())
                              .arg(pgRowPage(next))
                              .arg(pgRowRow(next)));
            seen.insert(next);
            claim(next, where);
            const RowRef lv = row(next, where);
            if (lv.size < kMemoChainLinkSize)
                malformed(QStringLiteral("%1: звено цепочки на странице %2 короче 4 байт")
                              .arg(where.text())
                              .arg(pgRowPage(next)));
            const int chunk = lv.size - kMemoChainLinkSize;
            if (out.size() + chunk > length)
                malformed(QStringLiteral("%1: цепочка страниц значения длиннее его длины (%2 байт)")
                              .arg(where.text())
                              .arg(length));
            out.append(reinterpret_cast<const char *>(lv.data) + kMemoChainLinkSize, chunk);
            next = u32(lv.data);
        }
        return out;
    }

    Value value(const ColumnDef &c, const FieldBytes &f, const Where &where) const {
        if (c.type == ColumnType::Boolean)
            return f.present;
        if (!f.present)
            return std::monostate{};
        const int size = fixedSize(c.type);
        if (size && f.size != size)
            malformed(QStringLiteral("%1: поле занимает %2 байт вместо %3")
                          .arg(where.text())
                          .arg(f.size)
                          .arg(size));
        auto text = [&](const uchar *data, qsizetype n) -> Value {
            auto s = decodeText(m_l.version, data, n, m_codePage);
            if (!s)
                malformed(QStringLiteral("%1: текст записан с ошибкой").arg(where.text()));
            return *s;
        };
        const uchar *d = f.data;
        switch (c.type) {
        case ColumnType::Byte:
            return qint64(d[0]);
        case ColumnType::Integer:
            return qint64(qint16(u16(d)));
        case ColumnType::LongInteger:
            return qint64(qint32(u32(d)));
        case ColumnType::Currency:
            return qint64(quint64(u32(d)) | (quint64(u32(d + 4)) << 32));
        case ColumnType::Single: {
            const quint32 bits = u32(d);
            float v;
            std::memcpy(&v, &bits, sizeof v);
            return double(v);
        }
        case ColumnType::Double:
        case ColumnType::DateTime: {
            const quint64 bits = quint64(u32(d)) | (quint64(u32(d + 4)) << 32);
            double v;
            std::memcpy(&v, &bits, sizeof v);
            return v;
        }
        case ColumnType::Text:
            return text(d, f.size);
        case ColumnType::Memo: {
            const QByteArray bytes = longValue(f, where);
            return text(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size());
        }
        case ColumnType::Ole:
            return longValue(f, where);
        default: // Binary, GUID, Numeric and types this code does not know: the stored bytes
            return QByteArray(reinterpret_cast<const char *>(d), f.size);
        }
    }

    // Rows of the table, with only the columns picked (indexes into def.columns) decoded.
    QList<QList<Value>> rows(const TableDef &def, quint32 tdefPage, const QString &table,
                             const QList<int> &picked) const {
        QList<QList<Value>> out;
        std::vector<FieldBytes> fields;
        forEachRow(def, tdefPage, table, [&](const RowRef &ref, quint32 n, int r) {
            if (const QString fault = splitRow(m_l, def, ref.data, ref.size, fields); !fault.isEmpty())
                malformed(
                    QStringLiteral("строка %1 страницы %2 таблицы «%3»: %4").arg(r).arg(n).arg(table, fault));
            QList<Value> values;
            values.reserve(picked.size());
            for (int i : picked) {
                const ColumnDef &c = def.columns[i];
                values.append(value(c, fields[size_t(i)], Where{nullptr, r, n, &c.name, &table}));
            }
            out.append(std::move(values));
        });
        return out;
    }

private:
    // Each long-value row and each overflow target belongs to one value: a file whose rows share
    // them could make a small file read into gigabytes.
    void claim(quint32 ref, const Where &where) const {
        if (m_claimed.contains(ref))
            malformed(QStringLiteral("%1: строка %2 страницы %3 уже занята другим значением")
                          .arg(where.text())
                          .arg(pgRowRow(ref))
                          .arg(pgRowPage(ref)));
        m_claimed.insert(ref);
    }

    mutable QSet<quint32> m_claimed;
    const uchar *m_data;
    quint32 m_pageCount;
    qint64 m_fileSize;
    QString m_file;
    const Layout &m_l;
    int m_codePage;
};

// Columns in the order Access shows them: by column number, then as described.
QList<int> columnOrder(const TableDef &def) {
    QList<int> order(def.columns.size());
    for (int i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return def.columns[a].number < def.columns[b].number; });
    return order;
}

int findColumn(const TableDef &def, const QString &name) {
    for (int i = 0; i < def.columns.size(); ++i) {
        if (def.columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace

Database Database::open(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        detail::fail(Kind::Missing, path, {});
    if (info.isDir())
        detail::fail(Kind::Unreadable, path, QStringLiteral("это папка"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        detail::fail(Kind::Unreadable, path, platform::readReason(file));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        detail::fail(Kind::Unreadable, path, platform::readReason(file));
    return fromBytes(std::move(bytes), path);
}

Database Database::fromBytes(QByteArray bytes, const QString &nameForMessages) {
    const QString &file = nameForMessages;
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    if (bytes.isEmpty())
        detail::fail(Kind::NotJet, file, QStringLiteral("файл пуст"));
    if (bytes.size() < kHeaderCryptStart + 128)
        detail::fail(Kind::NotJet, file, QStringLiteral("файл слишком короткий (%1 байт)").arg(bytes.size()));
    const QByteArray magic = bytes.mid(kMagicOffset, qsizetype(sizeof kJetMagic));
    if (p[0] != kPageHeader || !(magic == QByteArray(kJetMagic, sizeof kJetMagic) ||
                                 magic == QByteArray(kAceMagic, sizeof kAceMagic)))
        detail::fail(Kind::NotJet, file, QStringLiteral("нет подписи базы Jet в начале файла"));
    const quint8 versionByte = p[kHeaderVersion];
    if (versionByte >= 2 && versionByte <= 6)
        detail::fail(
            Kind::Unsupported, file,
            QStringLiteral("это база Access 2007 или новее (версия %1), читаются только базы Access 97–2003")
                .arg(versionByte));
    if (versionByte > 1)
        detail::fail(Kind::NotJet, file, QStringLiteral("неизвестная версия Jet: %1").arg(versionByte));

    Database db;
    db.m_version = versionByte == 0 ? Version::Jet3 : Version::Jet4;
    db.m_file = file;
    const Layout &l = layout(db.m_version);
    if (bytes.size() % l.pageSize != 0)
        detail::fail(Kind::Truncated, file,
                     QStringLiteral("размер файла (%1 байт) не кратен размеру страницы (%2 байт)")
                         .arg(bytes.size())
                         .arg(l.pageSize));
    if (bytes.size() / l.pageSize <= qsizetype(kCatalogTdefPage))
        detail::fail(Kind::Truncated, file, QStringLiteral("в файле нет страницы каталога"));

    // The header's RC4 area holds the code page, the database key and the password.
    QByteArray header = bytes.left(kHeaderCryptStart + l.headerCryptSize);
    auto *h = reinterpret_cast<uchar *>(header.data());
    headerCrypt(h + kHeaderCryptStart, l.headerCryptSize);
    if (u32(h + kHeaderDbKey) != 0)
        detail::fail(Kind::Encrypted, file, QStringLiteral("база зашифрована"));
    // Jet 4 masks the password with the creation date's day number.
    uchar mask[4] = {0, 0, 0, 0};
    if (db.m_version == Version::Jet4) {
        double date;
        const quint64 bits =
            quint64(u32(h + kHeaderCreationDate)) | (quint64(u32(h + kHeaderCreationDate + 4)) << 32);
        std::memcpy(&date, &bits, sizeof date);
        if (std::isfinite(date) && date > -2147483648.0 && date < 2147483648.0)
            put32(mask, quint32(qint32(std::floor(date))));
    }
    for (int i = 0; i < l.passwordSize; ++i) {
        if ((h[kHeaderPassword + i] ^ mask[i % 4]) != 0)
            detail::fail(Kind::Encrypted, file, QStringLiteral("база защищена паролем"));
    }
    if (db.m_version == Version::Jet3) {
        const quint16 codePage = u16(h + kHeaderCodePage);
        const quint16 sortOrder = u16(h + kHeaderSortOrder3);
        db.m_codePage = codepage::fromHeader(codePage, sortOrder);
        if (db.m_codePage == 0) {
            db.m_codePage = codepage::kCyrillic;
            db.m_codePageNotice =
                QStringLiteral("%1: в заголовке базы Jet 3 нет известной кодовой страницы (кодовая страница "
                               "%2, порядок сортировки 0x%3), текст прочитан как Windows-1251")
                    .arg(file)
                    .arg(codePage)
                    .arg(sortOrder, 4, 16, QLatin1Char('0'));
        }
    }

    const Reader reader(bytes, file, l, db.m_codePage);
    const QString catalog = QStringLiteral("MSysObjects");
    const TableDef def = reader.tdef(kCatalogTdefPage, catalog);
    const int id = findColumn(def, QStringLiteral("Id"));
    const int name = findColumn(def, QStringLiteral("Name"));
    const int type = findColumn(def, QStringLiteral("Type"));
    const int flags = findColumn(def, QStringLiteral("Flags"));
    for (const auto &[column, label] :
         {std::pair{id, "Id"}, {name, "Name"}, {type, "Type"}, {flags, "Flags"}}) {
        if (column < 0)
            detail::fail(Kind::Malformed, file,
                         QStringLiteral("в каталоге нет столбца «%1»").arg(QLatin1String(label)));
    }
    const auto rows = reader.rows(def, kCatalogTdefPage, catalog, {id, name, type, flags});
    const bool parents = findColumn(def, QStringLiteral("ParentId")) >= 0;
    for (const QList<Value> &r : rows) {
        const auto *objectType = std::get_if<qint64>(&r[2]);
        const auto *containerName = std::get_if<QString>(&r[1]);
        if (parents && objectType && *objectType == 3 && containerName &&
            *containerName == QStringLiteral("Tables"))
            db.m_accessCatalog = true;
        if (!objectType || *objectType != 1) // 1: a table of this database
            continue;
        const auto *objectId = std::get_if<qint64>(&r[0]);
        const auto *objectName = std::get_if<QString>(&r[1]);
        if (!objectId || !objectName)
            detail::fail(Kind::Malformed, file,
                         QStringLiteral("в каталоге есть таблица без номера или имени"));
        const auto *objectFlags = std::get_if<qint64>(&r[3]);
        const bool system = objectFlags && (quint32(*objectFlags) & 0x80000002u);
        db.m_catalog.append({*objectName, quint32(*objectId) & 0x00FFFFFFu, system});
    }
    db.m_bytes = std::move(bytes);
    return db;
}

QStringList Database::tableNames() const {
    QStringList names;
    for (const CatalogEntry &e : m_catalog) {
        if (!e.system)
            names.append(e.name);
    }
    return names;
}

std::optional<quint32> Database::tablePage(const QString &name) const {
    for (const CatalogEntry &e : m_catalog) {
        if (e.name.compare(name, Qt::CaseInsensitive) == 0)
            return e.tdefPage;
    }
    return std::nullopt;
}

Table Database::readTable(const QString &name) const {
    const auto entry = std::find_if(m_catalog.cbegin(), m_catalog.cend(), [&](const CatalogEntry &e) {
        return e.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (entry == m_catalog.cend())
        detail::fail(Kind::NoTable, m_file, name);
    const Layout &l = layout(m_version);
    const Reader reader(m_bytes, m_file, l, m_codePage);
    const TableDef def = reader.tdef(entry->tdefPage, entry->name);
    Table table;
    table.name = entry->name;
    const QList<int> order = columnOrder(def);
    for (int i : order) {
        const ColumnDef &c = def.columns[i];
        table.columns.append(Column{c.name, c.type, c.precision, c.scale});
    }
    table.rows = reader.rows(def, entry->tdefPage, entry->name, order);
    for (const LogicalIndexDef &li : def.indexes) {
        if (li.realIndex < 0 || li.realIndex >= def.realIndexes.size())
            continue;
        const RealIndexDef &real = def.realIndexes[li.realIndex];
        Index index{li.name, {}, li.kind == kIndexPrimaryKey, (real.flags & kIndexUnique) != 0};
        for (const IndexColumnDef &c : real.columns) {
            for (const ColumnDef &column : def.columns) {
                if (column.number == c.number)
                    index.columns.append(column.name);
            }
        }
        table.indexes.append(std::move(index));
    }
    return table;
}

} // namespace jet
