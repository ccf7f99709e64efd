#include "testing/unmain.h"

#include "about/unabout.h"
#include "data/problem_display.h"
#include "data/unmodul.h"
#include "platform/accessible_role.h"
#include "platform/app_title.h"
#include "platform/error_text.h"
#include "platform/fonts.h"
#include "platform/message_box.h"
#include "platform/window_frame.h"
#include "testing/access_keys.h"
#include "testing/grading.h"
#include "testing/hint_tracker.h"
#include "testing/main_layout.h"
#include "testing/main_texts.h"
#include "testing/option_grid.h"
#include "testing/problem_pane.h"
#include "testing/status_bar.h"
#include "testing/test_session.h"
#include "testing/unlevel.h"
#include "testing/unrezultaty.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <array>

namespace {

const QString kSansSerif = QStringLiteral("MS Sans Serif");

bool isEnterKey(const QKeyEvent *e) {
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
           (e->modifiers() == Qt::NoModifier || e->modifiers() == Qt::KeypadModifier);
}

bool isEscapeKey(const QKeyEvent *e) {
    return e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier;
}

QPushButton *makeToolButton(QWidget *parent, const QString &name, const QString &caption,
                            const QString &glyph, const QString &hint) {
    auto *button = new QPushButton(QIcon(glyph), caption, parent);
    button->setObjectName(name);
    button->setStatusTip(hint);
    // Hints show in the status bar only; a screen reader gets them as the description.
    button->setAccessibleDescription(hint);
    button->setAutoDefault(false);
    return button;
}

// Menus whose disabled items can be highlighted like the others, so that their hints show in the
// status bar too; choosing one still does nothing.
class MenuStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_Menu_AllowActiveAndDisabled)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QAction *makeAction(QObject *parent, const QString &name, const QString &caption,
                    const QKeySequence &key = {}, const QString &hint = {}) {
    auto *action = new QAction(caption, parent);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setStatusTip(hint);
    return action;
}

} // namespace

TForm2::TForm2(std::function<void()> pause, QWidget *parent)
    : QMainWindow(parent) {
    if (pause)
        pause();
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(maintexts::windowCaption());
    setWindowIcon(QIcon(QStringLiteral(":/icons/cifrovex.png")));
    setFont(platform::designFont(kSansSerif, 11));
    m_session = new TestSession(this);
    // The design's sizes are the outer ones, frame included.
    m_frame = new platform::WindowFrame(this);
    m_frame->setOuterSize(QSize(562, 350), QSize(516, 300));

    createControls();
    createCommands();
    FormCreate();
}

TForm2::~TForm2() {
    for (const QPointer<TForm5> &window : m_resultsWindows)
        delete window.data();
}

