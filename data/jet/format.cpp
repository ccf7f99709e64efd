#include "data/jet/format.h"

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
        .tdefTableType = 20,
        .tdefMaxCols = 21,
        .tdefNumVarCols = 23,
        .tdefNumCols = 25,
        .tdefNumRealIdx = 31,
        .tdefUsageMap = 35,
        .tdefFreeMap = 39,
        .tdefBlockEnd = 43,
        .realIdxSize = 8,
        .colSize = 18,
        .colNum = 1,
        .colVarIndex = 3,
        .colNum2 = 5,
        .colSortOrder = 7,
        .colCodePage = 9,
        .colFlags = 13,
        .colMiscFlags = -1,
        .colFixedOffset = 14,
        .colLength = 16,
        .nameLengthSize = 1,
        .rowCountSize = 1,
    };
    static const Layout jet4{
        .version = Version::Jet4,
        .pageSize = 4096,
        .headerCryptSize = 128,
        .passwordSize = 40,
        .dataRowCount = 12,
        .tdefNumRows = 16,
        .tdefTableType = 40,
        .tdefMaxCols = 41,
        .tdefNumVarCols = 43,
        .tdefNumCols = 45,
        .tdefNumRealIdx = 51,
        .tdefUsageMap = 55,
        .tdefFreeMap = 59,
        .tdefBlockEnd = 63,
        .realIdxSize = 12,
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
        .nameLengthSize = 2,
        .rowCountSize = 2,
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

// Bytes 0x80..0xFF of Windows-1251 and Windows-1252. The holes (1251: 0x98; 1252: 0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the C1 control of the same number, as Windows does.
constexpr std::array<char16_t, 128> kCp1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
constexpr std::array<char16_t, 32> kCp1252Low = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
}; // 0xA0..0xFF are Latin-1

char16_t fromCodePage(uchar b, int codePage) {
    if (b < 0x80)
        return b;
    if (codePage == 1252)
        return b < 0xA0 ? kCp1252Low[b - 0x80] : char16_t(b);
    return kCp1251[b - 0x80];
}

// The Windows-1251 byte of c, or -1. The hole 0x98 is not a character and is not written.
int toCp1251(char16_t c) {
    if (c < 0x80)
        return c;
    for (int i = 0; i < 128; ++i) {
        if (kCp1251[i] == c && i != 0x18)
            return 0x80 + i;
    }
    return -1;
}

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

qsizetype firstUnstorableChar(Version version, const QString &text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (version == Version::Jet4 ? QChar::isSurrogate(c) : toCp1251(c) < 0)
            return i;
    }
    return -1;
}

