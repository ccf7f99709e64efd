// Questions in Moodle's Aiken format turned into a bank: layout, faults, and the bank tool's
// import-aiken command end to end.

#include "bank_fixtures.h"
#include "data/bank_aiken.h"
#include "data/bank_check.h"
#include "data/jet/format.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(jet::Version)

namespace {

// Written out here rather than taken from the program, so that a slip in either shows.
constexpr int kKey[20] = {3, 1, 4, 2, 2, 3, 1, 2, 4, 3, 4, 2, 3, 2, 2, 3, 3, 4, 3, 2};

struct Question {
    QStringList text;    // first line, then the body
    QStringList options; // in the file's order
    int correct = 0;     // index into options
};

// Questions whose correct letter runs A, B, C, D, A, ... and whose option texts say what they are.
QList<Question> sampleQuestions(int count) {
    QList<Question> out;
    for (int p = 1; p <= count; ++p) {
        Question q;
        q.text << QStringLiteral("Вопрос %1: сколько будет %1 + %1?").arg(p);
        if (p % 3 == 0)
            q.text << QStringLiteral("Тело %1").arg(p) << QStringLiteral("и вторая строка тела %1").arg(p);
        q.correct = (p - 1) % 4;
        for (int i = 0; i < 4; ++i)
            q.options << (i == q.correct ? QStringLiteral("верно %1").arg(p)
                                         : QStringLiteral("неверно %1.%2").arg(p).arg(i));
        out << q;
    }
    return out;
}

enum Style { Brackets = 0, Periods = 1, CrLf = 2, Bom = 4, LoneCr = 8, Spaces = 16, Cp1251 = 32 };

QByteArray aikenText(const QList<Question> &questions, int style = Brackets) {
    QStringList lines;
    const QString pad = (style & Spaces) ? QStringLiteral("  ") : QString();
    for (const Question &q : questions) {
        for (const QString &t : q.text)
            lines << pad + t;
        for (int i = 0; i < q.options.size(); ++i)
            lines << pad + QStringLiteral("%1%2 %3")
                               .arg(QChar(u'A' + i))
                               .arg((style & Periods) ? QChar(u'.') : QChar(u')'))
                               .arg(q.options[i]);
        lines << QStringLiteral("ANSWER: %1").arg(QChar(u'A' + q.correct)) + pad << QString();
    }
    const QString end = (style & CrLf)     ? QStringLiteral("\r\n")
                        : (style & LoneCr) ? QStringLiteral("\r")
                                           : QStringLiteral("\n");
    if (style & Cp1251)
        return *jet::format::encodeText(jet::Version::Jet3, lines.join(end), false);
    QByteArray bytes = lines.join(end).toUtf8();
    return (style & Bom) ? QByteArray("\xEF\xBB\xBF") + bytes : bytes;
}

QByteArray validQuestions(int n) {
    return aikenText(sampleQuestions(n));
}

// The number the first line after the given text gets when a blank line follows it.
int lineAfterBlank(const QByteArray &text) {
    return int(text.count('\n')) + 2;
}

} // namespace

class TestBankAiken : public QObject {
    Q_OBJECT

private slots:
    void layout_data();
    void layout();
    void firstQuestionsExactly();
    void malformed_data();
    void malformed();
    void toolImportPassesCheck_data();
    void toolImportPassesCheck();
    void toolWritesNothingOnFault();
};

void TestBankAiken::layout_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("style");
    QTest::addColumn<jet::Version>("version");
    QTest::newRow("brackets") << 20 << int(Brackets) << jet::Version::Jet4;
    QTest::newRow("periods_crlf_bom") << 20 << int(Periods | CrLf | Bom) << jet::Version::Jet4;
    QTest::newRow("lone_cr_indented") << 20 << int(LoneCr | Spaces) << jet::Version::Jet4;
    QTest::newRow("past_the_key") << 27 << int(Brackets) << jet::Version::Jet4;
    QTest::newRow("jet3") << 20 << int(Periods) << jet::Version::Jet3;
    QTest::newRow("cp1251_lf") << 20 << int(Cp1251) << jet::Version::Jet4;
    QTest::newRow("cp1251_crlf") << 20 << int(Cp1251 | CrLf | Periods) << jet::Version::Jet3;
}