void TForm2::createControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(m_client);
    m_client->installEventFilter(this);

    m_ToolBar1 = new QWidget(m_client);
    m_ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    m_ToolBar1->setGeometry(0, 0, 562, 35);
    platform::setAccessibleRole(m_ToolBar1, QAccessible::ToolBar);
    m_ToolBar1->setAccessibleName(QStringLiteral("Панель инструментов"));
    m_BitBtn1 = makeToolButton(m_ToolBar1, QStringLiteral("BitBtn1"), QStringLiteral("&Начать"),
                               QStringLiteral(":/glyphs/start.png"), QStringLiteral("Начать тест"));
    m_BitBtn4 =
        makeToolButton(m_ToolBar1, QStringLiteral("BitBtn4"), maintexts::answerCaption(),
                       QStringLiteral(":/glyphs/answer.png"), QStringLiteral("Ответить на текущую задачу"));
    m_BitBtn6 = makeToolButton(m_ToolBar1, QStringLiteral("BitBtn6"), QStringLiteral("&Сначала"),
                               QStringLiteral(":/glyphs/retry.png"), QStringLiteral("Начать сначала"));
    m_BitBtn5 =
        makeToolButton(m_ToolBar1, QStringLiteral("BitBtn5"), QStringLiteral("&Уровень"),
                       QStringLiteral(":/glyphs/all.png"), QStringLiteral("Выбрать уровень сложности"));
    m_BitBtn3 = makeToolButton(m_ToolBar1, QStringLiteral("BitBtn3"), QStringLiteral("&Выход"),
                               QStringLiteral(":/glyphs/cancel.png"), QStringLiteral("Выход из программы"));
    int x = 5;
    for (QPushButton *button : {m_BitBtn1, m_BitBtn4, m_BitBtn6, m_BitBtn5, m_BitBtn3}) {
        button->setGeometry(x, 3, 80, 29);
        x += 80 + 15;
    }

    m_Bevel1 = new QFrame(m_client);
    m_Bevel1->setObjectName(QStringLiteral("Bevel1"));
    m_Bevel1->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    m_Bevel1->setGeometry(0, 35, 562, 4);

    m_GroupBox1 = new ProblemPane(m_client);
    m_DBMemo3 = m_GroupBox1->conditionMemo();
    m_DBMemo1 = m_GroupBox1->bodyMemo();

    m_GroupBox2 = new QGroupBox(maintexts::initialOptionCaption(), m_client);
    m_GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    m_GroupBox2->setFont(platform::designFont(kSansSerif, 12));
    m_GroupBox2->setGeometry(282, MainLayout::PaneTop, 262, 231);
    m_DBCtrlGrid1 = new OptionGrid(m_GroupBox2);
    m_DBCtrlGrid1->move(MainLayout::GridLeft, MainLayout::GridTop);
    // A double click answers through the handler itself: the grid takes clicks only while a test runs.
    connect(m_DBCtrlGrid1, &OptionGrid::answerRequested, this, &TForm2::BitBtn4Click);
    // The option the student picks is the bank module's current option, which the answer records.
    connect(m_DBCtrlGrid1, &OptionGrid::optionPicked, this, [this](int index) {
        if (m_dm)
            m_dm->setCurrentOption(index);
    });

    m_StatusBar1 = new StatusBar(m_client);

    // Each level's grading handler also sits on an invisible button of the design; the answering
    // step grades the level directly.
    int level = 3;
    for (QPushButton **button : {&m_Button3, &m_Button4, &m_Button5}) {
        *button = new QPushButton(QString::number(level), m_client);
        (*button)->setObjectName(QStringLiteral("Button%1").arg(level));
        (*button)->setFocusPolicy(Qt::NoFocus);
        ++level;
    }
    connect(m_Button3, &QPushButton::clicked, this, &TForm2::Button3Click);
    connect(m_Button4, &QPushButton::clicked, this, &TForm2::Button4Click);
    connect(m_Button5, &QPushButton::clicked, this, &TForm2::Button5Click);

    setTabOrder(m_BitBtn1, m_BitBtn4);
    setTabOrder(m_BitBtn4, m_BitBtn3);
    setTabOrder(m_BitBtn3, m_BitBtn5);
    setTabOrder(m_BitBtn5, m_BitBtn6);
    setTabOrder(m_BitBtn6, m_DBMemo3);
    setTabOrder(m_DBMemo3, m_DBMemo1);
    setTabOrder(m_DBMemo1, m_DBCtrlGrid1);

    m_Timer1 = new QTimer(this);
    m_Timer1->setObjectName(QStringLiteral("Timer1"));
    m_Timer1->setInterval(100);
    connect(m_Timer1, &QTimer::timeout, this, &TForm2::Timer1Timer);
    m_Timer1->start();
}

