#pragma once

#include "testing/test_session.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <vector>

class HintTracker;
class OptionGrid;
class ProblemPane;
class QAction;
class QFrame;
class QGroupBox;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class StatusBar;
class TDM;
class TForm1;
class TForm5;
namespace platform {
class WindowFrame;
}

namespace problemdisplay {
enum class DisplayAdjustment;
}

// The main window, where the test is taken. It shows a TestSession: the captions, the progress
// panel and which commands are enabled are the session's, and the bank module's cursor is moved
// to the session's position; the handlers run the session's steps and add what only a window
// has (message boxes, colours, focus, the layout, the level dialog and the results windows).
class TForm2 : public QMainWindow {
    Q_OBJECT

public:
    // Runs the creation handler; `pause` is the start-up pause (tests pass a no-op).
    explicit TForm2(std::function<void()> pause = {}, QWidget *parent = nullptr);
    ~TForm2() override;

    // Binds the panes to the bank module (created after the window at start-up).
    void setDataModule(TDM *dm);
    TDM *dataModule() const { return m_dm; }

    TestSession &session() { return *m_session; }
    const TestSession &session() const { return *m_session; }

    // Status-bar panel 6: the level's total, the remaining problems, "Тест завершен".
    QString progressPanel() const;

    // The results window's Return, before the window comes up again: back to the idle state on
    // the first problem.
    void prepareForReturn();

    // The level dialog and the results window report through their signals; these connect a
    // dialog or a results window to this window and its session, as the window does for its own.
    void connectLevelDialog(TForm1 *dialog);
    void connectResultsWindow(TForm5 *results);

    // Every results window of this run, oldest first; they live until the window is destroyed.
    const std::vector<QPointer<TForm5>> &resultsWindows() const { return m_resultsWindows; }

    // Becoming visible runs the show handler first, so the level dialog is up before the window.
    void setVisible(bool visible) override;

public slots:
    void FormShow();
    void FormResize();
    void Timer1Timer();
    void StatusBar1Hint(const QString &hint);

    void BitBtn1Click(); // Start
    void BitBtn4Click(); // Answer
    void BitBtn3Click(); // Exit
    void N7Click();      // Restart
    void N9Click();      // Level
    void N6Click();      // About

    // Grading for levels 3, 4 and 5: a new results window, and this window hidden.
    void Button3Click();
    void Button4Click();
    void Button5Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createCommands();
    void FormCreate();
    void showTexts();
    void showPhase(TestSession::Phase phase);
    void setProgressPanel(const QString &text);
    void refreshProblem();
    void refreshCurrentOption();
    void moveCursorToSession();
    void runLevelDialog();
    void setMemoTextColor(const QColor &color);
    void grade(const LevelRules &rules);

    TestSession *m_session = nullptr;
    TDM *m_dm = nullptr;
    HintTracker *m_hints = nullptr;
    platform::WindowFrame *m_frame = nullptr; // the window's outer size and centring

    QWidget *m_client = nullptr; // the client area: everything below the menu bar
    QWidget *m_ToolBar1 = nullptr;
    QPushButton *m_BitBtn1 = nullptr;
    QPushButton *m_BitBtn4 = nullptr;
    QPushButton *m_BitBtn6 = nullptr;
    QPushButton *m_BitBtn5 = nullptr;
    QPushButton *m_BitBtn3 = nullptr;
    QFrame *m_Bevel1 = nullptr;
    ProblemPane *m_GroupBox1 = nullptr;
    QPlainTextEdit *m_DBMemo3 = nullptr;
    QPlainTextEdit *m_DBMemo1 = nullptr;
    QGroupBox *m_GroupBox2 = nullptr;
    OptionGrid *m_DBCtrlGrid1 = nullptr;
    StatusBar *m_StatusBar1 = nullptr;
    QPushButton *m_Button3 = nullptr;
    QPushButton *m_Button4 = nullptr;
    QPushButton *m_Button5 = nullptr;
    QTimer *m_Timer1 = nullptr;

    // The commands: one action each, the main menu's item.
    QAction *m_N5 = nullptr;  // Exit
    QAction *m_N6 = nullptr;  // About
    QAction *m_N7 = nullptr;  // Restart
    QAction *m_N9 = nullptr;  // Level
    QAction *m_N11 = nullptr; // Answer
    QAction *m_N17 = nullptr; // Start
    // The pop-up menu's items, each triggering its command's action.
    QMenu *m_PopupMenu1 = nullptr;
    QAction *m_N12 = nullptr; // Start
    QAction *m_N13 = nullptr; // Restart
    QAction *m_N14 = nullptr; // Level
    QAction *m_N15 = nullptr; // Exit

    bool m_shownBefore = false;
    bool m_inShowHandler = false;
    bool m_closed = false;
    bool m_focusStartOnShow = false; // the Start button takes the focus when the window comes up
    std::vector<QPointer<TForm5>> m_resultsWindows;
};
