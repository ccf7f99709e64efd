// The main window's text and layout rules, without widgets.
#include "testing/main_layout.h"
#include "testing/main_texts.h"

#include <QTest>

using maintexts::DisplayAdjustment;
Q_DECLARE_METATYPE(QList<DisplayAdjustment>)
Q_DECLARE_METATYPE(MainLayoutInput)

class TestMainRules : public QObject {
    Q_OBJECT

private slots:
    void progressText_data();
    void progressText();
    void answeredCaptionIsExact();
    void displayAdjustments_data();
    void displayAdjustments();
    void layout_data();
    void layout();
};

void TestMainRules::progressText_data() {
    QTest::addColumn<int>("remaining");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("corrected");
    const auto row = [](const char *tag, int n, const QString &word) {
        const QString prefix = QStringLiteral("Осталось решить ") + QString::number(n);
        QTest::newRow(tag) << n << prefix + QStringLiteral(" задач") << prefix + word;
    };
    row("none", 0, QStringLiteral(" задач"));
    row("one", 1, QStringLiteral(" задачу"));
    row("two", 2, QStringLiteral(" задачи"));
    row("three", 3, QStringLiteral(" задачи"));
    row("four", 4, QStringLiteral(" задачи"));
    row("five", 5, QStringLiteral(" задач"));
    row("nine", 9, QStringLiteral(" задач"));
    row("eleven", 11, QStringLiteral(" задач"));
    row("fourteen", 14, QStringLiteral(" задач")); // ends in 4 but is not the whole text "4 задач"
    row("nineteen", 19, QStringLiteral(" задач"));
    row("twenty", 20, QStringLiteral(" задач"));
}

void TestMainRules::progressText() {
    QFETCH(int, remaining);
    QFETCH(QString, raw);
    QFETCH(QString, corrected);
    QCOMPARE(maintexts::remainingText(remaining), raw);
    QCOMPARE(maintexts::withPluralCorrected(raw), corrected);
    QCOMPARE(maintexts::withPluralCorrected(corrected), corrected);
}

void TestMainRules::answeredCaptionIsExact() {
    QCOMPARE(maintexts::answeredCaption(3, 2), QStringLiteral("Узадачи № 3, выбран ответ № 2"));
    QCOMPARE(maintexts::answeredCaption(20, -7), QStringLiteral("Узадачи № 20, выбран ответ № -7"));
    QCOMPARE(maintexts::problemHeading(11), QStringLiteral("Задача № 11"));
}

void TestMainRules::displayAdjustments_data() {
    using enum DisplayAdjustment;
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QList<DisplayAdjustment>>("effects");
    const auto heading = [](int n) { return maintexts::problemHeading(n); };
    QTest::newRow("start") << maintexts::startHeading() << QList<DisplayAdjustment>{};
    QTest::newRow("p1") << heading(1) << QList<DisplayAdjustment>{};
    QTest::newRow("p3") << heading(3) << QList<DisplayAdjustment>{};
    QTest::newRow("p4") << heading(4) << QList{BodyHorizontalBar};
    QTest::newRow("p5") << heading(5) << QList{BodyNoBars};
    QTest::newRow("p9") << heading(9) << QList<DisplayAdjustment>{};
    QTest::newRow("p10") << heading(10) << QList{ConditionFillWithBar};
    QTest::newRow("p11") << heading(11) << QList{BodyHorizontalBar, ConditionResetNoBars};
    QTest::newRow("p12") << heading(12) << QList{BodyNoBars};
    QTest::newRow("p14") << heading(14) << QList<DisplayAdjustment>{};
    QTest::newRow("p15") << heading(15) << QList{ConditionFill};
    QTest::newRow("p16") << heading(16) << QList{BodyHorizontalBar, ConditionDesignHeight};
    QTest::newRow("p17") << heading(17) << QList{BodyNoBars};
    QTest::newRow("p21") << heading(21) << QList<DisplayAdjustment>{};
    QTest::newRow("p40") << heading(40) << QList<DisplayAdjustment>{}; // "4" as a prefix is no match
    QTest::newRow("nospace") << QStringLiteral("Задача №4") << QList<DisplayAdjustment>{};
    QTest::newRow("idle") << maintexts::idleProblemCaption() << QList<DisplayAdjustment>{};
}

