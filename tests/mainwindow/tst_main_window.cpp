// The main window on a small bank in memory: controls, layout, states, commands and their triggers.
#include "main_window_helpers.h"

#include "about/unabout.h"
#include "platform/message_box.h"
#include "platform/window_frame.h"
#include "testing/hint_tracker.h"
#include "testing/main_layout.h"
#include "testing/main_texts.h"
#include "testing/status_bar.h"
#include "testing/unrezultaty.h"

#include <QAccessible>
#include <QAction>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>

using namespace mwtest;
using platform::MessageAnswer;
using platform::MessageKind;

namespace {

// Every control and menu item the states switch, in the order of the expectation lists below.
const QStringList kStateControls{
    QStringLiteral("BitBtn1"),   QStringLiteral("N17"),         QStringLiteral("N12"),
    QStringLiteral("BitBtn4"),   QStringLiteral("N11"),         QStringLiteral("BitBtn6"),
    QStringLiteral("N7"),        QStringLiteral("N13"),         QStringLiteral("BitBtn5"),
    QStringLiteral("N9"),        QStringLiteral("N14"),         QStringLiteral("GroupBox1"),
    QStringLiteral("GroupBox2"), QStringLiteral("DBCtrlGrid1"), QStringLiteral("BitBtn3"),
    QStringLiteral("N5"),        QStringLiteral("N15"),         QStringLiteral("N6"),
};

// The control's own enabled flag, as the design reads it: a grid in a disabled pane may still be
// enabled itself.
bool ownEnabled(const TForm2 &window, const QString &name) {
    if (auto *action = window.findChild<QAction *>(name))
        return action->isEnabled();
    auto *widget = window.findChild<QWidget *>(name);
    return widget && !widget->testAttribute(Qt::WA_ForceDisabled);
}

QList<bool> flags(const char *ones) {
    QList<bool> out;
    for (const char *c = ones; *c; ++c)
        if (*c == '0' || *c == '1')
            out.append(*c == '1');
    return out;
}

QAction *action(const TForm2 &window, const char *name) {
    return child<QAction>(window, name);
}

QPushButton *button(const TForm2 &window, const char *name) {
    return child<QPushButton>(window, name);
}

// The window shown at level 3 on a bank of `problems` problems.
struct Shown {
    explicit Shown(int problems = 20, LevelAnswer answer = LevelAnswer::Level3)
        : dm(smallBank(problems)) {
        window.setDataModule(&dm);
        showWith(window, answer);
    }
    void start() { window.BitBtn1Click(); }
    void answer(int times = 1) {
        for (int i = 0; i < times; ++i)
            window.BitBtn4Click();
    }
    TDM dm;
    TForm2 window;
};

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void controlsAsDesigned();
    void glyphsAndIcon();
    void namedForScreenReaders_data();
    void namedForScreenReaders();
    void layoutFollowsWindowSize_data();
    void layoutFollowsWindowSize();
    void enabledStates_data();
    void enabledStates();
    void triggers_data();
    void triggers();
    void enterAndEscape_data();
    void enterAndEscape();
    void restart_data();
    void restart();
    void restartKeepsScrollBarsAndResetsHeight();
    void exitAndClose_data();
    void exitAndClose();
    void levelDialogExitNeverShowsWindow();
    void levelZeroPath();
    void showHandlerAndStart();
    void missingFieldsShowEmpty();
    void centredOnlyTheFirstTime();
    void outerSizeCountsTheFrame_data();
    void outerSizeCountsTheFrame();
    void popupMenuOnWindowToolbarAndPanes_data();
    void popupMenuOnWindowToolbarAndPanes();
    void shiftF10OpensThePopupMenu_data();
    void shiftF10OpensThePopupMenu();
    void accessLetters_data();
    void accessLetters();
    void disabledMenuItemsHighlightWithTheirHints();
    void hintAndClockPanels();
    void answeringRecordsAndCaptions();
    void shortBankNeverEnds();
    void resultsWindowsLiveAsLongAsTheMainWindow();
    void answerOutsideTheSlotsWritesNothing_data();
    void answerOutsideTheSlotsWritesNothing();
};

