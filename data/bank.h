#pragma once

// The question bank as the program uses it: the problems and their answer options, read once.

#include <QList>
#include <QString>

#include <optional>
#include <stdexcept>

struct Problem {
    qint32 ID_P = 0;
    std::optional<QString> Name;    // the problem's body
    std::optional<QString> Uslovie; // the condition or instruction line
};

struct AnswerOption {
    qint32 ID_O = 0;
    qint32 ID_P = 0;
    std::optional<QString> Otvet; // the option's text
    bool Istina = false;          // truth flag; stored, never used for grading
    qint16 dopol = 0;             // the option's number, shown and recorded as the answer
};

struct Bank {
    QList<Problem> problems;     // table order
    QList<AnswerOption> options; // table order
};

// Why the bank could not be opened. The message is Russian and names the file and the fault.
class BankError : public std::runtime_error {
public:
    enum class Kind {
        Missing,
        Unreadable,
        NotJet,
        Encrypted,
        Truncated,
        Malformed,
        TableMissing,
        ColumnMissing,
        ColumnType,
    };
    BankError(Kind kind, const QString &message);
    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }
    // The error's kind as the error box names it.
    static QString typeName() { return QStringLiteral("EBankError"); }

private:
    Kind m_kind;
    QString m_message;
};

// Reads both tables of the bank at path. Throws BankError.
Bank loadBank(const QString &path);
