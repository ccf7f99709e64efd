// The bank's text forms: its CSV sources and the check report.

#include "bank_fixtures.h"
#include "data/bank_check.h"
#include "data/bank_csv.h"
#include "data/jet/format.h"

#include <QTest>

#include <functional>

using Mutation = std::function<void(Bank &)>;
Q_DECLARE_METATYPE(Mutation)

class TestBankText : public QObject {
    Q_OBJECT

private slots:
    void parsesTheDialect();
    void rejectsBadRows_data();
    void rejectsBadRows();
    void readsFilesAsTeachersHaveThem_data();
    void readsFilesAsTeachersHaveThem();
    void writesWhatItReads();
    void writesOtherTypesLikeMdbExport();
    void refusesWhatTheVersionCannotStore();

    void checkFindsFaults_data();
    void checkFindsFaults();
    void checkReportNamesLevels();
    void checkWarnsOfBodiesTheStudentMisses_data();
    void checkWarnsOfBodiesTheStudentMisses();
};

void TestBankText::parsesTheDialect() {
    const QByteArray text = "\xEF\xBB\xBF"
                            "a,b,c\r\n"
                            "1,\"x, \"\"y\"\"\",\n"
                            "2,\"two\nlines\",\"\"\n"
                            "3,\xD0\xAF,\"\"";
    const QList<csv::Record> records = csv::parse(text, QStringLiteral("t.csv"));
    QCOMPARE(records.size(), 4);
    QCOMPARE(records[0].fields.size(), 3);
    QCOMPARE(records[0].fields[0].text, QStringLiteral("a"));
    QCOMPARE(records[1].fields[1].text, QStringLiteral("x, \"y\""));
    QVERIFY(!records[1].fields[2].quoted && records[1].fields[2].text.isEmpty()); // NULL
    QCOMPARE(records[2].fields[1].text, QStringLiteral("two\nlines"));
    QVERIFY(records[2].fields[2].quoted && records[2].fields[2].text.isEmpty()); // empty text
    QCOMPARE(records[3].fields[1].text, QStringLiteral("Я"));
    QCOMPARE(records[3].line, 5); // the quoted line break counts
}

void TestBankText::rejectsBadRows_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fault");

    const QByteArray head = "ID_O,ID_P,Otvet,Istina,dopol\n1,1,\"a\",1,1\n";
    QTest::newRow("unclosed_quote") << head + "2,1,\"b,0,2\n3,1,c,0,3\n" << 3 << QStringLiteral("не закрыта");
    QTest::newRow("text_after_quote") << head + "2,1,\"b\"x,0,2\n"
                                      << 3 << QStringLiteral("закрывающей кавычки");
    QTest::newRow("quote_in_bare_field") << head + "2,1,b\"c,0,2\n" << 3 << QStringLiteral("кавычка внутри");
    QTest::newRow("bom_then_not_utf8") << "\xEF\xBB\xBF" + head + "2,1,\"\xCF\xF0\xE8\",0,2\n"
                                       << 3 << QStringLiteral("UTF-8");
    QTest::newRow("neither_utf8_nor_1251") << head + "2,1,\"\xCF\xF0\x98\",0,2\n"
                                           << 3 << QStringLiteral("0x98");
    QTest::newRow("utf16") << QByteArray("\xFF\xFEI\0D\0", 6) << 1 << QStringLiteral("UTF-16");
    QTest::newRow("zero_byte") << head + QByteArray("2,1,\"b\0\",0,2\n", 13) << 3
                               << QStringLiteral("нулевой байт");
    QTest::newRow("text_after_quote_semicolons")
        << QByteArray("ID_O;ID_P;Otvet;Istina;dopol\r\n1;1;\"a\",1;1\r\n") << 2 << QStringLiteral("«;»");
    QTest::newRow("too_few_fields") << head + "2,1,\"b\",0\n" << 3 << QStringLiteral("полей 4");
    QTest::newRow("blank_line_inside") << head + "\n2,1,\"b\",0,2\n" << 3 << QStringLiteral("полей 1");
    QTest::newRow("after_multiline_text") << head + "2,1,\"b\nb\",0,2\n3,x,\"c\",0,3\n"
                                          << 5 << QStringLiteral("целое число");
    QTest::newRow("dopol_beyond_16_bits") << head + "2,1,\"b\",0,40000\n" << 3 << QStringLiteral("40000");
    QTest::newRow("number_with_plus") << head + "2,+1,\"b\",0,2\n" << 3 << QStringLiteral("«+1»");
    QTest::newRow("bad_boolean") << head + "2,1,\"b\",да,2\n" << 3 << QStringLiteral("Istina");
    QTest::newRow("null_boolean") << head + "2,1,\"b\",,2\n" << 3 << QStringLiteral("Istina");
    QTest::newRow("column_missing") << QByteArray("ID_O,ID_P,Otvet,Istina\n") << 1 << QStringLiteral("dopol");
    QTest::newRow("column_unknown") << QByteArray("ID_O,ID_P,Otvet,Istina,dopol,Extra\n") << 1
                                    << QStringLiteral("Extra");
    QTest::newRow("column_twice") << QByteArray("ID_O,ID_P,Otvet,Istina,dopol,id_o\n") << 1
                                  << QStringLiteral("дважды");
    QTest::newRow("empty_file") << QByteArray() << 1 << QStringLiteral("пуст");
}

