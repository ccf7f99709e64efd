#include "data/unmodul.h"

#include <QDir>
#include <QHash>

TDM::TDM(QObject *parent)
    : QObject(parent) {
    connectBank();
    openProblems();
    openOptions();
}

TDM::TDM(Bank bank, QObject *parent)
    : QObject(parent)
    , m_bank(std::move(bank))
    , m_connected(true) {
    indexOptions();
    openProblems();
    openOptions();
}

QString TDM::dataSource(const QString &dir) {
    const QString native = QDir::toNativeSeparators(dir);
    return native + QDir::separator() + QStringLiteral("data.cvx");
}

QString TDM::connectionString(const QString &dir) {
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Password=\"\";User ID=Admin;Data Source=") +
           dataSource(dir) + QStringLiteral(";") +
           QStringLiteral("Mode=Share Deny None;Extended Properties=\"\";") +
           QStringLiteral("Locale Identifier=1049;Jet OLEDB:System database=\"\";") +
           QStringLiteral("Jet OLEDB:Registry Path=\"\";") +
           QStringLiteral("Jet OLEDB:Database Password=\"\";") +
           QStringLiteral("Jet OLEDB:Engine Type=4;Jet OLEDB:Database Locking Mode=0;") +
           QStringLiteral("Jet OLEDB:Global Partial Bulk Ops=2;Jet OLEDB:Global Bulk Transactions=1;") +
           QStringLiteral("Jet OLEDB:New Database Password=\"\";") +
           QStringLiteral("Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;") +
           QStringLiteral("Jet OLEDB:Don't Copy Locale on Compact=False;Jet OLEDB:Compact Without Replica "
                          "Repair=False;Jet OLEDB:SFP=False");
}

void TDM::connectBank() {
    const QString dir = QDir::currentPath();
    m_connectionString = connectionString(dir);
    Bank bank = loadBank(dataSource(dir));
    // A new snapshot invalidates the old cursor positions: the cursors are closed until reopened.
    m_bank = std::move(bank);
    m_connected = true;
    m_problemsActive = false;
    m_optionsActive = false;
    m_problem = -1;
    m_option = -1;
    m_optionsBegin = m_optionsEnd = 0;
    m_eof = true;
    indexOptions();
}

void TDM::indexOptions() {
    QHash<qint32, QList<int>> byProblem; // ID_P -> option indices in file order
    for (int i = 0; i < m_bank.options.size(); ++i)
        byProblem[m_bank.options[i].ID_P].append(i);
    m_optionOrder.clear();
    m_optionStart.clear();
    m_optionStart.reserve(m_bank.problems.size() + 1);
    for (const Problem &p : std::as_const(m_bank.problems)) {
        m_optionStart.append(int(m_optionOrder.size()));
        m_optionOrder.append(byProblem.value(p.ID_P));
    }
    m_optionStart.append(int(m_optionOrder.size()));
}

void TDM::openProblems() {
    m_problemsActive = true;
    m_eof = m_bank.problems.isEmpty();
    setProblem(m_bank.problems.isEmpty() ? -1 : 0);
}

void TDM::openOptions() {
    m_optionsActive = true;
    firstOption();
}

const Problem *TDM::currentProblem() const {
    return m_problem >= 0 ? &m_bank.problems[m_problem] : nullptr;
}

void TDM::first() {
    m_eof = m_bank.problems.isEmpty();
    if (!m_bank.problems.isEmpty() && m_problem != 0)
        setProblem(0);
}

void TDM::next() {
    if (m_problem + 1 < m_bank.problems.size()) {
        m_eof = false;
        setProblem(m_problem + 1);
    } else {
        m_eof = true;
    }
}

void TDM::setProblem(int index) {
    m_problem = index;
    const Problem *problem = currentProblem();
    m_optionsBegin = problem ? m_optionStart[index] : 0;
    m_optionsEnd = problem ? m_optionStart[index + 1] : 0;
    m_option = optionCount() == 0 ? -1 : 0;
    emit problemChanged();
    emit optionChanged();
}

const AnswerOption &TDM::option(int index) const {
    Q_ASSERT(index >= 0 && index < optionCount());
    return m_bank.options[m_optionOrder[m_optionsBegin + index]];
}

void TDM::setCurrentOption(int index) {
    if (index < 0 || index >= optionCount() || index == m_option)
        return;
    m_option = index;
    emit optionChanged();
}

void TDM::firstOption() {
    if (optionCount() == 0)
        return;
    if (m_option != 0) {
        m_option = 0;
        emit optionChanged();
    }
}

qint32 TDM::currentOptionNumber() const {
    return m_option >= 0 ? option(m_option).dopol : 0;
}
