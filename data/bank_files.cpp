#include "data/bank_files.h"

#include "data/bank_aiken.h"
#include "data/bank_tables.h"
#include "platform/files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>
#include <QtGlobal>

namespace bankfiles {

QByteArray readInput(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw BankError(BankError::Kind::Input, QStringLiteral("файл %1 не найден").arg(path));
    if (info.isDir())
        throw BankError(BankError::Kind::Input, QStringLiteral("%1 — каталог, а нужен файл").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("файл %1 не открывается: %2").arg(path, platform::readReason(file)));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("файл %1 не прочитан: %2").arg(path, platform::readReason(file)));
    return bytes;
}

QString saveWithBackup(const QString &path, const QByteArray &bytes) {
    const QFileInfo info(path);
    if (info.isDir())
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("«%1» — папка, банк задач в неё записать нельзя.").arg(path));
    // The previous version goes to a new backup made beside the old one, which replaces it only
    // once the bank itself is saved: a failed save keeps the older backup as it was.
    const QString backupPath = bankdoc::backupPath(path);
    std::optional<platform::WholeFile> backup;
    if (info.exists()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Файл банка задач «%1» не читается: %2. Банк не записан, файл "
                                           "остался прежним.")
                                .arg(path, platform::readReason(old)));
        const QByteArray previous = old.readAll();
        if (old.error() != QFileDevice::NoError)
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Файл банка задач «%1» не прочитан: %2. Банк не записан, файл "
                                           "остался прежним.")
                                .arg(path, platform::readReason(old)));
        old.close();
        backup.emplace(backupPath);
        if (const QString why = backup->write(previous); !why.isEmpty())
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Резервная копия «%1» не записана: %2. Банк задач «%3» не "
                                           "записан, файл остался прежним.")
                                .arg(backupPath, why, path));
    }
    if (const QString why = platform::writeWhole(path, bytes); !why.isEmpty())
        throw BankError(
            BankError::Kind::Output,
            QStringLiteral("Банк задач «%1» не записан: %2. Файл остался прежним.").arg(path, why));
    if (backup) {
        if (const QString why = backup->commit(); !why.isEmpty())
            return QStringLiteral("Банк задач «%1» сохранён, но резервная копия «%2» не обновлена: %3.")
                .arg(path, backupPath, why);
    }
    return {};
}

OpenedBank openBank(const QString &path) {
    // One table at a time, so that only one of them is held twice (as read and as converted).
    const auto table = [&path](const jet::Database &db, const QString &name) {
        try {
            return db.readTable(name);
        } catch (const jet::FormatError &e) {
            if (e.kind() == jet::FormatError::Kind::NoTable)
                throw banktables::missingTable(path, name);
            throw BankError::fromJet(e, BankError::JetWork::Reading);
        }
    };
    try {
        const jet::Database db = jet::Database::open(path);
        OpenedBank opened;
        opened.version = db.version();
        opened.bank.problems = banktables::problemsFrom(table(db, banktables::problemsTable()), path);
        opened.bank.options = banktables::optionsFrom(table(db, banktables::optionsTable()), path);
        return opened;
    } catch (const jet::FormatError &e) {
        throw BankError::fromJet(e, BankError::JetWork::Reading);
    }
}

QByteArray bankBytes(const std::optional<QByteArray> &existing, const QString &fileName,
                     const QList<jet::TableUpdate> &updates, jet::Version version,
                     const jet::WriteOptions &options) {
    try {
        if (existing && !existing->isEmpty()) {
            const jet::Database db = jet::Database::fromBytes(*existing, fileName);
            if (db.version() == version)
                return jet::update(*existing, fileName, updates, options);
        }
        QList<jet::Table> tables;
        for (const jet::TableUpdate &u : updates)
            tables.append(u.table);
        return jet::write(tables, version, options);
    } catch (const jet::FormatError &e) {
        throw BankError::fromJet(e, BankError::JetWork::Writing);
    }
}

jet::Version versionOf(const QByteArray &bytes, const QString &fileName) {
    try {
        return jet::Database::fromBytes(bytes, fileName).version();
    } catch (const jet::FormatError &e) {
        throw BankError::fromJet(e, BankError::JetWork::Writing);
    }
}

void writeNewBank(const QString &path, const Bank &bank, jet::Version version) {
    try {
        jet::writeFile(path, banktables::toTables(bank), version);
    } catch (const jet::FormatError &e) {
        throw BankError::fromJet(e, BankError::JetWork::Writing);
    }
}

jet::WriteOptions stampFromEnvironment() {
    jet::WriteOptions options;
    bool ok = false;
    const qint64 seconds = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&ok);
    if (ok && seconds >= 0)
        options.date = double(seconds) / 86400.0 + 25569.0; // 1970-01-01 is day 25569
    return options;
}

Import importAiken(const QString &path, jet::Version version, bool wholeBank) {
    const QByteArray bytes = readInput(path);
    Import out;
    csv::FileFormat format;
    if (wholeBank) {
        out.problems =
            bankdoc::withoutOrigins(BankDocument::fromBank(aiken::importBank(bytes, path, version, &format)));
    } else {
        for (const aiken::FileQuestion &q : aiken::readQuestions(bytes, path, version, &format))
            out.problems << DocProblem{q.condition, q.body, q.options, q.correct};
    }
    out.files = {{path, format}};
    return out;
}

Import importCsv(const QString &problemsPath, const QString &optionsPath, jet::Version version) {
    const QByteArray problemBytes = readInput(problemsPath);
    const QByteArray optionBytes = readInput(optionsPath);
    csv::FileFormat problemsFormat, optionsFormat;
    const QList<jet::Table> tables = csv::readBankTables(problemBytes, problemsPath, optionBytes, optionsPath,
                                                         version, &problemsFormat, &optionsFormat);
    const Bank bank = banktables::toBank(tables, problemsPath);
    Import out;
    out.problems = bankdoc::withoutOrigins(BankDocument::fromBank(bank, &out.notes));
    out.files = {{problemsPath, problemsFormat}, {optionsPath, optionsFormat}};
    QSet<qint32> known;
    for (const Problem &p : bank.problems)
        known.insert(p.ID_P);
    for (const AnswerOption &o : bank.options)
        if (!known.contains(o.ID_P) && !out.unknownProblems.contains(o.ID_P))
            out.unknownProblems << o.ID_P;
    return out;
}

} // namespace bankfiles
