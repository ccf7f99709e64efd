#include "data/jet/format.h"

#include "data/jet/code_page.h"

#include <array>

namespace jet::format {

const Layout &layout(Version version) {
    static const Layout jet3{
        .version = Version::Jet3,
        .pageSize = 2048,
        .headerCryptSize = 126,
        .passwordSize = 20,
        .dataRowCount = 8,
        .tdefNumRows = 12,
        .tdefAutoNumber = 16,
        .tdefTableType = 20,
        .tdefMaxCols = 21,
        .tdefNumVarCols = 23,
        .tdefNumCols = 25,
        .tdefNumIdx = 27,
        .tdefNumRealIdx = 31,
        .tdefUsageMap = 35,
        .tdefFreeMap = 39,
        .tdefBlockEnd = 43,
        .realIdxSize = 8,
        .realIdxDefSize = 39,
        .realIdxDefStart = 0,
        .logIdxSize = 20,
        .logIdxStart = 0,
        .hasColumnMaps = false,
        .colSize = 18,
        .colNum = 1,
        .colVarIndex = 3,
        .colNum2 = 5,
        // As Jackcess reads Access 97's files (mdbtools' notes put these two bytes lower): the
        // sort order at 9, the code page where a Numeric column would keep its precision.
        .colSortOrder = 9,
        .colCodePage = 11,
        .colFlags = 13,
        .colMiscFlags = -1,
        .colFixedOffset = 14,
        .colLength = 16,
        .colPrecision = 11,
        .colScale = 12,
        .nameLengthSize = 1,
        .rowCountSize = 1,
        .idxPrev = 8,
        .idxNext = 12,
        .idxTail = 16,
        .idxPrefixLength = 20,
        .idxMask = 22,
        .idxMaskSize = 226,
    };
    static const Layout jet4{
        .version = Version::Jet4,
        .pageSize = 4096,
        .headerCryptSize = 128,
        .passwordSize = 40,
        .dataRowCount = 12,
        .tdefNumRows = 16,
        .tdefAutoNumber = 20,
        .tdefTableType = 40,
        .tdefMaxCols = 41,
        .tdefNumVarCols = 43,
        .tdefNumCols = 45,
        .tdefNumIdx = 47,
        .tdefNumRealIdx = 51,
        .tdefUsageMap = 55,
        .tdefFreeMap = 59,
        .tdefBlockEnd = 63,
        .realIdxSize = 12,
        .realIdxDefSize = 52,
        .realIdxDefStart = 4,
        .logIdxSize = 28,
        .logIdxStart = 4,
        .hasColumnMaps = true,
        .colSize = 25,
        .colNum = 5,
        .colVarIndex = 7,
        .colNum2 = 9,
        .colSortOrder = 11,
        .colCodePage = -1,
        .colFlags = 15,
        .colMiscFlags = 16,
        .colFixedOffset = 21,
        .colLength = 23,
        .colPrecision = 11,
        .colScale = 12,
        .nameLengthSize = 2,
        .rowCountSize = 2,
        .idxPrev = 12,
        .idxNext = 16,
        .idxTail = 20,
        .idxPrefixLength = 24,
        .idxMask = 27,
        .idxMaskSize = 453,
    };
    return version == Version::Jet3 ? jet3 : jet4;
}

int fixedSize(ColumnType type) {
    switch (type) {
    case ColumnType::Byte:
        return 1;
    case ColumnType::Integer:
        return 2;
    case ColumnType::LongInteger:
    case ColumnType::Single:
        return 4;
    case ColumnType::Currency:
    case ColumnType::Double:
    case ColumnType::DateTime:
        return 8;
    case ColumnType::Guid:
        return 16;
    case ColumnType::Numeric:
        return 17;
    default:
        return 0;
    }
}

bool isLongValue(ColumnType type) {
    return type == ColumnType::Memo || type == ColumnType::Ole;
}
bool isTextual(ColumnType type) {
    return type == ColumnType::Text || type == ColumnType::Memo;
}

// ---------------------------------------------------------------------------------------------
// Text

namespace {

// Compressed Unicode: starts in one-byte mode; a 0x00 byte switches between one-byte (low byte of a
// character whose high byte is 0) and two-byte mode. Characters whose low byte is 0 cannot be
// written either way.
std::optional<QByteArray> compress(const QString &text) {
    QByteArray out("\xFF\xFE", 2);
    bool oneByte = true;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if ((c & 0xFF) == 0)
            return std::nullopt;
        const bool fits = c < 0x100;
        if (fits != oneByte) {
            out.append('\0');
            oneByte = fits;
        }
        out.append(char(c & 0xFF));
        if (!oneByte)
            out.append(char(c >> 8));
    }
    return out;
}

std::optional<QString> decompress(const uchar *data, qsizetype size) {
    QString out;
    out.reserve(size);
    bool oneByte = true;
    qsizetype pos = 2;
    while (pos < size) {
        if (data[pos] == 0) {
            oneByte = !oneByte;
            ++pos;
        } else if (oneByte) {
            out.append(QChar(char16_t(data[pos])));
            ++pos;
        } else {
            if (pos + 1 >= size)
                return std::nullopt;
            out.append(QChar(char16_t(u16(data + pos))));
            pos += 2;
        }
    }
    return out;
}

} // namespace

