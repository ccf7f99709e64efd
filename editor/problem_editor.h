#pragma once

// The current problem's fields: condition, body, the options in the author's order with a radio
// button for the correct one and the number each gets for the student, and a warning when the
// options are not four. Choosing the correct one moves no option: only the numbers change.

#include <QList>
#include <QWidget>

class BankEditing;
class BankTextEdit;
class QButtonGroup;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;

class ProblemEditor : public QWidget {
    Q_OBJECT

public:
    enum class Field { Condition, Body, Option };

    explicit ProblemEditor(BankEditing *editing, QWidget *parent = nullptr);

    // The 0-based index of the problem shown, or -1 for none.
    void setProblem(int index);
    int problem() const { return m_problem; }

    // Moves the keyboard to a field; for options, the one in that row.
    void focusField(Field field, int row = 0);

    BankTextEdit *conditionEdit() const { return m_condition; }
    BankTextEdit *bodyEdit() const { return m_body; }
    int optionRows() const { return int(m_rows.size()); }
    BankTextEdit *optionEdit(int row) const;
    QRadioButton *correctButton(int row) const;
    // Where the option of a row stands for the student.
    QLabel *shownNumberLabel(int row) const;
    QLabel *warningLabel() const { return m_warning; }

public slots:
    // Marks the option shown in a row (0-based) as the correct one.
    void markCorrect(int row);
    void addOption();
    // Removes the option whose row has the keyboard, or the last one.
    void removeOption();
    // Moves the wrong option whose row has the keyboard to the next wrong one's row up (-1) or
    // down (+1), stepping over the correct one where the answer key fixes its number; the
    // keyboard follows it.
    void moveOption(int delta);

signals:
    // Why an option the teacher asked to move stays where it is.
    void optionNotMoved(const QString &why);

private:
    struct OptionRow {
        QRadioButton *correct = nullptr;
        QLabel *number = nullptr;
        BankTextEdit *text = nullptr;
        QLabel *shown = nullptr;
    };

    void refresh();
    void setRowCount(int count);
    int focusedRow() const;
    // The row of the option last typed in, while the keyboard has not gone to another field.
    int lastOptionRow() const;
    int authorIndex(int row) const;

    BankEditing *m_editing;
    int m_problem = -1;
    bool m_refreshing = false;
    int m_lastOptionRow = -1;
    QList<int> m_shown; // the number (1-based) the student sees each option under

    QLabel *m_heading = nullptr;
    BankTextEdit *m_condition = nullptr;
    BankTextEdit *m_body = nullptr;
    QGridLayout *m_optionGrid = nullptr;
    QButtonGroup *m_correctGroup = nullptr;
    QList<OptionRow> m_rows;
    QLabel *m_warning = nullptr;
    QPushButton *m_addOption = nullptr;
    QPushButton *m_removeOption = nullptr;
    QPushButton *m_optionUp = nullptr;
    QPushButton *m_optionDown = nullptr;
};
