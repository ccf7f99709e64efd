#include "data/bank_editing.h"

#include "data/bank_charset.h"
#include "data/answer_key.h"

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
    if (p.optionOrigins.size() + 1 == p.options.size())
        p.optionOrigins.append(0);
    edit(problem, p, QStringLiteral("новый вариант ответа задачи %1").arg(problem + 1), -1);
}

void BankEditing::removeOption(int problem, int option) {
    if (problem < 0 || problem >= m_document->problemCount())
        return;
    DocProblem p = m_document->problem(problem);
    if (option < 0 || option >= p.options.size())
        return;
    if (p.optionOrigins.size() == p.options.size())
        p.optionOrigins.removeAt(option);
    p.options.removeAt(option);
    if (p.correct == option)
        p.correct = -1;
    else if (p.correct > option)
        --p.correct;
    edit(problem, p, QStringLiteral("удаление варианта ответа задачи %1").arg(problem + 1), -1);
}

int BankEditing::moveOption(int problem, int option, int delta) {
    if (problem < 0 || problem >= m_document->problemCount() || (delta != -1 && delta != 1))
        return -1;
    DocProblem p = m_document->problem(problem);
    const int position = problem + 1;
    const QList<int> order = bankdoc::shownOrder(p, position);
    const int row = int(order.indexOf(option));
    if (row < 0)
        return -1;
    const bool keyed = p.correct >= 0 && isKeyed(position);
    if (keyed && option == p.correct)
        return -1;
    int target = row + delta;
    if (keyed && target >= 0 && target < order.size() && order[target] == p.correct)
        target += delta;
    if (target < 0 || target >= order.size())
        return -1;
    const int other = order[target];
    if (p.optionOrigins.size() == p.options.size())
        p.optionOrigins.swapItemsAt(option, other);
    p.options.swapItemsAt(option, other);
    if (p.correct == option)
        p.correct = other;
    else if (p.correct == other)
        p.correct = option;
    edit(problem, p,
         QStringLiteral("перемещение варианта ответа задачи %1 %2")
             .arg(problem + 1)
             .arg(delta < 0 ? QStringLiteral("выше") : QStringLiteral("ниже")),
         -1);
    return other;
}

namespace {

DocProblem respelled(DocProblem p) {
    p.condition = bankcharset::withSchoolSpellings(p.condition);
    p.body = bankcharset::withSchoolSpellings(p.body);
    for (QString &o : p.options)
        o = bankcharset::withSchoolSpellings(o);
    return p;
}

} // namespace

bool BankEditing::useSchoolSpellings(int problem, Field field, int option) {
    if (problem < 0 || problem >= m_document->problemCount())
        return false;
    DocProblem p = m_document->problem(problem);
    QString *text = field == Field::Condition ? &p.condition : field == Field::Body ? &p.body : nullptr;
    if (field == Field::Option && option >= 0 && option < p.options.size())
        text = &p.options[option];
    if (!text)
        return false;
    const QString fixed = bankcharset::withSchoolSpellings(*text);
    if (fixed == *text)
        return false;
    *text = fixed;
    edit(problem, p, QStringLiteral("школьная запись знаков в задаче %1").arg(problem + 1), -1);
    return true;
}