void TForm2::createCommands() {
    m_N17 = makeAction(this, QStringLiteral("N17"), QStringLiteral("Начать тест"), Qt::Key_F3);
    m_N11 = makeAction(this, QStringLiteral("N11"), QStringLiteral("Ответить"), Qt::Key_F5);
    m_N7 = makeAction(this, QStringLiteral("N7"), QStringLiteral("Н&ачать сначала"), Qt::Key_F6,
                      QStringLiteral("Начать тест сначала"));
    m_N9 = makeAction(this, QStringLiteral("N9"), QStringLiteral("Вы&брать уровень сложности"), Qt::Key_F4,
                      QStringLiteral("Выбрать уровень сложности теста"));
    m_N5 = makeAction(this, QStringLiteral("N5"), QStringLiteral("&Выход"),
                      QKeySequence(Qt::ALT | Qt::Key_F4), QStringLiteral("Завершение работы"));
    m_N6 = makeAction(this, QStringLiteral("N6"), QStringLiteral("О &программе..."), Qt::Key_F1,
                      QStringLiteral("О программе"));

    QMenu *file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("N1"));
    file->addAction(m_N7);
    file->addSeparator()->setObjectName(QStringLiteral("N4"));
    file->addAction(m_N5);
    QMenu *testMenu = menuBar()->addMenu(QStringLiteral("&Тест"));
    testMenu->setObjectName(QStringLiteral("N2"));
    testMenu->addActions({m_N17, m_N9, m_N11});
    QMenu *about = menuBar()->addMenu(QStringLiteral("&О программе"));
    about->setObjectName(QStringLiteral("N3"));
    about->addAction(m_N6);

    m_PopupMenu1 = new QMenu(this);
    m_PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_N12 = makeAction(m_PopupMenu1, QStringLiteral("N12"), QStringLiteral("Начать тест"));
    m_N13 = makeAction(m_PopupMenu1, QStringLiteral("N13"), QStringLiteral("Начать сначала"));
    m_N14 = makeAction(m_PopupMenu1, QStringLiteral("N14"), QStringLiteral("Выбрать уровень сложности"));
    m_N15 = makeAction(m_PopupMenu1, QStringLiteral("N15"), QStringLiteral("Выход"));
    m_PopupMenu1->addActions({m_N12, m_N13, m_N14});
    m_PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N16"));
    m_PopupMenu1->addAction(m_N15);

    auto *menuStyle = new MenuStyle;
    menuStyle->setParent(this);
    for (QMenu *menu : {file, testMenu, about, m_PopupMenu1})
        menu->setStyle(menuStyle);

    // One action per command, the main menu's item, runs the command's handler. The toolbar
    // buttons and the pop-up items trigger that action, which does nothing while it is disabled.
    // The handlers themselves run whenever they are called.
    const std::array<std::pair<QAction *, void (TForm2::*)()>, 6> handlers{{
        {m_N17, &TForm2::BitBtn1Click},
        {m_N11, &TForm2::BitBtn4Click},
        {m_N7, &TForm2::N7Click},
        {m_N9, &TForm2::N9Click},
        {m_N5, &TForm2::BitBtn3Click},
        {m_N6, &TForm2::N6Click},
    }};
    for (const auto &[command, handler] : handlers)
        connect(command, &QAction::triggered, this, handler);
    const std::array<std::pair<QPushButton *, QAction *>, 5> buttons{{
        {m_BitBtn1, m_N17},
        {m_BitBtn4, m_N11},
        {m_BitBtn6, m_N7},
        {m_BitBtn5, m_N9},
        {m_BitBtn3, m_N5},
    }};
    for (const auto &[button, command] : buttons)
        connect(button, &QPushButton::clicked, command, &QAction::trigger);
    const std::array<std::pair<QAction *, QAction *>, 4> popupItems{{
        {m_N12, m_N17},
        {m_N13, m_N7},
        {m_N14, m_N9},
        {m_N15, m_N5},
    }};
    for (const auto &[item, command] : popupItems)
        connect(item, &QAction::triggered, command, &QAction::trigger);
}

void TForm2::FormCreate() {
    AccessKeys::install();
    m_hints = new HintTracker(this);
    connect(m_hints, &HintTracker::hintChanged, this, &TForm2::StatusBar1Hint);
    for (QPushButton *button : {m_Button3, m_Button4, m_Button5})
        button->setVisible(false);
    connect(m_session, &TestSession::textsChanged, this, &TForm2::showTexts);
    connect(m_session, &TestSession::phaseChanged, this, &TForm2::showPhase);
    showPhase(m_session->phase());
    showTexts();
    FormResize();
    // The first enabled control in tab order has the focus when the window comes up.
    m_BitBtn1->setFocus();
    m_focusStartOnShow = true;
}

void TForm2::setDataModule(TDM *dm) {
    if (m_dm)
        disconnect(m_dm, nullptr, this, nullptr);
    m_dm = dm;
    if (m_dm) {
        connect(m_dm, &TDM::problemChanged, this, &TForm2::refreshProblem);
        connect(m_dm, &TDM::optionChanged, this, &TForm2::refreshCurrentOption);
        connect(m_dm, &QObject::destroyed, this, [this] {
            m_dm = nullptr;
            m_session->clearBank();
            refreshProblem();
        });
        m_session->setBank(m_dm->problemCount(), m_dm->recNo());
    } else {
        m_session->clearBank();
    }
    refreshProblem();
}

