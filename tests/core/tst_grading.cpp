#include "testing/grading.h"

#include <QTest>

class TestGrading : public QObject {
    Q_OBJECT

private slots:
    void markByCount_data();
    void markByCount();
    void gradesOnlyTheLevelsSlots_data();
    void gradesOnlyTheLevelsSlots();
    void unknownLevelHasNoSpec();
};

// The mark table: every count 0..N of every level, with the halves going to the even neighbour.
void TestGrading::markByCount_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("mark");

    const auto add = [](int level, int count, double mark) {
        QTest::addRow("level%d_%d_correct", level, count) << level << count << mark;
    };
    for (int c = 0; c <= 10; ++c)
        add(3, c, c <= 8 ? 2.0 : 3.0);
    for (int c = 0; c <= 15; ++c)
        add(4, c, c <= 9 ? 2.0 : c <= 13 ? 3.0 : 4.0);
    for (int c = 0; c <= 20; ++c)
        add(5, c, c <= 10 ? 2.0 : c <= 13 ? 3.0 : c <= 18 ? 4.0 : 5.0);
}

void TestGrading::markByCount() {
    QFETCH(int, level);
    QFETCH(int, count);
    QFETCH(double, mark);

    const LevelRules *rules = levelRules(level);
    QVERIFY(rules);
    QCOMPARE(markFor(count, *rules), mark);

    // The same count reached through answers: the first `count` problems right, the rest wrong.
    TestState state;
    state.Level = level;
    for (int p = 1; p <= rules->problems; ++p)
        state.ChosenAnswers[rules->slotBase + p] = p <= count ? correctOption(p) : correctOption(p) % 4 + 1;
    const GradeResult result = gradeLevel(state, *rules);
    QCOMPARE(result.CorrectCount, count);
    QCOMPARE(result.Grade, mark);
}

// Wrong option numbers never match; answers and flags of the other levels' slots stay as they
// were; grading leaves ChosenAnswers alone.
void TestGrading::gradesOnlyTheLevelsSlots_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("wrongValue");
    QTest::newRow("level3_zero") << 3 << 0;
    QTest::newRow("level4_five") << 4 << 5;
    QTest::newRow("level5_minus_one") << 5 << -1;
    QTest::newRow("level5_32767") << 5 << 32767;
}

void TestGrading::gradesOnlyTheLevelsSlots() {
    QFETCH(int, level);
    QFETCH(int, wrongValue);
    const LevelRules &rules = *levelRules(level);

    TestState state;
    // Every slot holds the right answer for its position within each level, and every flag is set.
    for (const LevelRules &other : kLevels) {
        for (int p = 1; p <= other.problems; ++p)
            state.ChosenAnswers[other.slotBase + p] = correctOption(p);
    }
    state.CorrectFlags.fill(true);
    // The graded level answers the odd problems with an impossible option number.
    for (int p = 1; p <= rules.problems; p += 2)
        state.ChosenAnswers[rules.slotBase + p] = wrongValue;
    const TestState before = state;

    const GradeResult result = gradeLevel(state, rules);
    QCOMPARE(result.CorrectCount, rules.problems / 2);
    for (int slot = AnswerSlots<int>::first; slot <= AnswerSlots<int>::last; ++slot) {
        QCOMPARE(state.ChosenAnswers[slot], before.ChosenAnswers[slot]);
        const bool inLevel = slot > rules.slotBase && slot <= rules.slotBase + rules.problems;
        const bool expected = inLevel ? (slot - rules.slotBase) % 2 == 0 : true;
        QCOMPARE(state.CorrectFlags[slot], expected);
    }
}

void TestGrading::unknownLevelHasNoSpec() {
    for (int level : {0, 1, 2, 6, -3})
        QVERIFY(!levelRules(level));
}

QTEST_GUILESS_MAIN(TestGrading)
#include "tst_grading.moc"
