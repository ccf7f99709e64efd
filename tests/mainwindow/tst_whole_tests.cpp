// Whole tests on the shipped bank, in one process: from the level dialog through every answer to
// the results window, the return and the next test.
#include "main_window_helpers.h"

#include "platform/app_title.h"
#include "platform/message_box.h"
#include "testing/grading.h"
#include "testing/main_texts.h"
#include "testing/unrezultaty.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>

using namespace mwtest;
using platform::MessageAnswer;
using platform::MessageKind;

namespace {

QString shippedBankPath() {
    return QDir(qEnvironmentVariable("CIFROVEX_BINARY_DIR")).filePath(QStringLiteral("data.cvx"));
}

// What the progress panel reads after an answer with `remaining` problems left.
QString remainingAfterAnswer(int remaining) {
    const QString word = remaining == 1                     ? QStringLiteral("задачу")
                         : remaining >= 2 && remaining <= 4 ? QStringLiteral("задачи")
                                                            : QStringLiteral("задач");
    return QStringLiteral("Осталось решить %1 ").arg(remaining) + word;
}

// Answers with one of the ways a user has, taking turns: the Answer button, Enter on the grid, a
// double click on the option's panel, the F5 key.
void answerWith(TForm2 &window, int dopol, int way) {
    auto *grid = child<OptionGrid>(window, "DBCtrlGrid1");
    switch (way % 4) {
    case 0:
        QVERIFY(pickOption(window, dopol));
        QTest::mouseClick(child<QPushButton>(window, "BitBtn4"), Qt::LeftButton);
        break;
    case 1:
        QVERIFY(pickOption(window, dopol));
        grid->setFocus();
        QTest::keyClick(grid, Qt::Key_Return);
        break;
    case 2: {
        TDM *dm = window.dataModule();
        int index = 0;
        while (index < dm->optionCount() && dm->option(index).dopol != dopol)
            ++index;
        QVERIFY(index < dm->optionCount());
        QTest::mouseDClick(grid->panel(index - grid->topIndex()), Qt::LeftButton, {}, QPoint(3, 3));
        break;
    }
    default:
        QVERIFY(pickOption(window, dopol));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
        break;
    }
}

struct OnShippedBank {
    OnShippedBank()
        : dm(loadBank(shippedBankPath())) {
        window.setDataModule(&dm);
    }
    TDM dm;
    TForm2 window;
};

enum class Bars { None, Horizontal, Vertical };

Bars barsOf(const QPlainTextEdit *memo) {
    if (memo->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        return Bars::Horizontal;
    if (memo->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
        return Bars::Vertical;
    return Bars::None;
}

} // namespace

class TestWholeTests : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void wholeTest_data();
    void wholeTest();
    void displayAdjustments_data();
    void displayAdjustments();
    void returnThenAnotherLevel();
};

void TestWholeTests::initTestCase() {
    if (!QFileInfo::exists(shippedBankPath()))
        QSKIP("the shipped bank data.cvx has not been built");
    platform::setApplicationTitle(QStringLiteral("Cifrovex"));
}

void TestWholeTests::wholeTest_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("correct");
    QTest::addColumn<int>("mark");
    QTest::newRow("level3_five") << 3 << 5 << 2; // 1.5 rounds to the even 2
    QTest::newRow("level3_eight") << 3 << 8 << 2;
    QTest::newRow("level3_nine") << 3 << 9 << 3;
    QTest::newRow("level3_ten") << 3 << 10 << 3;
    QTest::newRow("level4_nine") << 4 << 9 << 2;
    QTest::newRow("level4_ten") << 4 << 10 << 3;
    QTest::newRow("level4_thirteen") << 4 << 13 << 3;
    QTest::newRow("level4_fourteen") << 4 << 14 << 4;
    QTest::newRow("level4_fifteen") << 4 << 15 << 4;
    QTest::newRow("level5_none") << 5 << 0 << 2;
    QTest::newRow("level5_ten") << 5 << 10 << 2; // 2.5 rounds to 2
    QTest::newRow("level5_eleven") << 5 << 11 << 3;
    QTest::newRow("level5_fourteen") << 5 << 14 << 4; // 3.5 rounds to 4
    QTest::newRow("level5_eighteen") << 5 << 18 << 4; // 4.5 rounds to 4
    QTest::newRow("level5_nineteen") << 5 << 19 << 5;
}