void TestMainRules::displayAdjustments() {
    QFETCH(QString, caption);
    QFETCH(QList<DisplayAdjustment>, effects);
    QCOMPARE(maintexts::displayAdjustmentsFor(caption), effects);
}

void TestMainRules::layout_data() {
    QTest::addColumn<MainLayoutInput>("in");
    QTest::addColumn<QRect>("problemPane");
    QTest::addColumn<QRect>("optionPane");
    QTest::addColumn<QRect>("bodyMemo");
    QTest::addColumn<QSize>("grid");
    QTest::addColumn<QSize>("panel");
    QTest::addColumn<QRect>("optionText");
    QTest::addColumn<int>("numberTop");
    QTest::addColumn<int>("hintWidth");

    // The client area of the window at its first size.
    QTest::newRow("initial") << MainLayoutInput{554, 296, 50, 20, 35, 554, 17} << QRect(5, 40, 262, 231)
                             << QRect(282, 40, 262, 231) << QRect(10, 79, 242, 145) << QSize(242, 208)
                             << QSize(225, 52) << QRect(18, 5, 197, 42) << 17 << 134;
    // Near the minimum size: both panes equally wide, the hint panel shrinks with the bar.
    QTest::newRow("small") << MainLayoutInput{500, 250, 50, 20, 35, 500, 16} << QRect(5, 40, 235, 185)
                           << QRect(255, 40, 235, 185) << QRect(10, 79, 215, 99) << QSize(215, 162)
                           << QSize(199, 40) << QRect(18, 5, 171, 30) << 11 << 80;
    // An odd width loses its odd pixel to the halving; the panel height drops the grid's remainder.
    QTest::newRow("odd") << MainLayoutInput{601, 401, 50, 20, 35, 601, 16} << QRect(5, 40, 285, 336)
                         << QRect(305, 40, 285, 336) << QRect(10, 79, 265, 250) << QSize(265, 313)
                         << QSize(249, 78) << QRect(18, 5, 221, 68) << 30 << 181;
    // The condition memo filling its pane (pane height - 30): the body memo's height goes negative.
    QTest::newRow("filled") << MainLayoutInput{554, 296, 201, 20, 35, 554, 17} << QRect(5, 40, 262, 231)
                            << QRect(282, 40, 262, 231) << QRect(10, 230, 242, -6) << QSize(242, 208)
                            << QSize(225, 52) << QRect(18, 5, 197, 42) << 17 << 134;
    // Halves of negative numbers round toward zero.
    QTest::newRow("tiny") << MainLayoutInput{40, 60, 50, 20, 35, 40, 16} << QRect(5, 40, 5, -5)
                          << QRect(25, 40, 5, -5) << QRect(10, 79, -15, -91) << QSize(-15, -28)
                          << QSize(-31, -7) << QRect(18, 5, -59, -17) << -12 << -380;
}

void TestMainRules::layout() {
    QFETCH(MainLayoutInput, in);
    const MainLayout out = mainLayout(in);
    QTEST(out.problemPane, "problemPane");
    QTEST(out.optionPane, "optionPane");
    QTEST(out.bodyMemo, "bodyMemo");
    QCOMPARE(out.conditionMemo, QRect(10, 20, out.bodyMemo.width(), in.conditionHeight));
    QTEST(out.grid, "grid");
    QTEST(out.panel, "panel");
    QTEST(out.optionText, "optionText");
    QTEST(out.optionNumberTop, "numberTop");
    QTEST(out.hintPanelWidth, "hintWidth");
    QCOMPARE(out.statusBarHeight, 20);
    QCOMPARE(MainLayout::shownHeight(out.bodyMemo.height()), std::max(0, out.bodyMemo.height()));
}

QTEST_GUILESS_MAIN(TestMainRules)
#include "tst_main_rules.moc"
