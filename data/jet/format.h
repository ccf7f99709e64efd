#pragma once

// The on-disk description of a Jet database shared by the reader and the writer: page and table
// definition layouts per version, column descriptors, the row layout, memo headers, text
// encodings and the header's RC4 area. Nothing here throws FormatError: parsers return
// std::nullopt or a fault text, and the reader turns it into an error naming the file.

#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace jet::format {

// Offsets and sizes that differ between Jet 3 (Access 97) and Jet 4 (Access 2000-2003).
struct Layout {
    Version version;
    int pageSize;        // 2048 / 4096
    int headerCryptSize; // RC4-encrypted bytes at kHeaderCryptStart: 126 / 128
    int passwordSize;    // password bytes at kHeaderPassword: 20 / 40

    // Data pages (also long-value and map-row pages).
    int dataRowCount; // u16 row count; the u16 row offsets follow

    // Table definition: the header block, then per real index its entry count, the column
    // descriptors, the column names, the real-index definitions, the logical-index definitions,
    // the logical-index names and (Jet 4) the long-value columns' usage maps.
    int tdefNumRows, tdefAutoNumber, tdefTableType, tdefMaxCols, tdefNumVarCols, tdefNumCols, tdefNumIdx,
        tdefNumRealIdx, tdefUsageMap, tdefFreeMap, tdefBlockEnd;
    int realIdxSize;     // per real index, right after the block: 4 unknown bytes, u32 count (, 4 more)
    int realIdxDefSize;  // one real-index definition
    int realIdxDefStart; // bytes before its ten (u16 col_num, u8 order) slots
    int logIdxSize;      // one logical-index definition
    int logIdxStart;     // bytes before its index number
    bool hasColumnMaps;  // the list of long-value usage maps ending in 0xFFFF
    int colSize;         // one column descriptor
    // Offsets inside a column descriptor.
    int colNum, colVarIndex, colNum2, colSortOrder, colCodePage, colFlags, colMiscFlags, colFixedOffset,
        colLength;
    int colPrecision, colScale; // Numeric columns: one byte each
    int nameLengthSize;         // column/index names: u8 length + code-page bytes / u16 length + UCS-2

    // Rows: num_cols, eod, variable offsets and the variable count are u8 / u16.
    int rowCountSize;

    // Index pages (types 0x03 and 0x04): u32 links to the pages before and after on the same
    // level and to an intermediate page's last child, u16 length of the prefix the page's entries
    // share, the entry-end bitmask and the entries after it.
    int idxPrev, idxNext, idxTail, idxPrefixLength, idxMask, idxMaskSize;
    int idxEntriesStart() const { return idxMask + idxMaskSize; }
    // Bytes of entries one index page holds: the room after the mask, and no more than the mask
    // can mark.
    int idxMaxEntryBytes() const { return std::min(pageSize - idxEntriesStart(), idxMaskSize * 8); }

    // Largest row a data page holds (the page less its header and one offset entry).
    int maxRowSize() const { return pageSize - dataRowCount - 2 - 2; }
    // Bits of one usage-map page (type 0x05): the page less its 4-byte header.
    int mapPageBits() const { return (pageSize - 4) * 8; }
};

const Layout &layout(Version version);

// Header (page 0).
inline constexpr int kHeaderVersion = 0x14;
inline constexpr int kHeaderCryptStart = 0x18;
inline constexpr int kHeaderCodePage = 0x3C;
inline constexpr int kHeaderDbKey = 0x3E;
inline constexpr int kHeaderPassword = 0x42;
inline constexpr int kHeaderSortOrder3 = 0x3A;
inline constexpr int kHeaderSortOrder4 = 0x6E;
inline constexpr int kHeaderCreationDate = 0x72;
inline constexpr char kJetMagic[] = "Standard Jet DB"; // at byte 4
inline constexpr char kAceMagic[] = "Standard ACE DB";
inline constexpr int kMagicOffset = 4;

