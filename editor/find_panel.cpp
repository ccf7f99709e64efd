#include "editor/find_panel.h"

#include "data/bank_document.h"
#include "data/bank_editing.h"
#include "editor/editor_window.h"
#include "editor/problem_editor.h"
#include "editor/text_edit.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUndoStack>

#include <tuple>

namespace {

// More hits than this are counted but not listed: a list that long helps nobody.
constexpr int kListed = 2000;

auto orderOf(const banksearch::Hit &hit, int start) {
    const int field = hit.field == banksearch::Field::Condition ? 0
                      : hit.field == banksearch::Field::Body    ? 1
                                                                : 2 + hit.option;
    return std::make_tuple(hit.problem, field, start);
}

// The first hit at or after a place in the bank, wrapping round to the first; -1 when none.
int firstFrom(const QList<banksearch::Hit> &hits, const banksearch::Hit &place, int start) {
    for (int i = 0; i < hits.size(); ++i)
        if (orderOf(hits[i], hits[i].start) >= orderOf(place, start))
            return i;
    return hits.isEmpty() ? -1 : 0;
}

ProblemEditor::Field editorField(banksearch::Field field) {
    switch (field) {
    case banksearch::Field::Condition:
        return ProblemEditor::Field::Condition;
    case banksearch::Field::Body:
        return ProblemEditor::Field::Body;
    case banksearch::Field::Option:
        break;
    }
    return ProblemEditor::Field::Option;
}

QAction *makeAction(QWidget *owner, const QString &name, const QString &text, const QKeySequence &key) {
    auto *action = new QAction(text, owner);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    owner->addAction(action);
    return action;
}

} // namespace

