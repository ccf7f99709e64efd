#pragma once

// Helpers the Jet tests share: printing values and finding the first difference between tables.

#include "data/jet/jet.h"

#include <QString>

namespace jettest {

inline QString show(const jet::Value &v) {
    if (std::holds_alternative<std::monostate>(v))
        return QStringLiteral("NULL");
    if (const auto *b = std::get_if<bool>(&v))
        return *b ? QStringLiteral("true") : QStringLiteral("false");
    if (const auto *n = std::get_if<qint64>(&v))
        return QString::number(*n);
    if (const auto *d = std::get_if<double>(&v))
        return QString::number(*d, 'g', 17);
    if (const auto *s = std::get_if<QString>(&v))
        return QStringLiteral("\"%1\" (%2 chars)").arg(s->left(40)).arg(s->size());
    const auto &bytes = std::get<QByteArray>(v);
    return QStringLiteral("0x%1 (%2 bytes)")
        .arg(QString::fromLatin1(bytes.left(20).toHex()))
        .arg(bytes.size());
}

// Empty when the tables hold the same name, columns and rows; else where they first differ.
inline QString firstDifference(const jet::Table &expected, const jet::Table &actual) {
    if (expected.name != actual.name)
        return QStringLiteral("name %1 != %2").arg(actual.name, expected.name);
    if (expected.columns.size() != actual.columns.size())
        return QStringLiteral("%1: %2 columns, expected %3")
            .arg(expected.name)
            .arg(actual.columns.size())
            .arg(expected.columns.size());
    for (qsizetype c = 0; c < expected.columns.size(); ++c) {
        const jet::Column &e = expected.columns[c];
        const jet::Column &a = actual.columns[c];
        if (e.name != a.name || e.type != a.type || e.precision != a.precision || e.scale != a.scale)
            return QStringLiteral("%1: column %2 is %3/%4 (%5, %6), expected %7/%8 (%9, %10)")
                .arg(expected.name)
                .arg(c)
                .arg(a.name)
                .arg(int(a.type))
                .arg(a.precision)
                .arg(a.scale)
                .arg(e.name)
                .arg(int(e.type))
                .arg(e.precision)
                .arg(e.scale);
    }
    if (expected.rows.size() != actual.rows.size())
        return QStringLiteral("%1: %2 rows, expected %3")
            .arg(expected.name)
            .arg(actual.rows.size())
            .arg(expected.rows.size());
    for (qsizetype r = 0; r < expected.rows.size(); ++r) {
        for (qsizetype c = 0; c < expected.columns.size(); ++c) {
            if (!(expected.rows[r][c] == actual.rows[r][c]))
                return QStringLiteral("%1 row %2 column %3: %4, expected %5")
                    .arg(expected.name)
                    .arg(r + 1)
                    .arg(expected.columns[c].name, show(actual.rows[r][c]), show(expected.rows[r][c]));
        }
    }
    return {};
}

inline QString sourceDir() {
    return qEnvironmentVariable("CIFROVEX_SOURCE_DIR");
}
inline QString binaryDir() {
    return qEnvironmentVariable("CIFROVEX_BINARY_DIR");
}

} // namespace jettest
