#include "editor/check_panel.h"

#include "data/bank_charset.h"
#include "data/bank_check.h"
#include "data/bank_document.h"
#include "data/levels.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

enum Role { ProblemRole = Qt::UserRole, FieldRole, OptionRole };

ProblemEditor::Field fieldOf(bankcheck::Finding::Field field) {
    switch (field) {
    case bankcheck::Finding::Field::None:
    case bankcheck::Finding::Field::Condition:
        return ProblemEditor::Field::Condition;
    case bankcheck::Finding::Field::Body:
        return ProblemEditor::Field::Body;
    case bankcheck::Finding::Field::Options:
    case bankcheck::Finding::Field::OptionText:
    case bankcheck::Finding::Field::Correct:
        break;
    }
    return ProblemEditor::Field::Option;
}

} // namespace

CheckPanel::CheckPanel(BankDocument *document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
    , m_delay(new QTimer(this))
    , m_levels(new QLabel(this))
    , m_findings(new QListWidget(this))
    , m_fix(new QPushButton(QStringLiteral("&Заменить школьной записью"), this))
    , m_fixAll(new QPushButton(QStringLiteral("Школьная запись во &всём банке"), this)) {
    setObjectName(QStringLiteral("CheckPanel"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_levels->setObjectName(QStringLiteral("CheckLevels"));
    m_levels->setWordWrap(true);
    m_levels->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    layout->addWidget(m_levels);
    auto *label = new QLabel(QStringLiteral("&Ошибки (Enter или двойной щелчок — к задаче):"), this);
    label->setBuddy(m_findings);
    layout->addWidget(label);
    m_findings->setObjectName(QStringLiteral("CheckFindings"));
    m_findings->setAccessibleName(QStringLiteral("Ошибки в банке"));
    m_findings->setWordWrap(true);
    layout->addWidget(m_findings, 1);
    m_fix->setObjectName(QStringLiteral("SchoolSpellingFix"));
    m_fixAll->setObjectName(QStringLiteral("SchoolSpellingFixAll"));
    m_fixAll->setToolTip(QStringLiteral("Заменить знаки вне Windows-1251 школьной записью во всех задачах"));
    auto *fixes = new QHBoxLayout;
    fixes->addWidget(m_fix);
    fixes->addWidget(m_fixAll);
    fixes->addStretch();
    layout->addLayout(fixes);
    connect(m_findings, &QListWidget::currentItemChanged, this, &CheckPanel::updateFix);
    connect(m_fix, &QPushButton::clicked, this, [this] {
        const QListWidgetItem *item = m_findings->currentItem();
        if (item && item->data(ProblemRole).toInt() >= 0)
            emit schoolSpellingRequested(item->data(ProblemRole).toInt(),
                                         ProblemEditor::Field(item->data(FieldRole).toInt()),
                                         item->data(OptionRole).toInt());
    });
    connect(m_fixAll, &QPushButton::clicked, this, &CheckPanel::schoolSpellingEverywhereRequested);

    // The check reads the whole bank: it waits for a pause in typing, not every key.
    m_delay->setSingleShot(true);
    m_delay->setInterval(250);
    connect(m_delay, &QTimer::timeout, this, &CheckPanel::checkNow);
    connect(document, &BankDocument::changed, m_delay, qOverload<>(&QTimer::start));

    const auto activate = [this](QListWidgetItem *item) {
        if (!item || item->data(ProblemRole).toInt() < 0)
            return;
        emit findingActivated(item->data(ProblemRole).toInt(),
                              ProblemEditor::Field(item->data(FieldRole).toInt()),
                              item->data(OptionRole).toInt());
    };
    connect(m_findings, &QListWidget::itemActivated, this, activate);
    checkNow();
}

QString CheckPanel::teachersText(const bankcheck::Finding &finding, int *row) const {
    *row = 0;
    if (finding.position < 1 || finding.position > m_document->problemCount() || finding.plain.isEmpty())
        return finding.text;
    if (finding.field != bankcheck::Finding::Field::OptionText)
        return QStringLiteral("Задача %1: %2.").arg(finding.position).arg(finding.plain);
    // The check counts options as the student sees them; the fields keep the teacher's order.
    const QList<int> order = bankdoc::shownOrder(m_document->problem(finding.position - 1), finding.position);
    *row = order.value(finding.option - 1, finding.option - 1);
    return QStringLiteral("Задача %1, вариант %2: %3.")
        .arg(finding.position)
        .arg(*row + 1)
        .arg(finding.plain);
}

void CheckPanel::updateFix() {
    const QListWidgetItem *item = m_findings->currentItem();
    const int problem = item ? item->data(ProblemRole).toInt() : -1;
    QString text;
    if (problem >= 0 && problem < m_document->problemCount()) {
        const DocProblem &p = m_document->problem(problem);
        switch (ProblemEditor::Field(item->data(FieldRole).toInt())) {
        case ProblemEditor::Field::Condition:
            text = p.condition;
            break;
        case ProblemEditor::Field::Body:
            text = p.body;
            break;
        case ProblemEditor::Field::Option:
            // The fields keep the teacher's order: the row is the option's index.
            if (const int row = item->data(OptionRole).toInt(); row >= 0 && row < p.options.size())
                text = p.options[row];
            break;
        }
    }
    const QString fixed = bankcharset::withSchoolSpellings(text);
    m_fix->setEnabled(fixed != text);
    m_fix->setToolTip(fixed != text ? QStringLiteral("Станет: %1").arg(fixed)
                                    : QStringLiteral("Выберите ошибку о символах вне Windows-1251"));
}

void CheckPanel::checkNow() {
    m_delay->stop();
    const bankcheck::Report report = bankcheck::check(m_document->toBank());

    QStringList lines;
    lines << QStringLiteral("Задач: %1.").arg(report.problemCount);
    for (const LevelRules &level : kLevels) {
        const bool works = report.levelsServed.contains(level.level);
        lines << QStringLiteral("Уровень «%1» (задачи 1–%2): %3")
                     .arg(level.level)
                     .arg(level.problems)
                     .arg(works ? QStringLiteral("работает.") : QStringLiteral("<b>не работает.</b>"));
    }
    m_levels->setText(lines.join(QStringLiteral("<br>")));

    m_findings->clear();
    if (report.findings.isEmpty()) {
        auto *item = new QListWidgetItem(QStringLiteral("Ошибок не найдено."), m_findings);
        item->setData(ProblemRole, -1);
    }
    // A list of thousands would take longer to lay out than the check itself, after every key.
    constexpr int kShown = 500;
    for (const bankcheck::Finding &f : report.findings.mid(0, kShown)) {
        int row = 0;
        auto *item = new QListWidgetItem(teachersText(f, &row), m_findings);
        item->setData(ProblemRole, f.position - 1);
        item->setData(FieldRole, int(fieldOf(f.field)));
        item->setData(OptionRole, row);
    }
    if (report.findings.size() > kShown) {
        auto *item = new QListWidgetItem(QStringLiteral("… и ещё %1 (все — в выводе cifrovex-bank check).")
                                             .arg(report.findings.size() - kShown),
                                         m_findings);
        item->setData(ProblemRole, -1);
    }
    // Each is about a body the student will not see.
    for (const bankcheck::Finding &f : report.warnings.mid(0, kShown)) {
        int row = 0;
        auto *item =
            new QListWidgetItem(QStringLiteral("Предупреждение. ") + teachersText(f, &row), m_findings);
        item->setData(ProblemRole, f.position - 1);
        item->setData(FieldRole, int(ProblemEditor::Field::Body));
        item->setData(OptionRole, 0);
    }
    bool respellable = false;
    for (const DocProblem &p : m_document->problems()) {
        respellable = bankcharset::hasSchoolSpelling(p.condition) || bankcharset::hasSchoolSpelling(p.body) ||
                      std::any_of(p.options.begin(), p.options.end(), &bankcharset::hasSchoolSpelling);
        if (respellable)
            break;
    }
    m_fixAll->setEnabled(respellable);
    updateFix();
}
