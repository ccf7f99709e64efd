#pragma once

// The indexes of a table being written: the key of every row for each real index, checked for
// what the index forbids, and the index's B-tree pages.

#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "data/jet/pages.h"

#include <optional>
#include <vector>

namespace jet::detail {

// One real index's keys, a row at a time; nullopt for a row the index leaves out (all its
// columns NULL in an index that ignores nulls).
struct IndexKeys {
    std::vector<std::optional<QByteArray>> perRow;
};

// The keys of real index `real` of def for the rows (values in def.columns order). nullopt, with
// *fault in Russian, when a key cannot be made (a type or character the index cannot order) or
// the rows break the index (a duplicate in a unique index, NULL in a required one; naming rows).
std::optional<IndexKeys> makeIndexKeys(const format::Layout &l, const format::TableDef &def, int real,
                                       const QList<QList<Value>> &rows, QString *fault);

struct IndexPages {
    quint32 root = 0;
    std::vector<quint32> pages; // every page of the B-tree, root included
    qsizetype entries = 0;
};
// Writes the index's pages for the rows placed at pgRows (one per row, as in keys).
IndexPages writeIndexPages(PageStore &store, quint32 tdefPage, const IndexKeys &keys,
                           const std::vector<quint32> &pgRows);

} // namespace jet::detail
