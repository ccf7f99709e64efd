#pragma once

// GroupBox1, the main window's problem pane: the condition memo (DBMemo3) above the body memo
// (DBMemo1), both read-only. The main window and the bank editor's student's view build it here.

#include <QGroupBox>

class QPlainTextEdit;
struct MainLayout;

namespace problemdisplay {
enum class DisplayAdjustment;
}

class ProblemPane : public QGroupBox {
    Q_OBJECT

public:
    static constexpr int DesignConditionHeight = 50;

    explicit ProblemPane(QWidget *parent = nullptr);

    QPlainTextEdit *conditionMemo() const { return m_condition; } // DBMemo3
    QPlainTextEdit *bodyMemo() const { return m_body; }           // DBMemo1

    // What the student's view of one problem needs of the window's behaviour: the condition
    // memo's height as the design keeps it (it may be negative: the memo then has no height),
    // the memos' scroll bars, and the layout of both memos for a pane rectangle.
    enum class ScrollBars { None, Horizontal, Vertical };
    void setConditionHeight(int height);
    int conditionHeight() const { return m_conditionHeight; }
    static void setScrollBars(QPlainTextEdit *memo, ScrollBars bars);
    void applyDisplayAdjustment(problemdisplay::DisplayAdjustment effect);
    // Places the pane and its memos as the window's layout puts them.
    void applyLayout(const MainLayout &layout);

private:
    QPlainTextEdit *m_condition = nullptr;
    QPlainTextEdit *m_body = nullptr;
    int m_conditionHeight = DesignConditionHeight;
};