void TForm2::refreshProblem() {
    const Problem *problem = m_dm ? m_dm->currentProblem() : nullptr;
    m_DBMemo3->setPlainText(problem ? problem->Uslovie.value_or(QString()) : QString());
    m_DBMemo1->setPlainText(problem ? problem->Name.value_or(QString()) : QString());
    QList<OptionGrid::Option> options;
    const int count = m_dm ? m_dm->optionCount() : 0;
    for (int i = 0; i < count; ++i)
        options.append({m_dm->option(i).dopol, m_dm->option(i).Otvet.value_or(QString())});
    m_DBCtrlGrid1->setOptions(options, m_dm ? m_dm->currentOptionIndex() : -1);
}

void TForm2::refreshCurrentOption() {
    if (m_dm)
        m_DBCtrlGrid1->setCurrentIndex(m_dm->currentOptionIndex());
}

void TForm2::moveCursorToSession() {
    if (!m_dm)
        return;
    const int position = m_session->position();
    if (position <= 1 || position < m_dm->recNo())
        m_dm->first();
    while (m_dm->recNo() < position) {
        const int before = m_dm->recNo();
        m_dm->next();
        if (m_dm->recNo() == before)
            break; // the bank ends here
    }
}

void TForm2::setProgressPanel(const QString &text) {
    m_StatusBar1->setPanelText(StatusBar::ProgressPanel, text);
}

QString TForm2::progressPanel() const {
    return m_StatusBar1->panelText(StatusBar::ProgressPanel);
}

void TForm2::StatusBar1Hint(const QString &hint) {
    m_StatusBar1->setPanelText(StatusBar::HintPanel, hint);
}

void TForm2::Timer1Timer() {
    m_StatusBar1->tick(QDateTime::currentDateTime());
}

// ---- The session on the screen ----

void TForm2::showTexts() {
    m_GroupBox1->setTitle(m_session->problemCaption());
    m_GroupBox2->setTitle(m_session->optionCaption());
    m_BitBtn4->setText(m_session->answerCaption());
    setProgressPanel(m_session->progressText());
}

void TForm2::showPhase(TestSession::Phase phase) {
    // What is enabled in each phase, one row per command or pane. Rows go in this order, as
    // switching off the control with the focus moves the focus on along the tab order.
    enum Flag { Off, On, Kept };
    struct Row {
        std::array<Flag, 4> flags; // Idle, Running, Finished, Returned
        QList<QWidget *> widgets;
        QList<QAction *> actions;
    };
    const Row rows[] = {
        {{On, Off, Off, On}, {m_BitBtn1}, {m_N17, m_N12}}, // Start
        {{On, Off, Off, On}, {m_BitBtn5}, {m_N9, m_N14}},  // Level
        {{Off, On, Off, Off}, {m_BitBtn4}, {}},            // Answer: the button ends with the test,
        {{Off, On, On, Off}, {}, {m_N11}},                 // the menu item only with the return
        {{Off, On, On, Off}, {m_BitBtn6}, {m_N7}},         // Restart
        {{Off, On, On, Off}, {m_GroupBox1}, {}},           // the problem pane
        {{On, On, On, Off}, {m_GroupBox2}, {}},            // the option pane
        // The grid waits for the first Start; the return disables the pane around it instead.
        {{Off, On, On, Kept}, {m_DBCtrlGrid1}, {}},
    };
    // The pop-up menu's Restart (N13) is never disabled: it triggers Restart, which does nothing
    // while N7 is disabled. Exit and About are always enabled.
    const std::size_t column = std::size_t(phase);
    for (const Row &row : rows) {
        const Flag flag = row.flags.at(column);
        if (flag == Kept)
            continue;
        for (QWidget *widget : row.widgets)
            widget->setEnabled(flag == On);
        for (QAction *action : row.actions)
            action->setEnabled(flag == On);
    }
}

void TForm2::prepareForReturn() {
    m_session->returnFromResults();
    moveCursorToSession();
    if (m_dm)
        m_dm->firstOption();
    // Disabling Answer sent the focus on to Exit; as on the first showing, Enter starts a test.
    m_focusStartOnShow = true;
}

void TForm2::connectLevelDialog(TForm1 *dialog) {
    connect(dialog, &TForm1::levelChosen, m_session, &TestSession::chooseLevel);
    // Closing the main window is what ends the program.
    connect(dialog, &TForm1::exitRequested, this, &QWidget::close);
}

