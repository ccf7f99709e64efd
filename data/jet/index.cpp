#include "data/jet/index.h"

#include <QSet>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace jet::index {

using namespace jet::format;

namespace {

// ---------------------------------------------------------------------------------------------
// Keys

constexpr quint8 kStartAscending = 0x7F;
constexpr quint8 kStartDescending = 0x80;
constexpr quint8 kNullAscending = 0x00;
constexpr quint8 kNullDescending = 0xFF;
constexpr quint8 kTrueAscending = 0x00;
constexpr quint8 kFalseAscending = 0xFF;

// Access keys text on its first 255 characters, the longest a Text column holds.
constexpr qsizetype kMaxKeyChars = 255;

// Sort bytes of the characters ' ' .. '~' in Jet 4's General order (Access 2000): one byte, or two
// when above 0xFF. Case does not count. The apostrophe and the hyphen sort as if absent and are
// recorded after the text (kUnprintable, with the byte recorded there).
constexpr quint16 kUnprintable = 0x8000;
constexpr std::array<quint16, 95> kAsciiJet4 = {
    0x07,   0x09,
    0x0A,   0x0C,
    0x0E,   0x10,
    0x12,   0x80 | kUnprintable,
    0x14,   0x16,
    0x18,   0x2C,
    0x1A,   0x82 | kUnprintable,
    0x1C,   0x1E,
    0x36,   0x38,
    0x3A,   0x3C,
    0x3E,   0x40,
    0x42,   0x44,
    0x46,   0x48,
    0x20,   0x22,
    0x2E,   0x30,
    0x32,   0x24,
    0x26,   0x4A,
    0x4C,   0x4D,
    0x4F,   0x51,
    0x53,   0x55,
    0x57,   0x59,
    0x5B,   0x5C,
    0x5E,   0x60,
    0x62,   0x64,
    0x66,   0x68,
    0x69,   0x6B,
    0x6D,   0x6F,
    0x71,   0x73,
    0x75,   0x76,
    0x78,   0x27,
    0x29,   0x2A,
    0x2B02, 0x2B03,
    0x2B07, 0x4A,
    0x4C,   0x4D,
    0x4F,   0x51,
    0x53,   0x55,
    0x57,   0x59,
    0x5B,   0x5C,
    0x5E,   0x60,
    0x62,   0x64,
    0x66,   0x68,
    0x69,   0x6B,
    0x6D,   0x6F,
    0x71,   0x73,
    0x75,   0x76,
    0x78,   0x2B09,
    0x2B0B, 0x2B0D,
    0x2B0F,
};
// Jet 4: А..Я and а..я sort as 0x79 and this byte.
constexpr quint8 kCyrillicLead = 0x79;
constexpr std::array<quint8, 32> kCyrillicJet4 = {
    0x2F, 0x30, 0x31, 0x32, 0x33, 0x36, 0x38, 0x39, 0x3B, 0x3E, 0x40, 0x41, 0x43, 0x44, 0x46, 0x47,
    0x48, 0x49, 0x4A, 0x4D, 0x50, 0x51, 0x52, 0x53, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C,
};
// Ё and ё sort as Е, with this mark among the accents recorded after the text.
constexpr quint8 kYoAccent = 0x13;
// Jet 4's markers in a text key: the end of the sort bytes, a placeholder for a character without
// an accent, and the byte between an ignored character's position and its code.
constexpr quint8 kEndText = 0x01;
constexpr quint8 kNoAccent = 0x02;
constexpr quint8 kUnprintableMidfix = 0x06;
constexpr quint8 kEndKey = 0x00;

// Sort bytes of ' ' .. '~' in Jet 3's General order (Access 97), case ignored.
constexpr std::array<quint8, 95> kAsciiJet3 = {
    0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F, 0x20,
    0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26,
    0x27, 0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72,
    0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x28, 0x29, 0x2A, 0x2B, 0x2C,
    0x2D, 0x60, 0x61, 0x62, 0x64, 0x66, 0x67, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F, 0x70, 0x72,
    0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x2E, 0x2F, 0x30, 0x31,
};

bool isAscii(char16_t c) {
    return c >= 0x20 && c <= 0x7E;
}
bool isCyrillic(char16_t c) {
    return (c >= 0x0410 && c <= 0x044F) || c == 0x0401 || c == 0x0451;
}

void flip(QByteArray &bytes, qsizetype from) {
    for (qsizetype i = from; i < bytes.size(); ++i)
        bytes[i] = char(~bytes[i]);
}

void appendBigEndian(QByteArray &out, quint64 v, int size) {
    for (int i = size - 1; i >= 0; --i)
        out.append(char(quint8(v >> (8 * i))));
}

QByteArray textJet4(const QString &text, bool ascending) {
    QByteArray sort;
    QByteArray accents; // one byte per character up to the last accented one
    qsizetype accentChars = 0;
    bool anyAccent = false;
    QByteArray ignored;
    qsizetype position = 0; // characters with sort bytes so far
    for (QChar qc : QStringView(text).left(kMaxKeyChars)) {
        const char16_t c = qc.unicode();
        if (isAscii(c)) {
            const quint16 code = kAsciiJet4[size_t(c - 0x20)];
            if (code & kUnprintable) {
                // Its place counts the accent bytes written so far (placeholders included) and the
                // characters since, once any accent was written.
                const qsizetype at = anyAccent ? accents.size() + (position - accentChars) : position;
                appendBigEndian(ignored, quint16(7 + 4 * at) | 0x8000, 2);
                ignored.append(char(kUnprintableMidfix));
                ignored.append(char(code & 0xFF));
                continue;
            }
            if (code > 0xFF)
                sort.append(char(code >> 8));
            sort.append(char(code & 0xFF));
        } else {
            const bool yo = c == 0x0401 || c == 0x0451;
            const char16_t base = yo ? char16_t(0x0415) : (c >= 0x0430 ? char16_t(c - 0x20) : c);
            sort.append(char(kCyrillicLead));
            sort.append(char(kCyrillicJet4[size_t(base - 0x0410)]));
            if (yo) {
                accents.append(QByteArray(position - accentChars, char(kNoAccent)));
                accents.append(char(kYoAccent));
                accentChars = position + 1;
                anyAccent = true;
            }
        }
        ++position;
    }
    while (!accents.isEmpty() && quint8(accents.back()) <= kNoAccent)
        accents.chop(1);

    QByteArray out = sort;
    out.append(char(kEndText));
    out += accents;
    if (!ignored.isEmpty()) {
        out.append(3, char(kEndText));
        out += ignored;
    }
    if (!ascending) {
        out.append(char(kEndKey));
        flip(out, 0);
    }
    out.append(char(kEndKey));
    return out;
}

QByteArray textJet3(const QString &text, bool ascending) {
    QByteArray out;
    for (QChar qc : QStringView(text).left(kMaxKeyChars))
        out.append(char(kAsciiJet3[size_t(qc.unicode() - 0x20)]));
    out.append(char(kEndKey));
    if (!ascending)
        flip(out, 0);
    return out;
}

std::optional<qint64> integerIn(const Value &v, qint64 min, qint64 max) {
    const qint64 *i = std::get_if<qint64>(&v);
    if (!i || *i < min || *i > max)
        return std::nullopt;
    return *i;
}

} // namespace

