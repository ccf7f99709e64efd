// The test session without any window: level, position, answers, phase and the texts the main
// window shows for them.
#include "testing/test_session.h"

#include <QSignalSpy>
#include <QTest>

using Phase = TestSession::Phase;

namespace {

// A session on a bank of `problems` problems, its cursor on the first, the level asked for.
struct Session {
    explicit Session(int problems = 20, int level = 3) {
        session.setBank(problems, problems > 0 ? 1 : 0);
        session.prepareForLevelChoice();
        if (level != 0)
            session.chooseLevel(level);
    }
    TestSession session;
};

QString remaining(int n, const char *word) {
    return QStringLiteral("Осталось решить %1 ").arg(n) + QString::fromUtf8(word);
}

} // namespace

class TestTestSession : public QObject {
    Q_OBJECT

private slots:
    void wholeTest_data();
    void wholeTest();
    void shortBankStaysOnItsLastProblem();
    void restartAndStartClearFlags();
    void finishesOnlyWhenRunning();
    void withoutLevelNothingIsRecorded();
    void slotsOutsideTheRecord_data();
    void slotsOutsideTheRecord();
    void withoutBank();
};

void TestTestSession::wholeTest_data() {
    QTest::addColumn<int>("level");
    QTest::newRow("level3") << 3;
    QTest::newRow("level4") << 4;
    QTest::newRow("level5") << 5;
}

// A test from the level's choice to the return, as the window reads it at every step.
void TestTestSession::wholeTest() {
    QFETCH(int, level);
    const LevelRules &rules = *levelRules(level);
    const int n = rules.problems;
    TestSession session;
    QSignalSpy phases(&session, &TestSession::phaseChanged);
    QSignalSpy positions(&session, &TestSession::positionChanged);
    QSignalSpy recorded(&session, &TestSession::answerRecorded);
    session.setBank(25, 1);
    QCOMPARE(session.phase(), Phase::Idle);
    QCOMPARE(session.problemCaption(), QStringLiteral("Здесь будет условие задачи"));
    QCOMPARE(session.optionCaption(), QStringLiteral("Нажмите на кнопку \"Начать тест\""));
    QCOMPARE(session.answerCaption(), QStringLiteral("&Ответить"));
    session.prepareForLevelChoice();
    QCOMPARE(session.progressText(), QString());
    QSignalSpy levels(&session, &TestSession::levelChanged);
    session.chooseLevel(level);
    QCOMPARE(levels.count(), 1);
    QCOMPARE(session.rules(), &rules);
    QCOMPARE(session.progressText(), QStringLiteral("Всего %1 задач").arg(n));

    session.start();
    QCOMPARE(session.phase(), Phase::Running);
    QCOMPARE(session.problemCaption(), QStringLiteral("Задача №1"));
    QCOMPARE(session.optionCaption(), QStringLiteral("Выберите нужный ответ:"));
    QCOMPARE(session.progressText(), remaining(n, "задач"));

    for (int p = 1; p <= n; ++p) {
        QCOMPARE(session.position(), p);
        const qint32 option = p % 4 + 1;
        const std::optional<TestSession::AnswerStep> step = session.answer(option);
        QVERIFY(step);
        QCOMPARE(step->problem, p);
        QCOMPARE(step->nextHeading, p + 1);
        QCOMPARE(step->lastProblem, p == n);
        QCOMPARE(session.state().ChosenAnswers[rules.slotBase + p], option);
        QCOMPARE(session.optionCaption(),
                 QStringLiteral("Узадачи № %1, выбран ответ № %2").arg(p).arg(option));
        if (p < n) {
            QCOMPARE(session.problemCaption(), QStringLiteral("Задача № %1").arg(p + 1));
            const int left = n - p;
            const char *word = left == 1 ? "задачу" : left <= 4 ? "задачи" : "задач";
            QCOMPARE(session.progressText(), remaining(left, word));
            QCOMPARE(session.phase(), Phase::Running);
        }
    }
    QCOMPARE(session.problemCaption(), QStringLiteral("Задача № %1").arg(n));
    QCOMPARE(session.answerCaption(), QStringLiteral("Тест завершен"));
    QCOMPARE(session.progressText(), QStringLiteral("Тест завершен"));
    QCOMPARE(session.phase(), Phase::Finished);
    QCOMPARE(session.position(), n + 1); // the cursor moves on past the level's last problem
    QCOMPARE(recorded.count(), n);
    QCOMPARE(recorded.last().at(0).toInt(), rules.slotBase + n);

    session.returnFromResults();
    QCOMPARE(session.phase(), Phase::Returned);
    QCOMPARE(session.position(), 1);
    QCOMPARE(session.problemCaption(), QStringLiteral("Здесь будет условие задачи"));
    QCOMPARE(session.optionCaption(), QStringLiteral("Нажмите кнопку \"Начать тест\""));
    QCOMPARE(session.answerCaption(), QStringLiteral("Ответить"));
    QCOMPARE(session.progressText(), QStringLiteral("Тест завершен")); // until the level is asked for

    QList<Phase> seen;
    for (const QList<QVariant> &signal : phases)
        seen.append(signal.at(0).value<Phase>());
    QCOMPARE(seen, (QList<Phase>{Phase::Running, Phase::Finished, Phase::Returned}));
    QCOMPARE(positions.count(), n + 1); // n moves on, one back to the first problem
}

