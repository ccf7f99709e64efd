#include "data/jet/access_objects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The values below were read from a new, empty Access 2000 database (Jackcess ships one to build
// its own new files from): its catalogue and entries with mdb-export and Jackcess, its table
// definitions and header byte by byte. Access 97 makes the same objects (Jackcess's Access 97 test
// files show the same documents and properties); what differs for Jet 3 is said where it is made.
// With no Access 97 file at hand, some Jet 3 values follow from Jet 4 and are not checked against
// one: the column flags, the rights and accounts, the ids of Access's containers (counted without
// DataAccessPages), MSysDb holding AccessVersion alone, and the header's fields beyond the code
// page, sort order, key and password.

namespace jet::access {

using namespace format;

namespace {

QByteArray bytes(std::initializer_list<quint8> list) {
    QByteArray out;
    out.reserve(qsizetype(list.size()));
    for (quint8 b : list)
        out.append(char(b));
    return out;
}

// ---------------------------------------------------------------------------------------------
// Table definitions

// Column flags Access sets on system tables: 0x02 on every column, 0x10 on every column of an
// MSys table, 0x20 on the two columns that hold security ids.
constexpr quint8 kSystemColumn = kColNullable | 0x10;
constexpr quint8 kSidColumn = 0x20;

struct ColumnSpec {
    const char *name;
    ColumnType type;
    quint8 extraFlags = 0;
};

// Access numbers the columns in the order given, keeps the fixed ones one after another in the
// row's fixed area (Booleans live in the null mask) and gives a fixed column, as its unused
// variable index, the number of variable columns before it. The descriptors it writes sorted by
// name, case-insensitively.
QList<ColumnDef> columns(Version version, std::initializer_list<ColumnSpec> specs) {
    const int textLength = version == Version::Jet4 ? 510 : 255; // 255 characters either way
    QList<ColumnDef> out;
    int number = 0;
    int fixedOffset = 0;
    int varIndex = 0;
    for (const ColumnSpec &s : specs) {
        ColumnDef c;
        c.name = QString::fromLatin1(s.name);
        c.type = s.type;
        c.number = number++;
        c.flags = kSystemColumn | s.extraFlags;
        const int size = fixedSize(s.type);
        if (s.type == ColumnType::Boolean) {
            c.flags |= kColFixed;
            c.length = 1;
            c.varIndex = varIndex;
        } else if (size > 0) {
            c.flags |= kColFixed;
            c.length = size;
            c.fixedOffset = fixedOffset;
            c.varIndex = varIndex;
            fixedOffset += size;
        } else {
            c.length = isLongValue(s.type) ? 0 : textLength;
            c.varIndex = varIndex++;
        }
        out.append(c);
    }
    std::sort(out.begin(), out.end(), [](const ColumnDef &a, const ColumnDef &b) {
        return a.name.compare(b.name, Qt::CaseInsensitive) < 0;
    });
    return out;
}

TableDef systemTable(Version version, QList<ColumnDef> cols) {
    TableDef def;
    def.tableType = kSystemTable;
    def.maxCols = int(cols.size());
    def.numVarCols =
        int(std::count_if(cols.cbegin(), cols.cend(), [](const ColumnDef &c) { return !c.isFixed(); }));
    // Jet 4 lists the long-value columns' own page maps in descriptor order.
    if (version == Version::Jet4) {
        for (const ColumnDef &c : cols) {
            if (isLongValue(c.type))
                def.columnMaps.append(ColumnMapDef{c.number, 0, 0});
        }
    }
    def.columns = std::move(cols);
    return def;
}

RealIndexDef realIndex(Version version, std::initializer_list<int> numbers, quint8 flags) {
    RealIndexDef r;
    for (int n : numbers)
        r.columns.append(IndexColumnDef{n, true});
    r.flags = flags | (version == Version::Jet4 ? kIndexJet4Marker : 0);
    return r;
}

LogicalIndexDef logicalIndex(const char *name, int number, quint8 kind) {
    LogicalIndexDef l;
    l.name = QString::fromLatin1(name);
    l.number = number;
    l.realIndex = number; // one logical index per real index in the system tables
    l.kind = kind;
    // Access writes 4 in both cascade bytes of indexes that are no foreign key; readers look at
    // them only for foreign keys.
    l.cascadeUpdates = 4;
    l.cascadeDeletes = 4;
    return l;
}

// ---------------------------------------------------------------------------------------------
// Property blocks

constexpr quint16 kPropertyNames = 0x80;
constexpr quint16 kObjectProperties = 0x00;
constexpr quint16 kColumnProperties = 0x01;

QByteArray magic(Version version) {
    return QByteArray(version == Version::Jet4 ? "MR2" : "KKD", 4); // with its NUL
}

void append16(QByteArray &out, quint16 v) {
    uchar b[2];
    put16(b, v);
    out.append(reinterpret_cast<const char *>(b), 2);
}
void append32(QByteArray &out, quint32 v) {
    uchar b[4];
    put32(b, v);
    out.append(reinterpret_cast<const char *>(b), 4);
}

// Names and text values are never compressed in a property block.
std::optional<QByteArray> propertyText(Version version, const QString &text) {
    return encodeText(version, text, false);
}

std::optional<QByteArray> valueBytes(Version version, const Property &p) {
    QByteArray out;
    switch (p.type) {
    case ColumnType::Boolean:
        if (const auto *b = std::get_if<bool>(&p.value))
            return QByteArray(1, *b ? '\1' : '\0');
        return std::nullopt;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
    case ColumnType::Currency: {
        const auto *n = std::get_if<qint64>(&p.value);
        if (!n)
            return std::nullopt;
        const int size = fixedSize(p.type);
        if (size < 8) {
            const qint64 limit = qint64(1) << (size * 8 - 1);
            const qint64 low = p.type == ColumnType::Byte ? 0 : -limit;
            const qint64 high = p.type == ColumnType::Byte ? 255 : limit - 1;
            if (*n < low || *n > high)
                return std::nullopt;
        }
        for (int i = 0; i < size; ++i)
            out.append(char(quint64(*n) >> (8 * i)));
        return out;
    }
    case ColumnType::Single:
    case ColumnType::Double:
    case ColumnType::DateTime: {
        const auto *d = std::get_if<double>(&p.value);
        if (!d)
            return std::nullopt;
        if (p.type == ColumnType::Single) {
            const float f = float(*d);
            out.resize(4);
            std::memcpy(out.data(), &f, 4);
        } else {
            out.resize(8);
            std::memcpy(out.data(), d, 8);
        }
        return out;
    }
    case ColumnType::Text:
    case ColumnType::Memo:
        if (const auto *s = std::get_if<QString>(&p.value))
            return propertyText(version, *s);
        return std::nullopt;
    case ColumnType::Binary:
    case ColumnType::Ole:
    case ColumnType::Guid:
        if (const auto *b = std::get_if<QByteArray>(&p.value))
            return *b;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

Value readValue(Version version, ColumnType type, const uchar *data, int size, int codePage) {
    switch (type) {
    case ColumnType::Boolean:
        return size >= 1 && data[0] != 0;
    case ColumnType::Byte:
    case ColumnType::Integer:
    case ColumnType::LongInteger:
    case ColumnType::Currency: {
        if (size != fixedSize(type))
            return QByteArray(reinterpret_cast<const char *>(data), size);
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint64(data[i]) << (8 * i);
        if (type == ColumnType::Byte)
            return qint64(v);
        const int bits = 8 * size;
        const qint64 signedValue = bits == 64 ? qint64(v) : qint64(v << (64 - bits)) >> (64 - bits);
        return signedValue;
    }
    case ColumnType::Single:
        if (size == 4) {
            float f;
            std::memcpy(&f, data, 4);
            return double(f);
        }
        break;
    case ColumnType::Double:
    case ColumnType::DateTime:
        if (size == 8) {
            double d;
            std::memcpy(&d, data, 8);
            return d;
        }
        break;
    case ColumnType::Text:
    case ColumnType::Memo:
        if (auto s = decodeText(version, data, size, codePage))
            return *s;
        break;
    default:
        break;
    }
    return QByteArray(reinterpret_cast<const char *>(data), size);
}

// ---------------------------------------------------------------------------------------------
// Catalogue rows

qint64 id(qint32 v) {
    return qint64(v);
}
qint64 highId(quint32 v) { // the ids Access hands out from 0x80000000 on, stored as signed
    return qint64(qint32(v));
}

struct ObjectSpec {
    qint64 id;
    qint64 parentId;
    QString name;
    qint16 type;
    QByteArray owner;
    qint32 flags;
    Value lvProp;
};

QList<Value> objectRow(const ObjectSpec &o, double created) {
    QList<Value> row(17, Value{});
    row[0] = o.id;
    row[1] = o.parentId;
    row[2] = o.name;
    row[3] = qint64(o.type);
    row[4] = created;
    row[5] = created;
    row[6] = o.owner;
    row[7] = qint64(o.flags);
    row[14] = o.lvProp;
    return row;
}

Value propertyBlock(Version version, const QList<Property> &properties) {
    // The properties made here are storable by construction.
    return *encodeProperties(version, properties);
}

struct AceSpec {
    qint64 objectId;
    QByteArray sid;
    qint32 acm;
    bool inheritable;
};

} // namespace

// ---------------------------------------------------------------------------------------------

QByteArray sidAdminUser() {
    return bytes({0xA6, 0x33});
}
QByteArray sidUsers() {
    return bytes({0xA7, 0x33});
}
QByteArray sidEngine() {
    return bytes({0xA7, 0x31});
}
QByteArray sidCreator() {
    return bytes({0xA7, 0x36});
}
QByteArray sidAdmins() {
    return bytes({0xA4, 0xF7, 0x46, 0x67, 0xE1, 0x71, 0x67, 0xEE, 0xD7, 0xB1, 0x0F, 0x8F, 0xFE, 0xEF, 0x76,
                  0xFF, 0xAA, 0xE3, 0x66, 0x51, 0x05, 0xBD, 0xD2, 0x9D, 0x4D, 0x4B, 0x39, 0x52, 0xD9, 0xFB,
                  0x9A, 0x07, 0x66, 0x0C, 0x5B, 0xD2, 0xD8, 0x7D, 0xDD, 0xB3, 0x1E, 0x65, 0x90, 0x19, 0x00,
                  0x94, 0x89, 0xC2, 0x3C, 0x25, 0x6A, 0xCF, 0xDB, 0x34, 0x9A, 0x57, 0xAF, 0x50, 0xC5, 0x14,
                  0x9A, 0x98, 0x30, 0xE6, 0x2C, 0x35, 0x55, 0x3F, 0x0E, 0x95, 0xCF, 0xB6, 0xEC, 0xB5, 0x70,
                  0xB2, 0xF0, 0xA9, 0x9B, 0x1C, 0xDB, 0xCE, 0x60, 0x74, 0x7B, 0x7B, 0x13, 0xCF, 0x1D, 0xAF,
                  0xC3, 0xD6, 0x18, 0x5F, 0x9C, 0x5B, 0xE4, 0xE8, 0x7E, 0x37, 0xED, 0xB3});
}

QList<SystemTable> systemTables(Version version) {
    using T = ColumnType;
    QList<SystemTable> out;

    TableDef objects = systemTable(version, columns(version, {
                                                                 {"Id", T::LongInteger},
                                                                 {"ParentId", T::LongInteger},
                                                                 {"Name", T::Text},
                                                                 {"Type", T::Integer},
                                                                 {"DateCreate", T::DateTime},
                                                                 {"DateUpdate", T::DateTime},
                                                                 {"Owner", T::Binary, kSidColumn},
                                                                 {"Flags", T::LongInteger},
                                                                 {"Database", T::Memo},
                                                                 {"Connect", T::Memo},
                                                                 {"ForeignName", T::Text},
                                                                 {"RmtInfoShort", T::Binary},
                                                                 {"RmtInfoLong", T::Ole},
                                                                 {"Lv", T::Ole},
                                                                 {"LvProp", T::Ole},
                                                                 {"LvModule", T::Ole},
                                                                 {"LvExtra", T::Ole},
                                                             }));
    // Jet finds objects through ParentIdName; Id is the key a table's id is looked up by.
    objects.realIndexes = {realIndex(version, {1, 2}, kIndexUnique), realIndex(version, {0}, kIndexUnique)};
    objects.indexes = {logicalIndex("Id", 1, kIndexPrimaryKey),
                       logicalIndex("ParentIdName", 0, kIndexNormal)};
    out.append({QStringLiteral("MSysObjects"), 2, objects});

    TableDef aces = systemTable(version, columns(version, {
                                                              {"ObjectId", T::LongInteger},
                                                              {"SID", T::Binary, kSidColumn},
                                                              {"ACM", T::LongInteger},
                                                              {"FInheritable", T::Boolean},
                                                          }));
    aces.realIndexes = {realIndex(version, {0}, kIndexRequired)};
    aces.indexes = {logicalIndex("ObjectId", 0, kIndexNormal)};
    out.append({QStringLiteral("MSysACEs"), 3, aces});

    // Access 2000 added LvExtra to the queries table.
    TableDef queries = version == Version::Jet4
                           ? systemTable(version, columns(version,
                                                          {
                                                              {"ObjectId", T::LongInteger},
                                                              {"Attribute", T::Byte},
                                                              {"Order", T::Binary},
                                                              {"Name1", T::Text},
                                                              {"Name2", T::Text},
                                                              {"Expression", T::Memo},
                                                              {"Flag", T::Integer},
                                                              {"LvExtra", T::LongInteger},
                                                          }))
                           : systemTable(version, columns(version, {
                                                                       {"ObjectId", T::LongInteger},
                                                                       {"Attribute", T::Byte},
                                                                       {"Order", T::Binary},
                                                                       {"Name1", T::Text},
                                                                       {"Name2", T::Text},
                                                                       {"Expression", T::Memo},
                                                                       {"Flag", T::Integer},
                                                                   }));
    queries.realIndexes = {realIndex(version, {0, 1, 2}, kIndexUnique)};
    queries.indexes = {logicalIndex("ObjectIdAttribute", 0, kIndexPrimaryKey)};
    out.append({QStringLiteral("MSysQueries"), 4, queries});

    TableDef relationships = systemTable(version, columns(version, {
                                                                       {"szRelationship", T::Text},
                                                                       {"grbit", T::LongInteger},
                                                                       {"ccolumn", T::LongInteger},
                                                                       {"icolumn", T::LongInteger},
                                                                       {"szObject", T::Text},
                                                                       {"szColumn", T::Text},
                                                                       {"szReferencedObject", T::Text},
                                                                       {"szReferencedColumn", T::Text},
                                                                   }));
    relationships.realIndexes = {realIndex(version, {0}, kIndexIgnoreNulls),
                                 realIndex(version, {4}, kIndexIgnoreNulls),
                                 realIndex(version, {6}, kIndexIgnoreNulls)};
    relationships.indexes = {logicalIndex("szObject", 1, kIndexNormal),
                             logicalIndex("szReferencedObject", 2, kIndexNormal),
                             logicalIndex("szRelationship", 0, kIndexNormal)};
    out.append({QStringLiteral("MSysRelationships"), 5, relationships});
    return out;
}

QList<Column> tableColumns(const TableDef &def) {
    QList<ColumnDef> sorted = def.columns;
    std::sort(sorted.begin(), sorted.end(),
              [](const ColumnDef &a, const ColumnDef &b) { return a.number < b.number; });
    QList<Column> out;
    for (const ColumnDef &c : sorted)
        out.append(Column{c.name, c.type, c.precision, c.scale});
    return out;
}

// ---------------------------------------------------------------------------------------------

std::optional<QByteArray> encodeProperties(Version version, const QList<Property> &properties) {
    QStringList names;
    for (const Property &p : properties) {
        if (!names.contains(p.name))
            names.append(p.name);
    }

    QByteArray nameList;
    for (const QString &name : names) {
        const auto encoded = propertyText(version, name);
        if (!encoded || encoded->size() > 0xFFFF)
            return std::nullopt;
        append16(nameList, quint16(encoded->size()));
        nameList += *encoded;
    }

    QByteArray values;
    append32(values, 6); // the list's name: none, for the object's own properties
    append16(values, 0);
    for (const Property &p : properties) {
        const auto data = valueBytes(version, p);
        if (!data || data->size() > 0xFFFF - 8)
            return std::nullopt;
        append16(values, quint16(8 + data->size()));
        values.append(char(p.ddl ? 1 : 0));
        values.append(char(quint8(p.type)));
        append16(values, quint16(names.indexOf(p.name)));
        append16(values, quint16(data->size()));
        values += *data;
    }

    QByteArray out = magic(version);
    append32(out, quint32(6 + nameList.size()));
    append16(out, kPropertyNames);
    out += nameList;
    append32(out, quint32(6 + values.size()));
    append16(out, kObjectProperties);
    out += values;
    return out;
}

std::optional<QList<Property>> decodeProperties(Version version, const QByteArray &block, int codePage,
                                                QString *fault) {
    const auto *p = reinterpret_cast<const uchar *>(block.constData());
    const qsizetype size = block.size();
    if (size < 4 || block.left(4) != magic(version)) {
        *fault = QStringLiteral("блок свойств не начинается с подписи %1")
                     .arg(QString::fromLatin1(magic(version).left(3)));
        return std::nullopt;
    }
    QStringList names;
    QList<Property> out;
    qsizetype pos = 4;
    while (pos < size) {
        if (pos + 6 > size) {
            *fault = QStringLiteral("заголовок части блока свойств (байт %1) обрезан").arg(pos);
            return std::nullopt;
        }
        const quint32 length = u32(p + pos);
        const quint16 type = u16(p + pos + 4);
        if (length < 6 || length > quint64(size - pos)) {
            *fault = QStringLiteral("часть блока свойств (байт %1) длиной %2 выходит за его пределы")
                         .arg(pos)
                         .arg(length);
            return std::nullopt;
        }
        const qsizetype end = pos + qsizetype(length);
        qsizetype at = pos + 6;
        if (type == kPropertyNames) {
            while (at < end) {
                if (at + 2 > end || at + 2 + u16(p + at) > end) {
                    *fault = QStringLiteral("имя свойства (байт %1) выходит за пределы списка имён").arg(at);
                    return std::nullopt;
                }
                const int len = u16(p + at);
                const auto name = decodeText(version, p + at + 2, len, codePage);
                if (!name) {
                    *fault = QStringLiteral("имя свойства (байт %1) записано с ошибкой").arg(at);
                    return std::nullopt;
                }
                names.append(*name);
                at += 2 + len;
            }
        } else if (type == kObjectProperties || type == kColumnProperties) {
            if (at + 4 > end || u32(p + at) < 4 || u32(p + at) > quint64(end - at)) {
                *fault = QStringLiteral("имя списка свойств (байт %1) выходит за его пределы").arg(at);
                return std::nullopt;
            }
            const bool named = u32(p + at) > 6;
            at += qsizetype(u32(p + at));
            while (at < end) {
                if (at + 8 > end) {
                    *fault = QStringLiteral("свойство (байт %1) обрезано").arg(at);
                    return std::nullopt;
                }
                const int valueLength = u16(p + at);
                const int dataSize = u16(p + at + 6);
                const int nameIndex = u16(p + at + 4);
                if (valueLength < 8 + dataSize || at + valueLength > end) {
                    *fault = QStringLiteral("свойство (байт %1) выходит за пределы своего списка").arg(at);
                    return std::nullopt;
                }
                if (nameIndex >= names.size()) {
                    *fault = QStringLiteral("свойство (байт %1) ссылается на имя %2 из %3")
                                 .arg(at)
                                 .arg(nameIndex)
                                 .arg(names.size());
                    return std::nullopt;
                }
                if (!named && type == kObjectProperties) {
                    Property prop;
                    prop.name = names[nameIndex];
                    prop.ddl = p[at + 2] != 0;
                    prop.type = ColumnType(p[at + 3]);
                    prop.value = readValue(version, prop.type, p + at + 8, dataSize, codePage);
                    out.append(prop);
                }
                at += valueLength;
            }
        }
        pos = end;
    }
    return out;
}

QList<Property> databaseProperties(Version version) {
    if (version == Version::Jet3)
        return {{QStringLiteral("AccessVersion"), ColumnType::Text, QStringLiteral("07.53")}};
    return {{QStringLiteral("AccessVersion"), ColumnType::Text, QStringLiteral("08.50")},
            {QStringLiteral("Build"), ColumnType::LongInteger, qint64(6620)}};
}

QList<Property> summaryProperties(const Summary &summary) {
    return {{QStringLiteral("Title"), ColumnType::Text, summary.title},
            {QStringLiteral("Author"), ColumnType::Text, summary.author},
            {QStringLiteral("Company"), ColumnType::Text, summary.company}};
}

QList<Property> userDefinedProperties() {
    return {{QStringLiteral("ReplicateProject"), ColumnType::Boolean, true}};
}

// ---------------------------------------------------------------------------------------------

namespace {

// The containers Access adds for its own objects, in the order it makes them.
QStringList accessContainers(Version version) {
    QStringList out;
    if (version == Version::Jet4)
        out << QStringLiteral("DataAccessPages");
    out << QStringLiteral("Forms") << QStringLiteral("Modules") << QStringLiteral("Reports")
        << QStringLiteral("Scripts") << QStringLiteral("SysRel");
    return out;
}

// Access hands out the ids of its own objects from 0x80000000 on, in the order it makes them: its
// containers, then (Access 2000) AccessLayout, which is left out here, then SummaryInfo and
// UserDefined.
qint64 containerId(int n) {
    return highId(0x80000000u + quint32(n));
}
qint64 summaryId(Version version) {
    return containerId(int(accessContainers(version).size()) + (version == Version::Jet4 ? 1 : 0));
}
qint64 userDefinedId(Version version) {
    return summaryId(version) + 1;
}

} // namespace

Table catalogue(Version version, double created, const Summary &summary) {
    Table t;
    t.name = QStringLiteral("MSysObjects");
    t.columns = tableColumns(systemTables(version).front().def);

    const Value none;
    QList<ObjectSpec> objects = {
        {id(kTablesId), id(kRootId), QStringLiteral("Tables"), kTypeContainer, sidEngine(), kFlagSystem,
         none},
        {id(kDatabasesId), id(kRootId), QStringLiteral("Databases"), kTypeContainer, sidEngine(), kFlagSystem,
         none},
        {id(kRelationshipsId), id(kRootId), QStringLiteral("Relationships"), kTypeContainer, sidEngine(),
         kFlagSystem, none},
        {id(kMSysDbId), id(kDatabasesId), QStringLiteral("MSysDb"), kTypeDatabase, sidAdminUser(),
         kFlagSystem, propertyBlock(version, databaseProperties(version))},
    };
    for (const SystemTable &s : systemTables(version))
        objects.append(
            {qint64(s.tdefPage), id(kTablesId), s.name, kTypeTable, sidEngine(), kFlagSystem, none});
    const QStringList containers = accessContainers(version);
    for (qsizetype i = 0; i < containers.size(); ++i)
        objects.append(
            {containerId(int(i)), id(kRootId), containers[i], kTypeContainer, sidAdminUser(), 0, none});
    objects.append({summaryId(version), id(kDatabasesId), QStringLiteral("SummaryInfo"), kTypeDocument,
                    sidAdminUser(), 0, propertyBlock(version, summaryProperties(summary))});
    objects.append({userDefinedId(version), id(kDatabasesId), QStringLiteral("UserDefined"), kTypeDocument,
                    sidAdminUser(), 0, propertyBlock(version, userDefinedProperties())});

    for (const ObjectSpec &o : objects)
        t.rows.append(objectRow(o, created));
    return t;
}

Table accessControlEntries(Version version) {
    Table t;
    t.name = QStringLiteral("MSysACEs");
    t.columns = tableColumns(systemTables(version)[1].def);

    const QByteArray admin = sidAdminUser();
    const QByteArray users = sidUsers();
    const QByteArray creator = sidCreator();
    const QByteArray admins = sidAdmins();

    QList<AceSpec> aces;
    // Access's containers: every right, handed on to what is made in them.
    auto accessContainer = [&](qint64 objectId) {
        aces.append({objectId, users, kFullAccess, true});
        aces.append({objectId, admins, kFullAccess, true});
        aces.append({objectId, admin, kFullAccess, true});
        aces.append({objectId, creator, kFullAccess, true});
    };
    const QStringList containers = accessContainers(version);
    // In the order of the file the values come from: Access's first container, Databases, two more
    // of Access's, Relationships, the rest of Access's, then Tables.
    accessContainer(containerId(0));
    aces.append({id(kDatabasesId), admin, 0x60000, false});
    for (int i = 1; i < 3; ++i)
        accessContainer(containerId(i));
    aces.append({id(kRelationshipsId), creator, 0xF00FE, true});
    aces.append({id(kRelationshipsId), admin, 0x60001, false});
    aces.append({id(kRelationshipsId), admins, kFullAccess, true});
    aces.append({id(kRelationshipsId), users, kFullAccess, true});
    for (int i = 3; i < int(containers.size()); ++i)
        accessContainer(containerId(i));
    // What the Tables container hands a new table is read by tableAces().
    aces.append({id(kTablesId), creator, 0xF00FE, true});
    aces.append({id(kTablesId), admin, 0xFFEFF, true});
    aces.append({id(kTablesId), admins, 0xFFEFF, true});
    aces.append({id(kTablesId), users, 0xFFEFF, true});
    aces.append({id(kMSysDbId), admin, 0x6000E, false});
    aces.append({id(kMSysDbId), users, 0xE, false});
    aces.append({id(kMSysDbId), admins, 0x6000E, false});
    aces.append({summaryId(version), users, 0x10000, false});
    aces.append({userDefinedId(version), users, 0x10000, false});
    // The system tables: Users may read the catalogue, queries and relationships, Admins also
    // change their rows; their design is Jet's alone.
    aces.append({3, admin, 0x60000, false});
    aces.append({3, admins, 0x60054, false});
    aces.append({2, admin, 0x60000, false});
    aces.append({2, admins, 0x60054, false});
    aces.append({2, users, 0x14, false});
    aces.append({4, admin, 0x60000, false});
    aces.append({4, admins, 0x60014, false});
    aces.append({4, users, 0x14, false});
    aces.append({5, admin, 0xE0000, false});
    aces.append({5, admins, 0x60014, false});
    aces.append({5, users, 0x14, false});

    for (const AceSpec &a : aces)
        t.rows.append({a.objectId, a.sid, qint64(a.acm), a.inheritable});
    return t;
}

QList<Value> tableObjectRow(quint32 tdefPage, const QString &name, double created) {
    return objectRow({qint64(tdefPage), id(kTablesId), name, kTypeTable, sidAdminUser(), 0, Value{}},
                     created);
}

QList<QList<Value>> tableAces(quint32 tdefPage) {
    // Jet and Jackcess give a new table one entry per account of the Tables container, with every
    // right and nothing to hand on.
    QList<QList<Value>> out;
    for (const QByteArray &sid : {sidCreator(), sidAdminUser(), sidAdmins(), sidUsers()})
        out.append({qint64(tdefPage), sid, qint64(kFullAccess), false});
    return out;
}

// ---------------------------------------------------------------------------------------------

QByteArray headerPage(Version version, double created) {
    const Layout &l = layout(version);
    QByteArray page(l.pageSize, '\0');
    auto *p = reinterpret_cast<uchar *>(page.data());
    p[0] = kPageHeader;
    p[1] = 0x01;
    std::memcpy(p + kMagicOffset, kJetMagic, sizeof kJetMagic);
    p[kHeaderVersion] = version == Version::Jet3 ? 0 : 1;

    if (version == Version::Jet3) {
        // Access 97 keeps no creation date and does not mask the password with one. What else
        // it writes here is not known without an Access 97 file; Jet reads only these.
        put16(p + kHeaderSortOrder3, kSortGeneral);
        put16(p + kHeaderCodePage, 1251);
    } else {
        // Six words at the start of the encrypted area, the last four the definition pages of
        // the system tables; no reader interprets them.
        put32(p + 0x18, 0x100);
        put32(p + 0x1C, 0x101);
        for (quint32 i = 0; i < 4; ++i)
            put32(p + 0x20 + 4 * i, 2 + i);
        // The code page of the Windows Access made the file on (US here; a Russian Windows gives
        // 1251). Jet 4 text is Unicode, so it does not matter for reading.
        put16(p + kHeaderCodePage, 1252);
        // No password: the password bytes are the mask made of the creation date's day number.
        uchar mask[4];
        put32(mask, quint32(qint32(std::floor(created))));
        for (int i = 0; i < l.passwordSize; ++i)
            p[kHeaderPassword + i] = mask[i % 4];
        put32(p + 0x6A, 0x21AA);                    // as Access writes it, meaning unknown
        put16(p + kHeaderSortOrder4, kSortGeneral); // sort version (byte 0x71) 0: General legacy
        std::memcpy(p + kHeaderCreationDate, &created, sizeof created);
        // After the encrypted area: a word and "4.0", the engine's version.
        put32(p + 0x98, 0x654);
        std::memcpy(p + 0x9C, "4.0", 4);
        // The page's last 512 bytes hold 256 words Access writes as 0x0100, the first 0x0101.
        for (int i = 0; i < 256; ++i)
            put16(p + 0xE00 + 2 * i, i == 0 ? 0x0101 : 0x0100);
    }
    headerCrypt(p + kHeaderCryptStart, l.headerCryptSize);
    return page;
}

} // namespace jet::access
