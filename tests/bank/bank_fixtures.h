#pragma once

// Small banks for the bank tests, made in memory and written with our Jet writer.

#include "data/bank.h"
#include "data/bank_document.h"
#include "data/bank_tables.h"
#include "data/jet/jet.h"
#include "testing/grading.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// A bank the program accepts: problems 1..count, four options each numbered 1..4, Istina on
// the answer key's option.
inline Bank sampleBank(int count) {
    Bank bank;
    qint32 optionId = 0;
    for (int p = 1; p <= count; ++p) {
        bank.problems.append({p, QStringLiteral("%1 + %1").arg(p), QStringLiteral("Вычислите:")});
        const int key = p <= 20 ? correctOption(p) : 1;
        for (qint16 n = 1; n <= 4; ++n)
            bank.options.append({++optionId, p, QStringLiteral("%1").arg(2 * p + n - key), n == key, n});
    }
    return bank;
}

inline void writeBank(const QString &path, const Bank &bank, jet::Version version = jet::Version::Jet4) {
    jet::writeFile(path, banktables::toTables(bank), version);
}

inline QByteArray fileBytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeBytes(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The bank tool run to its end: its exit code (-1 when it crashed or hung), output and errors.
struct ToolRun {
    int code = -1;
    QByteArray out;
    QString err;
    QString text() const { return QString::fromUtf8(out); }
};

inline ToolRun runBankToolOnce(const QStringList &args) {
    QProcess p;
    // A fixed date in the catalogue, as the build gives the shipped bank, so that two builds of
    // the same sources are the same bytes.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("SOURCE_DATE_EPOCH")))
        env.insert(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("1767225600"));
    p.setProcessEnvironment(env);
    p.start(QDir(qEnvironmentVariable("CIFROVEX_BINARY_DIR")).filePath(QStringLiteral("tools/cifrovex-bank")),
            args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return {-1, p.readAllStandardOutput(),
                QStringLiteral("the tool did not run to its end: ") + p.errorString()};
    return {p.exitCode(), p.readAllStandardOutput(), QString::fromUtf8(p.readAllStandardError())};
}

// The tool says something whenever it fails. A failure without a word means it never got to run
// (seen once under Wine, as a process start that came to nothing): that run is tried once more,
// with a warning in the log, so that the test judges the tool and not the process start.
inline ToolRun runBankTool(const QStringList &args) {
    ToolRun r = runBankToolOnce(args);
    if (r.code != 0 && r.out.isEmpty() && (r.err.isEmpty() || r.code == -1)) {
        qWarning("cifrovex-bank %s: failed with code %d and no message (%s); running it again",
                 qPrintable(args.join(u' ')), r.code, qPrintable(r.err));
        r = runBankToolOnce(args);
    }
    return r;
}

#ifdef Q_OS_UNIX
// What BankDocument::save says when each file may grow to `limit` bytes only: the file-size limit
// fails the write part-way, as a full disk does. Empty when the save went through.
inline QString saveMessageUnderSizeLimit(const BankDocument &doc, const QString &path, rlim_t limit) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit l = old;
    l.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &l);
    QString message;
    try {
        doc.save(path, jet::Version::Jet4);
    } catch (const BankError &e) {
        message = e.message();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    return message;
}
#endif
