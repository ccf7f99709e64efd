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

QList<jet::Table> toTables(const Bank &bank) {
    jet::Table problems{problemsTable(), problemColumns(), {}};
    problems.rows.reserve(bank.problems.size());
    for (const Problem &p : bank.problems)
        problems.rows.append({qint64(p.ID_P), text(p.Name), text(p.Uslovie)});

    jet::Table options{optionsTable(), optionColumns(), {}};
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
