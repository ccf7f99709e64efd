#pragma once

// The writer inputs that the round-trip and oracle tests share: the bank's two tables in the
// shapes that matter (empty, one row, a 20-problem bank, long Cyrillic memos, NULL and empty
// memos, the edges of dopol and Istina, tables over many pages) and a few shapes that exercise
// the format itself (Jet 3 jump tables, compressed text, definitions over several pages).

#include "data/jet/jet.h"

#include <QString>

namespace jetcases {

using namespace jet;

struct Case {
    QString tag;
    Version version;
    QList<Table> tables;
};

inline Table zadachi() {
    return Table{QStringLiteral("Zadachi"),
                 {{QStringLiteral("ID_P"), ColumnType::LongInteger},
                  {QStringLiteral("Name"), ColumnType::Memo},
                  {QStringLiteral("Uslovie"), ColumnType::Memo}},
                 {}};
}

inline Table otvety() {
    return Table{QStringLiteral("Otvety"),
                 {{QStringLiteral("ID_O"), ColumnType::LongInteger},
                  {QStringLiteral("ID_P"), ColumnType::LongInteger},
                  {QStringLiteral("Otvet"), ColumnType::Memo},
                  {QStringLiteral("Istina"), ColumnType::Boolean},
                  {QStringLiteral("dopol"), ColumnType::Integer}},
                 {}};
}

// A Cyrillic text of n characters with spaces, punctuation and line breaks.
inline QString cyrillic(int n, int seed = 0) {
    static const QString words[] = {QStringLiteral("Найдите"),   QStringLiteral("значение"),
                                    QStringLiteral("выражения"), QStringLiteral("при"),
                                    QStringLiteral("ёлка,"),     QStringLiteral("Ъ-ЩЮЯ."),
                                    QStringLiteral("«кавычки»"), QStringLiteral("№5\r\n")};
    QString s;
    for (int i = seed; s.size() < n; ++i)
        s += words[i % 8] + QLatin1Char(' ');
    return s.left(n);
}

// The 20-problem bank: four options per problem, exactly one true.
inline QList<Table> bank(int problems) {
    Table z = zadachi();
    Table o = otvety();
    for (int p = 1; p <= problems; ++p) {
        const bool longProblem = p == 10 || p == 15;
        z.rows.append(QList<Value>{qint64(p),
                                   longProblem ? QString() : QStringLiteral("%1 · %2 = ?").arg(p).arg(p + 3),
                                   longProblem ? cyrillic(600, p) : QStringLiteral("Вычислите:")});
        const int key = (p % 4) + 1;
        for (int k = 1; k <= 4; ++k)
            o.rows.append(QList<Value>{qint64(p * 4 + k), qint64(p), QString::number(p * (p + 3) + k - key),
                                       k == key, qint64(k)});
    }
    return {z, o};
}

inline Table wideText(const QString &name, int columns, int rows, int chars) {
    Table t{name, {}, {}};
    for (int c = 0; c < columns; ++c)
        t.columns.append({QStringLiteral("T%1").arg(c), ColumnType::Text});
    t.columns.append({QStringLiteral("N"), ColumnType::LongInteger});
    for (int r = 0; r < rows; ++r) {
        QList<Value> row;
        for (int c = 0; c < columns; ++c)
            row.append(cyrillic(chars, r + c).replace(QStringLiteral("\r\n"), QStringLiteral("  ")));
        row.append(qint64(r));
        t.rows.append(row);
    }
    return t;
}

inline QList<Case> cases() {
    QList<Case> out;
    for (Version v : {Version::Jet4, Version::Jet3}) {
        const QString jet = v == Version::Jet4 ? QStringLiteral("jet4_") : QStringLiteral("jet3_");
        out.append({jet + QStringLiteral("empty_tables"), v, {zadachi(), otvety()}});

        Table z = zadachi();
        Table o = otvety();
        z.rows.append(QList<Value>{qint64(1), QStringLiteral("2 + 2 = ?"), QStringLiteral("Выберите ответ")});
        o.rows.append(QList<Value>{qint64(1), qint64(1), QStringLiteral("4"), true, qint64(1)});
        out.append({jet + QStringLiteral("one_row"), v, {z, o}});

        out.append({jet + QStringLiteral("bank20"), v, bank(20)});

        for (int n : {5000, 20000}) {
            Table z = zadachi();
            z.rows.append(QList<Value>{qint64(1), cyrillic(n), cyrillic(n / 2, 3)});
            z.rows.append(QList<Value>{qint64(2), QStringLiteral("короткий"), cyrillic(n, 5)});
            out.append({jet + QStringLiteral("memo_%1").arg(n), v, {z, otvety()}});
        }

        z = zadachi();
        z.rows.append(QList<Value>{qint64(1), Value(), QString()});
        z.rows.append(QList<Value>{qint64(2), QString(), Value()});
        z.rows.append(QList<Value>{Value(), Value(), Value()});
        o = otvety();
        o.rows.append(QList<Value>{qint64(1), qint64(1), Value(), false, Value()});
        o.rows.append(QList<Value>{qint64(2), qint64(1), QString(), true, qint64(0)});
        out.append({jet + QStringLiteral("null_and_empty"), v, {z, o}});

        o = otvety();
        const qint64 dopols[] = {0, -1, 32767, -32768, 1, 4};
        for (int i = 0; i < 6; ++i)
            o.rows.append(QList<Value>{qint64(i + 1), qint64(-2147483647 - 1 + i),
                                       QStringLiteral("вариант %1").arg(i), i % 2 == 0, dopols[i]});
        out.append({jet + QStringLiteral("dopol_istina_edges"), v, {zadachi(), o}});

        // Thousands of options: many data pages under one inline map.
        out.append({jet + QStringLiteral("many_pages"), v, bank(1500)});

        // One row per page, more pages than an inline map covers: a map on map pages.
        out.append({jet + QStringLiteral("map_pages"),
                    v,
                    {v == Version::Jet4 ? wideText(QStringLiteral("Wide"), 7, 600, 255)
                                        : wideText(QStringLiteral("Wide"), 7, 1100, 255)}});

        // Long rows: Jet 3 needs a jump table for offsets past 255 and 511.
        Table wide = wideText(QStringLiteral("Shirokaya"), 3, 5, 200);
        wide.columns.append({QStringLiteral("M"), ColumnType::Memo});
        for (qsizetype r = 0; r < wide.rows.size(); ++r)
            wide.rows[r].append(r == 2 ? Value() : Value(cyrillic(int(20 + r * 5))));
        wide.rows[1][1] = Value();
        out.append({jet + QStringLiteral("wide_rows"), v, {wide}});

        // A definition over several pages.
        Table many{QStringLiteral("ManyColumns"), {}, {}};
        for (int c = 0; c < 200; ++c)
            many.columns.append({QStringLiteral("Stolbec_nomer_%1").arg(c),
                                 c % 3 == 0 ? ColumnType::Memo : ColumnType::LongInteger});
        for (int r = 0; r < 3; ++r) {
            QList<Value> row;
            for (int c = 0; c < 200; ++c)
                row.append(c % 3 == 0 ? Value(QStringLiteral("%1").arg(r * c)) : Value(qint64(r * 1000 + c)));
            many.rows.append(row);
        }
        out.append({jet + QStringLiteral("tdef_pages"), v, {many}});

        // More tables than page 1 holds map rows for: the maps go on on a further page.
        QList<Table> tables;
        for (int i = 0; i < 30; ++i) {
            Table t{QStringLiteral("Tablica%1").arg(i), {{QStringLiteral("N"), ColumnType::LongInteger}}, {}};
            t.rows.append(QList<Value>{qint64(i)});
            tables.append(t);
        }
        out.append({jet + QStringLiteral("many_tables"), v, tables});

        // Every column type the writer takes, with values and with NULLs.
        Table types{QStringLiteral("Tipy"),
                    {{QStringLiteral("Bajt"), ColumnType::Byte},
                     {QStringLiteral("Den'gi"), ColumnType::Currency},
                     {QStringLiteral("Odinarnoe"), ColumnType::Single},
                     {QStringLiteral("Dvojnoe"), ColumnType::Double},
                     {QStringLiteral("Data"), ColumnType::DateTime},
                     {QStringLiteral("Tekst"), ColumnType::Text},
                     {QStringLiteral("Dvoichnoe"), ColumnType::Binary},
                     {QStringLiteral("OLE"), ColumnType::Ole},
                     {QStringLiteral("GUID"), ColumnType::Guid},
                     {QStringLiteral("Flag"), ColumnType::Boolean}},
                    {}};
        types.rows.append(QList<Value>{qint64(255), qint64(-1234567890123LL), 1.5, -2.25e-300, 45000.75,
                                       QStringLiteral("Привет"), QByteArray("\x00\xFF\x10", 3),
                                       QByteArray(5000, '\x7F'),
                                       QByteArray::fromHex("00112233445566778899aabbccddeeff"), true});
        types.rows.append(QList<Value>{qint64(0), qint64(0), 0.0, 0.0, 0.0, QString(), QByteArray(),
                                       QByteArray(), QByteArray(16, '\0'), false});
        types.rows.append(QList<Value>{Value(), Value(), Value(), Value(), Value(), Value(), Value(), Value(),
                                       Value(), false});
        out.append({jet + QStringLiteral("column_types"), v, {types}});
    }

    // Numeric (Decimal) columns, Jet 4 only: precision and scale at their edges, signs, NULL.
    Table numbers{QStringLiteral("Chisla"),
                  {{QStringLiteral("Celoe"), ColumnType::Numeric, 18, 0},
                   {QStringLiteral("Den'gi"), ColumnType::Numeric, 10, 2},
                   {QStringLiteral("Dolya"), ColumnType::Numeric, 28, 28},
                   {QStringLiteral("N"), ColumnType::LongInteger}},
                  {}};
    const char *const numberRows[][3] = {
        {"0", "0", "0"},
        {"-7", "-0.05", "0.0000000000000000000000000001"},
        {"123456789012345678", "12345678.9", "-0.9999999999999999999999999999"},
        {"-999999999999999999", "99999999.99", "0.5"},
    };
    for (const auto &r : numberRows)
        numbers.rows.append(QList<Value>{
            *numericBytes(QString::fromLatin1(r[0]), 0), *numericBytes(QString::fromLatin1(r[1]), 2),
            *numericBytes(QString::fromLatin1(r[2]), 28), qint64(numbers.rows.size())});
    numbers.rows.append(QList<Value>{Value(), Value(), Value(), qint64(-1)});
    out.append({QStringLiteral("jet4_numeric"), Version::Jet4, {numbers}});

    // Jet 4 text: compressed when that is shorter (ASCII, mixed), plain when it cannot be
    // (a character whose low byte is zero), memos from inline to a single long-value row to a chain.
    Table z = zadachi();
    z.rows.append(QList<Value>{qint64(1), QString(500, QLatin1Char('x')), QStringLiteral("abc Где? 12 Ёё")});
    z.rows.append(
        QList<Value>{qint64(2), QStringLiteral("Ā latin A with macron, Ѐ"), QString(1000, QLatin1Char('y'))});
    z.rows.append(QList<Value>{qint64(3), cyrillic(2040), cyrillic(2041)});
    z.rows.append(QList<Value>{qint64(4), cyrillic(32), cyrillic(33)});
    z.rows.append(
        QList<Value>{qint64(5), QString(1025, QLatin1Char('z')), QStringLiteral("Mixed: ") + cyrillic(300)});
    out.append({QStringLiteral("jet4_text_forms"), Version::Jet4, {z}});
    return out;
}

} // namespace jetcases
