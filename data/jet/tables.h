#pragma once

// A table inside a PageStore: its definition read and written back, and its rows replaced whole
// with their long values, usage maps and indexes. The catalogue, the system tables and the user's
// tables all go through this code.

#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "data/jet/pages.h"

#include <QString>

namespace jet::detail {

// The definition at page n with its continuation pages. Throws FormatError (Malformed).
format::TableDef readTdef(const PageStore &store, quint32 n, int codePage, const QString &table);
// Writes the definition over its chain of pages, taking or giving back continuation pages as
// its size needs.
void writeTdef(PageStore &store, quint32 n, const format::TableDef &def);

// Replaces every row of the table whose definition is at tdefPage. `rows` hold a value for each
// of def.columns, in that order. Frees the old data, long-value and index pages, writes the rows,
// long values and every index of the table anew, and updates the usage maps, the row count and the
// indexes' roots in the definition (written back). Throws FormatError: Unsupported for a value the
// column cannot hold, an index key that cannot be made, or a duplicate or empty key where the
// index forbids it (naming the rows); nothing is then to be kept of the store.
void replaceRows(PageStore &store, quint32 tdefPage, format::TableDef &def, const QString &table,
                 const QList<QList<Value>> &rows);

// The type's name as Access shows it (for messages).
QString typeName(ColumnType type);

} // namespace jet::detail