void TestBankText::rejectsBadRows() {
    QFETCH(QByteArray, csv);
    QFETCH(int, line);
    QFETCH(QString, fault);
    try {
        csv::readTable(csv, QStringLiteral("Otvety.csv"), banktables::optionsTable(),
                       banktables::optionColumns());
        QFAIL("read");
    } catch (const BankError &e) {
        QCOMPARE(e.line(), line);
        QVERIFY2(e.message().startsWith(QStringLiteral("Otvety.csv, строка %1: ").arg(line)),
                 qPrintable(e.message()));
        QVERIFY2(e.message().contains(fault), qPrintable(e.message()));
    }
}

void TestBankText::readsFilesAsTeachersHaveThem_data() {
    QTest::addColumn<QString>("encoding"); // utf8, bom or cp1251
    QTest::addColumn<QString>("lineEnd");
    QTest::addColumn<QChar>("separator");
    for (const char *encoding : {"utf8", "bom", "cp1251"})
        for (const char *lineEnd : {"\n", "\r\n"})
            for (const char separator : {',', ';'})
                QTest::addRow("%s_%s_%c", encoding, lineEnd[0] == '\r' ? "crlf" : "lf", separator)
                    << QString::fromLatin1(encoding) << QString::fromLatin1(lineEnd) << QChar(separator);
}

