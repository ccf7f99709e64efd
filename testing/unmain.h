#pragma once

#include "testing/test_state.h"

#include <QMainWindow>

#include <functional>

class TDM;

// The main window, where the test is taken. It holds the test state.
class TForm2 : public QMainWindow {
    Q_OBJECT

public:
    // Runs the creation handler; `pause` is the start-up pause (tests pass a no-op).
    explicit TForm2(std::function<void()> pause = {}, QWidget *parent = nullptr);
    ~TForm2() override;

    // Binds the panes to the bank module (created after the window at start-up).
    void setDataModule(TDM *dm);
    TDM *dataModule() const { return m_dm; }

    TestState test;

    // Status-bar panel 6: the level's total, the remaining problems, "Тест завершен".
    void setProgressPanel(const QString &text);
    QString progressPanel() const;

    // The results window's Return, steps 1-5: back to the idle state on the first problem.
    void prepareForReturn();

private:
    TDM *m_dm = nullptr;
    QString m_progress;
};
