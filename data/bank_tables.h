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

// The bank as the two tables above, rows in bank order, ready for jet::write.
QList<jet::Table> toTables(const Bank &bank);

// The type's name as Access shows it, in Russian, for messages.
QString typeName(jet::ColumnType type);

} // namespace banktables