void TForm2::connectResultsWindow(TForm5 *results) {
    connect(results, &TForm5::returnRequested, this, [this] {
        prepareForReturn();
        // The show handler runs the level dialog modally; the results window stays on the screen
        // behind it until the dialog has closed and this window is up.
        show();
    });
    connect(results, &TForm5::exitRequested, this, &QWidget::close);
}

void TForm2::runLevelDialog() {
    TForm1 dialog(this);
    connectLevelDialog(&dialog);
    dialog.exec();
}

// ---- Showing and closing ----

void TForm2::setVisible(bool visible) {
    if (!visible || !isHidden()) {
        QMainWindow::setVisible(visible);
        return;
    }
    if (m_inShowHandler)
        return; // the window comes up once its show handler is through
    m_closed = false;
    m_inShowHandler = true;
    FormShow();
    m_inShowHandler = false;
    if (m_closed)
        return; // the level dialog's Exit closed the window: it never appears
    if (!m_shownBefore) {
        m_shownBefore = true;
        m_frame->centre([this] {
            const QScreen *screen = this->screen();
            return screen ? screen->availableGeometry() : QRect(QPoint(0, 0), frameGeometry().size());
        });
    }
    QMainWindow::setVisible(true);
    // Comes up as the active window, with the keyboard, also where no window manager hands it over.
    activateWindow();
    // Set only now: the level dialog's closing moves the focus of a window that is still hidden.
    if (m_focusStartOnShow) {
        m_focusStartOnShow = false;
        m_BitBtn1->setFocus();
    }
}

void TForm2::FormShow() {
    if (m_dm) {
        try {
            if (!m_dm->isConnected())
                m_dm->connectBank();
            if (!m_dm->optionsActive())
                m_dm->openOptions();
            if (!m_dm->problemsActive())
                m_dm->openProblems();
        } catch (const BankError &error) {
            platform::showError(platform::applicationTitle(), platform::withFullStop(error.message()));
            return;
        }
        m_session->setBank(m_dm->problemCount(), m_dm->recNo());
    }
    m_session->prepareForLevelChoice();
    moveCursorToSession();
    if (m_dm)
        m_dm->firstOption();
    // The problem stays unreadable until Start: its text takes the colour of its background.
    setMemoTextColor(palette().color(QPalette::Button));
    m_DBCtrlGrid1->setTextColor(palette().color(QPalette::WindowText));
    runLevelDialog();
}

void TForm2::closeEvent(QCloseEvent *event) {
    m_closed = true;
    event->accept();
    QMainWindow::closeEvent(event);
    QCoreApplication::quit();
}

// ---- Commands ----

void TForm2::BitBtn1Click() {
    m_session->start();
    const QColor text = palette().color(QPalette::WindowText);
    setMemoTextColor(text);
    m_DBCtrlGrid1->setTextColor(text);
    m_BitBtn4->setFocus();
}

void TForm2::N7Click() {
    if (m_session->onFirstProblem()) {
        platform::showMessage(platform::MessageKind::Warning, maintexts::nothingToRestart(), this);
        return;
    }
    if (platform::showMessage(platform::MessageKind::Confirmation, maintexts::restartQuestion(), this) !=
        platform::MessageAnswer::Yes)
        return;
    m_session->restart();
    moveCursorToSession();
    // The condition's height goes back to the design's; its scroll bars stay as they are.
    m_GroupBox1->setConditionHeight(ProblemPane::DesignConditionHeight);
    FormResize();
}

void TForm2::N9Click() {
    runLevelDialog();
}

void TForm2::BitBtn3Click() {
    if (platform::showMessage(platform::MessageKind::Confirmation, maintexts::exitQuestion(), this) ==
        platform::MessageAnswer::Yes)
        close();
}

void TForm2::N6Click() {
    TAboutBox about(this);
    about.exec();
}

// ---- Answering ----

void TForm2::BitBtn4Click() {
    if (!m_dm)
        return;
    const std::optional<TestSession::AnswerStep> step = m_session->answer(m_dm->currentOptionNumber());
    if (!step)
        return;
    // The pane prepares for the next problem's heading, also after the last answer.
    for (problemdisplay::DisplayAdjustment effect : problemdisplay::displayAdjustmentsAt(step->nextHeading))
        m_GroupBox1->applyDisplayAdjustment(effect);
    FormResize();
    if (step->lastProblem) {
        platform::showMessage(m_session->level() == 3 ? platform::MessageKind::Information
                                                      : platform::MessageKind::Plain,
                              maintexts::congratulation(), this);
        grade(*m_session->rules());
    }
    // The cursor moves on only now, with the results up.
    moveCursorToSession();
}

