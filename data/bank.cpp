#include "data/bank.h"

#include "data/bank_tables.h"
#include "data/jet/jet.h"

#include <limits>

BankError::BankError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message) {}

namespace {

BankError::Kind kindOf(jet::FormatError::Kind kind) {
    switch (kind) {
    case jet::FormatError::Kind::Missing:
        return BankError::Kind::Missing;
    case jet::FormatError::Kind::Unreadable:
        return BankError::Kind::Unreadable;
    case jet::FormatError::Kind::NotJet:
        return BankError::Kind::NotJet;
    case jet::FormatError::Kind::Encrypted:
        return BankError::Kind::Encrypted;
    case jet::FormatError::Kind::Truncated:
        return BankError::Kind::Truncated;
    case jet::FormatError::Kind::Malformed:
        return BankError::Kind::Malformed;
    case jet::FormatError::Kind::NoTable:
        return BankError::Kind::TableMissing;
    case jet::FormatError::Kind::Unsupported:
        return BankError::Kind::Unsupported;
    }
    return BankError::Kind::Malformed;
}

// The user has to be told which file failed, whatever the reader put into its message.
BankError bankError(BankError::Kind kind, const QString &path, const QString &message) {
    if (message.contains(path))
        return BankError(kind, message);
    return BankError(kind, QStringLiteral("Файл банка задач «%1»: %2").arg(path, message));
}

enum class Want { Integer, Text, Boolean };

// One table of the bank with its columns looked up by name and checked for type.
class TableReader {
public:
    TableReader(const jet::Database &db, const QString &path, const QString &table)
        : m_path(path)
        , m_name(table) {
        try {
            m_table = db.readTable(table);
        } catch (const jet::FormatError &e) {
            if (e.kind() == jet::FormatError::Kind::NoTable)
                throw BankError(
                    BankError::Kind::TableMissing,
                    QStringLiteral("В файле банка задач «%1» нет таблицы «%2».").arg(path, table));
            throw bankError(kindOf(e.kind()), path, e.message());
        }
    }

    int rowCount() const { return int(m_table.rows.size()); }

    int column(const QString &name, Want want) const {
        for (int i = 0; i < m_table.columns.size(); ++i) {
            const jet::Column &c = m_table.columns[i];
            if (c.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (!accepts(want, c.type))
                throw BankError(BankError::Kind::ColumnType,
                                QStringLiteral("В файле банка задач «%1» столбец «%2» таблицы «%3» имеет тип "
                                               "«%4», а нужен %5.")
                                    .arg(m_path, c.name, m_name, banktables::typeName(c.type), wanted(want)));
            return i;
        }
        throw BankError(BankError::Kind::ColumnMissing,
                        QStringLiteral("В файле банка задач «%1» в таблице «%2» нет столбца «%3».")
                            .arg(m_path, m_name, name));
    }

    qint64 integer(int row, int column, qint64 min, qint64 max) const {
        const jet::Value &v = value(row, column);
        if (std::holds_alternative<std::monostate>(v))
            return 0;
        const qint64 *n = std::get_if<qint64>(&v);
        if (!n)
            throw malformed(row, column);
        if (*n < min || *n > max)
            throw BankError(BankError::Kind::ColumnType,
                            QStringLiteral("В файле банка задач «%1» в таблице «%2», строка %3: значение %4 "
                                           "столбца «%5» выходит за пределы %6..%7.")
                                .arg(m_path, m_name)
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
            BankError::Kind::Malformed,
            QStringLiteral("В файле банка задач «%1» в таблице «%2», строка %3: значение столбца "
                           "«%4» не соответствует его типу.")
                .arg(m_path, m_name)
                .arg(row + 1)
                .arg(m_table.columns[column].name));
    }

    QString m_path;
    QString m_name;
    jet::Table m_table;
};

constexpr qint64 kMin32 = std::numeric_limits<qint32>::min();
constexpr qint64 kMax32 = std::numeric_limits<qint32>::max();

} // namespace

Bank loadBank(const QString &path) {
    std::optional<jet::Database> db;
    try {
        db = jet::Database::open(path);
    } catch (const jet::FormatError &e) {
        throw bankError(kindOf(e.kind()), path, e.message());
    }

    Bank bank;

    // One table at a time, so that only one of them is held twice (as read and as converted).
    {
        const TableReader problems(*db, path, banktables::problemsTable());
        const int pId = problems.column(QStringLiteral("ID_P"), Want::Integer);
        const int pName = problems.column(QStringLiteral("Name"), Want::Text);
        const int pUslovie = problems.column(QStringLiteral("Uslovie"), Want::Text);
        bank.problems.reserve(problems.rowCount());
        for (int r = 0; r < problems.rowCount(); ++r) {
            Problem p;
            p.ID_P = qint32(problems.integer(r, pId, kMin32, kMax32));
            p.Name = problems.text(r, pName);
            p.Uslovie = problems.text(r, pUslovie);
            bank.problems.append(std::move(p));
        }
    }
    {
        const TableReader options(*db, path, banktables::optionsTable());
        const int oId = options.column(QStringLiteral("ID_O"), Want::Integer);
        const int oProblem = options.column(QStringLiteral("ID_P"), Want::Integer);
        const int oText = options.column(QStringLiteral("Otvet"), Want::Text);
        const int oTrue = options.column(QStringLiteral("Istina"), Want::Boolean);
        const int oNumber = options.column(QStringLiteral("dopol"), Want::Integer);
        bank.options.reserve(options.rowCount());
        for (int r = 0; r < options.rowCount(); ++r) {
            AnswerOption o;
            o.ID_O = qint32(options.integer(r, oId, kMin32, kMax32));
            o.ID_P = qint32(options.integer(r, oProblem, kMin32, kMax32));
            o.Otvet = options.text(r, oText);
            o.Istina = options.boolean(r, oTrue);
            o.dopol = qint16(options.integer(r, oNumber, std::numeric_limits<qint16>::min(),
                                             std::numeric_limits<qint16>::max()));
            bank.options.append(std::move(o));
        }
    }
    return bank;
}
