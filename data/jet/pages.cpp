#include "data/jet/pages.h"

#include "data/jet/errors.h"

#include <algorithm>
#include <cstring>

namespace jet::detail {

using namespace format;
using Kind = FormatError::Kind;

namespace {

constexpr quint32 kFreeMapPage = 1;
constexpr int kUsageMapHeader = 5; // type byte, then the inline map's u32 start page
constexpr quint8 kMapInline = 0;
constexpr quint8 kMapReference = 1;

// Access's inline bitmaps: 64 bytes on a Jet 4 page, 128 on a Jet 3 one.
int inlineMapBytes(const Layout &l) {
    return l.version == Version::Jet4 ? 64 : 128;
}

} // namespace

PageStore::PageStore(const Layout &l, const QString &file)
    : m_l(l)
    , m_file(file) {}

PageStore::PageStore(const Layout &l, const QString &file, const QByteArray &bytes)
    : m_l(l)
    , m_file(file) {
    const qsizetype n = bytes.size() / l.pageSize;
    m_pages.reserve(size_t(n));
    for (qsizetype i = 0; i < n; ++i)
        m_pages.push_back(bytes.mid(i * l.pageSize, l.pageSize));
    readFreeMap();
}

uchar *PageStore::page(quint32 n) {
    Q_ASSERT(n < m_pages.size());
    return reinterpret_cast<uchar *>(m_pages[n].data());
}

const uchar *PageStore::page(quint32 n) const {
    Q_ASSERT(n < m_pages.size());
    return reinterpret_cast<const uchar *>(m_pages[n].constData());
}

quint32 PageStore::allocate() {
    if (m_free.empty())
        return append();
    const quint32 n = *m_free.begin();
    m_free.erase(m_free.begin());
    std::memset(page(n), 0, size_t(m_l.pageSize));
    return n;
}

quint32 PageStore::append() {
    m_pages.emplace_back(m_l.pageSize, '\0');
    return quint32(m_pages.size() - 1);
}

void PageStore::release(quint32 n) {
    Q_ASSERT(n > kFreeMapPage && n < m_pages.size());
    std::memset(page(n), 0, size_t(m_l.pageSize));
    m_free.insert(n);
}

// Page 1, row 0 marks the pages Jet may hand out: free pages, and (in an inline map) every page
// past the end of the file within the map's range. Pages the map does not cover are taken as used.
void PageStore::readFreeMap() {
    if (m_pages.size() <= kFreeMapPage)
        return;
    const uchar *pg = page(kFreeMapPage);
    if (pg[0] != kPageData || u16(pg + m_l.dataRowCount) < 1)
        detail::fail(Kind::Unsupported, m_file,
                     QStringLiteral("на странице 1 нет карты свободных страниц, такую базу нельзя изменить"));
    const std::vector<quint32> pages = readUsageMap(*this, pgRow(kFreeMapPage, 0));
    for (quint32 p : pages) {
        if (p > kFreeMapPage && p < m_pages.size())
            m_free.insert(p);
    }
}

QByteArray PageStore::finish() {
    if (m_pages.size() > kFreeMapPage) {
        // Free pages at the end of the file are dropped rather than kept as free.
        while (!m_free.empty() && *m_free.rbegin() == m_pages.size() - 1) {
            m_free.erase(std::prev(m_free.end()));
            m_pages.pop_back();
        }
        std::vector<quint32> free(m_free.begin(), m_free.end());
        writeUsageMap(*this, pgRow(kFreeMapPage, 0), free);
        // Map pages taken by that write were free pages: write once more without them.
        if (free.size() != m_free.size() || !std::equal(free.begin(), free.end(), m_free.begin())) {
            free.assign(m_free.begin(), m_free.end());
            writeUsageMap(*this, pgRow(kFreeMapPage, 0), free);
        }
        // An inline map also marks the pages past the end that its bitmap covers, as Access does.
        uchar *pg = page(kFreeMapPage);
        if (auto span = rowSpan(m_l, pg, 0); span && pg[span->start] == kMapInline) {
            const quint32 start = u32(pg + span->start + 1);
            const int bits = (span->end - span->start - kUsageMapHeader) * 8;
            for (int b = 0; b < bits; ++b) {
                if (start + quint32(b) >= m_pages.size())
                    pg[span->start + kUsageMapHeader + b / 8] |= uchar(1 << (b % 8));
            }
        }
    }
    QByteArray out;
    out.reserve(qsizetype(m_pages.size()) * m_l.pageSize);
    for (const QByteArray &p : m_pages)
        out += p;
    return out;
}

// ---------------------------------------------------------------------------------------------

int freeSpace(const Layout &l, const uchar *pg) {
    const int rows = u16(pg + l.dataRowCount);
    const int last =
        rows == 0 ? l.pageSize : (u16(pg + l.dataRowCount + 2 + 2 * (rows - 1)) & kRowOffsetMask);
    return last - (l.dataRowCount + 2 + 2 * rows);
}

std::optional<RowSpan> rowSpan(const Layout &l, const uchar *pg, int row) {
    const int rows = u16(pg + l.dataRowCount);
    if (row < 0 || row >= rows || l.dataRowCount + 2 + 2 * rows > l.pageSize)
        return std::nullopt;
    const uchar *offsets = pg + l.dataRowCount + 2;
    const quint16 raw = u16(offsets + 2 * row);
    const int start = raw & kRowOffsetMask;
    const int end = row == 0 ? l.pageSize : u16(offsets + 2 * (row - 1)) & kRowOffsetMask;
    if (start < l.dataRowCount + 2 + 2 * rows || start > end || end > l.pageSize)
        return std::nullopt;
    return RowSpan{start, end, quint16(raw & ~kRowOffsetMask)};
}

void RowPacker::start(quint32 n) {
    m_started.push_back(n);
    m_open = true;
    m_page = n;
    m_rows = 0;
    const Layout &l = m_store.layout();
    m_end = l.pageSize;
    uchar *pg = m_store.page(n);
    pg[0] = kPageData;
    pg[1] = 0x01;
    if (m_lval)
        std::memcpy(pg + 4, "LVAL", 4);
    else
        put32(pg + 4, m_owner);
    put16(pg + 2, quint16(m_end - (l.dataRowCount + 2)));
}

void RowPacker::resume(quint32 n) {
    const Layout &l = m_store.layout();
    const uchar *pg = m_store.page(n);
    m_open = true;
    m_page = n;
    m_rows = u16(pg + l.dataRowCount);
    m_end = m_rows == 0 ? l.pageSize : (u16(pg + l.dataRowCount + 2 + 2 * (m_rows - 1)) & kRowOffsetMask);
}

bool RowPacker::fits(int size) const {
    const Layout &l = m_store.layout();
    return m_rows < kMaxRowsPerPage && m_end - size >= l.dataRowCount + 2 + 2 * (m_rows + 1);
}

PlacedRow RowPacker::place(const QByteArray &row) {
    if (!m_open || !fits(int(row.size())))
        start(m_store.allocate());
    const Layout &l = m_store.layout();
    uchar *pg = m_store.page(m_page);
    m_end -= int(row.size());
    std::memcpy(pg + m_end, row.constData(), size_t(row.size()));
    put16(pg + l.dataRowCount + 2 + 2 * m_rows, quint16(m_end));
    ++m_rows;
    put16(pg + l.dataRowCount, quint16(m_rows));
    put16(pg + 2, quint16(m_end - (l.dataRowCount + 2 + 2 * m_rows)));
    return PlacedRow{pgRow(m_page, m_rows - 1), m_page, m_end};
}

// ---------------------------------------------------------------------------------------------

namespace {

[[noreturn]] void badMap(const PageStore &store, quint32 ref, const QString &why) {
    detail::fail(Kind::Malformed, store.file(),
                 QStringLiteral("карта страниц (страница %1, строка %2): %3")
                     .arg(pgRowPage(ref))
                     .arg(pgRowRow(ref))
                     .arg(why));
}

RowSpan mapRow(const PageStore &store, quint32 ref) {
    const quint32 n = pgRowPage(ref);
    if (n == 0 || n >= store.count())
        badMap(store, ref, QStringLiteral("страницы нет в файле"));
    const uchar *pg = store.page(n);
    if (pg[0] != kPageData)
        badMap(store, ref, QStringLiteral("страница не является страницей данных"));
    const auto span = rowSpan(store.layout(), pg, pgRowRow(ref));
    if (!span || span->end - span->start < kUsageMapHeader)
        badMap(store, ref, QStringLiteral("строки карты нет или она короче заголовка"));
    return *span;
}

} // namespace

std::vector<quint32> readUsageMap(const PageStore &store, quint32 ref) {
    const Layout &l = store.layout();
    const RowSpan span = mapRow(store, ref);
    const uchar *row = store.page(pgRowPage(ref)) + span.start;
    const int size = span.end - span.start;
    std::vector<quint32> pages;
    auto collect = [&](const uchar *bits, int bytes, quint64 first) {
        for (int i = 0; i < bytes; ++i) {
            if (!bits[i])
                continue;
            for (int b = 0; b < 8; ++b) {
                const quint64 p = first + quint64(i) * 8 + quint64(b);
                if ((bits[i] >> b) & 1 && p < store.count())
                    pages.push_back(quint32(p));
            }
        }
    };
    if (row[0] == kMapInline) {
        collect(row + kUsageMapHeader, size - kUsageMapHeader, u32(row + 1));
    } else if (row[0] == kMapReference) {
        const int perPage = l.mapPageBits();
        for (int j = 0; 1 + 4 * j + 4 <= size; ++j) {
            const quint32 mp = u32(row + 1 + 4 * j);
            if (mp == 0)
                continue;
            if (mp >= store.count() || store.page(mp)[0] != kPageUsageMap)
                badMap(store, ref, QStringLiteral("страница карты %1 не является страницей карты").arg(mp));
            collect(store.page(mp) + 4, l.pageSize - 4, quint64(j) * quint64(perPage));
        }
    } else {
        badMap(store, ref, QStringLiteral("неизвестный тип карты %1").arg(row[0]));
    }
    return pages;
}

void writeUsageMap(PageStore &store, quint32 ref, std::vector<quint32> pages) {
    const Layout &l = store.layout();
    const RowSpan span = mapRow(store, ref);
    const quint32 mapPage = pgRowPage(ref);
    const int size = span.end - span.start;
    std::sort(pages.begin(), pages.end());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());

