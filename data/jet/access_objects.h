#pragma once

// What a new Access database holds besides the user's tables, as Access 2000 (Jet 4) and Access 97
// (Jet 3) make it: the definitions of the system tables MSysObjects, MSysACEs, MSysQueries and
// MSysRelationships, the catalogue's rows (containers, the database object MSysDb with its
// properties, the documents SummaryInfo and UserDefined, the system tables), the access-control
// entries of all of them, and the header page. The writer lays these out in pages; a table it adds
// later gets its catalogue row and its rights from tableObjectRow() and tableAces().
//
// Left out, because only the Access program (not the Jet engine) makes or reads them: the table
// MSysAccessObjects (Access 2000's store of forms, reports and the VBA project), MSysModules and
// MSysModules2 (the same store in Access 97), and the document AccessLayout (the state of the
// database window). Access makes them again when it first needs them.

#include "data/jet/format.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace jet::access {

// Catalogue ids. The containers hang under the root (an id with no row of its own); a table's id
// is the page of its definition.
inline constexpr qint32 kRootId = 0x0F000000;
inline constexpr qint32 kTablesId = 0x0F000001;
inline constexpr qint32 kDatabasesId = 0x0F000002;
inline constexpr qint32 kRelationshipsId = 0x0F000003;
inline constexpr qint32 kMSysDbId = 0x10000000;

// MSysObjects.Type
inline constexpr qint16 kTypeTable = 1;
inline constexpr qint16 kTypeDatabase = 2;
inline constexpr qint16 kTypeContainer = 3;
inline constexpr qint16 kTypeQuery = 5;
inline constexpr qint16 kTypeLinkedTable = 6;
inline constexpr qint16 kTypeDocument = qint16(0x800B);

// MSysObjects.Flags of the objects the engine itself makes; readers hide them.
inline constexpr qint32 kFlagSystem = qint32(0x80000000u);

// Set in every real index's flags by Access 2000 and later (not by Access 97); Jet gives it no
// documented meaning.
inline constexpr quint8 kIndexJet4Marker = 0x80;

// MSysACEs.ACM: every right (DAO's dbSecFullAccess).
inline constexpr qint32 kFullAccess = 0xFFFFF;

// The security ids in the entries of a new database. The short ones are Jet's built-in accounts;
// the long one is the Admins group of the workgroup the database was made in (its value comes
// from that workgroup, so any value is as good; this one is what the Access 2000 file we compare
// with holds: 102 bytes, though mdb-export shows only the 44 before its first zero byte).
QByteArray sidAdminUser(); // A6 33: the default user "Admin"; owner of the objects Access makes
QByteArray sidUsers();     // A7 33: the group every user belongs to
QByteArray sidEngine();    // A7 31: the engine; owner of the system tables and first containers
QByteArray sidCreator();   // A7 36: stands for whoever creates an object in a container
QByteArray sidAdmins();    // 102 bytes

// One of the four system tables of a new database, at its fixed definition page.
struct SystemTable {
    QString name;
    quint32 tdefPage = 0; // also its catalogue id
    format::TableDef def; // usage maps, index roots and row counts left 0 for the writer
};
QList<SystemTable> systemTables(Version version);

// The columns of a definition as a jet::Table has them: by column number.
QList<Column> tableColumns(const format::TableDef &def);

// A database property (an entry of an LvProp block).
struct Property {
    QString name;
    ColumnType type = ColumnType::Text;
    Value value;
    bool ddl = false; // made by data definition (Jet keeps it across a compact)

    bool operator==(const Property &) const = default;
};

// An LvProp block of one unnamed (object-level) property list: "MR2" in Jet 4, "KKD" in Jet 3.
// Text, Memo, Boolean, Byte, Integer, LongInteger, Double, DateTime, Binary and Guid values;
// std::nullopt when a value does not fit its type or a text cannot be stored in this version.
std::optional<QByteArray> encodeProperties(Version version, const QList<Property> &properties);
// The properties of the unnamed list of a block (lists named after columns are skipped), in
// block order. A fault text in *fault when the block is not one.
std::optional<QList<Property>> decodeProperties(Version version, const QByteArray &block, int codePage,
                                                QString *fault);

// The properties Access gives MSysDb: AccessVersion (and, from Access 2000 on, its build).
QList<Property> databaseProperties(Version version);

// The document SummaryInfo: Access fills in the file's title, the user's name and company.
struct Summary {
    QString title;
    QString author;
    QString company;
};
QList<Property> summaryProperties(const Summary &summary);
// The document UserDefined: the one property Access writes there.
QList<Property> userDefinedProperties();

// The rows of MSysObjects and MSysACEs of a new database, in the order Access has them; columns by
// column number (tableColumns() of their definitions). Dates are days since 1899-12-30.
Table catalogue(Version version, double created, const Summary &summary = {});
Table accessControlEntries(Version version);

// The catalogue row and the entries of a table the writer adds (its definition at tdefPage): the
// entries the Tables container hands a new table, every right for each of its accounts, so that
// the default user may open, read, change and delete rows.
QList<Value> tableObjectRow(quint32 tdefPage, const QString &name, double created);
QList<QList<Value>> tableAces(quint32 tdefPage);

// Page 0 of a new database as Access writes it (Jet 3 with code page 1251, Jet 4 with 1252 as
// Access does; both with the General sort order and, in Jet 4, the creation date).
QByteArray headerPage(Version version, double created);

} // namespace jet::access