std::optional<QByteArray> encodeText(Version version, const QString &text, bool allowCompression, int codePage) {
    if (version == Version::Jet3)
        return codepage::encode(codePage, text);
    if (codepage::firstUnstorable(version, text) >= 0)
        return std::nullopt;
    QByteArray plain(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        put16(reinterpret_cast<uchar *>(plain.data()) + 2 * i, text.at(i).unicode());
    // Access compresses only values up to 1024 characters, and only when it saves space.
    const bool looksCompressed = plain.startsWith("\xFF\xFE");
    if (allowCompression && (text.size() <= 1024 || looksCompressed)) {
        // A plain value starting with FF FE (the character U+FEFF) would read back as compressed,
        // so such a value is written compressed even where that is longer.
        if (auto packed = compress(text); packed && (packed->size() < plain.size() || looksCompressed))
            return packed;
    }
    if (looksCompressed)
        return std::nullopt;
    return plain;
}

std::optional<QString> decodeText(Version version, const uchar *data, qsizetype size, int codePage) {
    if (version == Version::Jet3)
        return codepage::decode(codePage, data, size);
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE)
        return decompress(data, size);
    if (size % 2 != 0)
        return std::nullopt;
    QString out(size / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < size / 2; ++i)
        out[i] = QChar(char16_t(u16(data + 2 * i)));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Table definitions

namespace {

// Jet 4 starts every definition of an index with this number; Access checks nothing else there.
constexpr quint32 kIndexMagic = 1923;
// Jet 4 table definitions carry this number after their length.
constexpr quint32 kTdefMagic = 0x0659;
constexpr int kJet4AutoNumberStep = 24; // 1: autonumbers count up by one
constexpr quint16 kNoColumn = 0xFFFF;
constexpr quint8 kAscending = 0x01;

// Names of columns and indexes: plain UCS-2 in Jet 4 (never compressed), bytes of the code page
// in Jet 3 (the one they were read in, so that every name read encodes back).
QByteArray encodeName(const Layout &l, const QString &name, int codePage) {
    QByteArray bytes;
    if (l.version == Version::Jet4) {
        bytes.resize(name.size() * 2);
        for (qsizetype i = 0; i < name.size(); ++i)
            put16(reinterpret_cast<uchar *>(bytes.data()) + 2 * i, name.at(i).unicode());
    } else {
        // The writer has checked that every name it makes is storable.
        bytes = codepage::encodeAsRead(codePage, name);
    }
    QByteArray len(l.nameLengthSize, '\0');
    if (l.nameLengthSize == 1)
        len[0] = char(bytes.size());
    else
        put16(reinterpret_cast<uchar *>(len.data()), quint16(bytes.size()));
    return len + bytes;
}

// The bytes of a definition's part as read when they have the expected size, else zeros.
QByteArray base(const QByteArray &kept, int size) {
    return kept.size() == size ? kept : QByteArray(size, '\0');
}

// Reads a table definition front to back, every read bounds-checked.
class TdefReader {
public:
    TdefReader(const Layout &l, const QByteArray &block, int codePage, QString *fault)
        : m_l(l)
        , m_block(block)
        , m_p(reinterpret_cast<const uchar *>(block.constData()))
        , m_codePage(codePage)
        , m_fault(fault) {}

    // Whether n more bytes are there; sets the fault naming what was being read otherwise.
    bool need(qint64 n, const QString &what) {
        if (n >= 0 && m_pos + n <= m_block.size())
            return true;
        *m_fault = QStringLiteral("%1 выходит за пределы описания таблицы").arg(what);
        return false;
    }
    const uchar *at() const { return m_p + m_pos; }
    QByteArray take(int n) {
        const QByteArray out = m_block.mid(m_pos, n);
        m_pos += n;
        return out;
    }
    void skip(qint64 n) { m_pos += n; }

    std::optional<QString> name(const QString &what) {
        if (!need(m_l.nameLengthSize, what))
            return std::nullopt;
        const int len = m_l.nameLengthSize == 1 ? m_p[m_pos] : u16(m_p + m_pos);
        m_pos += m_l.nameLengthSize;
        if (!need(len, what))
            return std::nullopt;
        std::optional<QString> out;
        if (m_l.version == Version::Jet4 && len % 2 == 0) {
            QString s(len / 2, Qt::Uninitialized);
            for (int k = 0; k < len / 2; ++k)
                s[k] = QChar(char16_t(u16(m_p + m_pos + 2 * k)));
            out = s;
        } else if (m_l.version == Version::Jet3) {
            out = decodeText(m_l.version, m_p + m_pos, len, m_codePage);
        }
        if (!out)
            *m_fault = QStringLiteral("%1 записано с ошибкой").arg(what);
        m_pos += len;
        return out;
    }

private:
    const Layout &m_l;
    const QByteArray &m_block;
    const uchar *m_p;
    int m_codePage;
    QString *m_fault;
    qint64 m_pos = 0;
};

} // namespace

QByteArray encodeTdef(const Layout &l, const TableDef &def, int codePage) {
    const bool jet4 = l.version == Version::Jet4;
    QByteArray out = base(def.unknownHeader, l.tdefBlockEnd);
    auto *p = reinterpret_cast<uchar *>(out.data());
    if (def.unknownHeader.isEmpty()) {
        if (jet4) {
            put32(p + 12, kTdefMagic);
            p[kJet4AutoNumberStep] = 1;
        } else {
            p[2] = 'V';
            p[3] = 'C';
        }
    }
    p[0] = kPageTdef;
    p[1] = 0x01;
    put32(p + l.tdefNumRows, def.numRows);
    put32(p + l.tdefAutoNumber, def.autoNumber);
    p[l.tdefTableType] = def.tableType;
    put16(p + l.tdefMaxCols, quint16(def.maxCols));
    put16(p + l.tdefNumVarCols, quint16(def.numVarCols));
    put16(p + l.tdefNumCols, quint16(def.columns.size()));
    put32(p + l.tdefNumIdx, quint32(def.indexes.size()));
    put32(p + l.tdefNumRealIdx, quint32(def.realIndexes.size()));
    put32(p + l.tdefUsageMap, def.usageMap);
    put32(p + l.tdefFreeMap, def.freeMap);

    for (const RealIndexDef &r : def.realIndexes) {
        QByteArray count = base(r.unknownCount, l.realIdxSize);
        put32(reinterpret_cast<uchar *>(count.data()) + 4, r.rowCount);
        out += count;
    }

    for (const ColumnDef &c : def.columns) {
        QByteArray desc = base(c.raw, l.colSize);
        auto *col = reinterpret_cast<uchar *>(desc.data());
        col[0] = quint8(c.type);
        put16(col + l.colNum, quint16(c.number));
        put16(col + l.colVarIndex, quint16(c.varIndex));
        if (c.raw.isEmpty()) // Access's files do not always repeat the number here
            put16(col + l.colNum2, quint16(c.number));
        if (c.raw.isEmpty() && isTextual(c.type)) {
            put16(col + l.colSortOrder, kSortGeneral);
            if (l.colCodePage >= 0)
                put16(col + l.colCodePage, 1251);
        }
        if (c.type == ColumnType::Numeric) {
            col[l.colPrecision] = quint8(c.precision);
            col[l.colScale] = quint8(c.scale);
        }
        col[l.colFlags] = c.flags;
        if (l.colMiscFlags >= 0)
            col[l.colMiscFlags] = c.miscFlags;
        put16(col + l.colFixedOffset, quint16(c.fixedOffset));
        put16(col + l.colLength, quint16(c.length));
        out += desc;
    }
    for (const ColumnDef &c : def.columns)
        out += encodeName(l, c.name, codePage);

    for (const RealIndexDef &r : def.realIndexes) {
        QByteArray d = base(r.unknown, l.realIdxDefSize);
        auto *q = reinterpret_cast<uchar *>(d.data());
        if (r.unknown.isEmpty() && jet4)
            put32(q, kIndexMagic);
        uchar *slot = q + l.realIdxDefStart;
        for (int k = 0; k < kMaxIndexColumns; ++k, slot += 3) {
            if (k < r.columns.size()) {
                put16(slot, quint16(r.columns[k].number));
                slot[2] = quint8((slot[2] & ~kAscending) | (r.columns[k].ascending ? kAscending : 0));
            } else {
                // Access leaves whatever was there in the order byte of an unused slot.
                put16(slot, kNoColumn);
            }
        }
        put32(slot, r.usageMap);
        put32(slot + 4, r.firstPage);
        slot[jet4 ? 12 : 8] = r.flags;
        out += d;
    }

    for (const LogicalIndexDef &x : def.indexes) {
        QByteArray d = base(x.unknown, l.logIdxSize);
        auto *q = reinterpret_cast<uchar *>(d.data());
        if (x.unknown.isEmpty() && jet4)
            put32(q, kIndexMagic);
        uchar *f = q + l.logIdxStart;
        put32(f, quint32(x.number));
        put32(f + 4, quint32(x.realIndex));
        f[8] = x.relTableType;
        put32(f + 9, quint32(x.relIndex));
        put32(f + 13, x.relTable);
        f[17] = x.cascadeUpdates;
        f[18] = x.cascadeDeletes;
        f[19] = x.kind;
        out += d;
    }
    for (const LogicalIndexDef &x : def.indexes)
        out += encodeName(l, x.name, codePage);

    // Jet 3 has no long-value maps, but readers (Jackcess among them) read the list in every
    // version and stop at 0xFFFF, so it is always closed.
    {
        for (const ColumnMapDef &m : def.columnMaps) {
            uchar entry[10];
            put16(entry, quint16(m.number));
            put32(entry + 2, m.usedPages);
            put32(entry + 6, m.freePages);
            out.append(reinterpret_cast<const char *>(entry), sizeof entry);
        }
        out.append("\xFF\xFF", 2);
    }
    // The length counts the whole definition, this header included.
    put32(reinterpret_cast<uchar *>(out.data()) + 8, quint32(out.size()));
    return out;
}

std::optional<TableDef> parseTdef(const Layout &l, const QByteArray &block, int codePage, QString *fault) {
    const bool jet4 = l.version == Version::Jet4;
    const auto *p = reinterpret_cast<const uchar *>(block.constData());
    if (block.size() < l.tdefBlockEnd) {
        *fault = QStringLiteral("описание таблицы короче своего заголовка");
        return std::nullopt;
    }
    TableDef def;
    def.unknownHeader = block.left(l.tdefBlockEnd);
    def.numRows = u32(p + l.tdefNumRows);
    def.autoNumber = u32(p + l.tdefAutoNumber);
    def.tableType = p[l.tdefTableType];
    def.maxCols = u16(p + l.tdefMaxCols);
    def.numVarCols = u16(p + l.tdefNumVarCols);
    const int numCols = u16(p + l.tdefNumCols);
    const quint32 numIdx = u32(p + l.tdefNumIdx);
    const quint32 numRealIdx = u32(p + l.tdefNumRealIdx);
    def.usageMap = u32(p + l.tdefUsageMap);
    def.freeMap = u32(p + l.tdefFreeMap);

    TdefReader in(l, block, codePage, fault);
    in.skip(l.tdefBlockEnd);
    if (!in.need(qint64(numRealIdx) * l.realIdxSize + qint64(numCols) * l.colSize,
                 QStringLiteral("описание %1 столбцов и %2 индексов").arg(numCols).arg(numRealIdx)))
        return std::nullopt;
    for (quint32 i = 0; i < numRealIdx; ++i) {
        RealIndexDef r;
        r.rowCount = u32(in.at() + 4);
        r.unknownCount = in.take(l.realIdxSize);
        def.realIndexes.append(r);
    }

    def.columns.reserve(numCols);
    for (int i = 0; i < numCols; ++i) {
        const uchar *col = in.at();
        ColumnDef c;
        c.type = ColumnType(col[0]);
        c.number = u16(col + l.colNum);
        c.varIndex = u16(col + l.colVarIndex);
        c.flags = col[l.colFlags];
        c.miscFlags = l.colMiscFlags >= 0 ? col[l.colMiscFlags] : 0;
        c.fixedOffset = u16(col + l.colFixedOffset);
        c.length = u16(col + l.colLength);
        if (c.type == ColumnType::Numeric) {
            c.precision = col[l.colPrecision];
            c.scale = col[l.colScale];
        }
        c.raw = in.take(l.colSize);
        def.columns.append(c);
    }
    for (int i = 0; i < numCols; ++i) {
        const auto name = in.name(QStringLiteral("имя столбца %1").arg(i + 1));
        if (!name)
            return std::nullopt;
        def.columns[i].name = *name;
    }

    for (quint32 i = 0; i < numRealIdx; ++i) {
        if (!in.need(l.realIdxDefSize, QStringLiteral("описание индекса %1").arg(i + 1)))
            return std::nullopt;
        RealIndexDef &r = def.realIndexes[qsizetype(i)];
        const uchar *slot = in.at() + l.realIdxDefStart;
        for (int k = 0; k < kMaxIndexColumns; ++k, slot += 3) {
            if (u16(slot) != kNoColumn)
                r.columns.append(IndexColumnDef{u16(slot), bool(slot[2] & kAscending)});
        }
        r.usageMap = u32(slot);
        r.firstPage = u32(slot + 4);
        r.flags = slot[jet4 ? 12 : 8];
        r.unknown = in.take(l.realIdxDefSize);
    }

    if (!in.need(qint64(numIdx) * l.logIdxSize, QStringLiteral("описание %1 индексов").arg(numIdx)))
        return std::nullopt;
    for (quint32 i = 0; i < numIdx; ++i) {
        const uchar *f = in.at() + l.logIdxStart;
        LogicalIndexDef x;
        x.number = int(u32(f));
        x.realIndex = int(u32(f + 4));
        x.relTableType = f[8];
        x.relIndex = qint32(u32(f + 9));
        x.relTable = u32(f + 13);
        x.cascadeUpdates = f[17];
        x.cascadeDeletes = f[18];
        x.kind = f[19];
        x.unknown = in.take(l.logIdxSize);
        def.indexes.append(x);
    }
    for (quint32 i = 0; i < numIdx; ++i) {
        const auto name = in.name(QStringLiteral("имя индекса %1").arg(i + 1));
        if (!name)
            return std::nullopt;
        def.indexes[qsizetype(i)].name = *name;
    }

    if (l.hasColumnMaps) {
        // Bounded by the block: each entry takes 10 of its bytes.
        for (;;) {
            const QString what = QStringLiteral("список карт страниц столбцов");
            if (!in.need(2, what))
                return std::nullopt;
            const quint16 number = u16(in.at());
            if (number == kNoColumn)
                break;
            if (!in.need(10, what))
                return std::nullopt;
            def.columnMaps.append(ColumnMapDef{number, u32(in.at() + 2), u32(in.at() + 6)});
            in.skip(10);
        }
    }
    // Jet 3 definitions may close with an empty list (0xFFFF), which nothing needs to read.
    return def;
}

// ---------------------------------------------------------------------------------------------
// Rows

QString splitRow(const Layout &l, const TableDef &def, const uchar *row, int rowSize,
                 std::vector<FieldBytes> &out) {
    const int n = l.rowCountSize;
    if (rowSize < n)
        return QStringLiteral("строка короче своего заголовка");
    const int rowCols = n == 1 ? row[0] : u16(row);
    const int maskSize = (rowCols + 7) / 8;
    if (n + maskSize > rowSize)
        return QStringLiteral("маска NULL не помещается в строку");
    const uchar *mask = row + rowSize - maskSize;

    // Where the fixed and variable data end, and the variable columns' spans.
    int dataEnd = rowSize - maskSize;
    int rowVarCols = 0;
    std::vector<int> offsets; // rowVarCols + 1 entries, the last one is eod
    if (def.numVarCols > 0) {
        const int countPos = rowSize - maskSize - n;
        if (countPos < n)
            return QStringLiteral("число переменных полей не помещается в строку");
        rowVarCols = n == 1 ? row[countPos] : u16(row + countPos);
        offsets.resize(size_t(rowVarCols) + 1);
        if (l.version == Version::Jet4) {
            const int eodPos = countPos - 2 * (rowVarCols + 1);
            if (eodPos < n)
                return QStringLiteral("таблица смещений переменных полей не помещается в строку");
            for (int i = 0; i <= rowVarCols; ++i)
                offsets[size_t(i)] = u16(row + countPos - 2 * (i + 1));
            dataEnd = eodPos;
        } else {
            // One-byte offsets; a jump table before the count says from which entry on each further
            // 256 bytes are to be added. Its size follows from the row size; when eod lies below
            // the last boundary, the last entry is a placeholder.
            const int numJumps = (rowSize - 1) / 256;
            const int eodPos = countPos - numJumps - 1 - rowVarCols;
            if (eodPos < n)
                return QStringLiteral("таблица смещений переменных полей не помещается в строку");
            const int usable = eodPos / 256 < numJumps ? numJumps - 1 : numJumps;
            int jumps = 0;
            for (int i = 0; i <= rowVarCols; ++i) {
                while (jumps < usable && row[countPos - 1 - jumps] <= i)
                    ++jumps;
                offsets[size_t(i)] = row[countPos - numJumps - 1 - i] + 256 * jumps;
            }
            dataEnd = eodPos;
        }
        int previous = n;
        for (int i = 0; i <= rowVarCols; ++i) {
            const int off = offsets[size_t(i)];
            if (off < previous || off > dataEnd)
                return QStringLiteral("смещение переменного поля %1 (%2) выходит за пределы данных строки")
                    .arg(i + 1)
                    .arg(off);
            previous = off;
        }
    }

    out.assign(size_t(def.columns.size()), FieldBytes{});
    for (qsizetype i = 0; i < def.columns.size(); ++i) {
        const ColumnDef &c = def.columns[i];
        FieldBytes &f = out[size_t(i)];
        f.present = c.number < rowCols && (mask[c.number / 8] >> (c.number % 8)) & 1;
        if (!f.present || c.type == ColumnType::Boolean)
            continue;
        if (c.isFixed()) {
            const int size = fixedSize(c.type) ? fixedSize(c.type) : c.length;
            const int start = n + c.fixedOffset;
            if (start + size > dataEnd)
                return QStringLiteral("поле «%1» выходит за пределы строки").arg(c.name);
            f.data = row + start;
            f.size = size;
        } else if (c.varIndex >= rowVarCols) {
            f.present = false; // the column was added after this row was written
        } else {
            const int start = offsets[size_t(c.varIndex)];
            f.data = row + start;
            f.size = offsets[size_t(c.varIndex) + 1] - start;
        }
    }
    return {};
}

QByteArray joinRow(const Layout &l, const TableDef &def, const std::vector<std::optional<QByteArray>> &fields,
                   const std::vector<bool> &booleans) {
    const int n = l.rowCountSize;
    const int numCols = int(def.columns.size());
    const int maskSize = (numCols + 7) / 8;

    int fixedEnd = n;
    std::vector<const QByteArray *> var(size_t(def.numVarCols), nullptr);
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        if (c.type == ColumnType::Boolean)
            continue;
        if (c.isFixed())
            fixedEnd = std::max(fixedEnd, n + c.fixedOffset + fixedSize(c.type));
        else if (fields[size_t(i)])
            var[size_t(c.varIndex)] = &*fields[size_t(i)];
    }

    QByteArray out(fixedEnd, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    if (n == 1)
        p[0] = uchar(numCols);
    else
        put16(p, quint16(numCols));
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        if (c.isFixed() && c.type != ColumnType::Boolean && fields[size_t(i)])
            std::memcpy(p + n + c.fixedOffset, fields[size_t(i)]->constData(), size_t(fixedSize(c.type)));
    }

    if (def.numVarCols > 0) {
        std::vector<int> offsets;
        for (const QByteArray *v : var) {
            offsets.push_back(int(out.size()));
            if (v)
                out += *v;
        }
        const int eod = int(out.size());
        offsets.push_back(eod);
        const int numVar = def.numVarCols;
        if (l.version == Version::Jet4) {
            QByteArray tail(2 * (numVar + 1) + 2, '\0');
            auto *t = reinterpret_cast<uchar *>(tail.data());
            for (int i = 0; i <= numVar; ++i) // eod first, then the offsets from the last column down
                put16(t + 2 * (numVar - i), quint16(offsets[size_t(i)]));
            put16(t + 2 * (numVar + 1), quint16(numVar));
            out += tail;
        } else {
            const int trailer = 1 + numVar + 1 + maskSize; // eod, offsets, count, mask
            int numJumps = 0;
            for (;;) {
                const int next = (eod + trailer + numJumps - 1) / 256;
                if (next == numJumps)
                    break;
                numJumps = next;
            }
            QByteArray tail(1 + numVar + numJumps + 1, '\0');
            auto *t = reinterpret_cast<uchar *>(tail.data());
            for (int i = 0; i <= numVar; ++i)
                t[numVar - i] = uchar(offsets[size_t(i)] & 0xFF);
            const int countPos = 1 + numVar + numJumps;
            for (int k = 0; k < numJumps; ++k) {
                int first = 0xFF;
                for (int i = 0; i <= numVar; ++i) {
                    if (offsets[size_t(i)] >= 256 * (k + 1)) {
                        first = i;
                        break;
                    }
                }
                t[countPos - 1 - k] = uchar(first);
            }
            t[countPos] = uchar(numVar);
            out += tail;
        }
    }

    QByteArray mask(maskSize, '\0');
    for (int i = 0; i < numCols; ++i) {
        const ColumnDef &c = def.columns[i];
        const bool bit =
            c.type == ColumnType::Boolean ? bool(booleans[size_t(i)]) : fields[size_t(i)].has_value();
        if (bit)
            mask[c.number / 8] = char(mask[c.number / 8] | (1 << (c.number % 8)));
    }
    return out + mask;
}