// Page types (byte 0).
inline constexpr quint8 kPageHeader = 0x00;
inline constexpr quint8 kPageData = 0x01;
inline constexpr quint8 kPageTdef = 0x02;
inline constexpr quint8 kPageIndexNode = 0x03;
inline constexpr quint8 kPageIndexLeaf = 0x04;
inline constexpr quint8 kPageUsageMap = 0x05;

// Row offset entries on data pages.
inline constexpr quint16 kRowOffsetMask = 0x1FFF;
inline constexpr quint16 kRowDeleted = 0x8000;
inline constexpr quint16 kRowOverflow = 0x4000;
inline constexpr int kMaxRowsPerPage = 255; // a pg_row has 8 bits for the row

// Table types (TDEF byte tdefTableType).
inline constexpr quint8 kUserTable = 0x4E;
inline constexpr quint8 kSystemTable = 0x53;
inline constexpr quint32 kCatalogTdefPage = 2;

// Column flags.
inline constexpr quint8 kColFixed = 0x01;
inline constexpr quint8 kColNullable = 0x02;
inline constexpr quint8 kColCompressedUnicode = 0x01; // misc flags
inline constexpr quint16 kSortGeneral = 0x0409;

// Memo/OLE value header: u32 length (30 bits) with the storage kind in the two top bits, u32 pg_row,
// u32 0.
inline constexpr int kMemoHeaderSize = 12;
inline constexpr quint32 kMemoInline = 0x80000000u;
inline constexpr quint32 kMemoSingle = 0x40000000u;
inline constexpr quint32 kMemoLengthMask = 0x3FFFFFFFu;
inline constexpr int kMemoChainLinkSize = 4; // each chain row starts with the next pg_row

// pg_row: (page << 8) | row.
inline quint32 pgRow(quint32 page, int row) {
    return (page << 8) | quint32(row);
}
inline quint32 pgRowPage(quint32 v) {
    return v >> 8;
}
inline int pgRowRow(quint32 v) {
    return int(v & 0xFF);
}

// Little-endian access. Callers check the bounds.
inline quint16 u16(const uchar *p) {
    return quint16(p[0] | (p[1] << 8));
}
inline quint32 u32(const uchar *p) {
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}
inline void put16(uchar *p, quint16 v) {
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}
inline void put32(uchar *p, quint32 v) {
    put16(p, quint16(v));
    put16(p + 2, quint16(v >> 16));
}

// Bytes of a fixed-length column type; 0 for variable-length types and Boolean (no storage).
int fixedSize(ColumnType type);
bool isLongValue(ColumnType type); // Memo and OLE: a 12-byte header, data inline or on LVAL pages
bool isTextual(ColumnType type);   // Text and Memo

// One column descriptor of a table definition.
struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::LongInteger;
    int number = 0;      // col_num: sorts the columns and picks the null-mask bit
    int varIndex = 0;    // index in a row's variable-offset table (variable columns)
    int fixedOffset = 0; // offset in a row's fixed area (fixed columns)
    int length = 0;      // declared length
    int precision = 0;   // Numeric columns
    int scale = 0;
    quint8 flags = 0;
    quint8 miscFlags = 0;
    // The descriptor as read (colSize bytes), so that what this code does not interpret (a text
    // column's sort order and code page, say) is written back as it was; empty when made here.
    QByteArray raw;
    bool isFixed() const { return flags & kColFixed; }
};

// One column of an index: its col_num and direction.
struct IndexColumnDef {
    int number = 0;
    bool ascending = true;
};

// A real index: one B-tree of entries, shared by the logical indexes that name it.
inline constexpr quint8 kIndexUnique = 0x01;
inline constexpr quint8 kIndexIgnoreNulls = 0x02;
inline constexpr quint8 kIndexRequired = 0x08;
inline constexpr quint8 kIndexAlways = 0x80; // set by Access 2000 and later on every index
inline constexpr int kMaxIndexColumns = 10;
struct RealIndexDef {
    QList<IndexColumnDef> columns; // 1..10
    // The count stored after the definition's header block. Access counts distinct keys added and
    // never decrements it; a freshly built index holds its number of distinct keys.
    quint32 rowCount = 0;
    quint32 usageMap = 0;  // pg_row of the usage map of its index pages
    quint32 firstPage = 0; // the root page of the B-tree
    quint8 flags = 0;      // kIndexUnique | kIndexIgnoreNulls | kIndexRequired (| kIndexAlways)
    // The definition and the count entry as read, so that what this code does not interpret is
    // written back as it was; empty when made here.
    QByteArray unknown;
    QByteArray unknownCount;
};

