#pragma once

// Building the Russian messages of FormatError: one sentence per kind, naming the file and the fault.

#include "data/jet/jet.h"

namespace jet::detail {

// The reader's messages.
QString errorMessage(FormatError::Kind kind, const QString &file, const QString &detail);

[[noreturn]] inline void fail(FormatError::Kind kind, const QString &file, const QString &detail) {
    throw FormatError(kind, file, errorMessage(kind, file, detail));
}

// The writer's: "cannot write the database" or, once writeFile names it, "cannot write file ...".
[[noreturn]] void failWrite(FormatError::Kind kind, const QString &file, const QString &detail);

} // namespace jet::detail
