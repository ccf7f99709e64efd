#include "platform/files.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace platform {

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

} // namespace platform
