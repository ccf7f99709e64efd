#pragma once

// What the bank check says of the bank being edited, kept current as the teacher types: which
// levels work, and each fault, which leads to its problem and field.

#include "editor/problem_editor.h"

#include <QWidget>

class BankDocument;
class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace bankcheck {
struct Finding;
}

class CheckPanel : public QWidget {
    Q_OBJECT

public:
    explicit CheckPanel(BankDocument *document, QWidget *parent = nullptr);

    // Checks at once instead of after the pause that follows typing.
    void checkNow();

    QLabel *levelsLabel() const { return m_levels; }
    QListWidget *findingsList() const { return m_findings; }
    QPushButton *schoolSpellingButton() const { return m_fix; }
    QPushButton *schoolSpellingEverywhereButton() const { return m_fixAll; }

signals:
    // A finding was chosen: go to problem index (0-based), field and, for an option, its row in
    // the fields, which is its index in the teacher's order.
    void findingActivated(int problem, ProblemEditor::Field field, int option);
    // The teacher asked for the school spelling of the maths signs in a finding's field (an
    // option by the teacher's index), or in the whole bank.
    void schoolSpellingRequested(int problem, ProblemEditor::Field field, int option);
    void schoolSpellingEverywhereRequested();

private:
    // Whether the current finding's field has signs with a school spelling, and which.
    void updateFix();
    // A finding as the teacher reads it: "Задача 7, вариант 3: …" with the option's row in the
    // fields, which *row receives.
    QString teachersText(const bankcheck::Finding &finding, int *row) const;

    BankDocument *m_document;
    QTimer *m_delay;
    QLabel *m_levels;
    QListWidget *m_findings;
    QPushButton *m_fix;
    QPushButton *m_fixAll;
};
