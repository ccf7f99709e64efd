#pragma once

// Jet indexes: the key bytes of an index entry, and the B-tree of index pages that holds a real
// index's entries. Shared by the writer (which builds an index whole from a table's rows) and by
// checks that read an index back. Nothing here throws: functions return std::nullopt, with a
// fault text where the input came from a file.

#include "data/jet/format.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace jet::index {

// One column of an index, as the key needs it.
struct KeyColumn {
    ColumnType type = ColumnType::LongInteger;
    bool ascending = true;
};

// The key bytes of one entry: for each column a flag byte (0x7F ascending, 0x80 descending; a NULL
// is the single byte 0x00 ascending, 0xFF descending), then the value's sort bytes. Text uses the
// "General" sort order as Access writes it (Jet 4: Access 2000's, sort order 1033 version 0; Jet 3:
// Access 97's) and is keyed on its first 255 characters. A Boolean is never NULL (std::monostate
// counts as false), as Jet keeps it in the row's null mask.
// nullopt when a value does not fit its column (a Byte of 300, text for an Integer column, a value
// list of another length) or a character is one whose sort bytes this code does not know.
std::optional<QByteArray> entryKey(Version version, const QList<KeyColumn> &columns,
                                   const QList<Value> &values);
// The same for one column.
std::optional<QByteArray> columnKey(Version version, const KeyColumn &column, const Value &value);
// The first character of text that an index key cannot hold in this version, or -1. Jet 4 knows
// printable ASCII (space to '~') and Cyrillic А-я, Ё, ё; Jet 3 printable ASCII.
qsizetype firstUnkeyableChar(Version version, const QString &text);

// One entry of an index: the key and the row it points to, (page << 8) | row.
struct Entry {
    QByteArray key;
    quint32 pgRow = 0;
    bool operator==(const Entry &) const = default;
};
// Jet's order of entries: by key bytes (unsigned, a key before the longer keys it starts), then by
// page, then by row.
bool entryLess(const Entry &a, const Entry &b);

// Where index pages go: allocate returns the number of a fresh page, all zeros; page gives the
// bytes of a page allocate returned (pageSize of them).
struct PageSink {
    std::function<quint32()> allocate;
    std::function<uchar *(quint32)> page;
};

struct BuiltIndex {
    quint32 rootPage = 0;
    std::vector<quint32> pages; // every page written, leaves first, the root last
    quint32 distinctKeys = 0;   // what the table definition stores as the index's count
};

// Sorts the entries and writes them as a B-tree of index pages owned by the table definition at
// tdefPage: leaf pages (0x04) from left to right, then as many levels of intermediate pages (0x03)
// as it takes to end in one root page. An empty index is one empty root leaf. nullopt with *fault
// when two entries are the same key for the same row or an entry is too long for a page.
std::optional<BuiltIndex> writeIndex(const format::Layout &l, quint32 tdefPage, std::vector<Entry> entries,
                                     const PageSink &sink, QString *fault);

// What reading an index found: its entries in index order, and its pages.
struct IndexContents {
    std::vector<Entry> entries;
    std::vector<quint32> leaves; // from left to right
    std::vector<quint32> pages;  // every page of the tree
    int depth = 0;               // 1 for a lone root leaf
};

// Walks an index from its root page. page returns a page's bytes, or nullptr when the file has no
// such page. nullopt with *fault (Russian) when a page is not an index page, an entry runs outside
// its page, pages loop or are shared, leaves lie at different depths, the leaves' links do not
// chain them from left to right, or the entries are out of order.
std::optional<IndexContents> readIndex(const format::Layout &l, quint32 rootPage,
                                       const std::function<const uchar *(quint32)> &page, QString *fault);

} // namespace jet::index
