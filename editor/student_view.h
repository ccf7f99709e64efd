#pragma once

// The problem as the student will see it: the main window's problem pane and option pane, the
// program's own widgets, laid out for the window's designed size as they stand during a test at
// the problem's position (a long condition takes the whole pane at some positions, a body gets a
// horizontal scroll bar at others).

#include <QWidget>

struct DocProblem;
class OptionGrid;
class ProblemPane;
class QGroupBox;
class QLabel;

class StudentView : public QWidget {
    Q_OBJECT

public:
    explicit StudentView(QWidget *parent = nullptr);

    // Shows a problem at a 1-based position; position 0 shows nothing.
    void showProblem(const DocProblem &problem, int position);

    ProblemPane *problemPane() const { return m_pane; }
    OptionGrid *optionGrid() const { return m_grid; }
    QGroupBox *optionPane() const { return m_optionPane; }
    QLabel *noteLabel() const { return m_note; }

    // The main window's client area at its designed outer size: what the layout is computed for.
    static QSize designedClientSize();

private:
    QWidget *m_client;
    ProblemPane *m_pane;
    QGroupBox *m_optionPane;
    OptionGrid *m_grid;
    QLabel *m_note;
};