qsizetype firstUnkeyableChar(Version version, const QString &text) {
    for (qsizetype i = 0; i < text.size() && i < kMaxKeyChars; ++i) {
        const char16_t c = text.at(i).unicode();
        if (!isAscii(c) && (version == Version::Jet3 || !isCyrillic(c)))
            return i;
    }
    return -1;
}

std::optional<QByteArray> columnKey(Version version, const KeyColumn &column, const Value &value) {
    const bool asc = column.ascending;
    if (column.type == ColumnType::Boolean) {
        const bool *b = std::get_if<bool>(&value);
        if (!b && !std::holds_alternative<std::monostate>(value))
            return std::nullopt;
        const bool truth = b && *b;
        QByteArray out(1, char(asc ? kStartAscending : kStartDescending));
        const quint8 v = truth ? kTrueAscending : kFalseAscending;
        out.append(char(asc ? v : quint8(~v)));
        return out;
    }
    if (std::holds_alternative<std::monostate>(value))
        return QByteArray(1, char(asc ? kNullAscending : kNullDescending));

    QByteArray body;
    switch (column.type) {
    case ColumnType::Byte: {
        const auto v = integerIn(value, 0, 255);
        if (!v)
            return std::nullopt;
        body.append(char(*v));
        break;
    }
    case ColumnType::Integer:
    case ColumnType::LongInteger:
    case ColumnType::Currency: {
        const int size = fixedSize(column.type);
        const qint64 *v = std::get_if<qint64>(&value);
        if (!v)
            return std::nullopt;
        if (size < 8) {
            const qint64 limit = qint64(1) << (8 * size - 1);
            if (*v < -limit || *v >= limit)
                return std::nullopt;
        }
        // Two's complement with the sign bit flipped sorts as the numbers do.
        appendBigEndian(body, quint64(*v), size);
        body[0] = char(body[0] ^ 0x80);
        break;
    }
    case ColumnType::Double:
    case ColumnType::DateTime: {
        const double *d = std::get_if<double>(&value);
        if (!d)
            return std::nullopt;
        const quint64 bits = std::bit_cast<quint64>(*d);
        // Positive numbers sort by their bits once the sign is flipped, negative ones inverted.
        appendBigEndian(body, (bits >> 63) ? ~bits : bits ^ (quint64(1) << 63), 8);
        break;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
        const QString *s = std::get_if<QString>(&value);
        if (!s || firstUnkeyableChar(version, *s) >= 0)
            return std::nullopt;
        QByteArray out(1, char(asc ? kStartAscending : kStartDescending));
        out += version == Version::Jet4 ? textJet4(*s, asc) : textJet3(*s, asc);
        return out;
    }
    default:
        return std::nullopt;
    }
    if (!asc)
        flip(body, 0);
    return QByteArray(1, char(asc ? kStartAscending : kStartDescending)) + body;
}