FindPanel::FindPanel(EditorWindow *window)
    : QDockWidget(QStringLiteral("Поиск и замена"), window)
    , m_window(window)
    , m_find(new QLineEdit(this))
    , m_replace(new QLineEdit(this))
    , m_case(new QCheckBox(QStringLiteral("С учётом ре&гистра"), this))
    , m_replaceOne(new QPushButton(QStringLiteral("За&менить"), this))
    , m_replaceAll(new QPushButton(QStringLiteral("З&аменить все"), this))
    , m_summary(new QLabel(this))
    , m_hits(new QTreeWidget(this))
    , m_refresh(new QTimer(this)) {
    setObjectName(QStringLiteral("FindPanel"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    m_find->setObjectName(QStringLiteral("FindText"));
    m_replace->setObjectName(QStringLiteral("ReplaceText"));
    m_case->setObjectName(QStringLiteral("FindMatchCase"));
    m_replaceOne->setObjectName(QStringLiteral("ReplaceOne"));
    m_replaceAll->setObjectName(QStringLiteral("ReplaceAll"));
    m_hits->setObjectName(QStringLiteral("FindHits"));
    m_summary->setObjectName(QStringLiteral("FindSummary"));
    m_hits->setAccessibleName(QStringLiteral("Найдено"));
    m_hits->setHeaderLabels(
        {QStringLiteral("Задача"), QStringLiteral("Поле"), QStringLiteral("Текст вокруг")});
    m_hits->setRootIsDecorated(false);
    m_hits->setUniformRowHeights(true);
    m_hits->setAllColumnsShowFocus(true);
    m_hits->header()->setStretchLastSection(true);
    m_hits->setColumnWidth(0, m_hits->fontMetrics().horizontalAdvance(QStringLiteral("Задача  00000")));
    m_hits->setColumnWidth(1, m_hits->fontMetrics().horizontalAdvance(QStringLiteral("текст задачи  ")));

    // The access keys are letters the window's own labels, tabs and menu bar leave free.
    auto *content = new QWidget(this);
    auto *grid = new QGridLayout(content);
    auto *findLabel = new QLabel(QStringLiteral("&Найти:"), content);
    findLabel->setBuddy(m_find);
    auto *replaceLabel = new QLabel(QStringLiteral("Замен&ить на:"), content);
    replaceLabel->setBuddy(m_replace);
    auto *next = new QPushButton(QStringLiteral("На&йти далее"), content);
    next->setObjectName(QStringLiteral("FindNextButton"));
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(m_find, 0, 1);
    grid->addWidget(next, 0, 2);
    grid->addWidget(m_case, 0, 3);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(m_replace, 1, 1);
    grid->addWidget(m_replaceOne, 1, 2);
    grid->addWidget(m_replaceAll, 1, 3);
    grid->addWidget(m_summary, 2, 0, 1, 4);
    grid->addWidget(m_hits, 3, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    setWidget(content);

    m_actions << makeAction(window, QStringLiteral("Find"), QStringLiteral("На&йти..."), QKeySequence::Find)
              << makeAction(window, QStringLiteral("FindNext"), QStringLiteral("Найти дал&ее"),
                            QKeySequence(Qt::Key_F3))
              << makeAction(window, QStringLiteral("FindPrevious"), QStringLiteral("Найти &ранее"),
                            QKeySequence(Qt::SHIFT | Qt::Key_F3))
              << makeAction(window, QStringLiteral("Replace"), QStringLiteral("&Заменить..."),
                            QKeySequence(Qt::CTRL | Qt::Key_H));
    connect(m_actions[0], &QAction::triggered, this, &FindPanel::showFind);
    connect(m_actions[1], &QAction::triggered, this, &FindPanel::findNext);
    connect(m_actions[2], &QAction::triggered, this, &FindPanel::findPrevious);
    connect(m_actions[3], &QAction::triggered, this, &FindPanel::showReplace);

    connect(m_find, &QLineEdit::textChanged, this, [this] {
        m_current = -1;
        refresh();
    });
    connect(m_case, &QCheckBox::toggled, this, [this] {
        m_current = -1;
        refresh();
    });
    connect(m_find, &QLineEdit::returnPressed, this, &FindPanel::findNext);
    connect(next, &QPushButton::clicked, this, &FindPanel::findNext);
    connect(m_replace, &QLineEdit::returnPressed, this, &FindPanel::replaceCurrent);
    connect(m_replaceOne, &QPushButton::clicked, this, &FindPanel::replaceCurrent);
    connect(m_replaceAll, &QPushButton::clicked, this, &FindPanel::replaceAll);
    connect(m_hits, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { goTo(item->data(0, Qt::UserRole).toInt()); });

    // The hits follow the teacher's typing a moment later, as the check does.
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(250);
    connect(m_refresh, &QTimer::timeout, this, &FindPanel::refresh);
    connect(window->document(), &BankDocument::changed, this, [this] {
        if (!m_changing && !m_find->text().isEmpty())
            m_refresh->start();
    });

    // Esc closes the panel and hands the keyboard back to the problem.
    auto *close =
        new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(close, &QShortcut::activated, this, [this] {
        hide();
        m_window->problemEditor()->focusField(ProblemEditor::Field::Condition);
    });

    window->addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();
    refresh();
}

Qt::CaseSensitivity FindPanel::caseSensitivity() const {
    return m_case->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

void FindPanel::showFind() {
    show();
    raise();
    m_find->setFocus();
    m_find->selectAll();
}

void FindPanel::showReplace() {
    show();
    raise();
    if (m_find->text().isEmpty()) {
        m_find->setFocus();
        return;
    }
    m_replace->setFocus();
    m_replace->selectAll();
}

void FindPanel::refresh() {
    m_refresh->stop();
    const banksearch::Hit previous =
        m_current >= 0 && m_current < m_found.size() ? m_found[m_current] : banksearch::Hit{};
    const bool hadCurrent = m_current >= 0 && m_current < m_found.size();
    const QList<DocProblem> &problems = m_window->document()->problems();
    m_found = banksearch::find(problems, m_find->text(), caseSensitivity());
    m_current = hadCurrent ? firstFrom(m_found, previous, previous.start) : -1;

    m_hits->clear();
    QList<QTreeWidgetItem *> items;
    for (int i = 0; i < m_found.size() && i < kListed; ++i) {
        const banksearch::Hit &hit = m_found[i];
        auto *item = new QTreeWidgetItem({QString::number(hit.problem + 1), banksearch::fieldName(hit),
                                          banksearch::context(problems[hit.problem], hit)});
        item->setData(0, Qt::UserRole, i);
        items << item;
    }
    m_hits->addTopLevelItems(items);
    if (m_current >= 0 && m_current < m_hits->topLevelItemCount())
        m_hits->setCurrentItem(m_hits->topLevelItem(m_current));

    const qsizetype n = m_found.size();
    QString summary;
    if (m_find->text().isEmpty())
        summary = QStringLiteral("Ищет в условиях, текстах задач и вариантах ответа.");
    else if (n == 0)
        summary = QStringLiteral("Не найдено.");
    else if (n > kListed)
        summary = QStringLiteral("Найдено: %1; показаны первые %2.").arg(n).arg(kListed);
    else
        summary = QStringLiteral("Найдено: %1.").arg(n);
    m_summary->setText(summary);
    m_replaceOne->setEnabled(n > 0);
    m_replaceAll->setEnabled(n > 0);
}

void FindPanel::goTo(int index) {
    if (index < 0 || index >= m_found.size())
        return;
    m_current = index;
    const banksearch::Hit hit = m_found[index];
    if (index < m_hits->topLevelItemCount())
        m_hits->setCurrentItem(m_hits->topLevelItem(index));
    if (m_window->currentProblem() != hit.problem)
        m_window->setCurrentProblem(hit.problem);
    ProblemEditor *editor = m_window->problemEditor();
    editor->focusField(editorField(hit.field), hit.option);
    BankTextEdit *edit = hit.field == banksearch::Field::Condition ? editor->conditionEdit()
                         : hit.field == banksearch::Field::Body    ? editor->bodyEdit()
                                                                   : editor->optionEdit(hit.option);
    if (!edit)
        return;
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(hit.start);
    cursor.setPosition(hit.start + hit.length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    m_window->statusBar()->showMessage(QStringLiteral("Найдено %1 из %2: задача %3, %4.")
                                           .arg(index + 1)
                                           .arg(m_found.size())
                                           .arg(hit.problem + 1)
                                           .arg(banksearch::fieldName(hit)));
}

// Whether there are hits to step through; if not, the panel opens or says so.
bool FindPanel::hitsToStep() {
    if (m_find->text().isEmpty()) {
        showFind();
        return false;
    }
    if (m_refresh->isActive())
        refresh();
    if (m_found.isEmpty()) {
        m_window->statusBar()->showMessage(QStringLiteral("«%1» не найдено.").arg(m_find->text()));
        return false;
    }
    return true;
}

void FindPanel::findNext() {
    if (!hitsToStep())
        return;
    if (m_current < 0) {
        // From the problem on screen onwards.
        banksearch::Hit here;
        here.problem = std::max(0, m_window->currentProblem());
        goTo(firstFrom(m_found, here, 0));
        return;
    }
    goTo((m_current + 1) % int(m_found.size()));
}

void FindPanel::findPrevious() {
    if (!hitsToStep())
        return;
    const int n = int(m_found.size());
    goTo(m_current < 0 ? n - 1 : (m_current + n - 1) % n);
}

void FindPanel::replaceCurrent() {
    if (m_refresh->isActive())
        refresh();
    if (m_current < 0 || m_current >= m_found.size()) {
        findNext();
        return;
    }
    const banksearch::Hit hit = m_found[m_current];
    const DocProblem &before = m_window->document()->problem(hit.problem);
    const DocProblem after =
        banksearch::replaceHit(before, hit, m_find->text(), m_replace->text(), caseSensitivity());
    if (after == before) {
        refresh();
        return;
    }
    BankEditing *editing = m_window->editing();
    QUndoStack *stack = editing->undoStack();
    m_changing = true;
    // A macro of its own, so that the replacement never merges with typing in the same field.
    stack->beginMacro(QStringLiteral("замена «%1» на «%2» в задаче %3")
                          .arg(m_find->text(), m_replace->text())
                          .arg(hit.problem + 1));
    switch (hit.field) {
    case banksearch::Field::Condition:
        editing->setCondition(hit.problem, after.condition);
        break;
    case banksearch::Field::Body:
        editing->setBody(hit.problem, after.body);
        break;
    case banksearch::Field::Option:
        editing->setOptionText(hit.problem, hit.option, after.options[hit.option]);
        break;
    }
    stack->endMacro();
    m_changing = false;

    // On to the first hit after the replaced text.
    m_current = -1;
    refresh();
    if (m_found.isEmpty()) {
        m_window->statusBar()->showMessage(QStringLiteral("Заменено. Больше «%1» нет.").arg(m_find->text()));
        return;
    }
    goTo(firstFrom(m_found, hit, hit.start + int(m_replace->text().size())));
}

void FindPanel::replaceAll() {
    if (m_refresh->isActive())
        refresh();
    const QString needle = m_find->text();
    if (needle.isEmpty() || m_found.isEmpty())
        return;
    BankEditing *editing = m_window->editing();
    const BankDocument *document = m_window->document();
    int total = 0;
    m_changing = true;
    editing->undoStack()->beginMacro(
        QStringLiteral("замена всех «%1» на «%2»").arg(needle, m_replace->text()));
    for (int i = 0; i < document->problemCount(); ++i) {
        const DocProblem before = document->problem(i);
        int count = 0;
        const DocProblem after =
            banksearch::replaceAll(before, needle, m_replace->text(), caseSensitivity(), &count);
        if (count == 0)
            continue;
        total += count;
        if (after.condition != before.condition)
            editing->setCondition(i, after.condition);
        if (after.body != before.body)
            editing->setBody(i, after.body);
        for (int o = 0; o < after.options.size(); ++o)
            if (after.options[o] != before.options[o])
                editing->setOptionText(i, o, after.options[o]);
    }
    editing->undoStack()->endMacro();
    m_changing = false;
    m_current = -1;
    refresh();
    m_window->statusBar()->showMessage(QStringLiteral("Заменено: %1. Отменить: Ctrl+Z.").arg(total));
}
