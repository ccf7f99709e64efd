#pragma once

// Bank files as the editor and the bank tool write them: one rule for when a save changes the
// file that is there and when it makes a new database.

#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace bankfiles {

// The bytes of a bank to be written over `existing` (the file's bytes now, or nullopt when there
// is no file): a bank of the same version is changed in place, so that the tables, columns and
// objects of the teacher's own it holds are kept; otherwise, and for an empty file, the bank is a
// new database of its tables. Throws jet::FormatError (an existing file that cannot be read or
// changed safely among them).
QByteArray bankBytes(const std::optional<QByteArray> &existing, const QString &fileName,
                     const QList<jet::TableUpdate> &updates, jet::Version version,
                     const jet::WriteOptions &options = {});

// The date to stamp a bank with: SOURCE_DATE_EPOCH when it is set (reproducible builds), else
// unset, meaning now.
jet::WriteOptions stampFromEnvironment();

} // namespace bankfiles
