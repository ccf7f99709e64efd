#pragma once

// The pages of a database being made or changed, in memory: allocation with reuse of free pages,
// the database's map of free pages (page 1, row 0), usage-map rows and rows stacked on data pages.
// Everything that writes a file goes through one PageStore; the bytes are written out whole at
// the end, so a failure leaves nothing half-written.

#include "data/jet/format.h"

#include <QByteArray>
#include <QString>

#include <set>
#include <vector>

namespace jet::detail {

class PageStore {
public:
    // A new, empty file of the given version: no pages at all.
    explicit PageStore(const format::Layout &l, const QString &file);
    // The pages of an existing file; reads the map of free pages. Throws FormatError (Unsupported)
    // when that map is not one this code can keep up to date.
    PageStore(const format::Layout &l, const QString &file, const QByteArray &bytes);

    const format::Layout &layout() const { return m_l; }
    const QString &file() const { return m_file; }
    quint32 count() const { return quint32(m_pages.size()); }

    uchar *page(quint32 n);
    const uchar *page(quint32 n) const;

    // A zeroed page: the lowest free one, else a new one at the end.
    quint32 allocate();
    // A new page at the end (the first pages of a new file have fixed places).
    quint32 append();
    // Gives a page back: zeroed and marked free, to be reused by allocate().
    void release(quint32 n);
    bool isFree(quint32 n) const { return m_free.count(n) != 0; }

    // Writes the map of free pages into page 1 and returns the whole file.
    QByteArray finish();

private:
    void readFreeMap();

    const format::Layout &m_l;
    QString m_file;
    std::vector<QByteArray> m_pages;
    std::set<quint32> m_free;
};

// Where a row lies: its pg_row and its bytes' place on the page.
struct PlacedRow {
    quint32 pgRow = 0;
    quint32 page = 0;
    int offset = 0;
};

// Stacks rows downward from the end of data pages of one owner, starting a new page when a row
// does not fit.
class RowPacker {
public:
    // owner: the table definition's page, or 0; lval: long-value pages ("LVAL" in place of owner).
    RowPacker(PageStore &pages, quint32 owner, bool lval)
        : m_store(pages)
        , m_owner(owner)
        , m_lval(lval) {}

    PlacedRow place(const QByteArray &row);
    // Continues on an existing page of this owner (its rows kept).
    void resume(quint32 page);

    // The pages started so far, in order.
    const std::vector<quint32> &pages() const { return m_started; }

private:
    bool fits(int size) const;
    void start(quint32 page);

    PageStore &m_store;
    quint32 m_owner;
    bool m_lval;
    bool m_open = false;
    quint32 m_page = 0;
    int m_rows = 0;
    int m_end = 0;
    std::vector<quint32> m_started;
};

// Free bytes on a data page after its row table, as Jet keeps them at byte 2.
int freeSpace(const format::Layout &l, const uchar *page);
// The bytes of row r of a data page (no flags), or an empty span when it is out of bounds.
struct RowSpan {
    int start = 0;
    int end = 0;
    quint16 flags = 0;
};
std::optional<RowSpan> rowSpan(const format::Layout &l, const uchar *page, int row);

// Usage maps: a row (its length fixed when the table was made) naming a set of pages, inline as a
// bitmap from a start page (type 0) or through map pages (type 1).
// The pages a map names; throws FormatError (Malformed) when the row or its map pages are bad.
std::vector<quint32> readUsageMap(const PageStore &store, quint32 pgRow);
// Rewrites the map row in place so that it names exactly these pages, turning an inline map into
// one with map pages when they do not fit its bitmap. The map pages it held before are released
// or reused.
void writeUsageMap(PageStore &store, quint32 pgRow, std::vector<quint32> pages);
// A new map row (Access's size: a 64-byte bitmap in Jet 4, 128 in Jet 3) naming no pages.
QByteArray emptyUsageMapRow(const format::Layout &l);

} // namespace jet::detail
