#include "testing/hint_tracker.h"
#include "testing/option_grid.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

#include <QTimer>
#include <algorithm>

class TestHintTracker : public QObject {
    Q_OBJECT

private slots:
    void resolution_data();
    void resolution();
    void longHint_data();
    void longHint();
    void changesAreSignalledOnce();
    void highlightedMenuItemOwnsTheHint();
    void followsThePointerWhenIdle();
    void followsChangesUnderAStillPointer_data();
    void followsChangesUnderAStillPointer();
    void idleLoopLeavesThePointerAlone();
    void statusTipEventsAreSwallowed();
};

namespace {

// A window shaped like the main window: toolbar buttons, a problem pane with a hint around a memo,
// an option pane without one around the option grid; and the same kinds disabled.
struct HintWindow {
    QWidget window;

    template <class W>
    W *add(QWidget *parent, const char *name, const QString &tip = {}, bool enabled = true) {
        auto *w = new W(parent);
        w->setObjectName(QLatin1String(name));
        if (!tip.isEmpty())
            w->setStatusTip(tip);
        w->setEnabled(enabled);
        return w;
    }

    HintWindow() {
        window.setObjectName(QStringLiteral("window"));
        auto *toolbar = add<QWidget>(&window, "toolbar");
        add<QPushButton>(toolbar, "start", QStringLiteral("Начать тест"));
        add<QPushButton>(toolbar, "answerDisabled", QStringLiteral("Ответить на текущую задачу"), false);
        add<QPushButton>(toolbar, "buttonWithoutHint");

        auto *pane1 = add<QGroupBox>(&window, "pane1", QStringLiteral("Текст задачи"));
        add<QPlainTextEdit>(pane1, "memo");
        add<QLabel>(pane1, "labelWithOwnHint", QStringLiteral("Своя подсказка"));

        auto *pane1Disabled = add<QGroupBox>(&window, "pane1Disabled", QStringLiteral("Текст задачи"), false);
        add<QPlainTextEdit>(pane1Disabled, "memoInDisabledPane");

        auto *pane2 = add<QGroupBox>(&window, "pane2");
        add<OptionGrid>(pane2, "grid");
        add<OptionGrid>(pane2, "gridDisabled", {}, false);

        auto *box = add<QWidget>(&window, "disabledBox", QStringLiteral("Коробка"), false);
        add<QLabel>(box, "labelInDisabledBox", QStringLiteral("Надпись"));
        add<QPushButton>(box, "buttonInDisabledBox", QStringLiteral("Кнопка"));

        add<QGroupBox>(&window, "paneShortLong", QStringLiteral("Кратко|Подробно"));
    }

    QWidget *find(const QString &name) {
        if (name == QStringLiteral("window"))
            return &window;
        QWidget *w = window.findChild<QWidget *>(name);
        if (auto *grid = qobject_cast<OptionGrid *>(w))
            return grid->textMemo(0)->viewport(); // over an option's text
        if (auto *memo = qobject_cast<QPlainTextEdit *>(w))
            return memo->viewport(); // what the pointer is over inside a memo
        return w;
    }
};

// Runs the event loop until the tracker shows `hint`. The hint is worked out when the loop has
// nothing left to do and waits, so this waits in a real loop (QTRY_* never lets it block).
bool waitForHint(const HintTracker &tracker, const QString &hint) {
    QSignalSpy changes(&tracker, &HintTracker::hintChanged);
    QDeadlineTimer deadline(5000);
    while (tracker.currentHint() != hint && !deadline.hasExpired())
        changes.wait(int(std::max<qint64>(1, deadline.remainingTime())));
    return tracker.currentHint() == hint;
}

// Lets `count` ticks of a 10 ms clock pass, the loop waiting between them.
void tickIdle(QSignalSpy &ticks, int count) {
    QDeadlineTimer deadline(10000);
    while (ticks.count() < count && !deadline.hasExpired())
        ticks.wait(1000);
}

} // namespace

void TestHintTracker::resolution_data() {
    QTest::addColumn<QString>("underPointer");
    QTest::addColumn<QString>("hint");

    QTest::newRow("button") << QStringLiteral("start") << QStringLiteral("Начать тест");
    QTest::newRow("disabled_button") << QStringLiteral("answerDisabled") << QString();
    QTest::newRow("button_without_hint") << QStringLiteral("buttonWithoutHint") << QString();
    QTest::newRow("memo_in_pane") << QStringLiteral("memo") << QStringLiteral("Текст задачи");
    QTest::newRow("own_hint_first") << QStringLiteral("labelWithOwnHint") << QStringLiteral("Своя подсказка");
    QTest::newRow("disabled_pane") << QStringLiteral("pane1Disabled") << QString();
    QTest::newRow("memo_in_disabled_pane") << QStringLiteral("memoInDisabledPane") << QString();
    QTest::newRow("option_text") << QStringLiteral("grid")
                                 << QStringLiteral("Выберите нужный ответ и дважды щелкните по нему или "
                                                   "нажмите на кнопку \"ответить\"");
    QTest::newRow("disabled_grid") << QStringLiteral("gridDisabled") << QString();
    // Only buttons, grids and panes are passed over; other disabled controls still give their hint.
    QTest::newRow("label_in_disabled_box")
        << QStringLiteral("labelInDisabledBox") << QStringLiteral("Надпись");
    QTest::newRow("button_in_disabled_box")
        << QStringLiteral("buttonInDisabledBox") << QStringLiteral("Коробка");
    QTest::newRow("long_part") << QStringLiteral("paneShortLong") << QStringLiteral("Подробно");
    QTest::newRow("window") << QStringLiteral("window") << QString();
}

