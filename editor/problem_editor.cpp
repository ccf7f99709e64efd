#include "editor/problem_editor.h"

#include "data/bank_editing.h"
#include "editor/text_edit.h"
#include "data/answer_key.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// Lines a field shows before it scrolls.
void setVisibleLines(QPlainTextEdit *edit, int lines) {
    const QFontMetrics fm(edit->font());
    // The document's margins, the frame, and the few pixels the plain text layout adds below the
    // last line (without them one line would show a scroll bar).
    const int margins = int(edit->document()->documentMargin() * 2) + edit->frameWidth() * 2 + 4;
    edit->setMinimumHeight(fm.lineSpacing() * lines + margins);
    edit->setMaximumHeight(fm.lineSpacing() * std::max(lines, 8) + margins);
}

} // namespace

ProblemEditor::ProblemEditor(BankEditing *editing, QWidget *parent)
    : QWidget(parent)
    , m_editing(editing) {
    setObjectName(QStringLiteral("ProblemEditor"));
    auto *layout = new QVBoxLayout(this);

    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("ProblemHeading"));
    QFont bold = m_heading->font();
    bold.setBold(true);
    m_heading->setFont(bold);
    layout->addWidget(m_heading);

    auto *conditionLabel = new QLabel(QStringLiteral("&Условие (Uslovie):"), this);
    m_condition = new BankTextEdit(this);
    m_condition->setObjectName(QStringLiteral("ConditionEdit"));
    m_condition->setAccessibleName(QStringLiteral("Условие"));
    conditionLabel->setBuddy(m_condition);
    setVisibleLines(m_condition, 2);
    layout->addWidget(conditionLabel);
    layout->addWidget(m_condition);

    auto *bodyLabel = new QLabel(QStringLiteral("&Текст задачи (Name):"), this);
    m_body = new BankTextEdit(this);
    m_body->setObjectName(QStringLiteral("BodyEdit"));
    m_body->setAccessibleName(QStringLiteral("Текст задачи"));
    bodyLabel->setBuddy(m_body);
    setVisibleLines(m_body, 4);
    layout->addWidget(bodyLabel);
    layout->addWidget(m_body);

    auto *options = new QGroupBox(QStringLiteral("Варианты ответа (верный отмечен кружком)"), this);
    options->setObjectName(QStringLiteral("OptionsBox"));
    auto *optionsLayout = new QVBoxLayout(options);
    m_optionGrid = new QGridLayout;
    m_optionGrid->setColumnStretch(2, 1);
    optionsLayout->addLayout(m_optionGrid);
    m_correctGroup = new QButtonGroup(this);
    m_correctGroup->setExclusive(true);
    connect(m_correctGroup, &QButtonGroup::idClicked, this, &ProblemEditor::markCorrect);

    m_warning = new QLabel(options);
    m_warning->setObjectName(QStringLiteral("OptionWarning"));
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #a00000;"));
    optionsLayout->addWidget(m_warning);

    auto *buttons = new QHBoxLayout;
    m_addOption = new QPushButton(QStringLiteral("&Добавить вариант"), options);
    m_addOption->setObjectName(QStringLiteral("AddOption"));
    m_removeOption = new QPushButton(QStringLiteral("Уд&алить вариант"), options);
    m_removeOption->setObjectName(QStringLiteral("RemoveOption"));
    connect(m_addOption, &QPushButton::clicked, this, &ProblemEditor::addOption);
    connect(m_removeOption, &QPushButton::clicked, this, &ProblemEditor::removeOption);
    // They act on the option being typed in: a click must leave the keyboard there.
    m_optionUp = new QPushButton(QStringLiteral("Вариант выше"), options);
    m_optionUp->setObjectName(QStringLiteral("MoveOptionUp"));
    m_optionUp->setToolTip(QStringLiteral("Поднять неверный вариант среди неверных (Alt+Up)"));
    m_optionUp->setFocusPolicy(Qt::NoFocus);
    m_optionDown = new QPushButton(QStringLiteral("Вариант ниже"), options);
    m_optionDown->setObjectName(QStringLiteral("MoveOptionDown"));
    m_optionDown->setToolTip(QStringLiteral("Опустить неверный вариант среди неверных (Alt+Down)"));
    m_optionDown->setFocusPolicy(Qt::NoFocus);
    connect(m_optionUp, &QPushButton::clicked, this, [this] { moveOption(-1); });
    connect(m_optionDown, &QPushButton::clicked, this, [this] { moveOption(+1); });
    buttons->addWidget(m_addOption);
    buttons->addWidget(m_removeOption);
    buttons->addWidget(m_optionUp);
    buttons->addWidget(m_optionDown);
    buttons->addStretch();
    optionsLayout->addLayout(buttons);
    layout->addWidget(options);
    layout->addStretch();

    connect(m_condition, &BankTextEdit::schoolSpellingRequested, this,
            [this] { m_editing->useSchoolSpellings(m_problem, BankEditing::Field::Condition); });
    connect(m_body, &BankTextEdit::schoolSpellingRequested, this,
            [this] { m_editing->useSchoolSpellings(m_problem, BankEditing::Field::Body); });
    connect(m_condition, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_refreshing)
            m_editing->setCondition(m_problem, m_condition->toPlainText());
    });
    connect(m_body, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_refreshing)
            m_editing->setBody(m_problem, m_body->toPlainText());
    });

    // A click on a button that takes no focus gives it to the scroll area around: the option
    // the teacher was in is remembered until another field takes the keyboard.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now == m_condition || now == m_body)
            m_lastOptionRow = -1;
        for (int row = 0; row < m_rows.size(); ++row)
            if (now == m_rows[row].text)
                m_lastOptionRow = row;
    });

    BankDocument *doc = m_editing->document();
    connect(doc, &BankDocument::problemChanged, this, [this](int index) {
        if (index == m_problem)
            refresh();
    });
    // A structural change moves the problem shown to another position: its key number changes.
    connect(doc, &BankDocument::problemsInserted, this, &ProblemEditor::refresh);
    connect(doc, &BankDocument::problemsRemoved, this, &ProblemEditor::refresh);
    connect(doc, &BankDocument::problemMoved, this, &ProblemEditor::refresh);
    connect(doc, &BankDocument::modelReset, this, &ProblemEditor::refresh);
    refresh();
}

