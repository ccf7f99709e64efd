#include "platform/date_time_format.h"
#include "testing/status_bar.h"

#include <QAccessible>
#include <QDateTime>
#include <QLabel>
#include <QTest>

class TestStatusBar : public QObject {
    Q_OBJECT

private slots:
    void design_data();
    void design();
    void panelsSitSideBySideTheLastToTheEdge();
    void clockReplacesLabelsAndShowsDateAndTime();
    void onlyChangedPanelsRepaint();
};

namespace {

// Counts the paint events each panel receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(const StatusBar &bar) {
        for (int i = 0; i < StatusBar::PanelCount; ++i)
            bar.panelLabel(i)->installEventFilter(this);
        m_bar = &bar;
    }
    QList<int> counts() const {
        QList<int> out;
        for (int i = 0; i < StatusBar::PanelCount; ++i)
            out.append(m_counts.value(m_bar->panelLabel(i)));
        return out;
    }
    void reset() { m_counts.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            ++m_counts[watched];
        return false;
    }

private:
    const StatusBar *m_bar = nullptr;
    QHash<QObject *, int> m_counts;
};

} // namespace

void TestStatusBar::design_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("raised");

    QTest::newRow("date_label") << 0 << QStringLiteral("Дата:") << 45 << true;
    QTest::newRow("date") << 1 << QString() << 65 << false;
    QTest::newRow("time_label") << 2 << QStringLiteral("Время:") << 50 << true;
    QTest::newRow("time") << 3 << QString() << 65 << false;
    QTest::newRow("hint_label") << 4 << QStringLiteral("Помощь:") << 60 << true;
    QTest::newRow("hint") << 5 << QString() << 140 << false;
    QTest::newRow("progress") << 6 << QString() << 100 << false;
}

void TestStatusBar::design() {
    QFETCH(int, index);
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(bool, raised);

    StatusBar bar;
    QCOMPARE(bar.objectName(), QStringLiteral("StatusBar1"));
    QCOMPARE(bar.height(), 20);
    QCOMPARE(bar.font().pixelSize(), 11);
    QCOMPARE(bar.panelText(index), text);
    QCOMPARE(bar.panelWidth(index), width);
    const QLabel *label = bar.panelLabel(index);
    QCOMPARE(label->frameShadow(), raised ? QFrame::Raised : QFrame::Sunken);

    // A screen reader reads each panel's text.
    bar.setPanelText(index, QStringLiteral("Осталось решить 9 задач"));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(bar.panelLabel(index));
    QVERIFY(accessible);
    QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral("Осталось решить 9 задач"));
}

void TestStatusBar::panelsSitSideBySideTheLastToTheEdge() {
    StatusBar bar;
    bar.resize(600, 20);
    bar.setPanelWidth(StatusBar::HintPanel, 600 - 420);

    int left = 0;
    for (int i = 0; i < StatusBar::PanelCount - 1; ++i) {
        QCOMPARE(bar.panelRect(i).left(), left);
        QVERIFY(bar.panelRect(i).right() < left + bar.panelWidth(i));
        QCOMPARE(bar.panelLabel(i)->geometry(), bar.panelRect(i));
        left += bar.panelWidth(i);
    }
    QCOMPARE(left, 465);
    const QRect last = bar.panelRect(StatusBar::ProgressPanel);
    QCOMPARE(last.left(), 465);
    QVERIFY(last.right() >= 600 - 3);

    // The hint panel narrowing with the window moves the progress panel along.
    bar.resize(516, 20);
    bar.setPanelWidth(StatusBar::HintPanel, 516 - 420);
    QCOMPARE(bar.panelLabel(StatusBar::ProgressPanel)->x(), 381);
    QVERIFY(bar.panelLabel(StatusBar::ProgressPanel)->geometry().right() >= 516 - 3);
}

void TestStatusBar::clockReplacesLabelsAndShowsDateAndTime() {
    StatusBar bar;
    const QDateTime now(QDate(2026, 12, 10), QTime(9, 5, 7));
    bar.tick(now);

    QCOMPARE(bar.panelText(0), QStringLiteral("Дата: "));
    QCOMPARE(bar.panelText(2), QStringLiteral("Время: "));
    QCOMPARE(bar.panelText(StatusBar::DatePanel), platform::shortDate(now.date()));
    QCOMPARE(bar.panelText(StatusBar::TimePanel), platform::longTime(now.time()));
    QVERIFY(bar.panelText(StatusBar::TimePanel).contains(QStringLiteral("07")));
    QVERIFY(!bar.panelText(StatusBar::DatePanel).isEmpty());

    // The hint and progress panels belong to others.
    QCOMPARE(bar.panelText(4), QStringLiteral("Помощь:"));
    QCOMPARE(bar.panelText(StatusBar::HintPanel), QString());
    QCOMPARE(bar.panelText(StatusBar::ProgressPanel), QString());
}

void TestStatusBar::onlyChangedPanelsRepaint() {
    StatusBar bar;
    bar.resize(600, 20);
    const QDateTime first(QDate(2026, 12, 10), QTime(9, 5, 7));
    bar.tick(first);
    PaintCounter paints(bar);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QTRY_VERIFY(!paints.counts().contains(0)); // the first painting of the whole bar
    paints.reset();

    // Ten ticks within one second change nothing on the screen; by the time a change to the
    // progress panel has been painted, anything they had marked would have been painted too.
    for (int ms = 100; ms < 1000; ms += 100)
        bar.tick(first.addMSecs(ms));
    bar.setPanelText(StatusBar::HintPanel, QString());
    bar.setPanelText(StatusBar::ProgressPanel, QStringLiteral("Осталось решить 10 задач"));
    QTRY_VERIFY(paints.counts().at(StatusBar::ProgressPanel) > 0);
    QCOMPARE(paints.counts().mid(0, StatusBar::ProgressPanel), QList<int>(StatusBar::ProgressPanel, 0));

    // The next second repaints the time alone.
    paints.reset();
    bar.tick(first.addSecs(1));
    QTRY_VERIFY(paints.counts().at(StatusBar::TimePanel) > 0);
    QList<int> others = paints.counts();
    others.removeAt(StatusBar::TimePanel);
    QCOMPARE(others, QList<int>(StatusBar::PanelCount - 1, 0));
}

QTEST_MAIN(TestStatusBar)
#include "tst_status_bar.moc"