// ---------------------------------------------------------------------------------------------
// Header

void headerCrypt(uchar *data, int size) {
    static constexpr uchar key[] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uchar, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = uchar(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[size_t(i)] + key[i % 4]) & 0xFF;
        std::swap(s[size_t(i)], s[size_t(j)]);
    }
    int a = 0;
    int b = 0;
    for (int k = 0; k < size; ++k) {
        a = (a + 1) & 0xFF;
        b = (b + s[size_t(a)]) & 0xFF;
        std::swap(s[size_t(a)], s[size_t(b)]);
        data[k] ^= s[size_t((s[size_t(a)] + s[size_t(b)]) & 0xFF)];
    }
}

QByteArray encodeHeader(const Layout &l, quint16 codePage) {
    QByteArray page(l.pageSize, '\0');
    auto *p = reinterpret_cast<uchar *>(page.data());
    p[0] = kPageHeader;
    p[1] = 0x01;
    std::memcpy(p + kMagicOffset, kJetMagic, sizeof kJetMagic);
    p[kHeaderVersion] = l.version == Version::Jet3 ? 0 : 1;
    put16(p + kHeaderCodePage, codePage);
    if (l.version == Version::Jet4)
        put16(p + kHeaderSortOrder4, kSortGeneral);
    else
        put16(p + 0x3A, kSortGeneral);
    headerCrypt(p + kHeaderCryptStart, l.headerCryptSize);
    return page;
}

} // namespace jet::format

