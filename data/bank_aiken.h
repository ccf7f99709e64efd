#pragma once

// Multiple-choice questions in Moodle's Aiken text format, laid out as a bank the program can use.
//
// The format as read here:
//   Question text (the first line; further lines until the first option are its body)
//   A) First option            or  A. First option
//   B) Second option
//   C) Third option
//   D) Fourth option
//   ANSWER: B
// Blank lines separate questions. An option is a capital letter A-Z, ")" or ".", white space and
// the text; the letters may be any four distinct ones. "ANSWER:" ends the question. Text is
// UTF-8 (a leading byte order mark is skipped) or else Windows-1251, as csv::decodeFile() reads
// it; lines may end in "\n", "\r\n" or "\r".

#include "data/bank.h"
#include "data/bank_csv.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace aiken {

// The least number of questions a file must hold: enough for the longest level.
int minimumQuestions();

// Reads an Aiken file and lays it out as a bank: problem p gets ID_P p, its first line as the
// condition (Uslovie) and the rest as the body (Name, empty when there is none); its options get
// consecutive ID_O and numbers (dopol) 1..4 in row order, laid out by the answer key
// (answerkey::shownOrder), Istina true on the correct one only. Every text is checked against what the given
// Jet version can store: nothing beyond the Basic Multilingual Plane, and for Jet 3 only Windows-1251. Throws
// BankError for any fault, including fewer than minimumQuestions() questions.
Bank importBank(const QByteArray &bytes, const QString &file, jet::Version version);
// The same, telling how the file was read (csv::encodingNotice() words it for the user).
Bank importBank(const QByteArray &bytes, const QString &file, jet::Version version, csv::FileFormat *format);

// One question as the file gives it: the options in the file's order.
struct FileQuestion {
    QString condition; // the first line
    QString body;      // the further lines, empty when there are none
    QStringList options;
    int correct = -1; // index into options
};

// The questions of a file to add to a bank, however few: at least one. The same reading and
// checks as importBank(). Throws BankError.
QList<FileQuestion> readQuestions(const QByteArray &bytes, const QString &file, jet::Version version,
                                  csv::FileFormat *format = nullptr);

} // namespace aiken