void TestMainWindow::controlsAsDesigned() {
    TForm2 window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Цифроведческийзачёт"));
    QCOMPARE(window.size(), QSize(562, 350));
    QCOMPARE(window.minimumSize(), QSize(516, 300));
    QCOMPARE(window.font().pixelSize(), 11);

    auto *toolBar = child(window, "ToolBar1");
    QCOMPARE(toolBar->height(), 35);
    const QList<std::pair<const char *, QString>> buttons{
        {"BitBtn1", QStringLiteral("&Начать")},  {"BitBtn4", QStringLiteral("&Ответить")},
        {"BitBtn6", QStringLiteral("&Сначала")}, {"BitBtn5", QStringLiteral("&Уровень")},
        {"BitBtn3", QStringLiteral("&Выход")},
    };
    int left = 5;
    for (const auto &[name, caption] : buttons) {
        QPushButton *b = button(window, name);
        QVERIFY2(b && b->parentWidget() == toolBar, name);
        QCOMPARE(b->text(), caption);
        QCOMPARE(b->geometry().size(), QSize(80, 29));
        QCOMPARE(b->x(), left);
        left += 95;
    }
    // Tab order: Start, Answer, Exit, Level, Restart.
    QCOMPARE(button(window, "BitBtn1")->nextInFocusChain(), button(window, "BitBtn4"));
    QCOMPARE(button(window, "BitBtn4")->nextInFocusChain(), button(window, "BitBtn3"));
    QCOMPARE(button(window, "BitBtn3")->nextInFocusChain(), button(window, "BitBtn5"));
    QCOMPARE(button(window, "BitBtn5")->nextInFocusChain(), button(window, "BitBtn6"));

    QVERIFY(child<QFrame>(window, "Bevel1"));
    QCOMPARE(paneCaption(window, "GroupBox1"), QStringLiteral("Здесь будет условие задачи"));
    QCOMPARE(paneCaption(window, "GroupBox2"), QStringLiteral("Нажмите на кнопку \"Начать тест\""));
    QCOMPARE(child(window, "GroupBox1")->font().pixelSize(), 12);
    QCOMPARE(child(window, "GroupBox2")->font().pixelSize(), 12);
    auto *condition = child<QPlainTextEdit>(window, "DBMemo3");
    auto *body = child<QPlainTextEdit>(window, "DBMemo1");
    QCOMPARE(condition->parentWidget(), child(window, "GroupBox1"));
    QCOMPARE(body->parentWidget(), child(window, "GroupBox1"));
    QCOMPARE(child(window, "DBCtrlGrid1")->parentWidget(), child(window, "GroupBox2"));
    for (QPlainTextEdit *memo : {condition, body}) {
        QVERIFY(memo->isReadOnly());
        QCOMPARE(memo->frameShape(), QFrame::NoFrame);
        QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
        QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(memo->palette().color(QPalette::Disabled, QPalette::Base),
                 window.palette().color(QPalette::Button));
    }
    QCOMPARE(condition->font().pixelSize(), 12);
    QCOMPARE(condition->geometry().top(), 20);
    QCOMPARE(condition->height(), 50);
    QCOMPARE(body->font().family(), QStringLiteral("Arial"));
    QCOMPARE(body->font().pixelSize(), 13);
    QCOMPARE(body->viewport()->cursor().shape(), Qt::ArrowCursor);

    for (int level = 3; level <= 5; ++level) {
        auto *grading = window.findChild<QPushButton *>(QStringLiteral("Button%1").arg(level));
        QVERIFY(grading && grading->isHidden());
        QCOMPARE(grading->text(), QString::number(level));
    }
    auto *timer = window.findChild<QTimer *>(QStringLiteral("Timer1"));
    QVERIFY(timer && timer->isActive());
    QCOMPARE(timer->interval(), 100);

    // Hints go to the status bar only: no control of the window carries a tooltip.
    for (QWidget *w : window.findChildren<QWidget *>())
        QVERIFY2(w->toolTip().isEmpty(), qPrintable(w->objectName()));
    QCOMPARE(button(window, "BitBtn1")->statusTip(), QStringLiteral("Начать тест"));
    QCOMPARE(button(window, "BitBtn4")->statusTip(), QStringLiteral("Ответить на текущую задачу"));
    QCOMPARE(button(window, "BitBtn6")->statusTip(), QStringLiteral("Начать сначала"));
    QCOMPARE(button(window, "BitBtn5")->statusTip(), QStringLiteral("Выбрать уровень сложности"));
    QCOMPARE(button(window, "BitBtn3")->statusTip(), QStringLiteral("Выход из программы"));
    QCOMPARE(child(window, "GroupBox1")->statusTip(), QStringLiteral("Текст задачи"));

    // The menus: titles, items with their keys and hints.
    QStringList titles;
    for (QAction *menu : window.menuBar()->actions())
        titles << menu->text();
    QCOMPARE(titles,
             (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Тест"), QStringLiteral("&О программе")}));
    const auto items = [&](int i) {
        QStringList names;
        for (QAction *a : window.menuBar()->actions().at(i)->menu()->actions())
            names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        return names;
    };
    QCOMPARE(items(0), (QStringList{QStringLiteral("N7"), QStringLiteral("-"), QStringLiteral("N5")}));
    QCOMPARE(items(1), (QStringList{QStringLiteral("N17"), QStringLiteral("N9"), QStringLiteral("N11")}));
    QCOMPARE(items(2), (QStringList{QStringLiteral("N6")}));
    const QList<std::tuple<const char *, QString, QKeySequence, QString>> menuItems{
        {"N17", QStringLiteral("Начать тест"), QKeySequence(Qt::Key_F3), QString()},
        {"N11", QStringLiteral("Ответить"), QKeySequence(Qt::Key_F5), QString()},
        {"N7", QStringLiteral("Н&ачать сначала"), QKeySequence(Qt::Key_F6),
         QStringLiteral("Начать тест сначала")},
        {"N9", QStringLiteral("Вы&брать уровень сложности"), QKeySequence(Qt::Key_F4),
         QStringLiteral("Выбрать уровень сложности теста")},
        {"N5", QStringLiteral("&Выход"), QKeySequence(Qt::ALT | Qt::Key_F4),
         QStringLiteral("Завершение работы")},
        {"N6", QStringLiteral("О &программе..."), QKeySequence(Qt::Key_F1), QStringLiteral("О программе")},
    };
    for (const auto &[name, caption, key, hint] : menuItems) {
        QAction *a = action(window, name);
        QVERIFY2(a, name);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), key);
        QCOMPARE(a->statusTip(), hint);
    }
    auto *popup = child<QMenu>(window, "PopupMenu1");
    QStringList popupItems;
    for (QAction *a : popup->actions())
        popupItems << (a->isSeparator() ? QStringLiteral("-")
                                        : a->objectName() + QLatin1Char('=') + a->text());
    QCOMPARE(popupItems, (QStringList{QStringLiteral("N12=Начать тест"), QStringLiteral("N13=Начать сначала"),
                                      QStringLiteral("N14=Выбрать уровень сложности"), QStringLiteral("-"),
                                      QStringLiteral("N15=Выход")}));
}

void TestMainWindow::glyphsAndIcon() {
    for (const char *name : {"start", "answer", "retry", "all", "cancel", "ok", "choose", "exit"}) {
        const QPixmap glyph(QStringLiteral(":/glyphs/%1.png").arg(QLatin1String(name)));
        QVERIFY2(!glyph.isNull(), name);
        QVERIFY(glyph.width() <= 20 && glyph.height() <= 20);
        // Drawn on transparency, so the disabled look derived from it shows the shape.
        QVERIFY2(glyph.hasAlpha(), name);
    }
    QCOMPARE(QPixmap(QStringLiteral(":/icons/cifrovex.png")).size(), QSize(32, 32));
    TForm2 window;
    QVERIFY(!window.windowIcon().isNull());
    for (const char *name : {"BitBtn1", "BitBtn4", "BitBtn6", "BitBtn5", "BitBtn3"})
        QVERIFY2(!button(window, name)->icon().isNull(), name);
}

// What a screen reader says for the controls without a caption of their own, and the hints it
// gets as descriptions since the design shows them only in the status bar.
void TestMainWindow::namedForScreenReaders_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");
    QTest::addColumn<int>("role"); // 0: whatever Qt gives the kind of control
    QTest::newRow("toolbar") << "ToolBar1"
                             << "Панель инструментов"
                             << "" << int(QAccessible::ToolBar);
    // A screen reader's "read the status bar" looks for the status bar's role.
    QTest::newRow("status_bar") << "StatusBar1"
                                << "Строка состояния"
                                << "" << int(QAccessible::StatusBar);
    QTest::newRow("condition") << "DBMemo3"
                               << "Условие задачи"
                               << "" << 0;
    QTest::newRow("body") << "DBMemo1"
                          << "Текст задачи"
                          << "" << 0;
    QTest::newRow("problem_pane") << "GroupBox1"
                                  << "Здесь будет условие задачи"
                                  << "Текст задачи" << 0;
    QTest::newRow("start") << "BitBtn1"
                           << "Начать"
                           << "Начать тест" << 0;
    QTest::newRow("answer") << "BitBtn4"
                            << "Ответить"
                            << "Ответить на текущую задачу" << 0;
    QTest::newRow("restart") << "BitBtn6"
                             << "Сначала"
                             << "Начать сначала" << 0;
    QTest::newRow("level") << "BitBtn5"
                           << "Уровень"
                           << "Выбрать уровень сложности" << 0;
    QTest::newRow("exit") << "BitBtn3"
                          << "Выход"
                          << "Выход из программы" << 0;
}