// A bank shorter than the level: its last problem is answered again and again, and the test
// never ends.
void TestTestSession::shortBankStaysOnItsLastProblem() {
    Session s(3);
    s.session.start();
    for (int i = 0; i < 6; ++i) {
        const std::optional<TestSession::AnswerStep> step = s.session.answer(1 + i % 4);
        QVERIFY(step && !step->lastProblem);
    }
    QCOMPARE(s.session.position(), 3);
    QCOMPARE(s.session.state().ChosenAnswers[3], 2);
    QCOMPARE(s.session.state().ChosenAnswers[4], 0);
    QCOMPARE(s.session.problemCaption(), QStringLiteral("Задача № 4"));
    QCOMPARE(s.session.progressText(), remaining(7, "задач"));
    QCOMPARE(s.session.phase(), Phase::Running);
}

void TestTestSession::restartAndStartClearFlags() {
    Session s(20, 4);
    QVERIFY(s.session.onFirstProblem());
    s.session.start();
    s.session.answer(1);
    s.session.answer(2);
    QVERIFY(!s.session.onFirstProblem());

    // Start clears its own level's flags only.
    AnswerSlots<bool> &flags = s.session.state().CorrectFlags;
    for (int slot : {10, 11, 25, 26})
        flags[slot] = true;
    s.session.start();
    QVERIFY(flags[10] && !flags[11] && !flags[25] && flags[26]);
    // Counted from where the position stands, without the plural put right.
    QCOMPARE(s.session.progressText(), remaining(13, "задач"));

    s.session.restart();
    for (int slot = 1; slot <= 45; ++slot)
        QVERIFY(!flags[slot]);
    QCOMPARE(s.session.position(), 1);
    QCOMPARE(s.session.problemCaption(), QStringLiteral("Задача № 1"));
    QCOMPARE(s.session.optionCaption(), QStringLiteral("Выберите нужный ответ:"));
    QCOMPARE(s.session.progressText(), remaining(15, "задач"));
    QCOMPARE(s.session.state().ChosenAnswers[12], 2); // the answers stay
    QCOMPARE(s.session.phase(), Phase::Running);

    // A restart after the last answer brings the caption back but not the phase: Answer stays off.
    for (int p = 1; p <= 15; ++p)
        s.session.answer(1);
    QCOMPARE(s.session.phase(), Phase::Finished);
    s.session.restart();
    QCOMPARE(s.session.answerCaption(), QStringLiteral("&Ответить"));
    QCOMPARE(s.session.phase(), Phase::Finished);
}

// The last problem answered outside a running test still ends it in words, but changes no phase.
void TestTestSession::finishesOnlyWhenRunning() {
    Session s(20, 3);
    QSignalSpy phases(&s.session, &TestSession::phaseChanged);
    std::optional<TestSession::AnswerStep> step;
    for (int p = 1; p <= 10; ++p)
        step = s.session.answer(3);
    QVERIFY(step && step->lastProblem);
    QCOMPARE(s.session.progressText(), QStringLiteral("Тест завершен"));
    QCOMPARE(s.session.phase(), Phase::Idle);
    QCOMPARE(phases.count(), 0);
}

void TestTestSession::withoutLevelNothingIsRecorded() {
    Session s(20, 0);
    QSignalSpy texts(&s.session, &TestSession::textsChanged);
    s.session.start();
    QCOMPARE(s.session.phase(), Phase::Running);
    QCOMPARE(s.session.problemCaption(), QStringLiteral("Задача №1"));
    QCOMPARE(s.session.progressText(), QString());
    texts.clear();
    QVERIFY(!s.session.answer(2));
    QCOMPARE(texts.count(), 0);
    QCOMPARE(s.session.position(), 1);
    for (int slot = 1; slot <= 45; ++slot)
        QCOMPARE(s.session.state().ChosenAnswers[slot], 0);
}

void TestTestSession::slotsOutsideTheRecord_data() {
    QTest::addColumn<int>("problems");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("answersFirst");
    QTest::addColumn<int>("slotWritten"); // 0: none
    // Level 5 finished on a longer bank: the position is 21, slot 46 does not exist.
    QTest::newRow("past_level5") << 25 << 5 << 20 << 0;
    // An empty bank: the position is 0, and so is level 3's slot.
    QTest::newRow("empty_bank_level3") << 0 << 3 << 0 << 0;
    // ...while level 4's slot 10 + 0 is level 3's last.
    QTest::newRow("empty_bank_level4") << 0 << 4 << 0 << 10;
}

void TestTestSession::slotsOutsideTheRecord() {
    QFETCH(int, problems);
    QFETCH(int, level);
    QFETCH(int, answersFirst);
    QFETCH(int, slotWritten);
    Session s(problems, level);
    s.session.start();
    for (int i = 0; i < answersFirst; ++i)
        s.session.answer(1);
    const Phase phase = s.session.phase();
    const TestState before = s.session.state();
    QSignalSpy recorded(&s.session, &TestSession::answerRecorded);
    const std::optional<TestSession::AnswerStep> step = s.session.answer(4);
    QVERIFY(step && !step->lastProblem);
    for (int slot = 1; slot <= 45; ++slot)
        QCOMPARE(s.session.state().ChosenAnswers[slot], slot == slotWritten ? 4 : before.ChosenAnswers[slot]);
    QCOMPARE(recorded.count(), slotWritten == 0 ? 0 : 1);
    QCOMPARE(s.session.phase(), phase);
}

// Without a bank the test stands on the first problem: Restart has nothing to do, Start counts the
// whole level.
void TestTestSession::withoutBank() {
    TestSession session;
    session.chooseLevel(5);
    QCOMPARE(session.position(), 1);
    QVERIFY(session.onFirstProblem());
    session.start();
    QCOMPARE(session.progressText(), remaining(20, "задач"));
    session.setBank(0, 0);
    QCOMPARE(session.position(), 0);
    session.clearBank();
    QCOMPARE(session.position(), 1);
}

QTEST_GUILESS_MAIN(TestTestSession)
#include "tst_test_session.moc"