// Every problem keeps its text, gets the key's number on its correct option and keeps the other
// options in the author's order; identifiers run without gaps.
void TestBankAiken::layout() {
    QFETCH(int, count);
    QFETCH(int, style);
    QFETCH(jet::Version, version);
    const QList<Question> questions = sampleQuestions(count);
    csv::FileFormat format;
    const Bank bank =
        aiken::importBank(aikenText(questions, style), QStringLiteral("q.txt"), version, &format);
    QCOMPARE(format.encoding,
             (style & Cp1251) ? csv::FileFormat::Encoding::Windows1251 : csv::FileFormat::Encoding::Utf8);
    QCOMPARE(format.byteOrderMark, bool(style & Bom));

    QCOMPARE(bank.problems.size(), count);
    QCOMPARE(bank.options.size(), 4 * count);
    for (int p = 1; p <= count; ++p) {
        const Question &q = questions[p - 1];
        const Problem &problem = bank.problems[p - 1];
        QCOMPARE(problem.ID_P, p);
        QCOMPARE(problem.Uslovie, std::optional<QString>(q.text.first()));
        QCOMPARE(problem.Name, std::optional<QString>(q.text.mid(1).join(u'\n')));

        const int expectedNumber = p <= 20 ? kKey[p - 1] : q.correct + 1;
        QStringList others = q.options;
        others.removeAt(q.correct);
        for (int n = 1; n <= 4; ++n) {
            const AnswerOption &o = bank.options[4 * (p - 1) + n - 1];
            QCOMPARE(o.ID_O, 4 * (p - 1) + n);
            QCOMPARE(o.ID_P, p);
            QCOMPARE(o.dopol, qint16(n));
            QCOMPARE(o.Istina, n == expectedNumber);
            if (n == expectedNumber)
                QCOMPARE(o.Otvet, std::optional<QString>(q.options[q.correct]));
            else
                QCOMPARE(o.Otvet, std::optional<QString>(others.takeFirst()));
        }
    }
    if (count >= 20)
        QVERIFY(bankcheck::check(bank).ok());
}

// The rule spelled out on two questions, as a teacher would check it by hand.
void TestBankAiken::firstQuestionsExactly() {
    const QByteArray text = "Сколько будет 2 + 2?\nA) 4\nB) 5\nC) 3\nD) 22\nANSWER: A\n\n"
                            "Выберите чётное число.\nНе ноль.\nA. 1\nB. 3\nC. 5\nD. 8\nANSWER: D\n\n" +
                            aikenText(sampleQuestions(18));
    const Bank bank = aiken::importBank(text, QStringLiteral("q.txt"), jet::Version::Jet4);
    auto otvet = [&](int i) { return bank.options[i].Otvet.value_or(QString()); };
    // Position 1 expects option 3, position 2 option 1.
    QCOMPARE(
        (QStringList{otvet(0), otvet(1), otvet(2), otvet(3)}),
        (QStringList{QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("22")}));
    QCOMPARE(
        (QStringList{otvet(4), otvet(5), otvet(6), otvet(7)}),
        (QStringList{QStringLiteral("8"), QStringLiteral("1"), QStringLiteral("3"), QStringLiteral("5")}));
    QCOMPARE(bank.problems[1].Uslovie, std::optional<QString>(QStringLiteral("Выберите чётное число.")));
    QCOMPARE(bank.problems[1].Name, std::optional<QString>(QStringLiteral("Не ноль.")));
    QCOMPARE(bank.problems[0].Name, std::optional<QString>(QString()));
}

