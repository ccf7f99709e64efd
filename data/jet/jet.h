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
//   Binary, Ole, Guid, Numeric -> QByteArray (the stored bytes; numericText() reads a Numeric).
// Column types this code does not know (Access 2007's complex columns, say) read as the stored
// bytes. A column added to a table after a row was written reads as NULL in that row, a Boolean
// too; otherwise a Boolean is never NULL (Jet keeps it in the row's null mask).
using Value = std::variant<std::monostate, bool, qint64, double, QString, QByteArray>;

struct Column {
    QString name;
    ColumnType type;
    // Numeric columns only: digits in all (1-28) and after the decimal point (0-precision).
    int precision = 0;
    int scale = 0;
};

// A Numeric (Decimal) value as Jet stores it, 17 bytes: a sign byte (0x80: negative), then the
// magnitude, a 128-bit integer, as four little-endian 32-bit words, the most significant first.
// The value is the magnitude divided by 10^scale.
// numericText gives it in decimal as mdb-export prints it: exactly `scale` digits after the point,
// at least one before it, "-" when the sign byte says so ("12.50", "0.005", "-3", "-0.00");
// nullopt when the bytes are not 17 or scale is negative.
std::optional<QString> numericText(const QByteArray &stored, int scale);
// The stored bytes of a decimal text ("-12.5", "7", ".25"; no exponent, no spaces, no "+") for a
// column of the given scale: nullopt when the text is not such a number, has more digits after
// the point than the scale, or does not fit 128 bits.
std::optional<QByteArray> numericBytes(const QString &text, int scale);

// An index of a table, as a writer makes it and a reader reports it.
struct Index {
    QString name;
    QStringList columns; // ascending
    bool primaryKey = false;
    bool unique = false; // a primary key is unique in any case

    bool operator==(const Index &) const = default;
};

struct Table {
    QString name;
    QList<Column> columns;
    QList<QList<Value>> rows; // each row has columns.size() values, in column order
    QList<Index> indexes = {};
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
    // The code page Jet 3 text is read in: the header's code page when this code knows it
    // (1250-1258), else the one its sort order implies, else 1251. 0 for Jet 4 (Unicode text).
    int codePage() const { return m_version == Version::Jet3 ? m_codePage : 0; }
    // Empty, or (in Russian, naming the file) why the code page is an assumption: a Jet 3 header
    // that names neither a code page nor a sort order this code knows. A tool shows it as a notice.
    const QString &codePageNotice() const { return m_codePageNotice; }
    // User tables, in catalog order (system tables left out).
    QStringList tableNames() const;
    // Reads a table by name, compared case-insensitively. Throws FormatError (NoTable and others).
    Table readTable(const QString &name) const;
    // The page of a table's definition (its catalogue Id), system tables included; nullopt when
    // the catalogue has no table of that name.
    std::optional<quint32> tablePage(const QString &name) const;
    // Whether the catalogue is one Access keeps (containers, parents, system tables), so that the
    // file can be changed in place; a minimal catalogue (as older writers made it) cannot.
    bool hasAccessCatalog() const { return m_accessCatalog; }

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
    int m_codePage = 1251; // Jet 3 text
    QString m_codePageNotice;
    bool m_accessCatalog = false;
};

// How a written database is stamped: the creation and change dates in its catalogue and header
// (days since 1899-12-30, local time, as Jet keeps them). Unset: now.
struct WriteOptions {
    std::optional<double> date;
};

// Makes a new Access database (Jet 4: Access 2000; Jet 3: Access 97) holding the tables: the
// catalogue with its containers and indexes, the system tables, rights for the default user on
// every object, the database's properties, then each table with its rows, long values and the
// indexes it names. Same input and date, same bytes. Throws FormatError (Unsupported) for values
// it cannot store (naming the table, row and column), names the catalogue cannot hold, and
// duplicate or empty keys of a unique or primary index (naming the rows).
// Writes every type: Text up to 255 characters, Binary up to 255 bytes, Guid exactly 16 bytes,
// Numeric (Jet 4 only, as Access 97 has no such type) as its 17 stored bytes within the column's
// precision (numericBytes() makes them), Memo and Ole of any length up to 16 MiB stored; no NULL
// Booleans; Jet 4 text within the BMP, Jet 3 text in Windows-1251 (the header says code page 1251).
QByteArray write(const QList<Table> &tables, Version version = Version::Jet4,
                 const WriteOptions &options = {});

// write() into a file, replacing it only once the whole file has been written. A file that cannot
// be written throws FormatError (Unreadable) naming it and why (platform::writeReason).
void writeFile(const QString &path, const QList<Table> &tables, Version version = Version::Jet4,
               const WriteOptions &options = {});

// New rows for one table of an existing database.
struct TableUpdate {
    // The table's name, the columns given (a subset of the file's, by name), the rows of those,
    // and the indexes to make when the file has no such table yet.
    Table table;
    // Columns of the file's table that `table` does not give keep their values from the file's
    // row in which matchColumn holds origins[i] (the first such row); a row whose origin is NULL,
    // or matches no row, gets NULL there (false for a Boolean).
    QString matchColumn;
    QList<Value> origins; // one per row of table.rows, or empty: every row new
};

// Changes a database in place: the rows of each updated table (and their long values and
// indexes) are replaced, everything else the file holds (other tables, columns, queries,
// relationships, properties, rights) is kept as it was; pages freed are reused. A file whose
// catalogue is the minimal one older writers made has nothing else to keep and is made anew with
// its tables. Throws FormatError: as write(), as Database::open() for a file it cannot read, and
// Unsupported for a file it cannot change safely (saying why); the bytes given are never changed.
QByteArray update(const QByteArray &original, const QString &fileName, const QList<TableUpdate> &updates,
                  const WriteOptions &options = {});

} // namespace jet