void TestMainWindow::namedForScreenReaders() {
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    QFETCH(int, role);
    TForm2 window;
    auto *widget = window.findChild<QWidget *>(control);
    QVERIFY(widget);
    QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(face);
    QCOMPARE(face->text(QAccessible::Name), name);
    QCOMPARE(face->text(QAccessible::Description), description);
    if (role != 0)
        QCOMPARE(face->role(), QAccessible::Role(role));
}

void TestMainWindow::layoutFollowsWindowSize_data() {
    QTest::addColumn<QSize>("size");
    QTest::newRow("initial") << QSize(562, 350);
    QTest::newRow("minimum") << QSize(516, 300);
    QTest::newRow("odd") << QSize(641, 417);
    QTest::newRow("large") << QSize(1024, 700);
}

void TestMainWindow::layoutFollowsWindowSize() {
    QFETCH(QSize, size);
    Shown s;
    s.window.resize(size);
    QTRY_COMPARE(s.window.size(), size);
    QWidget *client = s.window.centralWidget();
    const int w = client->width();
    const int h = client->height();
    QCOMPARE(client->geometry().bottom(), s.window.height() - 1);
    QCOMPARE(client->width(), size.width());

    auto *pane1 = child(s.window, "GroupBox1");
    auto *pane2 = child(s.window, "GroupBox2");
    QCOMPARE(pane1->geometry(), QRect(5, 40, w / 2 - 15, h - 65));
    QCOMPARE(pane2->geometry(), QRect(w / 2 + 5, 40, w / 2 - 15, h - 65));
    QCOMPARE(child(s.window, "DBMemo1")->geometry(), QRect(10, 79, w / 2 - 35, h - 65 - 86));
    QCOMPARE(child(s.window, "DBMemo3")->geometry(), QRect(10, 20, w / 2 - 35, 50));
    auto *grid = child<OptionGrid>(s.window, "DBCtrlGrid1");
    QCOMPARE(grid->geometry(), QRect(10, 15, w / 2 - 35, h - 65 - 23));

    // The grid derives its panels from its size the way the window's layout computes them.
    MainLayoutInput in{
        w, h, 50, 20, 35, w, grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid)};
    const MainLayout expected = mainLayout(in);
    QCOMPARE(grid->panelSize(), expected.panel);
    QCOMPARE(grid->textGeometry().size(), expected.optionText.size());
    QCOMPARE(grid->numberGeometry().top(), expected.optionNumberTop);

    auto *bar = child<StatusBar>(s.window, "StatusBar1");
    QCOMPARE(bar->geometry(), QRect(0, h - 20, w, 20));
    QCOMPARE(bar->panelWidth(StatusBar::HintPanel), w - 420);
    QCOMPARE(child(s.window, "ToolBar1")->geometry(), QRect(0, 0, w, 35));
}

void TestMainWindow::enabledStates_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QList<bool>>("expected");
    //                     BitBtn1 N17 N12 BitBtn4 N11 BitBtn6 N7 N13 BitBtn5 N9 N14 GB1 GB2 Grid BitBtn3 N5
    //                     N15 N6
    QTest::newRow("created") << "created" << flags("1 1 1  0 0  0 0 1  1 1 1  0 1 0  1 1 1 1");
    QTest::newRow("shown") << "shown" << flags("1 1 1  0 0  0 0 1  1 1 1  0 1 0  1 1 1 1");
    QTest::newRow("running") << "running" << flags("0 0 0  1 1  1 1 1  0 0 0  1 1 1  1 1 1 1");
    QTest::newRow("restarted") << "restarted" << flags("0 0 0  1 1  1 1 1  0 0 0  1 1 1  1 1 1 1");
    QTest::newRow("returned") << "returned" << flags("1 1 1  0 0  0 0 1  1 1 1  0 0 1  1 1 1 1");
    QTest::newRow("restartedAfterReturn")
        << "startAfterReturn" << flags("0 0 0  1 1  1 1 1  0 0 0  1 1 1  1 1 1 1");
}

void TestMainWindow::enabledStates() {
    QFETCH(QString, state);
    QFETCH(QList<bool>, expected);
    platform::ScriptedMessageBoxes boxes;
    TDM dm(smallBank(20));
    TForm2 window;
    window.setDataModule(&dm);
    if (state != QLatin1String("created")) {
        showWith(window, LevelAnswer::Level3);
        QVERIFY(window.isVisible());
    }
    if (state == QLatin1String("running") || state == QLatin1String("restarted"))
        window.BitBtn1Click();
    if (state == QLatin1String("restarted")) {
        window.BitBtn4Click();
        boxes.answerNext(MessageAnswer::Yes);
        action(window, "N7")->trigger();
        QCOMPARE(dm.recNo(), 1);
    }
    if (state == QLatin1String("returned") || state == QLatin1String("startAfterReturn")) {
        window.BitBtn1Click();
        window.BitBtn4Click();
        window.hide();
        window.prepareForReturn();
        showWith(window, LevelAnswer::Level4);
        QVERIFY(window.isVisible());
        QCOMPARE(button(window, "BitBtn4")->text(), QStringLiteral("Ответить"));
        QCOMPARE(paneCaption(window, "GroupBox2"), QStringLiteral("Нажмите кнопку \"Начать тест\""));
        QCOMPARE(paneCaption(window, "GroupBox1"), QStringLiteral("Здесь будет условие задачи"));
        QCOMPARE(dm.recNo(), 1);
    }
    if (state == QLatin1String("startAfterReturn"))
        window.BitBtn1Click();
    QCOMPARE(expected.size(), kStateControls.size());
    for (int i = 0; i < kStateControls.size(); ++i)
        QVERIFY2(ownEnabled(window, kStateControls[i]) == expected[i], qPrintable(kStateControls[i]));
}

