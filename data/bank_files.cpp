#include "data/bank_files.h"

#include "data/bank_aiken.h"
#include "data/bank_tables.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>
#include <QtGlobal>

namespace bankfiles {

namespace {

// Why a file could not be read, in Russian: from what the file system says of it and the file's
// error code, as the system's own texts are in its language.
QString readReason(const QFileDevice &file) {
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return QStringLiteral("файла нет");
    if (!info.isReadable())
        return QStringLiteral("нет прав на чтение этого файла");
    switch (file.error()) {
    case QFileDevice::ResourceError:
        return QStringLiteral("системе не хватает ресурсов, чтобы открыть ещё один файл");
    case QFileDevice::OpenError:
        return QStringLiteral("файл не открылся для чтения");
    default:
        return QStringLiteral("чтение с диска прервалось");
    }
}

// Why a file could not be written, in Russian: from the file's error code and what the file
// system says of the file, its folder and its disk.
QString writeReason(const QFileDevice &file, qint64 needed) {
    const QFileInfo info(file.fileName());
    const QFileInfo folder(info.absolutePath());
    if (!folder.exists())
        return QStringLiteral("нет такой папки");
    if (info.exists() && !info.isWritable())
        return QStringLiteral("файл защищён от записи (только для чтения)");
    const QStorageInfo storage(folder.absoluteFilePath());
    if (storage.isValid() && storage.isReadOnly())
        return QStringLiteral("диск доступен только для чтения");
    if (!folder.isWritable())
        return QStringLiteral("нет прав на запись в папку «%1»")
            .arg(QDir::toNativeSeparators(folder.filePath()));
    if (file.error() == QFileDevice::ResourceError ||
        (storage.isValid() && storage.bytesAvailable() >= 0 && storage.bytesAvailable() < needed))
        return QStringLiteral("на диске не хватает места");
    switch (file.error()) {
    case QFileDevice::PermissionsError:
        return QStringLiteral("нет прав на запись в этот файл");
    case QFileDevice::RenameError:
    case QFileDevice::RemoveError:
        return QStringLiteral("новый файл не удалось поставить на место прежнего: возможно, тот открыт в "
                              "другой программе");
    case QFileDevice::OpenError:
        return QStringLiteral("файл не открылся для записи");
    default:
        return QStringLiteral("запись на диск прервалась (файл больше, чем разрешено записать, или диск "
                              "неисправен)");
    }
}

} // namespace

QByteArray readInput(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists())
        throw BankError(BankError::Kind::Input, QStringLiteral("файл %1 не найден").arg(path));
    if (info.isDir())
        throw BankError(BankError::Kind::Input, QStringLiteral("%1 — каталог, а нужен файл").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("файл %1 не открывается: %2").arg(path, readReason(file)));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw BankError(BankError::Kind::Input,
                        QStringLiteral("файл %1 не прочитан: %2").arg(path, readReason(file)));
    return bytes;
}

WholeFile::WholeFile(const QString &path)
    : m_file(std::make_unique<QSaveFile>(path)) {}

WholeFile::~WholeFile() = default;

QString WholeFile::write(const QByteArray &bytes) {
    // Flushed here, so that a full disk is found before any file is put in place.
    if (!m_file->open(QIODevice::WriteOnly) || m_file->write(bytes) != bytes.size() || !m_file->flush())
        return writeReason(*m_file, bytes.size());
    return {};
}

QString WholeFile::commit() {
    if (!m_file->commit())
        return writeReason(*m_file, 0);
    return {};
}

QString writeWhole(const QString &path, const QByteArray &bytes) {
    WholeFile file(path);
    if (QString why = file.write(bytes); !why.isEmpty())
        return why;
    return file.commit();
}

QString saveWithBackup(const QString &path, const QByteArray &bytes) {
    const QFileInfo info(path);
    if (info.isDir())
        throw BankError(BankError::Kind::Output,
                        QStringLiteral("«%1» — папка, банк задач в неё записать нельзя.").arg(path));
    // The previous version goes to a new backup made beside the old one, which replaces it only
    // once the bank itself is saved: a failed save keeps the older backup as it was.
    const QString backupPath = bankdoc::backupPath(path);
    std::optional<WholeFile> backup;
    if (info.exists()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Файл банка задач «%1» не читается: %2. Банк не записан, файл "
                                           "остался прежним.")
                                .arg(path, readReason(old)));
        const QByteArray previous = old.readAll();
        if (old.error() != QFileDevice::NoError)
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Файл банка задач «%1» не прочитан: %2. Банк не записан, файл "
                                           "остался прежним.")
                                .arg(path, readReason(old)));
        old.close();
        backup.emplace(backupPath);
        if (const QString why = backup->write(previous); !why.isEmpty())
            throw BankError(BankError::Kind::Output,
                            QStringLiteral("Резервная копия «%1» не записана: %2. Банк задач «%3» не "
                                           "записан, файл остался прежним.")
                                .arg(backupPath, why, path));
    }
    if (const QString why = writeWhole(path, bytes); !why.isEmpty())
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
