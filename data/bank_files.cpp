#include "data/bank_files.h"

#include <QtGlobal>

namespace bankfiles {

QByteArray bankBytes(const std::optional<QByteArray> &existing, const QString &fileName,
                     const QList<jet::TableUpdate> &updates, jet::Version version,
                     const jet::WriteOptions &options) {
    if (existing && !existing->isEmpty()) {
        const jet::Database db = jet::Database::fromBytes(*existing, fileName);
        if (db.version() == version)
            return jet::update(*existing, fileName, updates, options);
    }
    QList<jet::Table> tables;
    for (const jet::TableUpdate &u : updates)
        tables.append(u.table);
    return jet::write(tables, version, options);
}

jet::WriteOptions stampFromEnvironment() {
    jet::WriteOptions options;
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    if (ok && seconds >= 0)
        options.date = double(seconds) / 86400.0 + 25569.0; // 1970-01-01 is day 25569
    return options;
}

} // namespace bankfiles
