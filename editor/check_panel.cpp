#include "editor/check_panel.h"

#include "data/bank_check.h"
#include "data/bank_document.h"
#include "testing/grading.h"

#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>

namespace {

enum Role { ProblemRole = Qt::UserRole, FieldRole, OptionRole };

} // namespace

CheckPanel::CheckPanel(BankDocument *document, QWidget *parent)
    : QWidget(parent)
    , m_document(document)
    , m_delay(new QTimer(this))
    , m_levels(new QLabel(this))
    , m_findings(new QListWidget(this)) {
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

ProblemEditor::Field CheckPanel::fieldOf(const QString &text, int *optionNumber) {
    *optionNumber = 0;
    if (text.contains(QStringLiteral("(Uslovie)")))
        return ProblemEditor::Field::Condition;
    if (text.contains(QStringLiteral("(Name)")))
        return ProblemEditor::Field::Body;
    static const QRegularExpression option(QStringLiteral("текст варианта (-?\\d+)"));
    if (const QRegularExpressionMatch m = option.match(text); m.hasMatch())
        *optionNumber = m.captured(1).toInt();
    return ProblemEditor::Field::Option;
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
        auto *item = new QListWidgetItem(f.text, m_findings);
        int number = 0;
        const ProblemEditor::Field field = fieldOf(f.text, &number);
        item->setData(ProblemRole, f.position - 1);
        item->setData(FieldRole, int(field));
        item->setData(OptionRole, number > 0 ? number - 1 : 0);
    }
    if (report.findings.size() > kShown) {
        auto *item = new QListWidgetItem(QStringLiteral("… и ещё %1 (все — в выводе cifrovex-bank check).")
                                             .arg(report.findings.size() - kShown),
                                         m_findings);
        item->setData(ProblemRole, -1);
    }
    // Each is about a body the student will not see.
    for (const bankcheck::Finding &f : report.warnings.mid(0, kShown)) {
        auto *item = new QListWidgetItem(QStringLiteral("Предупреждение. ") + f.text, m_findings);
        item->setData(ProblemRole, f.position - 1);
        item->setData(FieldRole, int(ProblemEditor::Field::Body));
        item->setData(OptionRole, 0);
    }
}