void TestHintTracker::resolution() {
    QFETCH(QString, underPointer);
    QFETCH(QString, hint);

    HintWindow w;
    QWidget *widget = w.find(underPointer);
    QVERIFY(widget);
    QCOMPARE(HintTracker::hintForWidget(widget), hint);

    // A hint on the window itself is what the passed-over controls fall back to.
    w.window.setStatusTip(QStringLiteral("Окно"));
    if (hint.isEmpty())
        QCOMPARE(HintTracker::hintForWidget(widget), QStringLiteral("Окно"));
}

void TestHintTracker::longHint_data() {
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("hint");
    QTest::newRow("plain") << QStringLiteral("Выход из программы") << QStringLiteral("Выход из программы");
    QTest::newRow("short_long") << QStringLiteral("Выход|Выход из программы")
                                << QStringLiteral("Выход из программы");
    QTest::newRow("first_bar") << QStringLiteral("a|b|c") << QStringLiteral("b|c");
    QTest::newRow("short_only") << QStringLiteral("Выход|") << QString();
}

void TestHintTracker::longHint() {
    QFETCH(QString, tip);
    QFETCH(QString, hint);
    QCOMPARE(HintTracker::longHint(tip), hint);
}

void TestHintTracker::changesAreSignalledOnce() {
    HintWindow w;
    HintTracker tracker;
    QSignalSpy changes(&tracker, &HintTracker::hintChanged);

    tracker.recompute(w.find(QStringLiteral("start")));
    tracker.recompute(w.find(QStringLiteral("start")));
    tracker.recompute(w.find(QStringLiteral("memo")));
    tracker.recompute(w.find(QStringLiteral("labelWithOwnHint")));
    tracker.recompute(nullptr); // the pointer left the program's windows
    tracker.recompute(w.find(QStringLiteral("window")));

    QCOMPARE(changes.count(), 4);
    QCOMPARE(changes.at(0).at(0).toString(), QStringLiteral("Начать тест"));
    QCOMPARE(changes.at(1).at(0).toString(), QStringLiteral("Текст задачи"));
    QCOMPARE(changes.at(2).at(0).toString(), QStringLiteral("Своя подсказка"));
    QCOMPARE(changes.at(3).at(0).toString(), QString());
    QCOMPARE(tracker.currentHint(), QString());
}

