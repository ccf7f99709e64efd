#include "data/answer_key.h"
#include "data/bank_check.h"

#include <QTest>

#include <algorithm>
#include <numeric>

class TestAnswerKey : public QObject {
    Q_OBJECT

private slots:
    void layOutAtEveryPosition();
    void laidOutBankPassesTheCheck();
};

// At every position and wherever the author put the correct option, the options show once each,
// the correct one under the number the key grades (or the author's, past the key), the others in
// the author's order.
void TestAnswerKey::layOutAtEveryPosition() {
    for (int position = 1; position <= kKeyedPositions + 3; ++position) {
        for (int count = 1; count <= 6; ++count) {
            for (int correct = 0; correct < count; ++correct) {
                const QString where = QStringLiteral("position %1, %2 options, correct %3")
                                          .arg(position)
                                          .arg(count)
                                          .arg(correct);
                const QList<int> order = answerkey::shownOrder(position, correct, count);
                QList<int> sorted = order;
                std::sort(sorted.begin(), sorted.end());
                QList<int> all(count);
                std::iota(all.begin(), all.end(), 0);
                QVERIFY2(sorted == all, qPrintable(where));

                const int number = answerkey::correctNumber(position, correct + 1, count);
                const int expected = isKeyed(position) ? std::min(int(correctOption(position)), count) : correct + 1;
                QVERIFY2(number == expected, qPrintable(where));
                QVERIFY2(order.indexOf(correct) == number - 1, qPrintable(where));

                QList<int> others = order;
                others.removeOne(correct);
                QVERIFY2(std::is_sorted(others.begin(), others.end()), qPrintable(where));
            }
        }
    }
    // The key covers every position a level asks, and only 1..20 are keyed.
    QVERIFY(isKeyed(1) && isKeyed(kMostProblems) && !isKeyed(0) && !isKeyed(kKeyedPositions + 1));
}

// A bank laid out by the rule, whatever place each author chose, is what the check and the grading
// call correct: the option marked correct stands under the key's number at every keyed position.
void TestAnswerKey::laidOutBankPassesTheCheck() {
    Bank bank;
    qint32 optionId = 0;
    for (int p = 1; p <= kKeyedPositions + 2; ++p) {
        bank.problems.append({p, QStringLiteral("Текст %1").arg(p), QStringLiteral("Условие %1").arg(p)});
        const int authorsCorrect = (p * 7) % 4;
        const QList<int> order = answerkey::shownOrder(p, authorsCorrect, 4);
        for (int place = 0; place < order.size(); ++place)
            bank.options.append({++optionId, p, QStringLiteral("Вариант %1").arg(order[place]),
                                 order[place] == authorsCorrect, qint16(place + 1)});
    }
    const bankcheck::Report report = bankcheck::check(bank);
    for (const bankcheck::Finding &f : report.findings)
        QVERIFY2(f.field != bankcheck::Finding::Field::Correct, qPrintable(f.text));
    QCOMPARE(report.levelsServed, (QList<int>{3, 4, 5}));
}

QTEST_APPLESS_MAIN(TestAnswerKey)
#include "tst_answer_key.moc"
