// Writes the seed corpus for fuzz_jet_reader: small databases from our writer, Jet 3 and Jet 4,
// with inline, single-page and chained memos, NULLs, both booleans and several column types, and
// Jet 4's Numeric.
//   make_seeds DIR

#include "data/jet/format.h"
#include "data/jet/jet.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace jet;

namespace {

QList<Table> bank(int problems, int longMemo) {
    Table z{QStringLiteral("Zadachi"),
            {{QStringLiteral("ID_P"), ColumnType::LongInteger},
             {QStringLiteral("Name"), ColumnType::Memo},
             {QStringLiteral("Uslovie"), ColumnType::Memo}},
            {}};
    Table o{QStringLiteral("Otvety"),
            {{QStringLiteral("ID_O"), ColumnType::LongInteger},
             {QStringLiteral("ID_P"), ColumnType::LongInteger},
             {QStringLiteral("Otvet"), ColumnType::Memo},
             {QStringLiteral("Istina"), ColumnType::Boolean},
             {QStringLiteral("dopol"), ColumnType::Integer}},
            {}};
    for (int p = 1; p <= problems; ++p) {
        QString body = QStringLiteral("Вычислите %1 + %2").arg(p).arg(p * 2);
        if (p == 2)
            body = QString(longMemo, QChar(0x0436));
        z.rows.append(
            QList<Value>{qint64(p), body, p == 3 ? Value() : Value(QStringLiteral("Решите пример"))});
        for (int k = 1; k <= 4; ++k)
            o.rows.append(QList<Value>{qint64(p * 10 + k), qint64(p),
                                       k == 4 ? Value(QString()) : Value(QString::number(p + k)), k == 2,
                                       qint64(k == 3 ? -1 : k)});
    }
    return {z, o};
}

QList<Table> types() {
    Table t{QStringLiteral("Types"),
            {{QStringLiteral("b"), ColumnType::Byte},
             {QStringLiteral("c"), ColumnType::Currency},
             {QStringLiteral("s"), ColumnType::Single},
             {QStringLiteral("d"), ColumnType::Double},
             {QStringLiteral("t"), ColumnType::DateTime},
             {QStringLiteral("x"), ColumnType::Text},
             {QStringLiteral("bin"), ColumnType::Binary},
             {QStringLiteral("ole"), ColumnType::Ole},
             {QStringLiteral("g"), ColumnType::Guid}},
            {}};
    t.rows.append(QList<Value>{qint64(7), qint64(123456), 1.5, 2.25, 36526.5, QStringLiteral("text"),
                               QByteArray("\x01\x02", 2), QByteArray(300, 'o'), QByteArray(16, 'g')});
    t.rows.append(
        QList<Value>{Value(), Value(), Value(), Value(), Value(), Value(), Value(), Value(), Value()});
    return {t};
}

// Numeric columns (Jet 4 only) of several precisions and scales.
QList<Table> numbers() {
    Table t{QStringLiteral("Numbers"),
            {{QStringLiteral("i"), ColumnType::Numeric, 18, 0},
             {QStringLiteral("m"), ColumnType::Numeric, 10, 2},
             {QStringLiteral("f"), ColumnType::Numeric, 28, 28},
             {QStringLiteral("s"), ColumnType::Single}},
            {}};
    t.rows.append(QList<Value>{*numericBytes(QStringLiteral("-123456789"), 0),
                               *numericBytes(QStringLiteral("12.5"), 2),
                               *numericBytes(QStringLiteral("0.0000000000000000000000000001"), 28), 0.15});
    t.rows.append(QList<Value>{Value(), Value(), Value(), Value()});
    return {t};
}

// Rows past 255 bytes (Jet 3 jump tables) and a definition over several pages.
QList<Table> wide(int columns) {
    Table t{QStringLiteral("Wide"), {}, {}};
    for (int c = 0; c < columns; ++c)
        t.columns.append(
            {QStringLiteral("Stolbec%1").arg(c), c % 4 == 0 && c < 12 ? ColumnType::Text : ColumnType::Memo});
    for (int r = 0; r < 2; ++r) {
        QList<Value> row;
        for (int c = 0; c < columns; ++c)
            row.append(r == 1 && c == 1
                           ? Value()
                           : Value(QString(c % 4 == 0 && c < 12 ? 150 : 30, QChar(0x0430 + c % 32))));
        t.rows.append(row);
    }
    return {t};
}

// A table whose data page has deleted rows and a row moved elsewhere (an overflow pointer), as
// Access leaves them.
QByteArray moved(Version v) {
    namespace fmt = jet::format;
    Table t{QStringLiteral("T"),
            {{QStringLiteral("N"), ColumnType::LongInteger}, {QStringLiteral("S"), ColumnType::Memo}},
            {}};
    for (int i = 1; i <= 5; ++i)
        t.rows.append(QList<Value>{qint64(i), QString(i * 3, QLatin1Char('s'))});
    QByteArray bytes = write({t}, v);
    const fmt::Layout &l = fmt::layout(v);
    const int data = int(bytes.size() / l.pageSize) - 1; // the last page: T's only data page
    auto *pg = reinterpret_cast<uchar *>(bytes.data()) + qsizetype(data) * l.pageSize;
    auto entry = [&](int r) { return pg + l.dataRowCount + 2 + 2 * r; };
    auto flag = [&](int r, quint16 f) { fmt::put16(entry(r), fmt::u16(entry(r)) | f); };
    flag(0, fmt::kRowOverflow);
    fmt::put32(pg + (fmt::u16(entry(0)) & fmt::kRowOffsetMask), fmt::pgRow(quint32(data), 4));
    flag(4, fmt::kRowDeleted);
    flag(2, fmt::kRowDeleted | fmt::kRowOverflow);
    return bytes;
}

bool save(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (Version v : {Version::Jet3, Version::Jet4}) {
        const QString tag = v == Version::Jet3 ? QStringLiteral("jet3") : QStringLiteral("jet4");
        ok &= save(dir.filePath(tag + QStringLiteral("_bank_small.mdb")), write(bank(2, 40), v));
        ok &= save(dir.filePath(tag + QStringLiteral("_bank_chain.mdb")), write(bank(3, 2500), v));
        ok &= save(dir.filePath(tag + QStringLiteral("_types.mdb")), write(types(), v));
        ok &= save(dir.filePath(tag + QStringLiteral("_empty.mdb")), write({}, v));
        ok &= save(dir.filePath(tag + QStringLiteral("_wide_rows.mdb")), write(wide(12), v));
        ok &= save(dir.filePath(tag + QStringLiteral("_tdef_pages.mdb")),
                   write(wide(v == Version::Jet3 ? 90 : 110), v));
        ok &= save(dir.filePath(tag + QStringLiteral("_moved_rows.mdb")), moved(v));
    }
    ok &= save(dir.filePath(QStringLiteral("jet4_numbers.mdb")), write(numbers(), Version::Jet4));
    return ok ? 0 : 1;
}