BankTextEdit *ProblemEditor::optionEdit(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].text : nullptr;
}

QRadioButton *ProblemEditor::correctButton(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].correct : nullptr;
}

QLabel *ProblemEditor::shownNumberLabel(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows[row].shown : nullptr;
}

void ProblemEditor::setProblem(int index) {
    if (index == m_problem)
        return;
    m_problem = index;
    m_lastOptionRow = -1;
    refresh();
}

int ProblemEditor::authorIndex(int row) const {
    return row >= 0 && row < m_rows.size() ? row : -1;
}

void ProblemEditor::setRowCount(int count) {
    while (m_rows.size() < count) {
        const int row = int(m_rows.size());
        OptionRow r;
        r.correct = new QRadioButton(this);
        r.correct->setObjectName(QStringLiteral("Correct%1").arg(row + 1));
        r.correct->setAccessibleName(QStringLiteral("Вариант %1 верный").arg(row + 1));
        r.correct->setToolTip(QStringLiteral("Верный ответ (Ctrl+%1)").arg(row + 1));
        // Tab goes from one option's text to the next; the correct one is chosen with Ctrl+number
        // (an exclusive group would let Tab reach only its checked button).
        r.correct->setFocusPolicy(Qt::ClickFocus);
        m_correctGroup->addButton(r.correct, row);
        r.number = new QLabel(QStringLiteral("%1.").arg(row + 1), this);
        r.text = new BankTextEdit(this);
        r.text->setObjectName(QStringLiteral("Option%1").arg(row + 1));
        r.text->setAccessibleName(QStringLiteral("Вариант %1").arg(row + 1));
        setVisibleLines(r.text, 1);
        r.text->setMaximumHeight(r.text->minimumHeight() * 2);
        connect(r.text, &BankTextEdit::schoolSpellingRequested, this, [this, row] {
            m_editing->useSchoolSpellings(m_problem, BankEditing::Field::Option, authorIndex(row));
        });
        connect(r.text, &QPlainTextEdit::textChanged, this, [this, row] {
            if (!m_refreshing)
                m_editing->setOptionText(m_problem, authorIndex(row), m_rows[row].text->toPlainText());
        });
        r.shown = new QLabel(this);
        r.shown->setObjectName(QStringLiteral("ShownNumber%1").arg(row + 1));
        m_optionGrid->addWidget(r.correct, row, 0);
        m_optionGrid->addWidget(r.number, row, 1);
        m_optionGrid->addWidget(r.text, row, 2);
        m_optionGrid->addWidget(r.shown, row, 3);
        m_rows.append(r);
    }
    while (m_rows.size() > count) {
        OptionRow r = m_rows.takeLast();
        m_correctGroup->removeButton(r.correct);
        delete r.correct;
        delete r.number;
        delete r.text;
        delete r.shown;
    }
    for (int row = 0; row < m_rows.size(); ++row)
        setTabOrder(row > 0 ? static_cast<QWidget *>(m_rows[row - 1].text) : m_body, m_rows[row].text);
    if (!m_rows.isEmpty())
        setTabOrder(m_rows.last().text, m_addOption);
    setTabOrder(m_addOption, m_removeOption);
}

