// libFuzzer target: any bytes through the Jet reader, every table printed as CSV. A FormatError is the
// expected answer to a bad file; anything else (a sanitizer report, another exception, a hang) is a finding.

#include "data/bank_csv.h"
#include "data/jet/jet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        const jet::Database db = jet::Database::fromBytes(
            QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), QStringLiteral("fuzz.mdb"));
        QStringList names = db.tableNames();
        names.append(QStringLiteral("MSysObjects"));
        for (const QString &name : names) {
            try {
                csv::write(db.readTable(name)); // as the bank tool's dump prints it
            } catch (const jet::FormatError &) {
            }
        }
    } catch (const jet::FormatError &) {
    }
    return 0;
}
