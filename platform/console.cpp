#include "platform/console.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <fcntl.h>
#include <io.h>
#endif

namespace platform {

void useBinaryStandardStreams() {
#ifdef Q_OS_WIN
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

bool writeText(std::FILE *stream, const QString &text) {
#ifdef Q_OS_WIN
    const HANDLE handle = ::GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && handle && ::GetConsoleMode(handle, &mode)) {
        // Bytes written before through the C stream come first.
        std::fflush(stream);
        const wchar_t *chars = reinterpret_cast<const wchar_t *>(text.utf16());
        qsizetype left = text.size();
        while (left > 0) {
            // Large writes to a console can fail; pieces of a few thousand characters do not.
            const DWORD piece = DWORD(qMin<qsizetype>(left, 8192));
            DWORD written = 0;
            if (!::WriteConsoleW(handle, chars, piece, &written, nullptr) || written == 0)
                return false;
            chars += written;
            left -= written;
        }
        return true;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    const bool whole = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
    return std::fflush(stream) == 0 && whole;
}

} // namespace platform
