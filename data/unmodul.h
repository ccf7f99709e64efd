#pragma once

#include "data/bank.h"

#include <QList>
#include <QObject>

// The question-bank module: the connection to data.cvx and the two read-only cursors, the
// problem cursor and the option cursor that follows it (the options of the current problem
// only, in the order the file holds them).
class TDM : public QObject {
    Q_OBJECT

public:
    // Opens data.cvx in the current directory and activates both cursors. Throws BankError.
    explicit TDM(QObject *parent = nullptr);
    // A module over a bank already in memory, connected and active.
    explicit TDM(Bank bank, QObject *parent = nullptr);

    // The Jet provider's connection string for a bank in dir (the process's current directory as
    // the system gives it, with a trailing separator only at a root).
    static QString connectionString(const QString &dir);
    // The file the connection string names.
    static QString dataSource(const QString &dir);
    const QString &lastConnectionString() const { return m_connectionString; }

    bool isConnected() const { return m_connected; }
    // Rebuilds the connection string from the current directory and reads a new snapshot of the
    // bank; the cursors stay closed until opened again. Throws BankError.
    void connectBank();
    bool problemsActive() const { return m_problemsActive; }
    void openProblems();
    bool optionsActive() const { return m_optionsActive; }
    void openOptions();

    // The problem cursor.
    int problemCount() const { return int(m_bank.problems.size()); }
    void first();
    void next(); // on the last row: the row stays, eof() becomes true
    bool eof() const { return m_eof; }
    int recNo() const { return m_problem + 1; } // 1-based; 0 when the table is empty
    const Problem *currentProblem() const;

    // The option cursor over the current problem's options.
    int optionCount() const { return m_optionsEnd - m_optionsBegin; }
    const AnswerOption &option(int index) const;
    int currentOptionIndex() const { return m_option; } // -1 when there are no options
    void setCurrentOption(int index);
    void firstOption();
    // dopol of the current option; 0 when the problem has no options.
    qint32 currentOptionNumber() const;

    const Bank &bank() const { return m_bank; }

signals:
    void problemChanged(); // another problem row is current, and with it another option set
    void optionChanged();  // another option row is current

private:
    void setProblem(int index);
    void indexOptions();

    Bank m_bank;
    // Option indices grouped by problem row, in file order within a problem; problem row p owns
    // m_optionOrder[m_optionStart[p] .. m_optionStart[p + 1]). Worked out once per snapshot so that
    // moving the problem cursor costs the same whatever the size of the bank.
    QList<int> m_optionOrder;
    QList<int> m_optionStart;
    int m_optionsBegin = 0; // the current problem's range in m_optionOrder
    int m_optionsEnd = 0;
    QString m_connectionString;
    int m_problem = -1;
    int m_option = -1;
    bool m_eof = false;
    bool m_connected = false;
    bool m_problemsActive = false;
    bool m_optionsActive = false;
};
