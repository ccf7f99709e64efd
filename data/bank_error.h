#pragma once

// The one error of the bank layer: opening a bank, reading its text files (CSV, Aiken), laying out
// a test sheet, writing a bank or any file whole. The message is Russian, for the user, and names
// the file and the fault; callers show it as it is. The kind is there for the one decision taken
// on it, the bank tool's exit code: a fault of what was read or given, or a file not written.

#include <QString>

#include <stdexcept>

namespace jet {
class FormatError;
}

class BankError : public std::runtime_error {
public:
    enum class Kind {
        // What was read or given cannot be used: a file that is not there, cannot be read or is
        // not what it should be (a bank, a table, questions), a bank without a test of the level
        // asked for, a value a bank cannot hold.
        Input,
        // What was to be written was not: the file, its folder or its disk refused it, or the file
        // to be changed could not be read.
        Output,
    };
    // What the Jet library was doing when it failed.
    enum class JetWork { Reading, Writing };

    BankError(Kind kind, const QString &message);
    // A fault in a text file read (Input), where it is: at a 1-based line, "file, строка N: fault",
    // or, for line 0, in the file as a whole, "file: fault".
    BankError(const QString &file, int line, const QString &fault);

    // The Jet library's error as the bank layer's; the only place one becomes the other. Reading,
    // every fault is the input's. Writing, a bank Jet will not store as it is given (a value, a
    // name or a key it refuses, a file it cannot change safely) is still the input's, and anything
    // else (the file to be changed cannot be read) the output's.
    static BankError fromJet(const jet::FormatError &error, JetWork work);

    Kind kind() const { return m_kind; }
    const QString &message() const { return m_message; }
    // The file the fault is in and its line, where a text file's fault names them; else empty
    // and 0.
    const QString &file() const { return m_file; }
    int line() const { return m_line; }

    // The error's kind as the program's error box names it.
    static QString typeName() { return QStringLiteral("EBankError"); }

private:
    Kind m_kind;
    QString m_message;
    QString m_file;
    int m_line = 0;
};
