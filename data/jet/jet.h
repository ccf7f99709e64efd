#pragma once

// Reading and writing Jet 3 and Jet 4 database files (the format of Access 97 and 2000-2003).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <variant>

namespace jet {

enum class Version { Jet3, Jet4 };

// Column type codes as stored in a table definition.
enum class ColumnType : quint8 {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,     // 16-bit
    LongInteger = 0x04, // 32-bit
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Guid = 0x0F,
    Numeric = 0x10,
};

// A field value. std::monostate is NULL.
//   Boolean -> bool; Byte, Integer, LongInteger -> qint64; Currency -> qint64 in units of 1/10000;
//   Single, Double, DateTime (days since 1899-12-30) -> double; Text, Memo -> QString;
//   Binary, Ole, Guid, Numeric -> QByteArray (the stored bytes).
// Column types this code does not know (Access 2007's complex columns, say) read as the stored
// bytes. A column added to a table after a row was written reads as NULL in that row, a Boolean
// too; otherwise a Boolean is never NULL (Jet keeps it in the row's null mask).
using Value = std::variant<std::monostate, bool, qint64, double, QString, QByteArray>;

struct Column {
    QString name;
    ColumnType type;
};

struct Table {
    QString name;
    QList<Column> columns;
    QList<QList<Value>> rows; // each row has columns.size() values, in column order
};

// Everything that can be wrong with a file. The message is Russian, for the user, and names the
// file and the fault.
class FormatError : public std::runtime_error {
public:
    enum class Kind {
        Missing,    // no such file
        Unreadable, // exists but cannot be opened or read
        NotJet,     // not a Jet database at all
        Encrypted,  // encrypted or password-protected
        Truncated,  // shorter than its own structures say
        Malformed,  // a structure points outside the file, loops or contradicts itself
        NoTable,    // no table of the asked name
        Unsupported // a valid file this code cannot write or read (e.g. a value the writer rejects)
    };
    FormatError(Kind kind, const QString &file, const QString &message);
    Kind kind() const { return m_kind; }
    const QString &file() const { return m_file; }
    const QString &message() const { return m_message; }

private:
    Kind m_kind;
    QString m_file;
    QString m_message;
};

// A database read whole into memory. Opening never modifies the file.
class Database {
public:
    // Throws FormatError.
    static Database open(const QString &path);
    static Database fromBytes(QByteArray bytes, const QString &nameForMessages);

    Version version() const { return m_version; }
    // User tables, in catalog order (system tables left out).
    QStringList tableNames() const;
    // Reads a table by name, compared case-insensitively. Throws FormatError (NoTable and others).
    Table readTable(const QString &name) const;

private:
    Database() = default;
    QByteArray m_bytes;
    QString m_file;
    Version m_version = Version::Jet4;

    // One table of the catalog (MSysObjects), read when the database is opened.
    struct CatalogEntry {
        QString name;
        quint32 tdefPage = 0;
        bool system = false;
    };
    QList<CatalogEntry> m_catalog;
    int m_codePage = 0; // Jet 3 text: 1252, or 1251 for anything else
};

// Serialises tables into a complete database file. Same input, same bytes. Throws FormatError
// (Unsupported) for values it cannot store, naming the table, row and column.
// Writes every type but Numeric: Text up to 255 characters, Binary up to 255 bytes, Guid exactly
// 16 bytes, Memo and Ole of any length up to 16 MiB stored; no NULL Booleans; Jet 4 text within
// the BMP, Jet 3 text in Windows-1251. No indexes; the catalog holds only what readers need.
QByteArray write(const QList<Table> &tables, Version version = Version::Jet4);

// write() into a file, replacing it only once the whole file has been written. A file that cannot
// be written throws FormatError (Unreadable) naming it and the system's reason.
void writeFile(const QString &path, const QList<Table> &tables, Version version = Version::Jet4);

} // namespace jet
