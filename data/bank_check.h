#pragma once

// What a bank is worth to the program: which levels it serves as intended and what is wrong
// with it, in plain Russian. The bank tool's "check" prints this.

#include "data/bank.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace bankcheck {

struct Finding {
    // What of the problem a finding is about.
    enum class Field { None, Condition, Body, Options, OptionText, Correct };

    int position = 0; // the problem's 1-based position, or 0 for the bank as a whole
    QString text;     // as the tool says it: the problem, then the fault, in the file's columns
    Field field = Field::None;
    int option = 0; // for OptionText: the option's number (dopol)
    QString plain;  // the fault alone in a teacher's words, without the problem or the option
};

struct Report {
    int problemCount = 0;
    int optionCount = 0;
    QList<int> levelsServed; // among 3, 4, 5
    QList<Finding> findings; // problems in order, then the bank as a whole
    // What the student will not see as the teacher wrote it, though the level works.
    QList<Finding> warnings;

    bool ok() const { return levelsServed.size() == 3 && findings.isEmpty(); }
};

// A level serves as intended when the bank has at least its number of problems and none of
// them has a finding: exactly four options numbered 1..4, Istina set on the option the
// program's answer key takes as correct and on no other, a non-empty condition (the body may
// be empty, the condition then stands alone), non-empty option texts, and only characters
// that Windows-1251 can show. A body at a position where the condition fills the problem pane
// is a warning: the student sees the condition alone.
Report check(const Bank &bank);

// The report as the tool prints it, one statement per line.
QString format(const Report &report, const QString &file);

// The report's line for each level: whether it works and, if not, why.
QStringList levelLines(const Report &report);

// The characters of text that Windows-1251 has no code for, each once, in order.
QString outsideWindows1251(const QString &text);

} // namespace bankcheck
