// libFuzzer target: any bytes through the Jet reader, every table printed as CSV, and the first
// table written back into the file in place, as a save does. A FormatError is the expected answer
// to a bad file; anything else (a sanitizer report, another exception, a hang) is a finding.

#include "data/bank_csv.h"
#include "data/jet/jet.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const jet::Database db = jet::Database::fromBytes(bytes, QStringLiteral("fuzz.mdb"));
        QStringList names = db.tableNames();
        names.append(QStringLiteral("MSysObjects"));
        std::optional<jet::Table> first;
        for (const QString &name : names) {
            try {
                jet::Table t = db.readTable(name);
                csv::write(t); // as the bank tool's dump prints it
                if (!first && name != names.last())
                    first = std::move(t);
            } catch (const jet::FormatError &) {
            }
        }
        if (first && !first->columns.isEmpty()) {
            const QString match = first->columns.first().name;
            const QByteArray saved = jet::update(bytes, QStringLiteral("fuzz.mdb"),
                                                 {jet::TableUpdate{*first, match, {}}}, {45000.0});
            // What the writer made must read back: a refusal here is a finding.
            try {
                jet::Database::fromBytes(saved, QStringLiteral("saved.mdb")).readTable(first->name);
            } catch (const jet::FormatError &e) {
                std::fprintf(stderr, "the saved file does not read back: %s\n", qPrintable(e.message()));
                std::abort();
            }
        }
    } catch (const jet::FormatError &) {
    }
    return 0;
}