void TForm2::setMemoTextColor(const QColor &color) {
    for (QPlainTextEdit *memo : {m_DBMemo3, m_DBMemo1}) {
        QPalette pal = memo->palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            pal.setColor(group, QPalette::Text, color);
        memo->setPalette(pal);
    }
}

void TForm2::Button3Click() {
    grade(kLevels[0]);
}

void TForm2::Button4Click() {
    grade(kLevels[1]);
}

void TForm2::Button5Click() {
    grade(kLevels[2]);
}

void TForm2::grade(const LevelRules &rules) {
    const GradeResult result = m_session->grade(rules);
    auto *results = new TForm5(m_session->level(), result, nullptr);
    m_resultsWindows.emplace_back(results);
    connectResultsWindow(results);
    results->show();
    // Showing a window makes it the active one, with the keyboard, also without a window manager.
    results->activateWindow();
    hide();
}

// ---- Layout ----

void TForm2::FormResize() {
    const int w = m_client->width();
    const int h = m_client->height();
    // The docked controls follow the client area before the panes are laid out.
    m_ToolBar1->setGeometry(0, 0, w, m_ToolBar1->height());
    m_Bevel1->setGeometry(0, m_ToolBar1->height(), w, m_Bevel1->height());
    m_StatusBar1->setGeometry(0, h - m_StatusBar1->height(), w, m_StatusBar1->height());

    MainLayoutInput in;
    in.clientWidth = w;
    in.clientHeight = h;
    in.conditionHeight = m_GroupBox1->conditionHeight();
    in.statusBarHeight = m_StatusBar1->height();
    in.toolBarHeight = m_ToolBar1->height();
    in.statusBarWidth = m_StatusBar1->width();
    in.scrollBarExtent =
        m_DBCtrlGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_DBCtrlGrid1);
    const MainLayout out = mainLayout(in);

    const auto shown = [](QRect r) {
        r.setWidth(MainLayout::shownHeight(r.width()));
        r.setHeight(MainLayout::shownHeight(r.height()));
        return r;
    };
    m_GroupBox1->applyLayout(out);
    m_GroupBox2->setGeometry(shown(out.optionPane));
    // The grid sizes its panels, their numbers and texts itself from its own size.
    m_DBCtrlGrid1->setGeometry(shown(QRect(QPoint(MainLayout::GridLeft, MainLayout::GridTop), out.grid)));
    m_StatusBar1->setPanelWidth(StatusBar::HintPanel, out.hintPanelWidth);
    m_StatusBar1->setGeometry(0, h - out.statusBarHeight, w, out.statusBarHeight);
    update();
}

bool TForm2::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_client && event->type() == QEvent::Resize)
        FormResize();
    return QMainWindow::eventFilter(watched, event);
}

// ---- Keys and the pop-up menu ----

void TForm2::keyPressEvent(QKeyEvent *event) {
    QWidget *focus = QApplication::focusWidget();
    if (isEnterKey(event)) {
        // The Answer button is the window's default button; a focused push button takes Enter itself.
        auto *button = qobject_cast<QPushButton *>(focus);
        if (button && button->window() == this)
            button->click();
        else if (m_BitBtn4->isEnabled())
            m_BitBtn4->click();
        event->accept();
        return;
    }
    if (isEscapeKey(event)) {
        // The Exit button is the window's cancel button.
        m_BitBtn3->click();
        event->accept();
        return;
    }
    // A menu key whose item is disabled reaches here: it is used up all the same.
    for (QAction *action : {m_N5, m_N6, m_N7, m_N9, m_N11, m_N17}) {
        if (!action->shortcut().isEmpty() && QKeySequence(event->keyCombination()) == action->shortcut()) {
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TForm2::contextMenuEvent(QContextMenuEvent *event) {
    // Reaches the window from the toolbar, the panes and the window itself; the memos keep their own.
    m_PopupMenu1->exec(event->globalPos());
    event->accept();
}