void TestMainWindow::triggers_data() {
    QTest::addColumn<QString>("state");   // idle or running (after one answer at level 3)
    QTest::addColumn<QString>("trigger"); // button:, action:, key:, dblclick
    QTest::addColumn<QString>("effect");  // which handler ran, or nothing
    const auto row = [](const char *tag, const char *state, const char *trigger, const char *effect) {
        QTest::newRow(tag) << QString::fromLatin1(state) << QString::fromLatin1(trigger)
                           << QString::fromLatin1(effect);
    };
    row("start_button", "idle", "button:BitBtn1", "start");
    row("start_menu", "idle", "action:N17", "start");
    row("start_popup", "idle", "action:N12", "start");
    row("start_key", "idle", "key:F3", "start");
    row("start_button_running", "running", "button:BitBtn1", "nothing");
    row("start_menu_running", "running", "action:N17", "nothing");
    row("start_popup_running", "running", "action:N12", "nothing");
    row("start_key_running", "running", "key:F3", "nothing");

    row("answer_button", "running", "button:BitBtn4", "answer");
    row("answer_menu", "running", "action:N11", "answer");
    row("answer_key", "running", "key:F5", "answer");
    row("answer_dblclick", "running", "dblclick", "answer");
    row("answer_button_idle", "idle", "button:BitBtn4", "nothing");
    row("answer_menu_idle", "idle", "action:N11", "nothing");
    row("answer_key_idle", "idle", "key:F5", "nothing");

    row("restart_button", "running", "button:BitBtn6", "restart");
    row("restart_menu", "running", "action:N7", "restart");
    row("restart_popup", "running", "action:N13", "restart");
    row("restart_key", "running", "key:F6", "restart");
    row("restart_button_idle", "idle", "button:BitBtn6", "nothing");
    row("restart_menu_idle", "idle", "action:N7", "nothing");
    row("restart_popup_idle", "idle", "action:N13", "nothing"); // enabled, yet forwards to disabled N7
    row("restart_key_idle", "idle", "key:F6", "nothing");

    row("level_button", "idle", "button:BitBtn5", "level");
    row("level_menu", "idle", "action:N9", "level");
    row("level_popup", "idle", "action:N14", "level");
    row("level_key", "idle", "key:F4", "level");
    row("level_button_running", "running", "button:BitBtn5", "nothing");
    row("level_menu_running", "running", "action:N9", "nothing");
    row("level_popup_running", "running", "action:N14", "nothing");
    row("level_key_running", "running", "key:F4", "nothing");

    row("exit_button", "idle", "button:BitBtn3", "exit");
    row("exit_menu", "running", "action:N5", "exit");
    row("exit_popup", "idle", "action:N15", "exit");
    row("exit_key", "running", "key:AltF4", "exit");

    row("about_menu", "idle", "action:N6", "about");
    row("about_key", "running", "key:F1", "about");
}

void TestMainWindow::triggers() {
    QFETCH(QString, state);
    QFETCH(QString, trigger);
    QFETCH(QString, effect);
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    if (state == QLatin1String("running")) {
        s.start();
        s.answer();
    }
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    const QString headingBefore = paneCaption(s.window, "GroupBox1");
    boxes.answerNext(MessageAnswer::No);
    bool levelDialog = false;
    bool aboutBox = false;
    whenModal<TForm1>(&s.window, [&levelDialog](TForm1 *d) {
        levelDialog = true;
        d->close();
    });
    whenModal<TAboutBox>(&s.window, [&aboutBox](TAboutBox *d) {
        aboutBox = true;
        d->accept();
    });

    const QString kind = trigger.section(QLatin1Char(':'), 0, 0);
    const QString name = trigger.section(QLatin1Char(':'), 1);
    if (kind == QLatin1String("button")) {
        QTest::mouseClick(s.window.findChild<QPushButton *>(name), Qt::LeftButton);
    } else if (kind == QLatin1String("action")) {
        s.window.findChild<QAction *>(name)->trigger();
    } else if (kind == QLatin1String("dblclick")) {
        auto *grid = child<OptionGrid>(s.window, "DBCtrlGrid1");
        QTest::mouseDClick(grid->panel(1), Qt::LeftButton, {}, QPoint(3, 3));
    } else {
        QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &s.window;
        if (name == QLatin1String("AltF4"))
            QTest::keyClick(focus, Qt::Key_F4, Qt::AltModifier);
        else
            QTest::keyClick(focus, Qt::Key(Qt::Key_F1 + name.mid(1).toInt() - 1));
    }
    if (effect == QLatin1String("level"))
        QTRY_VERIFY(levelDialog);
    if (effect == QLatin1String("about"))
        QTRY_VERIFY(aboutBox);

    QString ran = QStringLiteral("nothing");
    const QString heading = paneCaption(s.window, "GroupBox1");
    if (levelDialog)
        ran = QStringLiteral("level");
    else if (aboutBox)
        ran = QStringLiteral("about");
    else if (!boxes.asked().isEmpty())
        ran = boxes.asked().constFirst().text == maintexts::exitQuestion() ? QStringLiteral("exit")
                                                                           : QStringLiteral("restart");
    else if (heading != headingBefore)
        ran = heading == maintexts::startHeading() ? QStringLiteral("start") : QStringLiteral("answer");
    QCOMPARE(ran, effect);
    if (ran == QLatin1String("restart"))
        QCOMPARE(boxes.asked().constFirst().text, maintexts::restartQuestion());
    QVERIFY(s.window.isVisible()); // every question was answered No
}

void TestMainWindow::enterAndEscape_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("effect");
    const auto row = [](const char *tag, const char *state, const char *focus, int key, const char *effect) {
        QTest::newRow(tag) << QString::fromLatin1(state) << QString::fromLatin1(focus) << key
                           << QString::fromLatin1(effect);
    };
    row("enter_first_focus_starts", "idle", "", Qt::Key_Return, "start");
    row("enter_answer_button", "running", "BitBtn4", Qt::Key_Return, "answer");
    row("enter_keypad_on_grid", "running", "DBCtrlGrid1", Qt::Key_Enter, "answer");
    row("enter_restart_idle_focus_exit", "idle", "BitBtn3", Qt::Key_Return, "exit");
    row("enter_exit_button", "running", "BitBtn3", Qt::Key_Return, "exit");
    row("enter_restart_button", "running", "BitBtn6", Qt::Key_Return, "restart");
    row("enter_body_memo", "running", "DBMemo1", Qt::Key_Return, "nothing");
    row("enter_condition_memo", "running", "DBMemo3", Qt::Key_Return, "nothing");
    row("esc_answer_button", "running", "BitBtn4", Qt::Key_Escape, "exit");
    row("esc_grid", "running", "DBCtrlGrid1", Qt::Key_Escape, "exit");
    row("esc_idle", "idle", "", Qt::Key_Escape, "exit");
    row("esc_body_memo", "running", "DBMemo1", Qt::Key_Escape, "nothing");
}