// ---------------------------------------------------------------------------------------------
// Numeric values: public in jet.h

namespace jet {

namespace {

constexpr int kNumericSize = 17;
constexpr quint8 kNumericNegative = 0x80;

} // namespace

std::optional<QString> numericText(const QByteArray &stored, int scale) {
    if (stored.size() != kNumericSize || scale < 0)
        return std::nullopt;
    const auto *p = reinterpret_cast<const uchar *>(stored.constData());
    // The magnitude as four 32-bit words, the most significant first, as stored.
    quint32 words[4];
    for (int w = 0; w < 4; ++w)
        words[w] = format::u32(p + 1 + 4 * w);
    // Nine decimal digits at a time, the lowest first, by long division.
    QString digits;
    for (;;) {
        quint64 rest = 0;
        bool zero = true;
        for (quint32 &w : words) {
            const quint64 part = (rest << 32) | w;
            w = quint32(part / 1000000000u);
            rest = part % 1000000000u;
            zero = zero && w == 0;
        }
        const QString chunk = QString::number(rest);
        digits.prepend(zero ? chunk : chunk.rightJustified(9, QLatin1Char('0')));
        if (zero)
            break;
    }
    if (digits.size() <= scale)
        digits = digits.rightJustified(scale + 1, QLatin1Char('0'));
    if (scale > 0)
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    if (p[0] & kNumericNegative)
        digits.prepend(QLatin1Char('-'));
    return digits;
}

std::optional<QByteArray> numericBytes(const QString &text, int scale) {
    if (scale < 0)
        return std::nullopt;
    QStringView s(text);
    const bool negative = s.startsWith(QLatin1Char('-'));
    if (negative)
        s = s.mid(1);
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    const QStringView whole = point < 0 ? s : s.left(point);
    const QStringView fraction = point < 0 ? QStringView() : s.mid(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || fraction.size() > scale)
        return std::nullopt;
    quint32 words[4] = {0, 0, 0, 0}; // the most significant first
    auto addDigit = [&](QChar c) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        quint64 carry = quint64(c.unicode() - u'0');
        for (int w = 3; w >= 0; --w) {
            const quint64 part = quint64(words[w]) * 10 + carry;
            words[w] = quint32(part);
            carry = part >> 32;
        }
        return carry == 0;
    };
    for (QChar c : whole)
        if (!addDigit(c))
            return std::nullopt;
    for (qsizetype i = 0; i < scale; ++i)
        if (!addDigit(i < fraction.size() ? fraction[i] : QLatin1Char('0')))
            return std::nullopt;
    QByteArray out(kNumericSize, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    p[0] = negative ? kNumericNegative : 0;
    for (int w = 0; w < 4; ++w)
        format::put32(p + 1 + 4 * w, words[w]);
    return out;
}

} // namespace jet