std::optional<QByteArray> encodeText(Version version, const QString &text, bool allowCompression) {
    if (firstUnstorableChar(version, text) >= 0)
        return std::nullopt;
    if (version == Version::Jet3) {
        QByteArray out(text.size(), Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            out[i] = char(toCp1251(text.at(i).unicode()));
        return out;
    }
    QByteArray plain(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        put16(reinterpret_cast<uchar *>(plain.data()) + 2 * i, text.at(i).unicode());
    // Access compresses only values up to 1024 characters, and only when it saves space.
    if (allowCompression && text.size() <= 1024) {
        if (auto packed = compress(text); packed && packed->size() < plain.size())
            return packed;
    }
    // A plain value starting with FF FE would read back as compressed.
    if (plain.startsWith("\xFF\xFE"))
        return std::nullopt;
    return plain;
}

std::optional<QString> decodeText(Version version, const uchar *data, qsizetype size, int codePage) {
    if (version == Version::Jet3) {
        QString out(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            out[i] = QChar(fromCodePage(data[i], codePage));
        return out;
    }
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

QByteArray encodeTdef(const Layout &l, const TableDef &def) {
    QByteArray names;
    for (const ColumnDef &c : def.columns) {
        // The writer has checked that every name is storable.
        const QByteArray bytes = *encodeText(l.version, c.name, false);
        QByteArray len(l.nameLengthSize, '\0');
        if (l.nameLengthSize == 1)
            len[0] = char(bytes.size());
        else
            put16(reinterpret_cast<uchar *>(len.data()), quint16(bytes.size()));
        names += len + bytes;
    }
    const qsizetype size = l.tdefBlockEnd + def.columns.size() * l.colSize + names.size() + 2;
    QByteArray out(size, '\0');
    auto *p = reinterpret_cast<uchar *>(out.data());
    p[0] = kPageTdef;
    p[1] = 0x01;
    if (l.version == Version::Jet3) {
        p[2] = 'V';
        p[3] = 'C';
    }
    put32(p + 8, quint32(size - 8));
    put32(p + l.tdefNumRows, def.numRows);
    p[l.tdefTableType] = def.tableType;
    put16(p + l.tdefMaxCols, quint16(def.maxCols));
    put16(p + l.tdefNumVarCols, quint16(def.numVarCols));
    put16(p + l.tdefNumCols, quint16(def.columns.size()));
    put32(p + l.tdefUsageMap, def.usageMap);
    put32(p + l.tdefFreeMap, def.freeMap);
    uchar *col = p + l.tdefBlockEnd;
    for (const ColumnDef &c : def.columns) {
        col[0] = quint8(c.type);
        put16(col + l.colNum, quint16(c.number));
        put16(col + l.colVarIndex, quint16(c.varIndex));
        put16(col + l.colNum2, quint16(c.number));
        if (isTextual(c.type)) {
            put16(col + l.colSortOrder, kSortGeneral);
            if (l.colCodePage >= 0)
                put16(col + l.colCodePage, 1251);
        }
        col[l.colFlags] = c.flags;
        if (l.colMiscFlags >= 0)
            col[l.colMiscFlags] = c.miscFlags;
        put16(col + l.colFixedOffset, quint16(c.fixedOffset));
        put16(col + l.colLength, quint16(c.length));
        col += l.colSize;
    }
    std::memcpy(col, names.constData(), size_t(names.size()));
    put16(col + names.size(), 0xFFFF); // end of the (empty) list of per-column usage maps
    return out;
}

std::optional<TableDef> parseTdef(const Layout &l, const QByteArray &block, int codePage, QString *fault) {
    const auto *p = reinterpret_cast<const uchar *>(block.constData());
    const qint64 size = block.size();
    if (size < l.tdefBlockEnd) {
        *fault = QStringLiteral("описание таблицы короче своего заголовка");
        return std::nullopt;
    }
    TableDef def;
    def.numRows = u32(p + l.tdefNumRows);
    def.tableType = p[l.tdefTableType];
    def.maxCols = u16(p + l.tdefMaxCols);
    def.numVarCols = u16(p + l.tdefNumVarCols);
    const int numCols = u16(p + l.tdefNumCols);
    const quint32 numRealIdx = u32(p + l.tdefNumRealIdx);
    def.usageMap = u32(p + l.tdefUsageMap);
    def.freeMap = u32(p + l.tdefFreeMap);

    qint64 pos = l.tdefBlockEnd + qint64(numRealIdx) * l.realIdxSize;
    if (pos + qint64(numCols) * l.colSize > size) {
        *fault = QStringLiteral("описания %1 столбцов и %2 индексов не помещаются в описание таблицы")
                     .arg(numCols)
                     .arg(numRealIdx);
        return std::nullopt;
    }
    def.columns.reserve(numCols);
    for (int i = 0; i < numCols; ++i, pos += l.colSize) {
        const uchar *col = p + pos;
        ColumnDef c;
        c.type = ColumnType(col[0]);
        c.number = u16(col + l.colNum);
        c.varIndex = u16(col + l.colVarIndex);
        c.flags = col[l.colFlags];
        c.miscFlags = l.colMiscFlags >= 0 ? col[l.colMiscFlags] : 0;
        c.fixedOffset = u16(col + l.colFixedOffset);
        c.length = u16(col + l.colLength);
        def.columns.append(c);
    }
    for (int i = 0; i < numCols; ++i) {
        if (pos + l.nameLengthSize > size) {
            *fault = QStringLiteral("имя столбца %1 выходит за пределы описания таблицы").arg(i + 1);
            return std::nullopt;
        }
        const int len = l.nameLengthSize == 1 ? p[pos] : u16(p + pos);
        pos += l.nameLengthSize;
        if (pos + len > size) {
            *fault = QStringLiteral("имя столбца %1 выходит за пределы описания таблицы").arg(i + 1);
            return std::nullopt;
        }
        // Names are plain UCS-2 in Jet 4 (never compressed), code-page bytes in Jet 3.
        std::optional<QString> name;
        if (l.version == Version::Jet4 && len % 2 == 0) {
            QString s(len / 2, Qt::Uninitialized);
            for (int k = 0; k < len / 2; ++k)
                s[k] = QChar(char16_t(u16(p + pos + 2 * k)));
            name = s;
        } else if (l.version == Version::Jet3) {
            name = decodeText(l.version, p + pos, len, codePage);
        }
        if (!name) {
            *fault = QStringLiteral("имя столбца %1 записано с ошибкой").arg(i + 1);
            return std::nullopt;
        }
        def.columns[i].name = *name;
        pos += len;
    }
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
