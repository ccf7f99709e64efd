#include "about/marquee.h"
#include "testing/result_text.h"

#include <QTest>

class TestDialogTexts : public QObject {
    Q_OBJECT

private slots:
    void resultLines_data();
    void resultLines();
    void marqueeFrame_data();
    void marqueeFrame();
    void marqueeSteps_data();
    void marqueeSteps();
};

void TestDialogTexts::resultLines_data() {
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("grade");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("level4_12_correct")
        << 4 << 12 << 3.0
        << QStringList{"Уровень сложности на \"4\";", "правильных ответов: 12;", "ваша оценка: \"3\"."};
    QTest::newRow("level3_all_correct")
        << 3 << 10 << 3.0
        << QStringList{"Уровень сложности на \"3\";", "правильных ответов: 10;", "ваша оценка: \"3\"."};
    QTest::newRow("level5_none_correct")
        << 5 << 0 << 2.0
        << QStringList{"Уровень сложности на \"5\";", "правильных ответов: 0;", "ваша оценка: \"2\"."};
    QTest::newRow("level5_all_correct")
        << 5 << 20 << 5.0
        << QStringList{"Уровень сложности на \"5\";", "правильных ответов: 20;", "ваша оценка: \"5\"."};
}

void TestDialogTexts::resultLines() {
    QFETCH(int, level);
    QFETCH(int, count);
    QFETCH(double, grade);
    QFETCH(QStringList, lines);

    QCOMPARE(::resultLines(level, count, grade), lines);
}

void TestDialogTexts::marqueeFrame_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("frame");

    QTest::newRow("start") << 1 << QStringLiteral("  Цифроведческийзачёт  ");
    QTest::newRow("second") << 2 << QStringLiteral(" Цифроведческийзачёт  Ц");
    QTest::newRow("last") << 20 << QStringLiteral("ёт  Цифроведческийзачёт");
    // Past the positions the marquee uses the frame runs short instead of reading beyond the text.
    QTest::newRow("past_end") << 40 << QStringLiteral("чёт ");
}

void TestDialogTexts::marqueeFrame() {
    QFETCH(int, position);
    QFETCH(QString, frame);

    QCOMPARE(marqueeText().size(), 43);
    QCOMPARE(::marqueeFrame(position), frame);
}

void TestDialogTexts::marqueeSteps_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("next");

    QTest::newRow("start") << 1 << 2;
    QTest::newRow("before_last") << 19 << 20;
    QTest::newRow("wraps") << 20 << 1;
}

void TestDialogTexts::marqueeSteps() {
    QFETCH(int, position);
    QFETCH(int, next);

    QCOMPARE(nextMarqueePosition(position), next);
}

QTEST_GUILESS_MAIN(TestDialogTexts)
#include "tst_dialog_texts.moc"
