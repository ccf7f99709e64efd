#pragma once

// Jet tables as CSV in the dialect mdb-export writes: a header row of column names, fields
// separated by commas, text fields in double quotes with quotes doubled, line breaks inside
// quoted fields kept as they are, records ended by "\n", UTF-8. One addition keeps NULL apart
// from the empty text: an unquoted empty field is NULL, "" is an empty text.

#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <stdexcept>

namespace csv {

// A fault in a CSV file; the message is Russian and names the file and the line.
class CsvError : public std::runtime_error {
public:
    CsvError(const QString &file, int line, const QString &fault);
    const QString &file() const { return m_file; }
    int line() const { return m_line; }
    const QString &message() const { return m_message; }

private:
    QString m_file;
    int m_line;
    QString m_message;
};

struct Field {
    QString text;
    bool quoted = false;
};

struct Record {
    int line = 0; // 1-based line the record starts on
    QList<Field> fields;
};

// Splits CSV bytes into records. A leading UTF-8 byte order mark is skipped; records may end in
// "\n" or "\r\n". Throws CsvError for an unclosed quote, text after a closing quote, a quote
// inside an unquoted field and bytes that are not UTF-8.
QList<Record> parse(const QByteArray &bytes, const QString &file);

// Reads a table whose header must name exactly the given columns (in any order, case ignored)
// and converts every field to its column's type: integers in decimal within the type's range,
// booleans 1/0 (TRUE/FALSE also accepted), texts as they are. Only Boolean, Byte, Integer,
// Long Integer, Text and Memo columns can be read. Throws CsvError naming the line and column.
// When lines is given it receives, for each row, the line its record starts on.
jet::Table readTable(const QByteArray &bytes, const QString &file, const QString &tableName,
                     const QList<jet::Column> &columns, QList<int> *lines = nullptr);

// The bank's two tables (Zadachi and Otvety, with the columns the bank tool writes) from their
// CSV files, with every text checked against what the given Jet version can store: nothing
// beyond the Basic Multilingual Plane, and for Jet 3 only Windows-1251. Throws CsvError.
QList<jet::Table> readBankTables(const QByteArray &problems, const QString &problemsFile,
                                 const QByteArray &options, const QString &optionsFile, jet::Version version);

// Writes any table: the header, then one record per row. Numbers in plain decimal (a Single as
// the shortest text that reads back as the same single, a Numeric with its column's scale of
// digits after the point), booleans 1/0, currency with four decimals, date/time as mdb-export
// prints it (MM/DD/YY HH:MM:SS), binary values in hexadecimal.
QByteArray write(const jet::Table &table);

} // namespace csv