void ProblemEditor::refresh() {
    BankDocument *doc = m_editing->document();
    if (m_problem >= doc->problemCount())
        m_problem = doc->problemCount() - 1;
    const bool has = m_problem >= 0;
    setEnabled(has);
    m_refreshing = true;
    if (!has) {
        m_heading->setText(QStringLiteral("Задач нет. Добавьте задачу: Правка → Новая задача (Ctrl+Enter)."));
        m_condition->setTextKeepingCursor(QString());
        m_body->setTextKeepingCursor(QString());
        m_shown.clear();
        setRowCount(0);
        m_warning->clear();
        m_refreshing = false;
        return;
    }
    const DocProblem &p = doc->problem(m_problem);
    const int position = m_problem + 1;
    m_heading->setText(
        QStringLiteral("Задача № %1 — уровни: %2").arg(position).arg(bankdoc::levelsUsing(position)));
    m_condition->setTextKeepingCursor(p.condition);
    m_body->setTextKeepingCursor(p.body);
    // The options stay where the teacher put them; where each stands for the student is said
    // beside it.
    const QList<int> order = bankdoc::shownOrder(p, position);
    m_shown = QList<int>(p.options.size(), 0);
    for (int place = 0; place < order.size(); ++place)
        m_shown[order[place]] = place + 1;
    setRowCount(int(p.options.size()));
    for (int row = 0; row < p.options.size(); ++row) {
        m_rows[row].text->setTextKeepingCursor(p.options[row]);
        // An exclusive group cannot uncheck its last checked button; switch it off for a moment.
        m_correctGroup->setExclusive(false);
        m_rows[row].correct->setChecked(row == p.correct);
        m_correctGroup->setExclusive(true);
        // Past the problems the program shows, the student sees none.
        const QString shown = position <= kMostProblems
                                  ? QStringLiteral("у ученика № %1").arg(m_shown[row])
                                  : QString();
        m_rows[row].shown->setText(shown);
        QStringList name{QStringLiteral("Вариант %1").arg(row + 1)};
        if (row == p.correct)
            name << QStringLiteral("верный");
        if (!shown.isEmpty())
            name << shown;
        m_rows[row].text->setAccessibleName(name.join(QStringLiteral(", ")));
    }
    QStringList warnings;
    if (p.options.size() != 4)
        warnings << QStringLiteral("Вариантов ответа %1, а программа показывает четыре с номерами 1–4: "
                                   "проверка банка отметит эту задачу.")
                        .arg(p.options.size());
    if (p.correct < 0 && !p.options.isEmpty())
        warnings << QStringLiteral("Верный ответ не отмечен.");
    m_warning->setText(warnings.join(u' '));
    m_warning->setVisible(!warnings.isEmpty());
    m_removeOption->setEnabled(!p.options.isEmpty());
    m_optionUp->setEnabled(p.options.size() > 1);
    m_optionDown->setEnabled(p.options.size() > 1);
    m_refreshing = false;
}

void ProblemEditor::markCorrect(int row) {
    const int option = authorIndex(row);
    if (option < 0)
        return;
    m_editing->setCorrect(m_problem, option);
}

void ProblemEditor::addOption() {
    if (m_problem < 0)
        return;
    const int count = int(m_editing->document()->problem(m_problem).options.size());
    m_editing->addOption(m_problem);
    if (count < m_rows.size())
        m_rows[count].text->setFocus();
}

void ProblemEditor::removeOption() {
    if (m_problem < 0 || m_rows.isEmpty())
        return;
    int row = focusedRow();
    if (row < 0)
        row = int(m_rows.size()) - 1;
    m_editing->removeOption(m_problem, authorIndex(row));
}

int ProblemEditor::lastOptionRow() const {
    const int row = focusedRow();
    return row >= 0 ? row : (m_lastOptionRow < m_rows.size() ? m_lastOptionRow : -1);
}

void ProblemEditor::moveOption(int delta) {
    const int row = lastOptionRow();
    if (m_problem < 0 || row < 0) {
        emit optionNotMoved(QStringLiteral("Поставьте курсор в вариант ответа, который нужно переместить."));
        return;
    }
    const int option = authorIndex(row);
    const int moved = m_editing->moveOption(m_problem, option, delta);
    if (moved < 0) {
        const DocProblem &p = m_editing->document()->problem(m_problem);
        const bool keyed = p.correct >= 0 && isKeyed(m_problem + 1);
        emit optionNotMoved(keyed && option == p.correct
                                ? QStringLiteral("Верный вариант ученик видит под номером %1: этот номер "
                                                 "программа считает верным для задачи № %2. Перемещаются "
                                                 "неверные варианты.")
                                      .arg(bankdoc::correctNumber(p, m_problem + 1))
                                      .arg(m_problem + 1)
                            : delta < 0 ? QStringLiteral("Выше неверных вариантов нет.")
                                        : QStringLiteral("Ниже неверных вариантов нет."));
        return;
    }
    // The rows are the teacher's order: the option now stands in the row of its new index.
    if (BankTextEdit *edit = optionEdit(moved))
        edit->setFocus();
}

int ProblemEditor::focusedRow() const {
    for (int row = 0; row < m_rows.size(); ++row)
        if (m_rows[row].text->hasFocus() || m_rows[row].correct->hasFocus())
            return row;
    return -1;
}

void ProblemEditor::focusField(Field field, int row) {
    switch (field) {
    case Field::Condition:
        m_condition->setFocus();
        break;
    case Field::Body:
        m_body->setFocus();
        break;
    case Field::Option:
        if (BankTextEdit *edit = optionEdit(std::clamp(row, 0, std::max(0, optionRows() - 1)))) {
            // The layout shows a row added for this problem only once the event loop has run; a
            // hidden field would not take the keyboard.
            if (isVisible())
                edit->show();
            edit->setFocus();
        }
        break;
    }
}
