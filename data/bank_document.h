#pragma once

// A question bank as a teacher edits it: problems in order, each with its condition, its body and
// its options in the author's order, one of them marked correct.
//
// The program's answer key fixes which option number is correct at each position, so the order
// the student sees is derived: the correct option stands under the key's number for the
// problem's position and the others keep the author's order around it. A problem keeps its
// author's order wherever it is moved, so moving, inserting and deleting never lose track of the
// correct option. Past the key's positions (problems the program never shows) the author's order
// is kept as it is.

#include "data/bank.h"
#include "data/bank_error.h"
#include "data/jet/jet.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

struct DocProblem {
    QString condition;   // Uslovie
    QString body;        // Name
    QStringList options; // the author's order
    int correct = -1;    // index into options; -1 while none is chosen
    // Where the problem came from in the opened file: its ID_P there and its options' ID_O, in
    // the author's order, so that a save keeps the columns of the teacher's own that the editor
    // does not show. 0 for a problem or option made in the editor.
    qint32 origin = 0;
    QList<qint32> optionOrigins = {};

    bool operator==(const DocProblem &other) const {
        // Qt 6.4 compares two empty lists of integers with memcmp on a null pointer when only one
        // of them holds a buffer (UBSan's complaint): empty lists are equal without it.
        const bool sameOrigins = (optionOrigins.isEmpty() && other.optionOrigins.isEmpty()) ||
                                 optionOrigins == other.optionOrigins;
        return condition == other.condition && body == other.body && options == other.options &&
               correct == other.correct && origin == other.origin && sameOrigins;
    }
};

namespace bankdoc {

// The number the correct option gets at a 1-based position: the key's number within the key,
// otherwise its place in the author's order. 0 when no option is correct.
int correctNumber(const DocProblem &problem, int position);

// The options' indices in the order the student sees them (option number = place + 1).
QList<int> shownOrder(const DocProblem &problem, int position);

// The levels that show the problem at a 1-based position: "3, 4, 5", "4, 5", "5" or
// "не используется".
QString levelsUsing(int position);

// Problems taken from another file (an import) as new ones: no row of the opened file behind them.
QList<DocProblem> withoutOrigins(QList<DocProblem> problems);

// The backup kept beside a saved file: the previous version.
QString backupPath(const QString &path);

// The lock file Jet (Access) keeps beside a database it has open: named after the file without
// its extension, X.ldb for X.cvx or X.mdb.
QString jetLockPath(const QString &path);

// The lock file the bank editor keeps beside a bank it has open.
QString editorLockPath(const QString &path);

// What a file is on disk, to tell whether another program changed it since: its size, time of
// last change and a hash of its bytes. A file that does not exist has size -1.
struct FileStamp {
    qint64 size = -1;
    QDateTime modified;
    QByteArray hash;

    static FileStamp of(const QString &path);
    bool operator==(const FileStamp &) const = default;
};

} // namespace bankdoc

class BankDocument : public QObject {
    Q_OBJECT

public:
    explicit BankDocument(QObject *parent = nullptr);

    int problemCount() const { return int(m_problems.size()); }
    const DocProblem &problem(int index) const { return m_problems[index]; }
    const QList<DocProblem> &problems() const { return m_problems; }

    // Structural changes. Indices are 0-based; a problem's position is its index + 1.
    void insertProblems(int at, const QList<DocProblem> &problems);
    QList<DocProblem> removeProblems(int at, int count);
    // Moves one problem so that it ends at index `to`.
    void moveProblem(int from, int to);
    void setProblem(int index, const DocProblem &problem);
    void reset(const QList<DocProblem> &problems);

    // The bank as it would be written: ID_P = position, options in the shown order with dopol
    // 1..n and consecutive ID_O, Istina on the correct one alone.
    Bank toBank() const;

    // A bank read from a file, options of each problem by their number. The correct one is the
    // option marked Istina when exactly one is; otherwise none is, until the teacher chooses.
    // `notes` receives what the teacher must decide and what saving will change (options that
    // move to the key's number, options of problems the bank does not have).
    static QList<DocProblem> fromBank(const Bank &bank, QStringList *notes = nullptr);

    // Reads a bank file. Throws BankError.
    void load(const QString &path, QStringList *notes = nullptr);

    // Writes the bank: the file is replaced only once the new one is whole, and the version it
    // replaces is then kept as backupPath(path). Throws BankError; the file and its backup are
    // then as they were. Returns what the teacher should know of a save that succeeded (a backup
    // that could not be replaced), or nothing.
    // A bank of the same version at `base` (the file the bank was opened from; path itself when
    // empty) gives everything else the saved file holds: its tables, columns and objects of the
    // teacher's own are kept, so that Save As makes a whole copy of a teacher's file.
    QString save(const QString &path, jet::Version version, const QString &base = {}) const;

signals:
    void problemsInserted(int at, int count);
    void problemsRemoved(int at, int count);
    void problemMoved(int from, int to);
    void problemChanged(int index);
    void modelReset();
    // Any change at all, after the specific signal.
    void changed();

private:
    QList<DocProblem> m_problems;
};
