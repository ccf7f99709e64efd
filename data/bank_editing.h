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

    // A new problem with four empty options at index `at`.
    void insertProblem(int at);
    void duplicateProblem(int problem);
    void removeProblem(int problem);
    void moveProblem(int from, int to);
    // Problems added at index `at` in one step (an import into the bank).
    void insertProblems(int at, const QList<DocProblem> &problems, const QString &what);
    // Replaces the whole bank (an import), undoably.
    void replaceAll(const QList<DocProblem> &problems, const QString &what);

    static DocProblem emptyProblem();

private:
    void edit(int problem, const DocProblem &after, const QString &what, int mergeKey);

    BankDocument *m_document;
    QUndoStack *m_stack;
};
