#pragma once

// Files as the editor and the bank tool read and write them: an input file read whole, any file
// written whole or not at all, a bank opened with its Jet version, a bank written over the file
// that is there, and imports from CSV and Aiken files as the document's problems. Every failure
// is a BankError whose message says why in Russian, from what Qt and the file system report
// (QFileDevice::error(), QFileInfo, QStorageInfo), never from the system's own texts.

#include "data/bank.h"
#include "data/bank_csv.h"
#include "data/bank_document.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace bankfiles {

// The bytes of a file to read (a table, questions, a bank). Throws BankError (Input) naming the
// file: "файл X не найден", "X — каталог, а нужен файл", or that it does not open or was not read
// through, and why.
QByteArray readInput(const QString &path);

// Writes a bank's bytes as BankDocument::save does: the file replaced only once the new one is
// whole, and only then the previous file kept as its backup (bankdoc::backupPath). Throws
// BankError (Output); the file and its backup are then as they were. Returns what the teacher
// should know of a save that succeeded (a backup that could not be replaced), or nothing.
QString saveWithBackup(const QString &path, const QByteArray &bytes);

// A bank file as the editor opens it: the bank, and the Jet version the file is written in, which
// a save keeps.
struct OpenedBank {
    Bank bank;
    jet::Version version = jet::Version::Jet4;
};
// Reads both tables of the bank at path as loadBank() does, never writing to the file. Throws
// BankError (Input).
OpenedBank openBank(const QString &path);

// The bytes of a bank to be written over `existing` (the file's bytes now, or nullopt when there
// is no file): a bank of the same version is changed in place, so that the tables, columns and
// objects of the teacher's own it holds are kept; otherwise, and for an empty file, the bank is a
// new database of its tables. Throws BankError as BankError::fromJet() says for writing: a bank
// Jet will not store (Input), an existing file that cannot be read (Output).
QByteArray bankBytes(const std::optional<QByteArray> &existing, const QString &fileName,
                     const QList<jet::TableUpdate> &updates, jet::Version version,
                     const jet::WriteOptions &options = {});

// The Jet version of a bank's bytes. Throws BankError (as bankBytes(): these are the bytes of a
// file to be changed).
jet::Version versionOf(const QByteArray &bytes, const QString &fileName);

// Writes the bank as a new database at path, whole or not at all (a copy to try the program on).
// Throws BankError.
void writeNewBank(const QString &path, const Bank &bank, jet::Version version);

// The date to stamp a bank with: SOURCE_DATE_EPOCH when it is set (reproducible builds), else
// unset, meaning now.
jet::WriteOptions stampFromEnvironment();

// Problems read from other files for the editor: new ones, with no row of an opened file behind
// them.
struct Import {
    QList<DocProblem> problems;
    // Each file read and how (csv::encodingNotice() words what the teacher should know).
    QList<std::pair<QString, csv::FileFormat>> files;
    // What reading the tables as a bank says (BankDocument::fromBank's notes); CSV only.
    QStringList notes;
    // The ID_P of options whose problem the problems' table does not have, in file order; CSV only.
    QList<qint32> unknownProblems;
};

// An Aiken file's questions as problems, checked against what the version can store. A whole
// bank (`wholeBank`, to replace the document's) needs a level's worth of questions and has each
// correct option under the key's number (aiken::importBank); problems to add to a bank may be
// however few and keep the file's order (aiken::readQuestions). Throws BankError (Input).
Import importAiken(const QString &path, jet::Version version, bool wholeBank);

// The bank's two tables from their CSV files as problems, taken as the program takes a bank's
// tables (banktables::toBank), options by their number, the correct one the option marked Istina.
// Throws BankError (Input).
Import importCsv(const QString &problemsPath, const QString &optionsPath, jet::Version version);

} // namespace bankfiles