// Otvety.csv as mdb-export writes it and as a spreadsheet saves it, in every encoding and with
// either line end: the same table, the file's form reported, and a fault named by its line.
void TestBankText::readsFilesAsTeachersHaveThem() {
    QFETCH(QString, encoding);
    QFETCH(QString, lineEnd);
    QFETCH(QChar, separator);

    const QStringList lines{
        QStringLiteral("ID_O,ID_P,Otvet,Istina,dopol"),
        QStringLiteral("1,1,\"Ответ, с запятой; и «кавычками» \"\"так\"\"\",1,1"),
        QStringLiteral("2,1,\"две\nстроки\",FALSE,2"), // a line break inside a cell stays "\n"
        QStringLiteral("3,1,,0,3"),
        QStringLiteral("4,1,Ответ без кавычек,ЛОЖЬ,4"),
        QStringLiteral("5,1,\"\",истина,-1"),
    };
    auto fileBytes = [&](const QStringList &records) {
        QString text;
        for (QString record : records) {
            // The separators between fields, not the ones inside quotes.
            bool quoted = false;
            for (QChar &c : record) {
                if (c == u'"')
                    quoted = !quoted;
                else if (c == u',' && !quoted)
                    c = separator;
            }
            text += record + lineEnd;
        }
        if (encoding == QLatin1String("cp1251"))
            return *jet::format::encodeText(jet::Version::Jet3, text, false);
        return (encoding == QLatin1String("bom") ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
    };

    csv::FileFormat format;
    const jet::Table table =
        csv::readTable(fileBytes(lines), QStringLiteral("Otvety.csv"), banktables::optionsTable(),
                       banktables::optionColumns(), nullptr, &format);
    const QList<QList<jet::Value>> expected{
        {qint64(1), qint64(1), QStringLiteral("Ответ, с запятой; и «кавычками» \"так\""), true, qint64(1)},
        {qint64(2), qint64(1), QStringLiteral("две\nстроки"), false, qint64(2)},
        {qint64(3), qint64(1), std::monostate{}, false, qint64(3)},
        {qint64(4), qint64(1), QStringLiteral("Ответ без кавычек"), false, qint64(4)},
        {qint64(5), qint64(1), QString(QLatin1String("")), true, qint64(-1)},
    };
    QCOMPARE(table.rows, expected);
    const bool cp1251 = encoding == QLatin1String("cp1251");
    QCOMPARE(format.encoding,
             cp1251 ? csv::FileFormat::Encoding::Windows1251 : csv::FileFormat::Encoding::Utf8);
    QCOMPARE(format.byteOrderMark, encoding == QLatin1String("bom"));
    QCOMPARE(QChar(format.separator), separator);
    const QString notice = csv::encodingNotice(QStringLiteral("Otvety.csv"), format);
    QCOMPARE(notice.isEmpty(), !cp1251);
    if (cp1251)
        QVERIFY2(notice.startsWith(QStringLiteral("Otvety.csv: ")) &&
                     notice.contains(QStringLiteral("Windows-1251")),
                 qPrintable(notice));

    // A fault after the multi-line cell: named by its file and line.
    try {
        csv::readTable(fileBytes(lines + QStringList{QStringLiteral("6,1,\"x\",0,два")}),
                       QStringLiteral("Otvety.csv"), banktables::optionsTable(), banktables::optionColumns());
        QFAIL("read");
    } catch (const BankError &e) {
        QCOMPARE(e.line(), 8);
        QVERIFY2(e.message().startsWith(QStringLiteral("Otvety.csv, строка 8: ")) &&
                     e.message().contains(QStringLiteral("dopol")),
                 qPrintable(e.message()));
    }
}

void TestBankText::writesWhatItReads() {
    jet::Table table{banktables::problemsTable(), banktables::problemColumns(), {}};
    const QStringList texts{QStringLiteral("\"quoted\", with comma"),
                            QStringLiteral("line\nbreak"),
                            QStringLiteral("crlf\r\ninside"),
                            QStringLiteral("  spaces  "),
                            QStringLiteral("Ёё №"),
                            QString(QLatin1String(""))};
    qint64 id = -2;
    for (const QString &t : texts)
        table.rows.append({id++, t, std::monostate{}});
    table.rows.append({std::monostate{}, std::monostate{}, QString(QLatin1String(""))});

    const QByteArray written = csv::write(table);
    QVERIFY(written.startsWith("ID_P,Name,Uslovie\n-2,\"\"\"quoted\"\", with comma\",\n"));
    QVERIFY(written.endsWith(",,\"\"\n"));
    const jet::Table read = csv::readTable(written, QStringLiteral("Zadachi.csv"), table.name, table.columns);
    QCOMPARE(read.rows, table.rows);
}

void TestBankText::writesOtherTypesLikeMdbExport() {
    jet::Table table{QStringLiteral("T"),
                     {{QStringLiteral("b"), jet::ColumnType::Boolean},
                      {QStringLiteral("m"), jet::ColumnType::Currency},
                      {QStringLiteral("d"), jet::ColumnType::DateTime},
                      {QStringLiteral("x"), jet::ColumnType::Double},
                      {QStringLiteral("g"), jet::ColumnType::Guid},
                      {QStringLiteral("o"), jet::ColumnType::Ole},
                      {QStringLiteral("a,b"), jet::ColumnType::Text}},
                     {}};
    table.rows.append({true, qint64(-123456), 36526.75, 0.1,
                       QByteArray::fromHex("33221100554477668899AABBCCDDEEFF"), QByteArray("\x01\xFF", 2),
                       std::monostate{}});
    QCOMPARE(csv::write(table), QByteArray("b,m,d,x,g,o,\"a,b\"\n"
                                           "1,-12.3456,\"01/01/00 18:00:00\",0.1,"
                                           "{00112233-4455-6677-8899-AABBCCDDEEFF},01FF,\n"));
}

void TestBankText::refusesWhatTheVersionCannotStore() {
    const QByteArray problems = "ID_P,Name,Uslovie\n1,\"√2\",\"Вычислите:\"\n";
    const QByteArray options = "ID_O,ID_P,Otvet,Istina,dopol\n1,1,\"\xF0\x9F\x98\x80\",1,1\n";
    const QString pf = QStringLiteral("Zadachi.csv");
    const QString of = QStringLiteral("Otvety.csv");
    const QByteArray plainOptions = "ID_O,ID_P,Otvet,Istina,dopol\n1,1,\"1\",1,1\n";

    QCOMPARE(csv::readBankTables(problems, pf, plainOptions, of, jet::Version::Jet4).size(), 2);
    QVERIFY_THROWS_EXCEPTION(BankError,
                             csv::readBankTables(problems, pf, plainOptions, of, jet::Version::Jet3));
    try {
        csv::readBankTables(problems, pf, options, of, jet::Version::Jet4);
        QFAIL("a character beyond the BMP was accepted");
    } catch (const BankError &e) {
        QCOMPARE(e.file(), of);
        QCOMPARE(e.line(), 2);
    }
}

void TestBankText::checkFindsFaults_data() {
    QTest::addColumn<Mutation>("mutate");
    QTest::addColumn<QList<int>>("levels");
    QTest::addColumn<QString>("finding");

    QTest::newRow("sound") << Mutation([](Bank &) {}) << QList<int>{3, 4, 5} << QString();
    QTest::newRow("twelve_problems") << Mutation([](Bank &b) { b = sampleBank(12); }) << QList<int>{3}
                                     << QStringLiteral("В банке задач 12");
    QTest::newRow("three_options") << Mutation([](Bank &b) { b.options.removeAt(17); }) << QList<int>{}
                                   << QStringLiteral("Задача 5 (ID_P 5): вариантов ответа 3");
    QTest::newRow("no_options") << Mutation([](Bank &b) {
        b.options.erase(
            std::remove_if(b.options.begin(), b.options.end(), [](auto &o) { return o.ID_P == 12; }),
            b.options.end());
    }) << QList<int>{3} << QStringLiteral("Задача 12 (ID_P 12): нет ни одного");
    QTest::newRow("numbered_twice") << Mutation([](Bank &b) { b.options[71].dopol = 1; }) << QList<int>{3, 4}
                                    << QStringLiteral("номера dopol: 1, 2, 3, 1");
    QTest::newRow("istina_elsewhere") << Mutation([](Bank &b) {
        b.options[4].Istina = false; // problem 2, key 1
        b.options[5].Istina = true;
    }) << QList<int>{} << QStringLiteral("Задача 2 (ID_P 2): верным (Istina) отмечен вариант 2");
    QTest::newRow("istina_twice") << Mutation([](Bank &b) { b.options[79].Istina = true; })
                                  << QList<int>{3, 4} << QStringLiteral("отмечены варианты 2, 4");
    QTest::newRow("istina_nowhere") << Mutation([](Bank &b) { b.options[57].Istina = false; })
                                    << QList<int>{3} << QStringLiteral("Задача 15 (ID_P 15): ни один");
    QTest::newRow("null_condition") << Mutation([](Bank &b) { b.problems[0].Uslovie.reset(); })
                                    << QList<int>{} << QStringLiteral("условие (Uslovie): NULL");
    QTest::newRow("empty_option") << Mutation([](Bank &b) { b.options[50].Otvet = QStringLiteral(" "); })
                                  << QList<int>{3} << QStringLiteral("пустая строка");
    QTest::newRow("empty_body_is_fine")
        << Mutation([](Bank &b) { b.problems[9].Name = QString(); }) << QList<int>{3, 4, 5} << QString();
    QTest::newRow("outside_1251") << Mutation([](Bank &b) { b.problems[16].Name = QStringLiteral("x² − 1"); })
                                  << QList<int>{3, 4} << QStringLiteral("«²» (U+00B2), «−» (U+2212)");
    QTest::newRow("unknown_problem") << Mutation([](Bank &b) {
        b.options.append({81, 77, QStringLiteral("x"), false, 1});
        b.options.append({82, 77, QStringLiteral("y"), false, 2});
    }) << QList<int>{3, 4, 5} << QStringLiteral("ID_O 81, 82 относятся к задаче с ID_P 77");
    QTest::newRow("same_id") << Mutation([](Bank &b) { b.problems[19].ID_P = 3; }) << QList<int>{}
                             << QStringLiteral("тот же ID_P у задач 3, 20");
}

void TestBankText::checkFindsFaults() {
    QFETCH(Mutation, mutate);
    QFETCH(QList<int>, levels);
    QFETCH(QString, finding);

    Bank bank = sampleBank(20);
    mutate(bank);
    const bankcheck::Report report = bankcheck::check(bank);
    QCOMPARE(report.levelsServed, levels);
    QCOMPARE(report.ok(), finding.isEmpty());
    QStringList texts;
    for (const auto &f : report.findings)
        texts << f.text;
    if (!finding.isEmpty())
        QVERIFY2(texts.join(u'\n').contains(finding), qPrintable(texts.join(u'\n')));
}

void TestBankText::checkReportNamesLevels() {
    Bank bank = sampleBank(16);
    bank.options[49].dopol = 7; // problem 13
    const QString text = bankcheck::format(bankcheck::check(bank), QStringLiteral("data.cvx"));
    QVERIFY2(text.contains(QStringLiteral("Уровень «3» (задачи 1–10): работает как задумано.")),
             qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Уровень «4» (задачи 1–15): не работает: ошибки в задачах 13.")),
             qPrintable(text));
    QVERIFY2(
        text.contains(QStringLiteral("Уровень «5» (задачи 1–20): не работает: задач в банке только 16.")),
        qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("Найдено ошибок: 2.")), qPrintable(text));
}