void TestMainWindow::enterAndEscape() {
    QFETCH(QString, state);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, effect);
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    QCOMPARE(QApplication::focusWidget(), child(s.window, "BitBtn1"));
    if (state == QLatin1String("running")) {
        s.start();
        s.answer();
    }
    if (!focus.isEmpty()) {
        auto *target = s.window.findChild<QWidget *>(focus);
        target->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), target);
    }
    const QString before = paneCaption(s.window, "GroupBox1");
    boxes.answerNext(MessageAnswer::No);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));

    QString ran = QStringLiteral("nothing");
    const QString heading = paneCaption(s.window, "GroupBox1");
    if (!boxes.asked().isEmpty())
        ran = boxes.asked().constFirst().text == maintexts::exitQuestion() ? QStringLiteral("exit")
                                                                           : QStringLiteral("restart");
    else if (heading != before)
        ran = heading == maintexts::startHeading() ? QStringLiteral("start") : QStringLiteral("answer");
    QCOMPARE(ran, effect);
}

void TestMainWindow::restart_data() {
    QTest::addColumn<int>("answered");
    QTest::addColumn<int>("reply"); // MessageAnswer for the confirmation
    QTest::addColumn<bool>("resets");
    QTest::newRow("first_problem_warns") << 0 << int(MessageAnswer::Yes) << false;
    QTest::newRow("yes") << 3 << int(MessageAnswer::Yes) << true;
    QTest::newRow("no") << 3 << int(MessageAnswer::No) << false;
    QTest::newRow("close_box") << 3 << int(MessageAnswer::Closed) << false;
}

void TestMainWindow::restart() {
    QFETCH(int, answered);
    QFETCH(int, reply);
    QFETCH(bool, resets);
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    s.start();
    s.answer(answered);
    s.window.session().state().CorrectFlags[1] = true;
    s.window.session().state().CorrectFlags[40] = true;
    const QString heading = paneCaption(s.window, "GroupBox1");
    const QString options = paneCaption(s.window, "GroupBox2");
    const QString progress = s.window.progressPanel();
    const int recNo = s.dm.recNo();

    boxes.answerNext(MessageAnswer(reply));
    button(s.window, "BitBtn6")->click();

    QCOMPARE(boxes.asked().size(), 1);
    if (answered == 0) {
        QCOMPARE(boxes.asked().constFirst().kind, MessageKind::Warning);
        QCOMPARE(boxes.asked().constFirst().text, QStringLiteral("Вы не решили еще не одной задачи!!!"));
    } else {
        QCOMPARE(boxes.asked().constFirst().kind, MessageKind::Confirmation);
        QCOMPARE(boxes.asked().constFirst().text, QStringLiteral("Вы действительно хотите начать заново?"));
    }
    if (resets) {
        QCOMPARE(s.dm.recNo(), 1);
        QCOMPARE(s.window.progressPanel(), QStringLiteral("Осталось решить 10 задач"));
        QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № 1"));
        QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Выберите нужный ответ:"));
        QCOMPARE(button(s.window, "BitBtn4")->text(), QStringLiteral("&Ответить"));
        for (int slot = 1; slot <= 45; ++slot)
            QVERIFY(!s.window.session().state().CorrectFlags[slot]);
        // The next answer continues from the first problem.
        s.answer();
        QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № 2"));
    } else {
        QCOMPARE(s.dm.recNo(), recNo);
        QCOMPARE(paneCaption(s.window, "GroupBox1"), heading);
        QCOMPARE(paneCaption(s.window, "GroupBox2"), options);
        QCOMPARE(s.window.progressPanel(), progress);
        QVERIFY(s.window.session().state().CorrectFlags[1] && s.window.session().state().CorrectFlags[40]);
    }
    QVERIFY(!button(s.window, "BitBtn1")->isEnabled()); // still running
    QVERIFY(button(s.window, "BitBtn4")->isEnabled());
}

void TestMainWindow::restartKeepsScrollBarsAndResetsHeight() {
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    s.start();
    s.answer(9); // problem 10 comes up: the condition fills the pane
    auto *condition = child<QPlainTextEdit>(s.window, "DBMemo3");
    auto *body = child<QPlainTextEdit>(s.window, "DBMemo1");
    QCOMPARE(condition->height(), child(s.window, "GroupBox1")->height() - 30);
    QCOMPARE(body->height(), 0);
    boxes.answerNext(MessageAnswer::Yes);
    action(s.window, "N7")->trigger();
    QCOMPARE(condition->height(), 50);
    QCOMPARE(body->geometry(),
             QRect(10, 79, condition->width(), child(s.window, "GroupBox1")->height() - 86));
    QCOMPARE(condition->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
}

void TestMainWindow::exitAndClose_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("reply");
    QTest::addColumn<bool>("asks");
    QTest::addColumn<bool>("ends");
    QTest::newRow("button_yes") << "button" << int(MessageAnswer::Yes) << true << true;
    QTest::newRow("button_no") << "button" << int(MessageAnswer::No) << true << false;
    QTest::newRow("button_closed") << "button" << int(MessageAnswer::Closed) << true << false;
    QTest::newRow("menu_yes") << "menu" << int(MessageAnswer::Yes) << true << true;
    QTest::newRow("altf4_no") << "altf4" << int(MessageAnswer::No) << true << false;
    QTest::newRow("altf4_yes") << "altf4" << int(MessageAnswer::Yes) << true << true;
    QTest::newRow("esc_no") << "esc" << int(MessageAnswer::No) << true << false;
    QTest::newRow("esc_yes") << "esc" << int(MessageAnswer::Yes) << true << true;
    QTest::newRow("close_box") << "closebox" << int(MessageAnswer::No) << false << true;
}

