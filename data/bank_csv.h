#pragma once

// Jet tables as CSV in the dialect mdb-export writes: a header row of column names, fields
// separated by commas, text fields in double quotes with quotes doubled, line breaks inside
// quoted fields kept as they are, records ended by "\n", UTF-8. One addition keeps NULL apart
// from the empty text: an unquoted empty field is NULL, "" is an empty text.
//
// Read, CSV may also come as Russian spreadsheet programs save it: fields separated by ";" (the
// header line says which), records ended by "\r\n", text in Windows-1251. The text files the
// bank tool reads (CSV here, Aiken in bank_aiken.h) are UTF-8, with or without a byte-order mark,
// or else Windows-1251, which a reader reports (FileFormat) for the user to see.

#include "data/bank_error.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace csv {

// How a text file was read.
struct FileFormat {
    enum class Encoding { Utf8, Windows1251 };
    Encoding encoding = Encoding::Utf8;
    bool byteOrderMark = false; // a UTF-8 byte-order mark was skipped
    char separator = ',';       // CSV: ',' or ';', as the header line has it
};

// What a reader tells the user about how it read a file, naming it: that it was taken for
// Windows-1251 (the bytes were not UTF-8). Empty for UTF-8.
QString encodingNotice(const QString &file, const FileFormat &format);

// A text file's bytes as UTF-8, without a byte-order mark: UTF-8 as it is; bytes that are not
// UTF-8 taken for Windows-1251 and converted. A file that is neither (UTF-16, a byte-order mark
// before bytes that are not UTF-8, the byte 0x98 that Windows-1251 leaves unused) gets a fault
// text and the line it is on (lines end in "\n", "\r\n" or "\r").
struct DecodedFile {
    QByteArray utf8;
    FileFormat format;
    int faultLine = 0; // 0: no fault
    QString fault;
};
DecodedFile decodeFile(const QByteArray &bytes);

struct Field {
    QString text;
    bool quoted = false;
};

struct Record {
    int line = 0; // 1-based line the record starts on
    QList<Field> fields;
};

// Splits CSV bytes into records. The text is read as decodeFile() says; records may end in "\n"
// or "\r\n"; fields are separated by the first "," or ";" outside quotes on the header line
// ("," when it has neither). Throws BankError for a file decodeFile() refuses, an unclosed quote,
// text after a closing quote and a quote inside an unquoted field. The second form also tells how
// the file was read.
QList<Record> parse(const QByteArray &bytes, const QString &file);
QList<Record> parse(const QByteArray &bytes, const QString &file, FileFormat *format);

// Reads a table whose header must name exactly the given columns (in any order, case ignored)
// and converts every field to its column's type: integers in decimal within the type's range,
// booleans 1/0 (TRUE/FALSE and a Russian spreadsheet's ИСТИНА/ЛОЖЬ also accepted), texts as they
// are. Only Boolean, Byte, Integer, Long Integer, Text and Memo columns can be read. Records at
// the end with every field empty are blank lines, not rows. Throws BankError naming the line and
// column. When lines is given it receives, for each row, the line its record starts on; when
// format is given, how the file was read.
jet::Table readTable(const QByteArray &bytes, const QString &file, const QString &tableName,
                     const QList<jet::Column> &columns, QList<int> *lines = nullptr);
jet::Table readTable(const QByteArray &bytes, const QString &file, const QString &tableName,
                     const QList<jet::Column> &columns, QList<int> *lines, FileFormat *format);

// The bank's two tables (Zadachi and Otvety, with the columns the bank tool writes) from their
// CSV files, with every text checked against what the given Jet version can store: nothing
// beyond the Basic Multilingual Plane, and for Jet 3 only Windows-1251. Throws BankError.
QList<jet::Table> readBankTables(const QByteArray &problems, const QString &problemsFile,
                                 const QByteArray &options, const QString &optionsFile, jet::Version version);
// The same, telling how each file was read.
QList<jet::Table> readBankTables(const QByteArray &problems, const QString &problemsFile,
                                 const QByteArray &options, const QString &optionsFile, jet::Version version,
                                 FileFormat *problemsFormat, FileFormat *optionsFormat);

// Writes any table: the header, then one record per row. Numbers in plain decimal (a Single as
// the shortest text that reads back as the same single, a Numeric with its column's scale of
// digits after the point), booleans 1/0, currency with four decimals, date/time as mdb-export
// prints it (MM/DD/YY HH:MM:SS), binary values in hexadecimal.
QByteArray write(const jet::Table &table);

// The forms a table is written in: mdb-export's, and the one a Russian spreadsheet program
// opens with a double click (";" between fields, ИСТИНА and ЛОЖЬ, after a UTF-8 byte-order
// mark). The readers take both back as the same table.
enum class Dialect { MdbExport, Spreadsheet };
QByteArray write(const jet::Table &table, Dialect dialect);

} // namespace csv