void TestBankAiken::malformed_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<jet::Version>("version");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("fragment");

    const QByteArray rest = "\n\n" + validQuestions(20);
    const auto jet4 = jet::Version::Jet4;
    QTest::newRow("no_answer") << "Q\nA) a\nB) b\nC) c\nD) d\n\nNext\nA) a\n" + rest << jet4 << 7
                               << QStringLiteral("не закончен строкой «ANSWER");
    QTest::newRow("no_answer_at_end")
        << validQuestions(20) + "\nLast\nA) a\nB) b\nC) c\nD) d\n"
        << jet4 << lineAfterBlank(validQuestions(20)) << QStringLiteral("до конца файла");
    QTest::newRow("answer_not_an_option")
        << "Q\nA) a\nB) b\nC) c\nD) d\nANSWER: E" + rest << jet4 << 6
        << QStringLiteral("вариант E, а у вопроса со строки 1 варианты A, B, C, D");
    QTest::newRow("answer_not_a_letter")
        << "Q\nA) a\nB) b\nC) c\nD) d\nANSWER: 2" + rest << jet4 << 6 << QStringLiteral("нужна одна буква");
    QTest::newRow("answer_cyrillic") << "Q\nA) a\nB) b\nC) c\nD) d\nANSWER: В" + rest << jet4 << 6
                                     << QStringLiteral("стоит буква «В», а нужна латинская");
    QTest::newRow("three_options") << "Q\nA) a\nB) b\nC) c\nANSWER: A" + rest << jet4 << 5
                                   << QStringLiteral("вариантов ответа 3, а нужно ровно 4");
    QTest::newRow("five_options") << "Q\nA) a\nB) b\nC) c\nD) d\nE) e\nANSWER: A" + rest << jet4 << 6
                                  << QStringLiteral("больше 4");
    QTest::newRow("no_options") << "Q\nANSWER: A" + rest << jet4 << 2 << QStringLiteral("вариантов ответа 0");
    QTest::newRow("option_first") << "A) a\nQ\n" + rest << jet4 << 1 << QStringLiteral("до текста вопроса");
    QTest::newRow("answer_first") << "ANSWER: A\n" + rest << jet4 << 1 << QStringLiteral("без вопроса");
    QTest::newRow("same_letter_twice") << "Q\nA) a\nB) b\nA) c\nD) d\nANSWER: A" + rest << jet4 << 4
                                       << QStringLiteral("вариант A уже был в строке 2");
    QTest::newRow("option_without_text")
        << "Q\nA)\nB) b\nC) c\nD) d\nANSWER: A" + rest << jet4 << 2 << QStringLiteral("нет текста");
    QTest::newRow("cyrillic_letter") << "Q\nА) a\nБ) b\nВ) c\nГ) d\nANSWER: A" + rest << jet4 << 2
                                     << QStringLiteral("латинская");
    QTest::newRow("question_without_options") << "Q\n\nNext\nA) a\n" + rest << jet4 << 3
                                              << QStringLiteral("нет ни вариантов ответа, ни строки ANSWER");
    QTest::newRow("bom_then_not_utf8") << "\xEF\xBB\xBFQ\nA) a\nB) \xCF\xF0\xE8\nC) c\nD) d\nANSWER: A" + rest
                                       << jet4 << 3 << QStringLiteral("UTF-8");
    QTest::newRow("utf16") << QByteArray("\xFF\xFEQ\0\n\0", 6) + rest << jet4 << 1
                           << QStringLiteral("UTF-16");
    // Windows-1251 with CRLF: a fault still named by its line.
    QTest::newRow("cp1251_crlf_three_options")
        << "\xC2\xEE\xEF\xF0\xEE\xF1\r\nA) \xE0\r\nB) \xE1\r\nC) \xE2\r\nANSWER: A\r\n" + rest << jet4 << 5
        << QStringLiteral("у вопроса со строки 1 вариантов ответа 3");
    QTest::newRow("jet3_foreign") << "Q\nA) a\nB) b\nC) √2\nD) d\nANSWER: A" + rest << jet::Version::Jet3 << 4
                                  << QStringLiteral("Jet 3 (Windows-1251) не хранит: «√»");
    QTest::newRow("beyond_bmp") << "Q \xF0\x9F\x98\x80\nA) a\nB) b\nC) c\nD) d\nANSWER: A" + rest << jet4 << 1
                                << QStringLiteral("Jet 4 (UCS-2)");
    QTest::newRow("nineteen") << validQuestions(19) << jet4 << 0
                              << QStringLiteral("вопросов 19, а нужно не меньше 20");
    QTest::newRow("empty") << QByteArray() << jet4 << 0 << QStringLiteral("вопросов 0");
}

