#include "data/unmodul.h"

#include <QDir>

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
    m_currentOptions.clear();
    m_eof = true;
    indexOptions();
}

void TDM::indexOptions() {
    m_optionsByProblem.clear();
    for (int i = 0; i < m_bank.options.size(); ++i)
        m_optionsByProblem[m_bank.options[i].ID_P].append(i);
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
    m_currentOptions = problem ? m_optionsByProblem.value(problem->ID_P) : QList<int>();
    m_option = m_currentOptions.isEmpty() ? -1 : 0;
    emit problemChanged();
    emit optionChanged();
}

const AnswerOption &TDM::option(int index) const {
    return m_bank.options[m_currentOptions.at(index)];
}

void TDM::setCurrentOption(int index) {
    if (index < 0 || index >= m_currentOptions.size() || index == m_option)
        return;
    m_option = index;
    emit optionChanged();
}

void TDM::firstOption() {
    if (m_currentOptions.isEmpty())
        return;
    if (m_option != 0) {
        m_option = 0;
        emit optionChanged();
    }
}

qint32 TDM::currentOptionNumber() const {
    return m_option >= 0 ? option(m_option).dopol : 0;
}
