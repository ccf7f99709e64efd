#include "data/bank_tables.h"

namespace banktables {

namespace {

jet::Value text(const std::optional<QString> &value) {
    if (!value)
        return std::monostate{};
    return *value;
}

} // namespace

QList<jet::Column> problemColumns() {
    return {
        {QStringLiteral("ID_P"), jet::ColumnType::LongInteger},
        {QStringLiteral("Name"), jet::ColumnType::Memo},
        {QStringLiteral("Uslovie"), jet::ColumnType::Memo},
    };
}

QList<jet::Column> optionColumns() {
    return {
        {QStringLiteral("ID_O"), jet::ColumnType::LongInteger},
        {QStringLiteral("ID_P"), jet::ColumnType::LongInteger},
        {QStringLiteral("Otvet"), jet::ColumnType::Memo},
        {QStringLiteral("Istina"), jet::ColumnType::Boolean},
        {QStringLiteral("dopol"), jet::ColumnType::Integer},
    };
}

QList<jet::Index> problemIndexes() {
    return {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID_P")}, true, true}};
}

QList<jet::Index> optionIndexes() {
    return {{QStringLiteral("PrimaryKey"), {QStringLiteral("ID_O")}, true, true},
            {QStringLiteral("ID_P"), {QStringLiteral("ID_P")}, false, false}};
}

QList<jet::Table> withKeys(QList<jet::Table> tables) {
    for (jet::Table &t : tables) {
        if (t.name.compare(problemsTable(), Qt::CaseInsensitive) == 0)
            t.indexes = problemIndexes();
        else if (t.name.compare(optionsTable(), Qt::CaseInsensitive) == 0)
            t.indexes = optionIndexes();
    }
    return tables;
}

QList<jet::TableUpdate> toUpdates(const QList<jet::Table> &tables, const QList<qint32> &problemOrigins,
                                  const QList<qint32> &optionOrigins) {
    QList<jet::TableUpdate> out;
    for (const jet::Table &t : withKeys(tables)) {
        jet::TableUpdate u{t, {}, {}};
        const bool problems = t.name.compare(problemsTable(), Qt::CaseInsensitive) == 0;
        const bool options = t.name.compare(optionsTable(), Qt::CaseInsensitive) == 0;
        if (problems || options) {
            u.matchColumn = problems ? QStringLiteral("ID_P") : QStringLiteral("ID_O");
            const QList<qint32> &origins = problems ? problemOrigins : optionOrigins;
            qsizetype key = -1;
            for (qsizetype i = 0; i < t.columns.size(); ++i) {
                if (t.columns[i].name.compare(u.matchColumn, Qt::CaseInsensitive) == 0)
                    key = i;
            }
            for (qsizetype r = 0; r < t.rows.size(); ++r) {
                if (!origins.isEmpty())
                    u.origins.append(r < origins.size() && origins[r] != 0 ? jet::Value(qint64(origins[r]))
                                                                           : jet::Value(std::monostate{}));
                else
                    u.origins.append(key >= 0 ? t.rows[r][key] : jet::Value(std::monostate{}));
            }
        }
        out.append(std::move(u));
    }
    return out;
}

QList<jet::Table> toTables(const Bank &bank) {
    jet::Table problems{problemsTable(), problemColumns(), {}, problemIndexes()};
    problems.rows.reserve(bank.problems.size());
    for (const Problem &p : bank.problems)
        problems.rows.append({qint64(p.ID_P), text(p.Name), text(p.Uslovie)});

    jet::Table options{optionsTable(), optionColumns(), {}, optionIndexes()};
    options.rows.reserve(bank.options.size());
    for (const AnswerOption &o : bank.options)
        options.rows.append({qint64(o.ID_O), qint64(o.ID_P), text(o.Otvet), o.Istina, qint64(o.dopol)});

    return {problems, options};
}

QString typeName(jet::ColumnType type) {
    switch (type) {
    case jet::ColumnType::Boolean:
        return QStringLiteral("логический");
    case jet::ColumnType::Byte:
        return QStringLiteral("числовой (байт)");
    case jet::ColumnType::Integer:
        return QStringLiteral("числовой (целое)");
    case jet::ColumnType::LongInteger:
        return QStringLiteral("числовой (длинное целое)");
    case jet::ColumnType::Currency:
        return QStringLiteral("денежный");
    case jet::ColumnType::Single:
        return QStringLiteral("числовой (одинарное с плавающей точкой)");
    case jet::ColumnType::Double:
        return QStringLiteral("числовой (двойное с плавающей точкой)");
    case jet::ColumnType::DateTime:
        return QStringLiteral("дата/время");
    case jet::ColumnType::Binary:
        return QStringLiteral("двоичный");
    case jet::ColumnType::Text:
        return QStringLiteral("текстовый");
    case jet::ColumnType::Ole:
        return QStringLiteral("поле объекта OLE");
    case jet::ColumnType::Memo:
        return QStringLiteral("поле MEMO");
    case jet::ColumnType::Guid:
        return QStringLiteral("код репликации");
    case jet::ColumnType::Numeric:
        return QStringLiteral("числовой (действительное)");
    }
    return QStringLiteral("неизвестный (код %1)").arg(int(type));
}

} // namespace banktables