void TestBankText::checkWarnsOfBodiesTheStudentMisses_data() {
    QTest::addColumn<QList<int>>("bodies"); // positions with a body; the others have none
    QTest::addColumn<QList<int>>("warned");
    QTest::newRow("tenth_and_fifteenth") << QList<int>{9, 10, 11, 15, 16} << QList<int>{10, 15};
    QTest::newRow("around_them") << QList<int>{4, 9, 11, 14, 16, 20} << QList<int>{};
    QTest::newRow("past_twenty") << QList<int>{21, 25, 30} << QList<int>{};
}

void TestBankText::checkWarnsOfBodiesTheStudentMisses() {
    QFETCH(QList<int>, bodies);
    QFETCH(QList<int>, warned);
    Bank bank = sampleBank(30);
    for (int p = 1; p <= 30; ++p)
        bank.problems[p - 1].Name = bodies.contains(p) ? QStringLiteral("x + y = 10") : QString();
    const bankcheck::Report report = bankcheck::check(bank);
    // The program still counts the answers: the levels work, and the teacher is told.
    QCOMPARE(report.levelsServed, (QList<int>{3, 4, 5}));
    QVERIFY(report.findings.isEmpty());
    QList<int> positions;
    for (const bankcheck::Finding &w : report.warnings)
        positions << w.position;
    QCOMPARE(positions, warned);

    const QString text = bankcheck::format(report, QStringLiteral("data.cvx"));
    for (int p : warned)
        QVERIFY2(
            text.contains(QStringLiteral("Задача %1 (ID_P %1): текст задачи (Name) ученик не увидит").arg(p)),
            qPrintable(text));
    QCOMPARE(text.contains(QStringLiteral("Предупреждений: %1.").arg(warned.size())), !warned.isEmpty());
}

QTEST_GUILESS_MAIN(TestBankText)
#include "tst_bank_text.moc"
