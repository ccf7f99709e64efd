#pragma once

#include "testing/grading.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

// One sitting at the main window, without the window: the level chosen, the problem the test
// stands on, the answers given, the phase of the test, and what the window's captions and
// progress panel read. The main window shows it and drives it through the steps below; its
// controls never hold any of it.
//
// The position follows the bank module's problem cursor: 1-based, it stops on the bank's last
// problem (a bank shorter than the level is answered on its last problem again and again) and is
// 0 in an empty bank. The window moves the cursor to it after each step.
class TestSession : public QObject {
    Q_OBJECT

public:
    enum class Phase {
        Idle,     // no test yet: the window as it comes up
        Running,  // Start pressed: the problems are answered
        Finished, // the running test's last problem answered; the results come up
        Returned, // back from the results: idle again until Start
    };
    Q_ENUM(Phase)

    // What an answer did.
    struct AnswerStep {
        int problem = 0;          // the position answered
        int nextHeading = 0;      // the problem heading the pane prepares for: problem + 1
        bool lastProblem = false; // the level's last problem: the test is over, grading follows
    };

    explicit TestSession(QObject *parent = nullptr);

    // The record of the test: the chosen options, grading's flags and the level. The level is
    // chosen through chooseLevel(), the options through answer().
    TestState &state() { return m_state; }
    const TestState &state() const { return m_state; }
    int32_t level() const { return m_state.Level; }
    // The level's row of the table; nullptr until a level has been chosen.
    const LevelRules *rules() const { return levelRules(m_state.Level); }
    Phase phase() const { return m_phase; }

    // The bank the test is taken on: its number of problems and the position of its cursor.
    void setBank(int problemCount, int position);
    // No bank: the test stands on the first problem, with no last one.
    void clearBank();
    int position() const { return m_position; }
    // Restart has nothing to do on the first problem.
    bool onFirstProblem() const { return m_position == 1; }

    QString problemCaption() const { return m_problemCaption; } // the problem pane's heading
    QString optionCaption() const { return m_optionCaption; }   // the option pane's caption
    QString answerCaption() const { return m_answerCaption; }   // the Answer button's caption
    QString progressText() const { return m_progressText; }     // the status bar's progress panel

    // The level dialog's Choose: the level and its total of problems.
    void chooseLevel(int32_t level);
    // The window comes up and asks for a level: back to the first problem, the progress blank.
    void prepareForLevelChoice();
    // Start: the test runs from the problem the position stands on; the level's flags are cleared.
    void start();
    // Restart, once confirmed: back to the first problem, every flag cleared. The phase stays.
    void restart();
    // Records `option` for the problem at the position and moves on. Nothing without a level.
    std::optional<AnswerStep> answer(qint32 option);
    // Grades the slots of `rules`' level (the grading handlers each grade their own level).
    GradeResult grade(const LevelRules &rules);
    // The results window's Return: idle again on the first problem, the captions as the return
    // words them; the progress panel stays until the level is asked for.
    void returnFromResults();

signals:
    void levelChanged(int level);
    void phaseChanged(TestSession::Phase phase);
    void positionChanged(int position);
    void answerRecorded(int slot, qint32 option);
    // A caption or the progress panel reads otherwise.
    void textsChanged();

private:
    int firstPosition() const;
    int positionAfter(int position) const;
    void setPosition(int position);
    void setPhase(Phase phase);

    TestState m_state;
    Phase m_phase = Phase::Idle;
    std::optional<int> m_problemCount; // none: no bank
    int m_position = 1;
    QString m_problemCaption;
    QString m_optionCaption;
    QString m_answerCaption;
    QString m_progressText;
};