void TestWholeTests::wholeTest() {
    QFETCH(int, level);
    QFETCH(int, correct);
    QFETCH(int, mark);
    platform::ScriptedMessageBoxes boxes;
    OnShippedBank s;
    showWith(s.window, levelAnswer(level));
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Всего %1 задач").arg(levelRules(level)->problems));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // Start has the focus
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача №1"));

    const int n = levelRules(level)->problems;
    for (int p = 1; p <= n; ++p) {
        // Right answers spread over the test: p is answered right when 7p mod N < correct.
        const bool right = (7 * p) % n < correct;
        const int dopol = right ? correctOption(p) : correctOption(p) % 4 + 1;
        answerWith(s.window, dopol, p);
        QCOMPARE(s.window.session().state().ChosenAnswers[levelRules(level)->slotBase + p], dopol);
        QCOMPARE(paneCaption(s.window, "GroupBox2"), maintexts::answeredCaption(p, dopol));
        if (p < n) {
            QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № %1").arg(p + 1));
            QCOMPARE(s.window.progressPanel(), remainingAfterAnswer(n - p));
            QVERIFY(boxes.asked().isEmpty());
            QCOMPARE(s.dm.recNo(), p + 1);
        }
    }
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № %1").arg(n));
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Тест завершен"));
    auto *answer = child<QPushButton>(s.window, "BitBtn4");
    QCOMPARE(answer->text(), QStringLiteral("Тест завершен"));
    QVERIFY(!answer->isEnabled());
    QVERIFY(child<QAction>(s.window, "N11")->isEnabled());

    QCOMPARE(boxes.asked().size(), 1);
    const platform::MessageRequest &congratulation = boxes.asked().constFirst();
    QCOMPARE(congratulation.text,
             QStringLiteral("Поздравляю! Вы прошли тест. Нажмите OK и ознакомьтесь с результатами."));
    QCOMPARE(congratulation.kind, level == 3 ? MessageKind::Information : MessageKind::Plain);
    QCOMPARE(congratulation.caption, level == 3 ? QStringLiteral("Information") : QStringLiteral("Cifrovex"));

    // Grading hid the window and showed a new results window; the cursor moved on after it.
    QVERIFY(!s.window.isVisible());
    QCOMPARE(s.dm.recNo(), std::min(n + 1, s.dm.problemCount()));
    QCOMPARE(s.window.resultsWindows().size(), std::size_t(1));
    TForm5 *results = s.window.resultsWindows().front();
    QVERIFY(results && results->isVisible());
    QCOMPARE(results->CorrectCount, correct);
    QCOMPARE(results->Grade, double(mark));
    QCOMPARE(child<QPlainTextEdit>(*results, "Memo1")->toPlainText().split(QLatin1Char('\n')),
             (QStringList{QStringLiteral("Уровень сложности на \"%1\";").arg(level),
                          QStringLiteral("правильных ответов: %1;").arg(correct),
                          QStringLiteral("ваша оценка: \"%1\".").arg(mark)}));
}

void TestWholeTests::displayAdjustments_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("level3") << 3;
    QTest::newRow("level4") << 4;
    QTest::newRow("level5") << 5;
}

