#include "data/bank_editing.h"

#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

namespace {

enum CommandId { TextEditId = 1 };

// One problem's fields replaced; consecutive typing into one field merges into one step.
class EditProblemCommand : public QUndoCommand {
public:
    EditProblemCommand(BankDocument *doc, int index, DocProblem before, DocProblem after, const QString &text,
                       int mergeKey)
        : QUndoCommand(text)
        , m_doc(doc)
        , m_index(index)
        , m_before(std::move(before))
        , m_after(std::move(after))
        , m_mergeKey(mergeKey) {}

    void redo() override { m_doc->setProblem(m_index, m_after); }
    void undo() override { m_doc->setProblem(m_index, m_before); }
    int id() const override { return m_mergeKey < 0 ? -1 : TextEditId; }
    bool mergeWith(const QUndoCommand *other) override {
        const auto *o = static_cast<const EditProblemCommand *>(other);
        if (o->m_index != m_index || o->m_mergeKey != m_mergeKey)
            return false;
        m_after = o->m_after;
        return true;
    }

private:
    BankDocument *m_doc;
    int m_index;
    DocProblem m_before;
    DocProblem m_after;
    int m_mergeKey;
};

class InsertCommand : public QUndoCommand {
public:
    InsertCommand(BankDocument *doc, int at, QList<DocProblem> problems, const QString &text)
        : QUndoCommand(text)
        , m_doc(doc)
        , m_at(at)
        , m_problems(std::move(problems)) {}
    void redo() override { m_doc->insertProblems(m_at, m_problems); }
    void undo() override { m_doc->removeProblems(m_at, int(m_problems.size())); }

private:
    BankDocument *m_doc;
    int m_at;
    QList<DocProblem> m_problems;
};

class RemoveCommand : public QUndoCommand {
public:
    RemoveCommand(BankDocument *doc, int at, const QString &text)
        : QUndoCommand(text)
        , m_doc(doc)
        , m_at(at) {}
    void redo() override { m_removed = m_doc->removeProblems(m_at, 1); }
    void undo() override { m_doc->insertProblems(m_at, m_removed); }

private:
    BankDocument *m_doc;
    int m_at;
    QList<DocProblem> m_removed;
};

class MoveCommand : public QUndoCommand {
public:
    MoveCommand(BankDocument *doc, int from, int to, const QString &text)
        : QUndoCommand(text)
        , m_doc(doc)
        , m_from(from)
        , m_to(to) {}
    void redo() override { m_doc->moveProblem(m_from, m_to); }
    void undo() override { m_doc->moveProblem(m_to, m_from); }

private:
    BankDocument *m_doc;
    int m_from;
    int m_to;
};

class ResetCommand : public QUndoCommand {
public:
    ResetCommand(BankDocument *doc, QList<DocProblem> after, const QString &text)
        : QUndoCommand(text)
        , m_doc(doc)
        , m_before(doc->problems())
        , m_after(std::move(after)) {}
    void redo() override { m_doc->reset(m_after); }
    void undo() override { m_doc->reset(m_before); }

private:
    BankDocument *m_doc;
    QList<DocProblem> m_before;
    QList<DocProblem> m_after;
};

int mergeKey(BankEditing::Field field, int option = 0) {
    return field == BankEditing::Field::Option ? 2 + option : int(field);
}

} // namespace

BankEditing::BankEditing(BankDocument *document, QObject *parent)
    : QObject(parent)
    , m_document(document)
    , m_stack(new QUndoStack(this)) {}

DocProblem BankEditing::emptyProblem() {
    DocProblem p;
    p.options = QStringList(4, QString());
    return p;
}

void BankEditing::edit(int problem, const DocProblem &after, const QString &what, int key) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    const DocProblem &before = m_document->problem(problem);
    if (before == after)
        return;
    m_stack->push(new EditProblemCommand(m_document, problem, before, after, what, key));
}

void BankEditing::setCondition(int problem, const QString &text) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    p.condition = text;
    edit(problem, p, QStringLiteral("изменение условия задачи %1").arg(problem + 1),
         mergeKey(Field::Condition));
}

void BankEditing::setBody(int problem, const QString &text) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    p.body = text;
    edit(problem, p, QStringLiteral("изменение текста задачи %1").arg(problem + 1), mergeKey(Field::Body));
}

void BankEditing::setOptionText(int problem, int option, const QString &text) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    if (option < 0 || option >= p.options.size())
        return;
    p.options[option] = text;
    edit(problem, p, QStringLiteral("изменение варианта ответа задачи %1").arg(problem + 1),
         mergeKey(Field::Option, option));
}

void BankEditing::setCorrect(int problem, int option) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    if (option < 0 || option >= p.options.size())
        return;
    p.correct = option;
    edit(problem, p, QStringLiteral("выбор верного ответа задачи %1").arg(problem + 1), -1);
}

void BankEditing::addOption(int problem) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    p.options.append(QString());
    edit(problem, p, QStringLiteral("новый вариант ответа задачи %1").arg(problem + 1), -1);
}

void BankEditing::removeOption(int problem, int option) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    if (option < 0 || option >= p.options.size())
        return;
    p.options.removeAt(option);
    if (p.correct == option)
        p.correct = -1;
    else if (p.correct > option)
        --p.correct;
    edit(problem, p, QStringLiteral("удаление варианта ответа задачи %1").arg(problem + 1), -1);
}

void BankEditing::insertProblem(int at) {
    at = std::clamp(at, 0, m_document->problemCount());
    m_stack->push(
        new InsertCommand(m_document, at, {emptyProblem()}, QStringLiteral("новая задача %1").arg(at + 1)));
}

void BankEditing::duplicateProblem(int problem) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    m_stack->push(new InsertCommand(m_document, problem + 1, {m_document->problem(problem)},
                                    QStringLiteral("копия задачи %1").arg(problem + 1)));
}

void BankEditing::removeProblem(int problem) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    m_stack->push(
        new RemoveCommand(m_document, problem, QStringLiteral("удаление задачи %1").arg(problem + 1)));
}

void BankEditing::moveProblem(int from, int to) {
    const int n = m_document->problemCount();
    if (from == to || from < 0 || to < 0 || from >= n || to >= n)
        return;
    m_stack->push(new MoveCommand(
        m_document, from, to, QStringLiteral("перемещение задачи %1 на место %2").arg(from + 1).arg(to + 1)));
}

void BankEditing::insertProblems(int at, const QList<DocProblem> &problems, const QString &what) {
    if (problems.isEmpty())
        return;
    m_stack->push(
        new InsertCommand(m_document, std::clamp(at, 0, m_document->problemCount()), problems, what));
}

void BankEditing::replaceAll(const QList<DocProblem> &problems, const QString &what) {
    m_stack->push(new ResetCommand(m_document, problems, what));
}