std::optional<QByteArray> entryKey(Version version, const QList<KeyColumn> &columns,
                                   const QList<Value> &values) {
    if (columns.size() != values.size() || columns.isEmpty() || columns.size() > kMaxIndexColumns)
        return std::nullopt;
    QByteArray out;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const auto part = columnKey(version, columns[i], values[i]);
        if (!part)
            return std::nullopt;
        out += *part;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------
// Pages

bool entryLess(const Entry &a, const Entry &b) {
    const int c =
        std::memcmp(a.key.constData(), b.key.constData(), size_t(std::min(a.key.size(), b.key.size())));
    if (c != 0)
        return c < 0;
    if (a.key.size() != b.key.size())
        return a.key.size() < b.key.size();
    return a.pgRow < b.pgRow;
}

namespace {

// An entry as a page holds it: the key, the row's page (3 bytes) and row, big-endian; on an
// intermediate page also the child page (4 bytes).
struct Item {
    const Entry *entry;
    quint32 child = 0;
};

int itemSize(const Item &it, bool leaf) {
    return int(it.entry->key.size()) + (leaf ? 4 : 8);
}

QByteArray itemBytes(const Item &it, bool leaf) {
    QByteArray out = it.entry->key;
    appendBigEndian(out, pgRowPage(it.entry->pgRow), 3);
    out.append(char(pgRowRow(it.entry->pgRow)));
    if (!leaf)
        appendBigEndian(out, it.child, 4);
    return out;
}

int commonPrefix(const QByteArray &a, const QByteArray &b) {
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return int(i);
}

// Bytes the items [first, last] take on one page with the prefix their keys share.
struct Span {
    qsizetype first = 0, last = -1;
    int prefix = 0;
    qint64 bytes = 0;
};
Span span(const std::vector<Item> &items, qsizetype first, qsizetype last, bool leaf) {
    Span s{first, last, 0, 0};
    if (last < first)
        return s;
    // Jet keeps the prefix that the page's first and last keys share (sorted, so every key's).
    s.prefix = commonPrefix(items[size_t(first)].entry->key, items[size_t(last)].entry->key);
    for (qsizetype i = first; i <= last; ++i)
        s.bytes += itemSize(items[size_t(i)], leaf) - s.prefix;
    s.bytes += s.prefix;
    return s;
}

void writePage(const Layout &l, uchar *pg, quint32 tdefPage, bool leaf, const std::vector<Item> &items,
               const Span &s, quint32 prev, quint32 next, quint32 tail) {
    pg[0] = leaf ? kPageIndexLeaf : kPageIndexNode;
    pg[1] = 0x01;
    put32(pg + 4, tdefPage);
    put32(pg + l.idxPrev, prev);
    put32(pg + l.idxNext, next);
    put32(pg + l.idxTail, tail);
    put16(pg + l.idxPrefixLength, quint16(s.prefix));
    uchar *mask = pg + l.idxMask;
    int end = 0;
    for (qsizetype i = s.first; i <= s.last; ++i) {
        const QByteArray bytes = itemBytes(items[size_t(i)], leaf);
        const int skip = i == s.first ? 0 : s.prefix;
        std::memcpy(pg + l.idxEntriesStart() + end, bytes.constData() + skip, size_t(bytes.size() - skip));
        end += int(bytes.size()) - skip;
        mask[end / 8] |= uchar(1 << (end % 8));
    }
    put16(pg + 2, quint16(l.pageSize - l.idxEntriesStart() - end));
}

} // namespace

std::optional<BuiltIndex> writeIndex(const Layout &l, quint32 tdefPage, std::vector<Entry> entries,
                                     const PageSink &sink, QString *fault) {
    std::sort(entries.begin(), entries.end(), entryLess);
    const int room = l.idxMaxEntryBytes();
    BuiltIndex built;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i > 0 && entries[i] == entries[i - 1]) {
            *fault = QStringLiteral("в индексе дважды одна и та же запись для строки %1 страницы %2")
                         .arg(pgRowRow(entries[i].pgRow))
                         .arg(pgRowPage(entries[i].pgRow));
            return std::nullopt;
        }
        if (entries[i].key.size() + 8 > room) {
            *fault = QStringLiteral("ключ индекса длиной %1 байт не помещается на страницу индекса")
                         .arg(entries[i].key.size());
            return std::nullopt;
        }
        if (i == 0 || entries[i].key != entries[i - 1].key)
            ++built.distinctKeys;
    }

    std::vector<Item> items;
    items.reserve(entries.size());
    for (const Entry &e : entries)
        items.push_back(Item{&e, 0});

    bool leaf = true;
    for (;;) {
        // Cut this level into pages, each as full as it goes. An intermediate page keeps its last
        // child out of its entries, as the "tail" in its header, so it holds one child more.
        struct Group {
            Span written;
            qsizetype lastChild;
        };
        std::vector<Group> groups;
        const qsizetype n = qsizetype(items.size());
        if (n == 0)
            groups.push_back(Group{Span{}, -1});
        for (qsizetype first = 0; first < n;) {
            qsizetype last = first;
            Span fits = span(items, first, first, leaf);
            if (leaf) {
                while (last + 1 < n) {
                    const Span next = span(items, first, last + 1, leaf);
                    if (next.bytes > room)
                        break;
                    fits = next;
                    ++last;
                }
            } else {
                while (last + 1 < n) {
                    const Span written = span(items, first, last, leaf); // last becomes a written entry
                    if (written.bytes > room)
                        break;
                    fits = written;
                    ++last;
                }
            }
            groups.push_back(Group{fits, last});
            first = last + 1;
        }

        std::vector<quint32> pages;
        for (size_t g = 0; g < groups.size(); ++g) {
            pages.push_back(sink.allocate());
            built.pages.push_back(pages.back());
        }
        for (size_t g = 0; g < groups.size(); ++g) {
            const Group &grp = groups[g];
            const bool hasTail = !leaf && grp.lastChild > grp.written.last;
            writePage(l, sink.page(pages[g]), tdefPage, leaf, items, grp.written, g > 0 ? pages[g - 1] : 0,
                      g + 1 < pages.size() ? pages[g + 1] : 0,
                      hasTail ? items[size_t(grp.lastChild)].child : 0);
        }
        if (pages.size() == 1) {
            built.rootPage = pages.front();
            return built;
        }
        // The level above has an entry per page: the page's last entry, pointing to the page.
        std::vector<Item> above;
        above.reserve(groups.size());
        for (size_t g = 0; g < groups.size(); ++g)
            above.push_back(Item{items[size_t(groups[g].lastChild)].entry, pages[g]});
        items = std::move(above);
        leaf = false;
    }
}