void TestWholeTests::displayAdjustments() {
    QFETCH(int, level);
    platform::ScriptedMessageBoxes boxes;
    OnShippedBank s;
    showWith(s.window, levelAnswer(level));
    s.window.BitBtn1Click();
    auto *pane = child(s.window, "GroupBox1");
    auto *condition = child<QPlainTextEdit>(s.window, "DBMemo3");
    auto *body = child<QPlainTextEdit>(s.window, "DBMemo1");

    // What the problem pane looks like once problem k + 1 has come up (after answering k), where
    // that changes: body bars, condition bars, condition filling the pane.
    struct Look {
        Bars body;
        Bars condition;
        bool filled;
    };
    const QMap<int, Look> changes{
        {3, {Bars::Horizontal, Bars::None, false}},  // problem 4: a wide one-line body
        {4, {Bars::None, Bars::None, false}},        // problem 5
        {9, {Bars::None, Bars::Vertical, true}},     // problem 10: a long condition
        {10, {Bars::Horizontal, Bars::None, false}}, // problem 11 (level 3's last answer too)
        {11, {Bars::None, Bars::None, false}},       // problem 12
        {14, {Bars::None, Bars::None, true}},        // problem 15: long, its bars left alone
        {15, {Bars::Horizontal, Bars::None, false}}, // problem 16 (level 4's last answer too)
        {16, {Bars::None, Bars::None, false}},       // problem 17
    };
    Look expected{Bars::None, Bars::None, false};
    const int n = levelRules(level)->problems;
    for (int k = 1; k <= n; ++k) {
        if (k == 10)
            QCOMPARE(body->toPlainText(), QString()); // problem 10 has no body, only its condition
        s.window.BitBtn4Click();
        expected = changes.value(k, expected);
        const QString where = QStringLiteral("after answer %1").arg(k);
        QVERIFY2(barsOf(body) == expected.body, qPrintable(where));
        QVERIFY2(barsOf(condition) == expected.condition, qPrintable(where));
        QCOMPARE(body->lineWrapMode(),
                 expected.body == Bars::Horizontal ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
        if (expected.filled) {
            QCOMPARE(condition->height(), pane->height() - 30);
            QCOMPARE(body->height(), 0);
            // A resize keeps the condition's height; the body gets what the pane has left below it.
            const QSize size = s.window.size();
            s.window.resize(size + QSize(40, 60));
            QTRY_COMPARE(s.window.size(), size + QSize(40, 60));
            QCOMPARE(condition->height(), pane->height() - 30 - 60);
            QCOMPARE(body->height(), 60 - 6);
            s.window.resize(size);
            QTRY_COMPARE(s.window.size(), size);
            QCOMPARE(body->height(), 0);
        } else {
            QCOMPARE(condition->height(), 50);
            QCOMPARE(body->geometry(), QRect(10, 79, condition->width(), pane->height() - 86));
        }
    }
    QVERIFY(!s.window.isVisible());
}

void TestWholeTests::returnThenAnotherLevel() {
    platform::ScriptedMessageBoxes boxes;
    OnShippedBank s;
    showWith(s.window, LevelAnswer::Level3);
    s.window.BitBtn1Click();
    for (int p = 1; p <= 10; ++p) {
        QVERIFY(pickOption(s.window, correctOption(p)));
        s.window.BitBtn4Click();
    }
    QCOMPARE(s.window.resultsWindows().size(), std::size_t(1));
    TForm5 *first = s.window.resultsWindows().front();
    QCOMPARE(first->CorrectCount, 10);

    // Return: the level dialog comes up over the idle window, then the results window goes.
    bool dialogSeen = false;
    answerLevelDialog(&s.window, LevelAnswer::Level5, &dialogSeen);
    QTest::mouseClick(child<QPushButton>(*first, "BitBtn2"), Qt::LeftButton);
    QVERIFY(dialogSeen);
    QVERIFY(s.window.isVisible());
    QVERIFY(!first->isVisible());
    QCOMPARE(s.window.session().state().Level, 5);
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Всего 20 задач"));
    QCOMPARE(s.dm.recNo(), 1);
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Здесь будет условие задачи"));
    QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Нажмите кнопку \"Начать тест\""));
    QVERIFY(!child<QPushButton>(s.window, "BitBtn4")->isEnabled());
    QCOMPARE(child<QPushButton>(s.window, "BitBtn4")->text(), QStringLiteral("Ответить"));
    QCOMPARE(s.window.focusWidget(), child(s.window, "BitBtn1"));
    // The return leaves the memos as the last answer left them.
    QCOMPARE(barsOf(child<QPlainTextEdit>(s.window, "DBMemo1")), Bars::Horizontal);

    // A second test, at level 5, gets a window of its own; level 3's answers stay in their slots.
    s.window.BitBtn1Click();
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача №1"));
    QCOMPARE(child<QPushButton>(s.window, "BitBtn4")->text(), QStringLiteral("Ответить"));
    for (int p = 1; p <= 20; ++p) {
        QVERIFY(pickOption(s.window, p <= 14 ? correctOption(p) : correctOption(p) % 4 + 1));
        s.window.BitBtn4Click();
    }
    QCOMPARE(s.window.resultsWindows().size(), std::size_t(2));
    TForm5 *second = s.window.resultsWindows().back();
    QVERIFY(second != first);
    QVERIFY(second->isVisible() && !first->isVisible());
    QCOMPARE(second->CorrectCount, 14);
    QCOMPARE(second->Grade, 4.0);
    QCOMPARE(child<QPlainTextEdit>(*second, "Memo1")->toPlainText().section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("Уровень сложности на \"5\";"));
    for (int p = 1; p <= 10; ++p)
        QCOMPARE(s.window.session().state().ChosenAnswers[p], correctOption(p));
    QCOMPARE(boxes.asked().size(), 2);
    QCOMPARE(boxes.asked().at(1).kind, MessageKind::Plain);
}

QTEST_MAIN(TestWholeTests)
#include "tst_whole_tests.moc"
