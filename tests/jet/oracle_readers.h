#pragma once

// The independent readers the Jet tests compare ours with, and how their output is read:
//   - mdb-export from Debian's mdbtools (libmdb 1.0): CSV, NULL and empty text both come out as
//     nothing, booleans as 1/0; only the column types it prints plainly are compared.
//   - the npm package mdb-reader 3 (tests/jet/dump.mjs prints its view as JSON). It reads Jet 3
//     text as Latin-1 whatever the code page says, so its Jet 3 strings are turned back into bytes
//     and decoded as Windows-1251 before comparing.
// Used by tst_jet_oracles and by the Jackcess tests, which read Jackcess's edits back through them.

#include "data/jet/format.h"
#include "data/jet/jet.h"
#include "jet_test_util.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <charconv>
#include <cmath>
#include <optional>

namespace jetoracles {

using namespace jet;
using jettest::show;

// RFC 4180 as mdb-export writes it: "\n" between rows, text quoted with doubled quotes inside.
inline QList<QStringList> parseCsv(const QString &text) {
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"')) {
                field += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
            any = true;
        } else if (c == QLatin1Char(',')) {
            row.append(field);
            field.clear();
        } else if (c == QLatin1Char('\n')) {
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !row.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

inline QProcessEnvironment cleanEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // libmdb reads these when it opens a file.
    for (const char *name : {"MDBICONV", "MDBOPTS", "MDBPATH", "MDB_JET3_CHARSET"})
        env.remove(QString::fromLatin1(name));
    return env;
}

inline QByteArray run(const QString &program, const QStringList &args, QString *error) {
    QProcess p;
    p.setProcessEnvironment(cleanEnvironment());
    p.start(program, args);
    if (!p.waitForFinished(240000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("%1 %2 failed: %3")
                     .arg(program, args.join(QLatin1Char(' ')),
                          QString::fromUtf8(p.readAllStandardError()).left(2000));
        return {};
    }
    return p.readAllStandardOutput();
}

// What mdb-export prints for a value, or nullopt for types it formats its own way.
inline std::optional<QString> exportText(const Column &column, const Value &v) {
    switch (column.type) {
    case ColumnType::Boolean:
        return std::get<bool>(v) ? QStringLiteral("1") : QStringLiteral("0");
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
        return std::holds_alternative<qint64>(v) ? QString::number(std::get<qint64>(v)) : QString();
    case ColumnType::Text:
    case ColumnType::Memo:
        return std::holds_alternative<QString>(v) ? std::get<QString>(v) : QString();
    case ColumnType::Numeric:
        return std::holds_alternative<QByteArray>(v) ? *numericText(std::get<QByteArray>(v), column.scale)
                                                     : QString();
    default:
        return std::nullopt;
    }
}

// A decimal text as the nearest single (QString::toFloat refuses what rounds to the largest).
inline std::optional<float> toSingle(const QString &text) {
    const QByteArray bytes = text.toLatin1();
    float f = 0;
    const auto [end, error] = std::from_chars(bytes.constData(), bytes.constData() + bytes.size(), f);
    if (error != std::errc() || end != bytes.constData() + bytes.size())
        return std::nullopt;
    return f;
}

// mdb-export prints a Single with eight significant digits ("0.15000001"): the same single?
inline bool sameSingle(const Value &ours, const QString &theirs) {
    if (!std::holds_alternative<double>(ours))
        return theirs.isEmpty();
    return toSingle(theirs) == float(std::get<double>(ours));
}

inline QString compareWithExport(const Table &ours, const QList<QStringList> &csv) {
    if (csv.isEmpty())
        return QStringLiteral("%1: mdb-export printed nothing").arg(ours.name);
    QStringList header;
    for (const Column &c : ours.columns)
        header.append(c.name);
    if (csv.front() != header)
        return QStringLiteral("%1: mdb-export header %2").arg(ours.name, csv.front().join(QLatin1Char(',')));
    if (csv.size() - 1 != ours.rows.size())
        return QStringLiteral("%1: mdb-export gives %2 rows, we %3")
            .arg(ours.name)
            .arg(csv.size() - 1)
            .arg(ours.rows.size());
    for (qsizetype r = 0; r < ours.rows.size(); ++r) {
        if (csv[r + 1].size() != ours.columns.size())
            return QStringLiteral("%1 row %2: mdb-export gives %3 fields")
                .arg(ours.name)
                .arg(r + 1)
                .arg(csv[r + 1].size());
        for (qsizetype c = 0; c < ours.columns.size(); ++c) {
            const auto expected = exportText(ours.columns[c], ours.rows[r][c]);
            const bool differs = ours.columns[c].type == ColumnType::Single
                                     ? !sameSingle(ours.rows[r][c], csv[r + 1][c])
                                     : expected && *expected != csv[r + 1][c];
            if (differs)
                return QStringLiteral("%1 row %2 column %3: mdb-export \"%4\" (%5 chars), we %6")
                    .arg(ours.name)
                    .arg(r + 1)
                    .arg(ours.columns[c].name, csv[r + 1][c].left(40))
                    .arg(csv[r + 1][c].size())
                    .arg(show(ours.rows[r][c]));
        }
    }
    return {};
}

// mdb-reader's Jet 3 text is the stored bytes read as Latin-1 (or Windows-1252): undo that.
inline QString jet3Text(const QString &s) {
    static const QHash<char16_t, char> byteOf = [] {
        QHash<char16_t, char> map;
        for (int i = 0; i < 256; ++i) {
            const char byte = char(i);
            map.insert(char16_t(i), byte);
            map.insert(format::decodeText(Version::Jet3, reinterpret_cast<const uchar *>(&byte), 1, 1252)
                           ->at(0)
                           .unicode(),
                       byte);
        }
        return map;
    }();
    QByteArray bytes;
    bytes.reserve(s.size());
    for (QChar c : s)
        bytes.append(byteOf.value(c.unicode(), '?'));
    return *format::decodeText(Version::Jet3, reinterpret_cast<const uchar *>(bytes.constData()),
                               bytes.size(), 1251);
}

inline bool sameValue(const Column &column, const Value &ours, const QJsonValue &theirs, Version version) {
    if (std::holds_alternative<std::monostate>(ours))
        return theirs.isNull();
    switch (column.type) {
    case ColumnType::Boolean:
        return theirs.isBool() && theirs.toBool() == std::get<bool>(ours);
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
        return theirs.isDouble() && theirs.toDouble() == double(std::get<qint64>(ours));
    case ColumnType::Currency:
        return std::llround(theirs.toString().toDouble() * 10000) == std::get<qint64>(ours);
    case ColumnType::Single:
    case ColumnType::Double:
        return theirs.isDouble() && theirs.toDouble() == std::get<double>(ours);
    case ColumnType::DateTime: {
        const QDateTime t = QDateTime::fromString(theirs.toObject().value(QLatin1String("date")).toString(),
                                                  Qt::ISODateWithMs);
        const double ms = (std::get<double>(ours) - 25569.0) * 86400000.0;
        return t.isValid() && std::abs(double(t.toMSecsSinceEpoch()) - ms) < 1.0;
    }
    case ColumnType::Text:
    case ColumnType::Memo: {
        const QString s = version == Version::Jet3 ? jet3Text(theirs.toString()) : theirs.toString();
        return theirs.isString() && s == std::get<QString>(ours);
    }
    case ColumnType::Binary:
    case ColumnType::Ole:
        return theirs.toObject().value(QLatin1String("hex")).toString().toLatin1() ==
               std::get<QByteArray>(ours).toHex();
    case ColumnType::Numeric:
        return theirs.toString() == numericText(std::get<QByteArray>(ours), column.scale);
    default:
        return true; // GUID: mdb-reader prints its own string form
    }
}

inline QString compareWithMdbReader(const QList<Table> &ours, const QJsonObject &dump, Version version) {
    const QJsonArray tables = dump.value(QLatin1String("tables")).toArray();
    if (tables.size() != ours.size())
        return QStringLiteral("mdb-reader lists %1 tables, we %2").arg(tables.size()).arg(ours.size());
    for (qsizetype t = 0; t < ours.size(); ++t) {
        const Table &table = ours[t];
        const QJsonObject theirs = tables[t].toObject();
        if (theirs.value(QLatin1String("name")).toString() != table.name)
            return QStringLiteral("mdb-reader table %1 is %2")
                .arg(t)
                .arg(theirs.value(QLatin1String("name")).toString());
        const QJsonArray columns = theirs.value(QLatin1String("columns")).toArray();
        if (columns.size() != table.columns.size())
            return QStringLiteral("%1: mdb-reader gives %2 columns").arg(table.name).arg(columns.size());
        for (qsizetype c = 0; c < columns.size(); ++c) {
            if (columns[c].toObject().value(QLatin1String("name")).toString() != table.columns[c].name)
                return QStringLiteral("%1: mdb-reader column %2 is %3")
                    .arg(table.name)
                    .arg(c)
                    .arg(columns[c].toObject().value(QLatin1String("name")).toString());
        }
        if (theirs.value(QLatin1String("rowCount")).toInt() != table.rows.size())
            return QStringLiteral("%1: mdb-reader's rowCount is %2")
                .arg(table.name)
                .arg(theirs.value(QLatin1String("rowCount")).toInt());
        const QJsonArray rows = theirs.value(QLatin1String("rows")).toArray();
        if (rows.size() != table.rows.size())
            return QStringLiteral("%1: mdb-reader gives %2 rows, we %3")
                .arg(table.name)
                .arg(rows.size())
                .arg(table.rows.size());
        for (qsizetype r = 0; r < rows.size(); ++r) {
            const QJsonArray row = rows[r].toArray();
            for (qsizetype c = 0; c < table.columns.size(); ++c) {
                if (!sameValue(table.columns[c], table.rows[r][c], row.at(c), version))
                    return QStringLiteral("%1 row %2 column %3: mdb-reader %4, we %5")
                        .arg(table.name)
                        .arg(r + 1)
                        .arg(table.columns[c].name,
                             QString::fromUtf8(
                                 QJsonDocument(QJsonArray{row.at(c)}).toJson(QJsonDocument::Compact))
                                 .left(60),
                             show(table.rows[r][c]));
            }
        }
    }
    return {};
}

} // namespace jetoracles