void TestMainWindow::exitAndClose() {
    QFETCH(QString, how);
    QFETCH(int, reply);
    QFETCH(bool, asks);
    QFETCH(bool, ends);
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    s.start();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    boxes.answerNext(MessageAnswer(reply));
    const auto act = [&] {
        if (how == QLatin1String("button"))
            button(s.window, "BitBtn3")->click();
        else if (how == QLatin1String("menu"))
            action(s.window, "N5")->trigger();
        else if (how == QLatin1String("altf4"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_F4, Qt::AltModifier);
        else if (how == QLatin1String("esc"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            s.window.close(); // what the window's close box does
    };
    if (ends) {
        // Ending the program is the event loop returning: run the act inside one.
        QTimer::singleShot(0, act);
        QTimer guard;
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(20000); // only a guard against hanging; a pass never waits for it
        QCOMPARE(QApplication::exec(), 0);
    } else {
        act();
    }
    QCOMPARE(boxes.asked().size(), asks ? 1 : 0);
    if (asks) {
        QCOMPARE(boxes.asked().constFirst().kind, MessageKind::Confirmation);
        QCOMPARE(boxes.asked().constFirst().text,
                 QStringLiteral("Вы действительно хотите выйти из программы?"));
    }
    QCOMPARE(s.window.isVisible(), !ends);
}

void TestMainWindow::levelDialogExitNeverShowsWindow() {
    TDM dm(smallBank(20));
    TForm2 window;
    window.setDataModule(&dm);
    bool seen = false;
    answerLevelDialog(&window, LevelAnswer::Exit, &seen);
    window.show();
    QVERIFY(seen);
    QVERIFY(!window.isVisible());
    QVERIFY(!window.testAttribute(Qt::WA_WState_ExplicitShowHide) || window.isHidden());
}

void TestMainWindow::levelZeroPath() {
    platform::ScriptedMessageBoxes boxes;
    Shown s(20, LevelAnswer::CloseBox);
    QVERIFY(s.window.isVisible());
    QCOMPARE(s.window.session().state().Level, 0);
    QCOMPARE(s.window.progressPanel(), QString());

    s.start();
    QVERIFY(button(s.window, "BitBtn4")->isEnabled()); // running all the same
    QCOMPARE(s.window.progressPanel(), QString());
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача №1"));

    const TestState before = s.window.session().state();
    button(s.window, "BitBtn4")->click();
    action(s.window, "N11")->trigger();
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача №1"));
    QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Выберите нужный ответ:"));
    QCOMPARE(s.dm.recNo(), 1);
    for (int slot = 1; slot <= 45; ++slot)
        QCOMPARE(s.window.session().state().ChosenAnswers[slot], before.ChosenAnswers[slot]);

    for (int i = 0; i < 2; ++i)
        button(s.window, "BitBtn6")->click();
    QCOMPARE(boxes.asked().size(), 2);
    for (const platform::MessageRequest &asked : boxes.asked())
        QCOMPARE(asked.kind, MessageKind::Warning);
}

void TestMainWindow::showHandlerAndStart() {
    Shown s(20, LevelAnswer::Level4);
    auto *condition = child<QPlainTextEdit>(s.window, "DBMemo3");
    auto *body = child<QPlainTextEdit>(s.window, "DBMemo1");
    auto *grid = child<OptionGrid>(s.window, "DBCtrlGrid1");
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Всего 15 задач"));
    QCOMPARE(condition->toPlainText(), QStringLiteral("Условие 1"));
    QCOMPARE(body->toPlainText(), QStringLiteral("Тело 1"));
    // Unreadable before Start: the text has its background's colour.
    const QColor face = s.window.palette().color(QPalette::Button);
    const QColor text = s.window.palette().color(QPalette::WindowText);
    QCOMPARE(condition->palette().color(QPalette::Text), face);
    QCOMPARE(body->palette().color(QPalette::Disabled, QPalette::Text), face);
    QCOMPARE(grid->textColor(), text);

    s.start();
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача №1"));
    QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Выберите нужный ответ:"));
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Осталось решить 15 задач"));
    QCOMPARE(condition->palette().color(QPalette::Text), text);
    QCOMPARE(body->palette().color(QPalette::Text), text);
    QCOMPARE(grid->textColor(), text);
    QCOMPARE(QApplication::focusWidget() ? QApplication::focusWidget() : s.window.focusWidget(),
             child(s.window, "BitBtn4"));
    QCOMPARE(s.dm.recNo(), 1);

    // Start clears the level's flags only.
    s.window.session().state().CorrectFlags[11] = true;
    s.window.session().state().CorrectFlags[25] = true;
    s.window.session().state().CorrectFlags[26] = true;
    s.window.BitBtn1Click();
    QVERIFY(!s.window.session().state().CorrectFlags[11] && !s.window.session().state().CorrectFlags[25]);
    QVERIFY(s.window.session().state().CorrectFlags[26]);

    // The data module's moves refresh the problem pane.
    s.dm.next();
    QCOMPARE(condition->toPlainText(), QStringLiteral("Условие 2"));
    QCOMPARE(body->toPlainText(), QStringLiteral("Тело 2"));
}

void TestMainWindow::missingFieldsShowEmpty() {
    Bank bank = smallBank(2);
    bank.problems[1].Name.reset();
    bank.problems[1].Uslovie.reset();
    TDM dm(bank);
    TForm2 window;
    window.setDataModule(&dm);
    auto *condition = child<QPlainTextEdit>(window, "DBMemo3");
    auto *body = child<QPlainTextEdit>(window, "DBMemo1");
    QCOMPARE(body->toPlainText(), QStringLiteral("Тело 1"));
    dm.next();
    QCOMPARE(condition->toPlainText(), QString());
    QCOMPARE(body->toPlainText(), QString());
}

void TestMainWindow::centredOnlyTheFirstTime() {
    Shown s;
    const QRect screen = s.window.screen()->availableGeometry();
    QCOMPARE(s.window.pos(),
             screen.topLeft() + QPoint((screen.width() - 562) / 2, (screen.height() - 350) / 2));
    s.window.move(screen.topLeft() + QPoint(20, 30)); // where the user put it
    QTRY_COMPARE(s.window.pos(), screen.topLeft() + QPoint(20, 30));
    const QPoint moved = s.window.pos();
    s.window.hide();
    showWith(s.window, LevelAnswer::Level5);
    QVERIFY(s.window.isVisible());
    QCOMPARE(s.window.pos(), moved);
    QCOMPARE(s.window.session().state().Level, 5);
}

// The designed 562 x 350 (smallest 516 x 300) is the outer size: once the window system reports
// the frame, the inside shrinks by it, and the panes are laid out below the menu bar in what is
// left. The frame is centred on the screen.
void TestMainWindow::outerSizeCountsTheFrame_data() {
    QTest::addColumn<QMargins>("frame");
    QTest::addColumn<bool>("userSized");
    QTest::newRow("no_window_manager") << QMargins() << false;
    QTest::newRow("thin_frame") << QMargins(1, 20, 1, 5) << false;
    QTest::newRow("classic_frame") << QMargins(4, 23, 4, 4) << false;
    QTest::newRow("sized_by_the_user") << QMargins(4, 23, 4, 4) << true;
}

void TestMainWindow::outerSizeCountsTheFrame() {
    QFETCH(QMargins, frame);
    QFETCH(bool, userSized);
    Shown s;
    auto *outer = s.window.findChild<platform::WindowFrame *>();
    QVERIFY(outer);
    if (userSized) {
        s.window.resize(600, 400);
        QTRY_COMPARE(s.window.size(), QSize(600, 400));
    }
    outer->setMarginsForTest(frame);
    const QSize frameSize(frame.left() + frame.right(), frame.top() + frame.bottom());
    QCOMPARE(s.window.minimumSize(), QSize(516, 300) - frameSize);
    const QSize inside = userSized ? QSize(600, 400) : QSize(562, 350) - frameSize;
    QTRY_COMPARE(s.window.size(), inside);

    QWidget *client = s.window.centralWidget();
    QTRY_COMPARE(client->height(), inside.height() - s.window.menuBar()->height());
    QCOMPARE(client->y(), s.window.menuBar()->height());
    QCOMPARE(child(s.window, "GroupBox1")->height(), client->height() - 20 - 35 - 10);
    if (!userSized) {
        const QRect screen = s.window.screen()->availableGeometry();
        // The window itself goes inside the reported frame, the frame centred.
        QTRY_COMPARE(s.window.windowHandle()->position(),
                     screen.topLeft() + QPoint((screen.width() - 562) / 2, (screen.height() - 350) / 2) +
                         QPoint(frame.left(), frame.top()));
    }
}

void TestMainWindow::popupMenuOnWindowToolbarAndPanes_data() {
    QTest::addColumn<QString>("where");
    QTest::newRow("window") << "ClientArea";
    QTest::newRow("toolbar") << "ToolBar1";
    QTest::newRow("problem_pane") << "GroupBox1";
    QTest::newRow("option_pane") << "GroupBox2";
    QTest::newRow("grid") << "DBCtrlGrid1";
}

void TestMainWindow::popupMenuOnWindowToolbarAndPanes() {
    QFETCH(QString, where);
    Shown s;
    s.start();
    auto *target = s.window.findChild<QWidget *>(where);
    auto *popup = child<QMenu>(s.window, "PopupMenu1");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = popup->isVisible();
        popup->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), target->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(target, &event);
    QVERIFY(shown);
}

// Shift+F10 is the Menu key's twin: the pop-up menu wherever the focus is.
void TestMainWindow::shiftF10OpensThePopupMenu_data() {
    QTest::addColumn<QString>("focus");
    QTest::newRow("answer_button") << "BitBtn4";
    QTest::newRow("grid") << "DBCtrlGrid1";
}

void TestMainWindow::shiftF10OpensThePopupMenu() {
    QFETCH(QString, focus);
    Shown s;
    s.start();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    auto *target = s.window.findChild<QWidget *>(focus);
    target->setFocus();
    auto *popup = child<QMenu>(s.window, "PopupMenu1");
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = popup->isVisible();
        popup->close();
    });
    QTest::keyClick(target, Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(shown);
}

// Alt and a Cyrillic letter, which QTest::keyClick cannot type.
void altLetter(QWidget *focus, QChar letter) {
    QTest::sendKeyEvent(QTest::Press, focus, Qt::Key(letter.unicode()), QString(letter), Qt::AltModifier);
    QTest::sendKeyEvent(QTest::Release, focus, Qt::Key(letter.unicode()), QString(letter), Qt::AltModifier);
}

// Alt and a letter: the first enabled control in creation order with that letter is pressed, a
// menu title opening its menu. "О" is both the Answer button's and the About menu's letter.
void TestMainWindow::accessLetters_data() {
    QTest::addColumn<QString>("state");
    QTest::addColumn<QChar>("letter");
    QTest::addColumn<QString>("effect");
    QTest::newRow("idle_o_about_menu") << "idle" << QChar(u'О') << "menu N3";
    QTest::newRow("running_o_answers") << "running" << QChar(u'О') << "answer";
    QTest::newRow("idle_n_starts") << "idle" << QChar(u'Н') << "start";
    QTest::newRow("running_n_disabled") << "running" << QChar(u'Н') << "nothing";
    QTest::newRow("idle_v_exit_button") << "idle" << QChar(u'В') << "exit";
    QTest::newRow("running_f_file_menu") << "running" << QChar(u'Ф') << "menu N1";
    QTest::newRow("running_t_test_menu") << "running" << QChar(u'Т') << "menu N2";
}

void TestMainWindow::accessLetters() {
    QFETCH(QString, state);
    QFETCH(QChar, letter);
    QFETCH(QString, effect);
    platform::ScriptedMessageBoxes boxes;
    boxes.answerNext(MessageAnswer::No);
    Shown s;
    if (state == QLatin1String("running"))
        s.start();
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    const QString headingBefore = paneCaption(s.window, "GroupBox1");
    QWidget *focus = QApplication::focusWidget() ? QApplication::focusWidget() : &s.window;

    altLetter(focus, letter);
    QString ran = QStringLiteral("nothing");
    if (effect.startsWith(QLatin1String("menu"))) {
        QTRY_VERIFY(QApplication::activePopupWidget());
        ran = QStringLiteral("menu ") + QApplication::activePopupWidget()->objectName();
        QApplication::activePopupWidget()->close();
    } else if (effect == QLatin1String("nothing")) {
        // A button pressed by its letter shows pressed at once and is clicked a moment later.
        for (const char *name : {"BitBtn1", "BitBtn4", "BitBtn6", "BitBtn5", "BitBtn3"})
            QVERIFY2(!button(s.window, name)->isDown(), name);
    } else {
        QTRY_VERIFY(paneCaption(s.window, "GroupBox1") != headingBefore || !boxes.asked().isEmpty());
        const QString heading = paneCaption(s.window, "GroupBox1");
        if (!boxes.asked().isEmpty())
            ran = boxes.asked().constFirst().text == maintexts::exitQuestion() ? QStringLiteral("exit")
                                                                               : QStringLiteral("other box");
        else
            ran = heading == maintexts::startHeading() ? QStringLiteral("start") : QStringLiteral("answer");
    }
    QCOMPARE(paneCaption(s.window, "GroupBox1") == headingBefore && boxes.asked().isEmpty(),
             ran == QLatin1String("nothing") || ran.startsWith(QLatin1String("menu")));
    QCOMPARE(ran, effect);
}

// In idle Restart is disabled, yet the keys can highlight it in the File menu and its hint shows.
void TestMainWindow::disabledMenuItemsHighlightWithTheirHints() {
    Shown s;
    QVERIFY(QTest::qWaitForWindowActive(&s.window));
    auto *file = child<QMenu>(s.window, "N1");
    auto *restart = action(s.window, "N7");
    QVERIFY(!restart->isEnabled());
    file->popup(s.window.mapToGlobal(QPoint(0, 0)));
    QTRY_COMPARE(QApplication::activePopupWidget(), file);
    QTest::keyClick(file, Qt::Key_Down);
    QCOMPARE(file->activeAction(), restart);
    auto *tracker = s.window.findChild<HintTracker *>();
    tracker->recompute(nullptr);
    QCOMPARE(child<StatusBar>(s.window, "StatusBar1")->panelText(StatusBar::HintPanel),
             QStringLiteral("Начать тест сначала"));
    // Enter on it does nothing: the item stays disabled.
    platform::ScriptedMessageBoxes boxes;
    QTest::keyClick(file, Qt::Key_Return);
    QVERIFY(boxes.asked().isEmpty());
    file->close();
}

void TestMainWindow::hintAndClockPanels() {
    TForm2 window;
    auto *bar = child<StatusBar>(window, "StatusBar1");
    auto *tracker = window.findChild<HintTracker *>();
    QVERIFY(tracker);
    tracker->recompute(child(window, "BitBtn3"));
    QCOMPARE(bar->panelText(StatusBar::HintPanel), QStringLiteral("Выход из программы"));
    window.BitBtn1Click();
    tracker->recompute(child(window, "DBMemo1")); // the running pane's own hint
    QCOMPARE(bar->panelText(StatusBar::HintPanel), QStringLiteral("Текст задачи"));

    QCOMPARE(bar->panelText(0), QStringLiteral("Дата:"));
    window.Timer1Timer();
    QCOMPARE(bar->panelText(0), QStringLiteral("Дата: "));
    QCOMPARE(bar->panelText(2), QStringLiteral("Время: "));
    QVERIFY(!bar->panelText(StatusBar::DatePanel).isEmpty());
}

void TestMainWindow::answeringRecordsAndCaptions() {
    platform::ScriptedMessageBoxes boxes;
    Shown s;
    s.start();
    // Without a pick the first option is recorded.
    s.answer();
    QCOMPARE(s.window.session().state().ChosenAnswers[1], 1);
    QVERIFY(pickOption(s.window, 4));
    s.answer();
    QCOMPARE(s.window.session().state().ChosenAnswers[2], 4);
    QVERIFY(pickOption(s.window, 2));
    s.answer();
    QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Узадачи № 3, выбран ответ № 2"));
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № 4"));
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Осталось решить 7 задач"));
    QCOMPARE(s.dm.recNo(), 4);
    // Other levels' slots stay as they were.
    QCOMPARE(s.window.session().state().ChosenAnswers[11], 0);
    QCOMPARE(s.window.session().state().ChosenAnswers[26], 0);
    QVERIFY(boxes.asked().isEmpty());
}

void TestMainWindow::shortBankNeverEnds() {
    platform::ScriptedMessageBoxes boxes;
    Shown s(3);
    s.start();
    for (int i = 0; i < 6; ++i) {
        QVERIFY(pickOption(s.window, 1 + i % 4));
        s.answer();
    }
    // Every answer after the third overwrote slot 3 and showed the same headings.
    QCOMPARE(s.dm.recNo(), 3);
    QCOMPARE(s.window.session().state().ChosenAnswers[3], 2);
    QCOMPARE(s.window.session().state().ChosenAnswers[4], 0);
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № 4"));
    QCOMPARE(paneCaption(s.window, "GroupBox2"), QStringLiteral("Узадачи № 3, выбран ответ № 2"));
    QCOMPARE(s.window.progressPanel(), QStringLiteral("Осталось решить 7 задач"));
    QVERIFY(boxes.asked().isEmpty());
    QVERIFY(s.window.resultsWindows().empty());
    QVERIFY(s.window.isVisible());
    QVERIFY(button(s.window, "BitBtn4")->isEnabled());

    // Restart leads on from there.
    boxes.answerNext(MessageAnswer::Yes);
    button(s.window, "BitBtn6")->click();
    QCOMPARE(s.dm.recNo(), 1);
    QCOMPARE(paneCaption(s.window, "GroupBox1"), QStringLiteral("Задача № 1"));

    // So does Exit.
    boxes.answerNext(MessageAnswer::Yes);
    button(s.window, "BitBtn3")->click();
    QVERIFY(!s.window.isVisible());
}

void TestMainWindow::resultsWindowsLiveAsLongAsTheMainWindow() {
    platform::ScriptedMessageBoxes boxes;
    TDM dm(smallBank(10));
    auto window = std::make_unique<TForm2>();
    window->setDataModule(&dm);
    showWith(*window, LevelAnswer::Level3);
    window->BitBtn1Click();
    for (int p = 1; p <= 10; ++p)
        window->BitBtn4Click();
    QCOMPARE(boxes.asked().size(), 1);
    QCOMPARE(boxes.asked().constFirst().kind, MessageKind::Information);
    QPointer<TForm5> results = window->resultsWindows().front();
    QVERIFY(results && results->isVisible() && !results->parent());
    QVERIFY(!window->isVisible());
    // Hidden by a return or still up, the window stays until the program's main window goes.
    results->hide();
    QCoreApplication::processEvents();
    QVERIFY(results);
    window.reset();
    QVERIFY(!results);
}

void TestMainWindow::answerOutsideTheSlotsWritesNothing_data() {
    QTest::addColumn<int>("problems");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("answersFirst");
    // Level 5 finished on a longer bank: the cursor stands on problem 21, slot 46 does not exist,
    // and the Answer menu item is still enabled.
    QTest::newRow("past_level5") << 25 << 5 << 20;
    // No problems at all: the record number is 0, slot 0 does not exist.
    QTest::newRow("empty_bank") << 0 << 3 << 0;
}

void TestMainWindow::answerOutsideTheSlotsWritesNothing() {
    QFETCH(int, problems);
    QFETCH(int, level);
    QFETCH(int, answersFirst);
    platform::ScriptedMessageBoxes boxes;
    Shown s(problems, levelAnswer(level));
    s.start();
    s.answer(answersFirst);
    const TestState before = s.window.session().state();
    QCOMPARE(s.dm.recNo(), answersFirst == 0 ? 0 : answersFirst + 1);
    action(s.window, "N11")->trigger();
    for (int slot = 1; slot <= 45; ++slot)
        QCOMPARE(s.window.session().state().ChosenAnswers[slot], before.ChosenAnswers[slot]);
    QCOMPARE(s.window.resultsWindows().size(), std::size_t(answersFirst == 0 ? 0 : 1));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