// A logical index: a name over a real index. Primary keys and foreign keys are logical indexes.
inline constexpr quint8 kIndexNormal = 0x00;
inline constexpr quint8 kIndexPrimaryKey = 0x01;
inline constexpr quint8 kIndexForeignKey = 0x02;
struct LogicalIndexDef {
    QString name;
    int number = 0;
    int realIndex = 0;
    quint8 kind = kIndexNormal;
    // A foreign key's other end, kept as read.
    quint8 relTableType = 0;
    qint32 relIndex = -1;
    quint32 relTable = 0;
    quint8 cascadeUpdates = 0;
    quint8 cascadeDeletes = 0;
    QByteArray unknown; // the definition as read; empty when made here
};

// Jet 4 keeps, per long-value column, the usage maps of its long-value pages.
struct ColumnMapDef {
    int number = 0;        // col_num
    quint32 usedPages = 0; // pg_row of the usage map of the column's LVAL pages
    quint32 freePages = 0; // pg_row of the map of those with free space
};

struct TableDef {
    quint8 tableType = kUserTable;
    quint32 numRows = 0;
    quint32 autoNumber = 0; // the last autonumber handed out
    int maxCols = 0;
    int numVarCols = 0;
    quint32 usageMap = 0;     // pg_row of the usage-map row
    quint32 freeMap = 0;      // pg_row of the free-space-map row
    QList<ColumnDef> columns; // in descriptor order
    QList<RealIndexDef> realIndexes;
    QList<LogicalIndexDef> indexes;
    QList<ColumnMapDef> columnMaps;
    // The header block as read (tdefBlockEnd bytes), so that the fields this code does not
    // interpret are written back as they were; empty when made here.
    QByteArray unknownHeader;
};

// Text in the database's encoding (code_page.h): Jet 4 UCS-2LE (compressed when shorter and
// allowed), Jet 3 the code page. encodeText returns nullopt when a character cannot be stored.
std::optional<QByteArray> encodeText(Version version, const QString &text, bool allowCompression,
                                     int codePage = 1251);
std::optional<QString> decodeText(Version version, const uchar *data, qsizetype size, int codePage);

// The serialised table definition (all pages' content as one block, page header included as for
// one page; bytes 2-7, the free space and the next page, are the caller's). A definition parsed
// from a block encodes to the same bytes. parseTdef returns a fault text in *fault on failure.
// codePage: the one Jet 3 names are in (as given to parseTdef).
QByteArray encodeTdef(const Layout &l, const TableDef &def, int codePage = 1251);
std::optional<TableDef> parseTdef(const Layout &l, const QByteArray &block, int codePage, QString *fault);

// A row as stored: for each column, whether its null-mask bit is set, and its bytes.
struct FieldBytes {
    bool present = false; // null-mask bit: not NULL, or a Boolean's value
    const uchar *data = nullptr;
    int size = 0;
};
// Splits a row into its fields (indexed like def.columns). Returns a fault text on failure.
QString splitRow(const Layout &l, const TableDef &def, const uchar *row, int rowSize,
                 std::vector<FieldBytes> &out);
// Builds a row from fields (indexed like def.columns; fixed fields hold exactly fixedSize bytes).
QByteArray joinRow(const Layout &l, const TableDef &def, const std::vector<std::optional<QByteArray>> &fields,
                   const std::vector<bool> &booleans);

// The header page with the given version and code page, RC4 area encrypted.
QByteArray encodeHeader(const Layout &l, quint16 codePage);
// RC4 with the header key (symmetric).
void headerCrypt(uchar *data, int size);

} // namespace jet::format
