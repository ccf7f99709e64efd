#pragma once

// The bank's two tables as Jet stores them: the names and column types the program reads and
// the bank tool writes.

#include "data/bank.h"
#include "data/jet/jet.h"

namespace banktables {

inline QString problemsTable() {
    return QStringLiteral("Zadachi");
}
inline QString optionsTable() {
    return QStringLiteral("Otvety");
}

// The columns as written: identifiers Long Integer, texts Memo, Istina Boolean, dopol Integer.
QList<jet::Column> problemColumns();
QList<jet::Column> optionColumns();

// The keys of the two tables: primary key "PrimaryKey" on Zadachi.ID_P and on Otvety.ID_O, and
// the index "ID_P" on Otvety.ID_P, in which the program finds a problem's options.
QList<jet::Index> problemIndexes();
QList<jet::Index> optionIndexes();
// The same tables with their keys (tables of other names as they are).
QList<jet::Table> withKeys(QList<jet::Table> tables);

// The bank as the two tables above, rows in bank order, with their keys, ready for jet::write.
QList<jet::Table> toTables(const Bank &bank);

// The tables as changes of an existing bank file: a row of Zadachi continues the file's row of
// the ID_P given in problemOrigins (0: a new problem), a row of Otvety the one of the ID_O in
// optionOrigins, keeping the columns of the file's own that the tables do not give. Without
// origins, each row continues the file's row of its own ID_P / ID_O.
QList<jet::TableUpdate> toUpdates(const QList<jet::Table> &tables, const QList<qint32> &problemOrigins = {},
                                  const QList<qint32> &optionOrigins = {});

// The rows of Zadachi and of Otvety as the program takes them: columns found by name regardless
// of case, integer columns Byte, Integer or Long Integer, text columns Memo or Text, Istina
// Boolean, dopol within 16 bits, a NULL number read as 0 (as a bound field shows it). Throws
// BankError naming the bank `source`, the table and the column.
QList<Problem> problemsFrom(const jet::Table &table, const QString &source);
QList<AnswerOption> optionsFrom(const jet::Table &table, const QString &source);
// The bank from its two tables, found by name regardless of case, taken as a file's are. Throws
// BankError.
Bank toBank(const QList<jet::Table> &tables, const QString &source);
// Why a bank has no table of that name.
BankError missingTable(const QString &source, const QString &table);

// The type's name as Access shows it, in Russian, for messages.
QString typeName(jet::ColumnType type);

} // namespace banktables