// ---------------------------------------------------------------------------------------------
// Reading

namespace {

struct PageEntries {
    std::vector<Entry> entries;
    std::vector<quint32> children;
};

QString parsePage(const Layout &l, const uchar *pg, quint32 n, bool leaf, PageEntries &out) {
    const int prefixLength = u16(pg + l.idxPrefixLength);
    const int avail = l.pageSize - l.idxEntriesStart();
    const uchar *data = pg + l.idxEntriesStart();
    const uchar *mask = pg + l.idxMask;
    const int pointer = leaf ? 4 : 8;
    QByteArray prefix;
    int start = 0;
    for (int bit = 0; bit < l.idxMaskSize * 8; ++bit) {
        if (!(mask[bit / 8] & (1 << (bit % 8))))
            continue;
        if (bit <= start || bit > avail)
            return QStringLiteral("запись %1 страницы индекса %2 выходит за пределы страницы")
                .arg(out.entries.size() + 1)
                .arg(n);
        QByteArray full(reinterpret_cast<const char *>(data + start), bit - start);
        if (out.entries.empty()) {
            if (prefixLength > full.size())
                return QStringLiteral("общее начало записей страницы индекса %1 длиннее её первой записи")
                    .arg(n);
            prefix = full.left(prefixLength);
        } else {
            full.prepend(prefix);
        }
        if (full.size() < pointer)
            return QStringLiteral("запись %1 страницы индекса %2 короче ссылки на строку")
                .arg(out.entries.size() + 1)
                .arg(n);
        const auto *e = reinterpret_cast<const uchar *>(full.constData()) + full.size() - pointer;
        const quint32 page = (quint32(e[0]) << 16) | (quint32(e[1]) << 8) | e[2];
        out.entries.push_back(Entry{full.left(full.size() - pointer), pgRow(page, e[3])});
        if (!leaf)
            out.children.push_back((quint32(e[4]) << 24) | (quint32(e[5]) << 16) | (quint32(e[6]) << 8) |
                                   e[7]);
        start = bit;
    }
    return {};
}

class Walker {
public:
    Walker(const Layout &l, const std::function<const uchar *(quint32)> &page, IndexContents &out)
        : m_l(l)
        , m_page(page)
        , m_out(out) {}

