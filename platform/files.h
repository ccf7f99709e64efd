#pragma once

// Files read and written whole, and why a file operation failed, in Russian: worded from the
// file's error code and what the file system says of the file, its folder and its disk
// (QFileDevice::error(), QFileInfo, QStorageInfo), never from the system's own texts, which are
// in the system's language.

#include <QByteArray>
#include <QString>

#include <memory>

class QFileDevice;
class QSaveFile;

namespace platform {

// Why a file could not be opened or read through.
QString readReason(const QFileDevice &file);
// Why a file could not be written; `needed` is how many bytes were to be written.
QString writeReason(const QFileDevice &file, qint64 needed);

// A file written whole, in two steps so that two files can be replaced together: write() puts
// the bytes into a new file beside it, commit() puts that one in the file's place. Each returns
// empty, or why it failed in the user's words; until commit() has succeeded the file is as it
// was, and a WholeFile dropped before then leaves it so.
class WholeFile {
public:
    explicit WholeFile(const QString &path);
    ~WholeFile();
    WholeFile(const WholeFile &) = delete;
    WholeFile &operator=(const WholeFile &) = delete;

    [[nodiscard]] QString write(const QByteArray &bytes);
    [[nodiscard]] QString commit();

private:
    std::unique_ptr<QSaveFile> m_file;
};

// Writes bytes to path whole or not at all (WholeFile's two steps at once): empty when written,
// else why not, for the caller's sentence ("не записан: ..."); the file is then as it was.
[[nodiscard]] QString writeWhole(const QString &path, const QByteArray &bytes);

} // namespace platform
