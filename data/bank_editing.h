#pragma once

// Every change a teacher makes to a bank document, as commands on an undo stack.

#include "data/bank_document.h"

#include <QObject>

class QUndoStack;

class BankEditing : public QObject {
    Q_OBJECT

public:
    // The fields a text edit changes; consecutive edits of one field of one problem are one step.
    enum class Field { Condition, Body, Option };

    explicit BankEditing(BankDocument *document, QObject *parent = nullptr);

    BankDocument *document() const { return m_document; }
    QUndoStack *undoStack() const { return m_stack; }

    // Option indices are the author's (DocProblem::options), not the shown order.
    void setCondition(int problem, const QString &text);
    void setBody(int problem, const QString &text);
    void setOptionText(int problem, int option, const QString &text);
    void setCorrect(int problem, int option);
    void addOption(int problem);
    void removeOption(int problem, int option);
    // Moves a wrong option one place up (-1) or down (+1) among the options as the student sees
    // them. Within the answer key the correct option keeps the key's place: a wrong one steps over
    // it, and it is not moved itself. Returns the option's new index, or -1 when it did not move.
    int moveOption(int problem, int option, int delta);

    // The maths signs of one field written as school notebooks do (bankcharset), as one step;
    // false when the field has none. `option` is the author's index, for Field::Option.
    bool useSchoolSpellings(int problem, Field field, int option = 0);
    // The same in every field of every problem, as one step; returns how many problems changed.
    int useSchoolSpellingsEverywhere();

    // A new problem with four empty options at index `at`.
    void insertProblem(int at);
    void duplicateProblem(int problem);
    void removeProblem(int problem);
    void moveProblem(int from, int to);
    // Problems added at index `at` in one step (an import into the bank).
    void insertProblems(int at, const QList<DocProblem> &problems, const QString &what);
    // Several problems at once, each one step; indices need not be sorted or next to each other.
    void removeProblems(const QList<int> &problems);
    // Copies of the problems, in their order, after the last of them; returns the first copy's index.
    int duplicateProblems(const QList<int> &problems);
    // Each problem one place up (-1) or down (+1); nothing when one of them would leave the bank.
    // Returns the problems' new indices, in order.
    QList<int> moveProblems(const QList<int> &problems, int delta);
    // The problems, in order, moved to stand together before the problem now at index `before`
    // (problemCount() for the end). Returns their new indices.
    QList<int> moveProblemsTo(const QList<int> &problems, int before);
    // Replaces the whole bank (an import), undoably.
    void replaceAll(const QList<DocProblem> &problems, const QString &what);

    static DocProblem emptyProblem();

private:
    void edit(int problem, const DocProblem &after, const QString &what, int mergeKey);

    BankDocument *m_document;
    QUndoStack *m_stack;
};
