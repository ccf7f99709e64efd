#pragma once

// The question bank as the program uses it: the problems and their answer options, read once.

#include "data/bank_error.h"

#include <QList>
#include <QString>

#include <optional>

struct Problem {
    qint32 ID_P = 0;
    std::optional<QString> Name;    // the problem's body
    std::optional<QString> Uslovie; // the condition or instruction line

    bool operator==(const Problem &) const = default;
};

struct AnswerOption {
    qint32 ID_O = 0;
    qint32 ID_P = 0;
    std::optional<QString> Otvet; // the option's text
    bool Istina = false;          // truth flag; stored, never used for grading
    qint16 dopol = 0;             // the option's number, shown and recorded as the answer

    bool operator==(const AnswerOption &) const = default;
};

struct Bank {
    QList<Problem> problems;     // table order
    QList<AnswerOption> options; // table order
};

// The bank's file name; the program looks for it in the current directory.
inline QString bankFileName() {
    return QStringLiteral("data.cvx");
}

// Reads both tables of the bank at path, never writing to the file. Tables and columns are
// found by name regardless of case; integer columns may be Byte, Integer or Long Integer,
// text columns Memo or Text, Istina Boolean, and dopol must hold 16-bit values. A NULL number
// reads as 0, as a bound field would show it. Throws BankError.
Bank loadBank(const QString &path);