    QString walk(quint32 n, int depth) {
        // A tree deeper than this would need more entries than any file holds pages.
        constexpr int kMaxDepth = 32;
        if (depth > kMaxDepth)
            return QStringLiteral("дерево индекса глубже %1 уровней").arg(kMaxDepth);
        if (m_seen.contains(n))
            return QStringLiteral("страница индекса %1 встречается в дереве дважды").arg(n);
        m_seen.insert(n);
        m_out.pages.push_back(n);
        const uchar *pg = m_page(n);
        if (!pg)
            return QStringLiteral("страницы индекса %1 нет в файле").arg(n);
        if (pg[0] != kPageIndexLeaf && pg[0] != kPageIndexNode)
            return QStringLiteral("страница %1 не является страницей индекса (тип %2)").arg(n).arg(pg[0]);
        const bool leaf = pg[0] == kPageIndexLeaf;
        PageEntries here;
        if (QString fault = parsePage(m_l, pg, n, leaf, here); !fault.isEmpty())
            return fault;
        if (leaf) {
            if (m_out.depth == 0)
                m_out.depth = depth;
            else if (m_out.depth != depth)
                return QStringLiteral("листья индекса лежат на разной глубине (страница %1)").arg(n);
            m_out.leaves.push_back(n);
            m_links.push_back({u32(pg + m_l.idxPrev), u32(pg + m_l.idxNext)});
            for (Entry &e : here.entries) {
                if (!m_out.entries.empty() && !entryLess(m_out.entries.back(), e))
                    return QStringLiteral("записи индекса на странице %1 не по порядку").arg(n);
                m_out.entries.push_back(std::move(e));
            }
            return {};
        }
        const quint32 tail = u32(pg + m_l.idxTail);
        if (here.children.empty() && tail == 0)
            return QStringLiteral("промежуточная страница индекса %1 пуста").arg(n);
        for (quint32 child : here.children) {
            if (QString fault = walk(child, depth + 1); !fault.isEmpty())
                return fault;
        }
        if (tail != 0)
            return walk(tail, depth + 1);
        return {};
    }

    QString checkLinks() const {
        const auto &leaves = m_out.leaves;
        for (size_t i = 0; i < leaves.size(); ++i) {
            const quint32 prev = i > 0 ? leaves[i - 1] : 0;
            const quint32 next = i + 1 < leaves.size() ? leaves[i + 1] : 0;
            if (m_links[i].first != prev || m_links[i].second != next)
                return QStringLiteral(
                           "ссылки листа индекса %1 на соседей (%2, %3) не совпадают с деревом (%4, %5)")
                    .arg(leaves[i])
                    .arg(m_links[i].first)
                    .arg(m_links[i].second)
                    .arg(prev)
                    .arg(next);
        }
        return {};
    }

private:
    const Layout &m_l;
    const std::function<const uchar *(quint32)> &m_page;
    IndexContents &m_out;
    QSet<quint32> m_seen;
    std::vector<std::pair<quint32, quint32>> m_links;
};

} // namespace

std::optional<IndexContents> readIndex(const Layout &l, quint32 rootPage,
                                       const std::function<const uchar *(quint32)> &page, QString *fault) {
    IndexContents out;
    Walker walker(l, page, out);
    QString problem = walker.walk(rootPage, 1);
    if (problem.isEmpty())
        problem = walker.checkLinks();
    if (!problem.isEmpty()) {
        *fault = problem;
        return std::nullopt;
    }
    return out;
}

} // namespace jet::index
