// TEMPORARY STUB (lead)
#include "data/jet/table_index.h"
namespace jet::detail {
std::optional<IndexKeys> makeIndexKeys(const format::Layout &, const format::TableDef &, int, const QList<QList<Value>> &rows, QString *) {
    IndexKeys k; k.perRow.assign(size_t(rows.size()), QByteArray("k")); return k;
}
IndexPages writeIndexPages(PageStore &store, quint32 tdefPage, const IndexKeys &keys, const std::vector<quint32> &) {
    IndexPages p; p.root = store.allocate(); store.page(p.root)[0] = 4; store.page(p.root)[1] = 1; format::put32(store.page(p.root) + 4, tdefPage);
    p.pages = {p.root}; p.entries = qsizetype(keys.perRow.size()); return p;
}
}