int BankEditing::useSchoolSpellingsEverywhere() {
    QList<int> changed;
    for (int i = 0; i < m_document->problemCount(); ++i)
        if (respelled(m_document->problem(i)) != m_document->problem(i))
            changed << i;
    if (changed.isEmpty())
        return 0;
    m_stack->beginMacro(QStringLiteral("школьная запись знаков во всём банке"));
    for (int i : changed)
        m_stack->push(new EditProblemCommand(m_document, i, m_document->problem(i),
                                             respelled(m_document->problem(i)), QString(), -1));
    m_stack->endMacro();
    return int(changed.size());
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

namespace {

// Valid, distinct indices in ascending order.
QList<int> sortedIndices(const QList<int> &indices, int count) {
    QList<int> out;
    for (int i : indices)
        if (i >= 0 && i < count && !out.contains(i))
            out << i;
    std::sort(out.begin(), out.end());
    return out;
}

// "задачи 3", "задач 3, 5", "задач 3–6" for an undo step's text.
QString problemsText(const QList<int> &sorted) {
    if (sorted.size() == 1)
        return QStringLiteral("задачи %1").arg(sorted.first() + 1);
    if (sorted.last() - sorted.first() + 1 == sorted.size())
        return QStringLiteral("задач %1–%2").arg(sorted.first() + 1).arg(sorted.last() + 1);
    QStringList numbers;
    for (int i : sorted)
        numbers << QString::number(i + 1);
    return QStringLiteral("задач %1").arg(numbers.join(QStringLiteral(", ")));
}

} // namespace

void BankEditing::removeProblems(const QList<int> &problems) {
    const QList<int> rows = sortedIndices(problems, m_document->problemCount());
    if (rows.isEmpty())
        return;
    m_stack->beginMacro(QStringLiteral("удаление %1").arg(problemsText(rows)));
    // From the last, so that the others keep their indices.
    for (auto it = rows.crbegin(); it != rows.crend(); ++it)
        m_stack->push(new RemoveCommand(m_document, *it, QString()));
    m_stack->endMacro();
}

int BankEditing::duplicateProblems(const QList<int> &problems) {
    const QList<int> rows = sortedIndices(problems, m_document->problemCount());
    if (rows.isEmpty())
        return -1;
    QList<DocProblem> copies;
    for (int i : rows)
        copies << m_document->problem(i);
    const int at = rows.last() + 1;
    m_stack->push(
        new InsertCommand(m_document, at, copies, QStringLiteral("копия %1").arg(problemsText(rows))));
    return at;
}

QList<int> BankEditing::moveProblems(const QList<int> &problems, int delta) {
    const int n = m_document->problemCount();
    const QList<int> rows = sortedIndices(problems, n);
    if (rows.isEmpty() || (delta != -1 && delta != 1) || rows.first() + delta < 0 || rows.last() + delta >= n)
        return {};
    m_stack->beginMacro(
        QStringLiteral("перемещение %1 %2")
            .arg(problemsText(rows), delta < 0 ? QStringLiteral("выше") : QStringLiteral("ниже")));
    // Up from the first, down from the last: each step swaps with a problem that is not moved.
    QList<int> moved;
    for (int k = 0; k < rows.size(); ++k) {
        const int i = delta < 0 ? rows[k] : rows[rows.size() - 1 - k];
        m_stack->push(new MoveCommand(m_document, i, i + delta, QString()));
        moved << i + delta;
    }
    m_stack->endMacro();
    std::sort(moved.begin(), moved.end());
    return moved;
}

QList<int> BankEditing::moveProblemsTo(const QList<int> &problems, int before) {
    const int n = m_document->problemCount();
    const QList<int> rows = sortedIndices(problems, n);
    before = std::clamp(before, 0, n);
    if (rows.isEmpty())
        return {};
    const int first =
        before - int(std::count_if(rows.begin(), rows.end(), [&](int i) { return i < before; }));
    QList<int> target;
    for (int k = 0; k < rows.size(); ++k)
        target << first + k;
    if (target == rows)
        return rows;
    // Those that go down from the last, then those that go up from the first: each move then
    // shifts only problems that are not yet placed or stay where they are.
    QList<int> steps;
    for (int k = int(rows.size()) - 1; k >= 0; --k)
        if (rows[k] < target[k])
            steps << k;
    for (int k = 0; k < rows.size(); ++k)
        if (rows[k] > target[k])
            steps << k;
    QList<int> order; // original indices, as the moves go
    for (int i = 0; i < n; ++i)
        order << i;
    m_stack->beginMacro(QStringLiteral("перемещение %1 на место %2").arg(problemsText(rows)).arg(first + 1));
    for (int k : steps) {
        const int from = int(order.indexOf(rows[k]));
        m_stack->push(new MoveCommand(m_document, from, target[k], QString()));
        order.move(from, target[k]);
    }
    m_stack->endMacro();
    return target;
}

void BankEditing::replaceAll(const QList<DocProblem> &problems, const QString &what) {
    m_stack->push(new ResetCommand(m_document, problems, what));
}