void TestHintTracker::highlightedMenuItemOwnsTheHint() {
    HintWindow w;
    QMainWindow main;
    QMenu *file = main.menuBar()->addMenu(QStringLiteral("&Файл"));
    QAction *restart = file->addAction(QStringLiteral("Н&ачать сначала"));
    restart->setStatusTip(QStringLiteral("Начать тест сначала"));
    file->addSeparator();
    QAction *noHint = file->addAction(QStringLiteral("Без подсказки"));
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    HintTracker tracker;
    QWidget *pointer = w.find(QStringLiteral("start"));
    tracker.recompute(pointer);
    QCOMPARE(tracker.currentHint(), QStringLiteral("Начать тест"));

    // A menu title under the pointer, highlighted but not opened.
    file->menuAction()->setStatusTip(QStringLiteral("Файл и выход"));
    const QPoint title = main.menuBar()->actionGeometry(file->menuAction()).center();
    QMouseEvent hover(QEvent::MouseMove, title, main.menuBar()->mapToGlobal(title), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(main.menuBar(), &hover);
    QCOMPARE(main.menuBar()->activeAction(), file->menuAction());
    tracker.recompute(main.menuBar());
    QCOMPARE(tracker.currentHint(), QStringLiteral("Файл и выход"));

    file->popup(main.mapToGlobal(QPoint(0, 0)));
    QTRY_COMPARE(QApplication::activePopupWidget(), file);
    file->setActiveAction(restart);
    tracker.recompute(pointer);
    QCOMPARE(tracker.currentHint(), QStringLiteral("Начать тест сначала"));
    file->setActiveAction(noHint);
    tracker.recompute(pointer);
    QCOMPARE(tracker.currentHint(), QString());

    file->close();
    QTRY_VERIFY(!QApplication::activePopupWidget());
    tracker.recompute(pointer);
    QCOMPARE(tracker.currentHint(), QStringLiteral("Начать тест"));
}

void TestHintTracker::followsThePointerWhenIdle() {
    HintWindow w;
    w.window.resize(300, 200);
    QWidget *button = w.window.findChild<QWidget *>(QStringLiteral("start"));
    button->setGeometry(10, 10, 80, 29);
    // Above its neighbours and the panes, which all sit at the window's corner.
    button->raise();
    button->parentWidget()->raise();
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    if (QApplication::widgetAt(button->mapToGlobal(QPoint(5, 5))) != button)
        QSKIP("This platform cannot tell which widget is at a point");

    HintTracker tracker;
    QSignalSpy changes(&tracker, &HintTracker::hintChanged);
    QCursor::setPos(button->mapToGlobal(QPoint(5, 5)));
    // The hint is worked out when the event loop has nothing left to do and waits.
    QVERIFY(changes.wait(5000));
    QCOMPARE(tracker.currentHint(), QStringLiteral("Начать тест"));
}

void TestHintTracker::followsChangesUnderAStillPointer_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("hint");
    // Start pressed by a key disables the button the pointer rests on: its pane's hint shows.
    QTest::newRow("button_disabled") << QStringLiteral("disable") << QStringLiteral("Панель");
    QTest::newRow("button_hidden") << QStringLiteral("hide") << QStringLiteral("Панель");
    // A window comes up under the pointer, as the level dialog or the results window do.
    QTest::newRow("window_shown_over") << QStringLiteral("window") << QStringLiteral("Выход из программы");
}

void TestHintTracker::followsChangesUnderAStillPointer() {
    QFETCH(QString, change);
    QFETCH(QString, hint);
    QWidget window;
    window.setStatusTip(QStringLiteral("Панель"));
    window.setGeometry(100, 100, 300, 200);
    auto *button = new QPushButton(QStringLiteral("&Начать"), &window);
    button->setStatusTip(QStringLiteral("Начать тест"));
    button->setGeometry(10, 10, 80, 29);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint spot = button->mapToGlobal(QPoint(5, 5));
    if (QApplication::widgetAt(spot) != button)
        QSKIP("This platform cannot tell which widget is at a point");

    HintTracker tracker;
    QCursor::setPos(window.mapToGlobal(QPoint(200, 150)));
    QVERIFY(waitForHint(tracker, QStringLiteral("Панель")));
    QCursor::setPos(spot);
    QVERIFY(waitForHint(tracker, QStringLiteral("Начать тест")));

    QWidget dialog;
    if (change == QStringLiteral("disable")) {
        button->setEnabled(false);
    } else if (change == QStringLiteral("hide")) {
        button->hide();
    } else {
        dialog.setStatusTip(QStringLiteral("Выход из программы"));
        dialog.setGeometry(QRect(spot - QPoint(20, 20), QSize(100, 60)));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        if (QApplication::widgetAt(spot) != &dialog)
            QSKIP("This platform does not stack a new window over the old one");
    }
    QVERIFY2(waitForHint(tracker, hint), qPrintable(tracker.currentHint()));
}

void TestHintTracker::idleLoopLeavesThePointerAlone() {
    // An idle program with a ticking clock: the pointer is not looked up on each pass of the loop,
    // as every look-up is a round trip to the window system that wakes the program once more.
    HintWindow w;
    w.window.resize(300, 200);
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    HintTracker tracker;
    QCursor::setPos(w.window.mapToGlobal(QPoint(60, 70)));

    QTimer clock;
    QSignalSpy ticks(&clock, &QTimer::timeout);
    clock.start(10);
    tickIdle(ticks, 5); // what the pointer's move set off is through
    QVERIFY(tracker.pointerLookups() > 0);
    const int settled = tracker.pointerLookups();
    tickIdle(ticks, 25);
    QVERIFY(ticks.count() >= 25);
    QCOMPARE(tracker.pointerLookups(), settled);
}

void TestHintTracker::statusTipEventsAreSwallowed() {
    QMainWindow main;
    auto *button = new QPushButton(&main);
    main.setCentralWidget(button);
    QStatusBar *statusBar = main.statusBar();
    QStatusTipEvent tip(QStringLiteral("Начать тест"));

    QApplication::sendEvent(button, &tip);
    QCOMPARE(statusBar->currentMessage(), QStringLiteral("Начать тест")); // what Qt does by itself

    statusBar->clearMessage();
    HintTracker tracker;
    QApplication::sendEvent(button, &tip);
    QCOMPARE(statusBar->currentMessage(), QString());
}

QTEST_MAIN(TestHintTracker)
#include "tst_hint_tracker.moc"
