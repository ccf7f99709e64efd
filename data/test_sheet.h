#pragma once

// The test on paper: what a sheet for one level holds. The problems are the ones the program shows
// at each position of that level, with the texts the student sees there and the options numbered
// as the program numbers them; then the answer key and the mark scale the program grades by. The
// editor and the bank tool print this; the page layout is in test_sheet_print.h.

#include "data/bank.h"

#include <QList>
#include <QString>
#include <QStringList>

struct LevelRules;

namespace testsheet {

struct SheetOption {
    qint32 number = 0; // dopol: the number the student picks and the program records
    QString text;

    bool operator==(const SheetOption &) const = default;
};

struct SheetProblem {
    int position = 0;           // 1-based, as in the heading "Задача № n"
    QString condition;          // Uslovie
    QString body;               // Name, empty where the program does not show it
    QList<SheetOption> options; // in the order the program lists them
    qint32 correct = 0;         // the option number the program counts as correct
};

// Marks for a range of correct answers, both ends included.
struct MarkRange {
    int mark = 2;
    int fewest = 0;
    int most = 0;

    bool operator==(const MarkRange &) const = default;
};

struct Sheet {
    int level = 0;
    QList<SheetProblem> problems;
    QList<MarkRange> scale; // from the best mark down
    // Positions whose body the bank has but the program does not show, so neither does the sheet.
    QList<int> hiddenBodies;
    // The same, worded for the user, one line each.
    QStringList notes;
};

// Whether the program shows the problem's body at a position: where the condition memo takes the
// whole problem pane, only the condition is seen.
bool bodyShownAt(int position);

// Counts of correct answers grouped by the mark the program gives for them, best mark first.
QList<MarkRange> markScale(const LevelRules &rules);

// The sheet of a level (3, 4 or 5). `source` names the bank in messages. Throws BankError (Input)
// when the program would not give this test as the teacher means it: no such level, fewer
// problems than the level shows, or a problem of the level without an option under the key's
// number (the student could not answer it right).
Sheet make(const Bank &bank, int level, const QString &source);

// The Russian word for a count: one "задача", few "задачи", many "задач".
QString plural(int n, const QString &one, const QString &few, const QString &many);

// The heading's "уровень «5», 20 задач".
QString levelText(const Sheet &sheet);

} // namespace testsheet
