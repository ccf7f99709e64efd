#include "data/jet/table_index.h"

#include "data/jet/errors.h"
#include "data/jet/index.h"

#include <QHash>

namespace jet::detail {

using namespace format;

namespace {

QString shown(const Value &v) {
    if (std::holds_alternative<std::monostate>(v))
        return QStringLiteral("пусто");
    if (const auto *b = std::get_if<bool>(&v))
        return *b ? QStringLiteral("да") : QStringLiteral("нет");
    if (const auto *n = std::get_if<qint64>(&v))
        return QString::number(*n);
    if (const auto *d = std::get_if<double>(&v))
        return QString::number(*d);
    if (const auto *s = std::get_if<QString>(&v))
        return QStringLiteral("«%1»").arg(s->size() > 40 ? s->left(40) + QStringLiteral("…") : *s);
    return QStringLiteral("%1 байт").arg(std::get<QByteArray>(v).size());
}

} // namespace

std::optional<IndexKeys> makeIndexKeys(const Layout &l, const TableDef &def, int real,
                                       const QList<QList<Value>> &rows, QString *fault) {
    const RealIndexDef &idx = def.realIndexes[real];
    QList<index::KeyColumn> columns;
    std::vector<int> at; // the index's columns in def.columns
    for (const IndexColumnDef &c : idx.columns) {
        int found = -1;
        for (qsizetype i = 0; i < def.columns.size(); ++i) {
            if (def.columns[i].number == c.number)
                found = int(i);
        }
        if (found < 0) {
            *fault = QStringLiteral("индекс ссылается на столбец %1, которого нет в таблице").arg(c.number);
            return std::nullopt;
        }
        at.push_back(found);
        columns.append(index::KeyColumn{def.columns[found].type, c.ascending});
    }
    auto columnNames = [&] {
        QStringList names;
        for (int i : at)
            names << QStringLiteral("«%1»").arg(def.columns[i].name);
        return names.join(QStringLiteral(", "));
    };

    IndexKeys keys;
    keys.perRow.reserve(size_t(rows.size()));
    QHash<QByteArray, qsizetype> first; // key -> the first row that has it
    QList<Value> values;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        values.clear();
        bool allNull = true;
        bool anyNull = false;
        for (int i : at) {
            const Value &v = rows[r][i];
            const bool null =
                std::holds_alternative<std::monostate>(v) && def.columns[i].type != ColumnType::Boolean;
            allNull = allNull && null;
            anyNull = anyNull || null;
            values.append(v);
        }
        if (anyNull && (idx.flags & kIndexRequired)) {
            *fault = QStringLiteral("в строке %1 не заполнен ключ (%2)").arg(r + 1).arg(columnNames());
            return std::nullopt;
        }
        if (allNull && (idx.flags & kIndexIgnoreNulls)) {
            keys.perRow.emplace_back(std::nullopt);
            continue;
        }
        auto key = index::entryKey(l.version, columns, values);
        if (!key) {
            for (qsizetype k = 0; k < values.size(); ++k) {
                if (const auto *s = std::get_if<QString>(&values[k])) {
                    if (const qsizetype bad = index::firstUnkeyableChar(l.version, *s); bad >= 0) {
                        *fault = QStringLiteral(
                                     "строка %1, столбец «%2»: символ «%3» нельзя упорядочить в индексе "
                                     "этой версии базы")
                                     .arg(r + 1)
                                     .arg(def.columns[at[size_t(k)]].name, s->at(bad));
                        return std::nullopt;
                    }
                }
            }
            *fault = QStringLiteral("строка %1: значение %2 не подходит для ключа индекса (%3)")
                         .arg(r + 1)
                         .arg(shown(values.value(0)), columnNames());
            return std::nullopt;
        }
        if ((idx.flags & kIndexUnique) && !allNull) {
            const auto it = first.constFind(*key);
            if (it != first.cend()) {
                *fault = QStringLiteral("строки %1 и %2 имеют одинаковый ключ %3 (%4), а он должен быть "
                                        "единственным")
                             .arg(it.value() + 1)
                             .arg(r + 1)
                             .arg(shown(values.value(0)), columnNames());
                return std::nullopt;
            }
            first.insert(*key, r);
        }
        keys.perRow.emplace_back(std::move(*key));
    }
    return keys;
}

IndexPages writeIndexPages(PageStore &store, quint32 tdefPage, const IndexKeys &keys,
                           const std::vector<quint32> &pgRows) {
    std::vector<index::Entry> entries;
    entries.reserve(keys.perRow.size());
    for (size_t r = 0; r < keys.perRow.size(); ++r) {
        if (keys.perRow[r])
            entries.push_back(index::Entry{*keys.perRow[r], pgRows[r]});
    }
    const index::PageSink sink{[&] { return store.allocate(); }, [&](quint32 n) { return store.page(n); }};
    QString fault;
    const auto built = index::writeIndex(store.layout(), tdefPage, std::move(entries), sink, &fault);
    if (!built)
        detail::failWrite(FormatError::Kind::Unsupported, store.file(), fault);
    return IndexPages{built->rootPage, built->pages, qsizetype(built->distinctKeys)};
}

} // namespace jet::detail