void TestBankAiken::malformed() {
    QFETCH(QByteArray, text);
    QFETCH(jet::Version, version);
    QFETCH(int, line);
    QFETCH(QString, fragment);
    try {
        aiken::importBank(text, QStringLiteral("вопросы.txt"), version);
        QFAIL("imported");
    } catch (const BankError &e) {
        QCOMPARE(e.line(), line);
        QVERIFY2(e.message().startsWith(line ? QStringLiteral("вопросы.txt, строка %1: ").arg(line)
                                             : QStringLiteral("вопросы.txt: ")),
                 qPrintable(e.message()));
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
    }
}

void TestBankAiken::toolImportPassesCheck_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<int>("style");
    QTest::newRow("jet4") << 20 << QStringList{} << int(Brackets);
    QTest::newRow("jet3") << 20 << QStringList{QStringLiteral("--jet3")} << int(Brackets);
    QTest::newRow("more") << 23 << QStringList{} << int(Brackets);
    QTest::newRow("cp1251_crlf") << 20 << QStringList{} << int(Cp1251 | CrLf);
}

// What a teacher runs: import, then check the result as the program would read it.
void TestBankAiken::toolImportPassesCheck() {
    QFETCH(int, count);
    QFETCH(QStringList, flags);
    QFETCH(int, style);
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("вопросы.txt"));
    const QString output = dir.filePath(QStringLiteral("data.cvx"));
    QVERIFY(writeBytes(input, aikenText(sampleQuestions(count), style)));

    ToolRun r =
        runBankTool(QStringList{QStringLiteral("import-aiken"), input, QStringLiteral("-o"), output} + flags);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    // Windows-1251 is read, and said so.
    if (style & Cp1251)
        QVERIFY2(r.err.startsWith(QStringLiteral("cifrovex-bank: %1: ").arg(input)) &&
                     r.err.contains(QStringLiteral("Windows-1251")),
                 qPrintable(r.err));
    else
        QCOMPARE(r.err, QString());
    QCOMPARE(r.text().contains(QStringLiteral("первые 20")), count > 20);

    r = runBankTool({QStringLiteral("check"), output});
    QVERIFY2(r.code == 0, qPrintable(r.text() + r.err));
    QVERIFY(r.text().contains(QStringLiteral("Ошибок не найдено.")));
    QCOMPARE(loadBank(output).problems.size(), count);
}

// A faulty file leaves an existing bank as it was and creates none where there was none.
void TestBankAiken::toolWritesNothingOnFault() {
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("q.txt"));
    const QString existing = dir.filePath(QStringLiteral("data.cvx"));
    const QString fresh = dir.filePath(QStringLiteral("new.cvx"));
    QVERIFY(writeBytes(input, validQuestions(20) + "\nQ\nA) a\nB) b\nC) c\nANSWER: A\n"));
    writeBank(existing, sampleBank(20));
    const QByteArray before = fileBytes(existing);

    for (const QString &out : {existing, fresh}) {
        const ToolRun r = runBankTool({QStringLiteral("import-aiken"), input, QStringLiteral("-o"), out});
        QCOMPARE(r.code, 3);
        QVERIFY2(
            r.err.contains(QStringLiteral("q.txt, строка %1:").arg(lineAfterBlank(validQuestions(20)) + 4)),
            qPrintable(r.err));
    }
    QCOMPARE(fileBytes(existing), before);
    QVERIFY(!QFile::exists(fresh));
}

QTEST_GUILESS_MAIN(TestBankAiken)
#include "tst_bank_aiken.moc"