    // The map pages a reference map held: reused in their order, the rest given back.
    std::vector<quint32> oldMapPages;
    {
        const uchar *row = store.page(mapPage) + span.start;
        if (row[0] == kMapReference) {
            for (int j = 0; 1 + 4 * j + 4 <= size; ++j) {
                const quint32 mp = u32(row + 1 + 4 * j);
                if (mp != 0 && mp < store.count() && store.page(mp)[0] == kPageUsageMap)
                    oldMapPages.push_back(mp);
            }
        }
    }

    const int inlineBits = (size - kUsageMapHeader) * 8;
    const quint32 start = pages.empty() || pages.back() < quint32(inlineBits) ? 0 : pages.front();
    if (pages.empty() || pages.back() - start < quint32(inlineBits)) {
        uchar *row = store.page(mapPage) + span.start;
        std::memset(row, 0, size_t(size));
        row[0] = kMapInline;
        put32(row + 1, start);
        for (quint32 p : pages)
            row[kUsageMapHeader + (p - start) / 8] |= uchar(1 << ((p - start) % 8));
        for (quint32 mp : oldMapPages)
            store.release(mp);
        return;
    }

    const int perPage = l.mapPageBits();
    const int slotCount = (size - 1) / 4;
    const quint32 lastSlot = pages.back() / quint32(perPage);
    if (lastSlot >= quint32(slotCount))
        detail::fail(Kind::Unsupported, store.file(),
                     QStringLiteral("карта страниц не вмещает страницу %1").arg(pages.back()));
    std::vector<quint32> slotPage(size_t(lastSlot) + 1, 0);
    size_t reuse = 0;
    for (quint32 p : pages) {
        quint32 &mp = slotPage[p / quint32(perPage)];
        if (mp != 0)
            continue;
        mp = reuse < oldMapPages.size() ? oldMapPages[reuse++] : store.allocate();
        uchar *pg = store.page(mp);
        std::memset(pg, 0, size_t(l.pageSize));
        pg[0] = kPageUsageMap;
        pg[1] = 0x01;
    }
    for (; reuse < oldMapPages.size(); ++reuse)
        store.release(oldMapPages[reuse]);
    for (quint32 p : pages) {
        const int bit = int(p % quint32(perPage));
        store.page(slotPage[p / quint32(perPage)])[4 + bit / 8] |= uchar(1 << (bit % 8));
    }
    uchar *row = store.page(mapPage) + span.start;
    std::memset(row, 0, size_t(size));
    row[0] = kMapReference;
    for (size_t j = 0; j < slotPage.size(); ++j)
        put32(row + 1 + 4 * j, slotPage[j]);
}

QByteArray emptyUsageMapRow(const Layout &l) {
    return QByteArray(kUsageMapHeader + inlineMapBytes(l), '\0');
}

} // namespace jet::detail
