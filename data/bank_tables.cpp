#include "data/bank_tables.h"

#include <limits>

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

namespace {

enum class Want { Integer, Text, Boolean };

// One table of the bank with its columns looked up by name and checked for type.
class TableReader {
public:
    // `name` is the table as the program asks for it, whatever case the file spells it in.
    TableReader(const jet::Table &table, const QString &source, const QString &name)
        : m_table(table)
        , m_source(source)
        , m_name(name) {}

    int rowCount() const { return int(m_table.rows.size()); }

    int column(const QString &name, Want want) const {
        for (int i = 0; i < m_table.columns.size(); ++i) {
            const jet::Column &c = m_table.columns[i];
            if (c.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (!accepts(want, c.type))
                throw BankError(BankError::Kind::Input,
                                QStringLiteral("В файле банка задач «%1» столбец «%2» таблицы «%3» имеет тип "
                                               "«%4», а нужен %5.")
                                    .arg(m_source, c.name, m_name, typeName(c.type), wanted(want)));
            return i;
        }
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("В файле банка задач «%1» в таблице «%2» нет столбца «%3».")
                            .arg(m_source, m_name, name));
    }

    qint64 integer(int row, int column, qint64 min, qint64 max) const {
        const jet::Value &v = value(row, column);
        if (std::holds_alternative<std::monostate>(v))
            return 0;
        const qint64 *n = std::get_if<qint64>(&v);
        if (!n)
            throw malformed(row, column);
        if (*n < min || *n > max)
            throw BankError(BankError::Kind::Input,
                            QStringLiteral("В файле банка задач «%1» в таблице «%2», строка %3: значение %4 "
                                           "столбца «%5» выходит за пределы %6..%7.")
                                .arg(m_source, m_name)
                                .arg(row + 1)
                                .arg(*n)
                                .arg(m_table.columns[column].name)
                                .arg(min)
                                .arg(max));
        return *n;
    }

    std::optional<QString> text(int row, int column) const {
        const jet::Value &v = value(row, column);
        if (std::holds_alternative<std::monostate>(v))
            return std::nullopt;
        if (const QString *s = std::get_if<QString>(&v))
            return *s;
        throw malformed(row, column);
    }

    bool boolean(int row, int column) const {
        const jet::Value &v = value(row, column);
        if (std::holds_alternative<std::monostate>(v))
            return false;
        if (const bool *b = std::get_if<bool>(&v))
            return *b;
        throw malformed(row, column);
    }

private:
    static bool accepts(Want want, jet::ColumnType type) {
        switch (want) {
        case Want::Integer:
            return type == jet::ColumnType::Byte || type == jet::ColumnType::Integer ||
                   type == jet::ColumnType::LongInteger;
        case Want::Text:
            return type == jet::ColumnType::Memo || type == jet::ColumnType::Text;
        case Want::Boolean:
            return type == jet::ColumnType::Boolean;
        }
        return false;
    }

    static QString wanted(Want want) {
        switch (want) {
        case Want::Integer:
            return QStringLiteral("целочисленный");
        case Want::Text:
            return QStringLiteral("поле MEMO или текстовый");
        case Want::Boolean:
            return QStringLiteral("логический");
        }
        return {};
    }

    const jet::Value &value(int row, int column) const {
        const QList<jet::Value> &r = m_table.rows[row];
        if (column >= r.size())
            throw malformed(row, column);
        return r[column];
    }

    BankError malformed(int row, int column) const {
        return BankError(
            BankError::Kind::Input,
            QStringLiteral("В файле банка задач «%1» в таблице «%2», строка %3: значение столбца "
                           "«%4» не соответствует его типу.")
                .arg(m_source, m_name)
                .arg(row + 1)
                .arg(m_table.columns[column].name));
    }

    const jet::Table &m_table;
    QString m_source;
    QString m_name;
};

constexpr qint64 kMin32 = std::numeric_limits<qint32>::min();
constexpr qint64 kMax32 = std::numeric_limits<qint32>::max();

} // namespace

QList<Problem> problemsFrom(const jet::Table &table, const QString &source) {
    const TableReader problems(table, source, problemsTable());
    const int pId = problems.column(QStringLiteral("ID_P"), Want::Integer);
    const int pName = problems.column(QStringLiteral("Name"), Want::Text);
    const int pUslovie = problems.column(QStringLiteral("Uslovie"), Want::Text);
    QList<Problem> out;
    out.reserve(problems.rowCount());
    for (int r = 0; r < problems.rowCount(); ++r) {
        Problem p;
        p.ID_P = qint32(problems.integer(r, pId, kMin32, kMax32));
        p.Name = problems.text(r, pName);
        p.Uslovie = problems.text(r, pUslovie);
        out.append(std::move(p));
    }
    return out;
}

QList<AnswerOption> optionsFrom(const jet::Table &table, const QString &source) {
    const TableReader options(table, source, optionsTable());
    const int oId = options.column(QStringLiteral("ID_O"), Want::Integer);
    const int oProblem = options.column(QStringLiteral("ID_P"), Want::Integer);
    const int oText = options.column(QStringLiteral("Otvet"), Want::Text);
    const int oTrue = options.column(QStringLiteral("Istina"), Want::Boolean);
    const int oNumber = options.column(QStringLiteral("dopol"), Want::Integer);
    QList<AnswerOption> out;
    out.reserve(options.rowCount());
    for (int r = 0; r < options.rowCount(); ++r) {
        AnswerOption o;
        o.ID_O = qint32(options.integer(r, oId, kMin32, kMax32));
        o.ID_P = qint32(options.integer(r, oProblem, kMin32, kMax32));
        o.Otvet = options.text(r, oText);
        o.Istina = options.boolean(r, oTrue);
        o.dopol = qint16(options.integer(r, oNumber, std::numeric_limits<qint16>::min(),
                                         std::numeric_limits<qint16>::max()));
        out.append(std::move(o));
    }
    return out;
}

Bank toBank(const QList<jet::Table> &tables, const QString &source) {
    const auto find = [&](const QString &name) -> const jet::Table & {
        for (const jet::Table &t : tables)
            if (t.name.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        throw missingTable(source, name);
    };
    return {problemsFrom(find(problemsTable()), source), optionsFrom(find(optionsTable()), source)};
}

BankError missingTable(const QString &source, const QString &table) {
    return BankError(BankError::Kind::Input,
                     QStringLiteral("В файле банка задач «%1» нет таблицы «%2».").arg(source, table));
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
