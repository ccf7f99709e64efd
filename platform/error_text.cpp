#include "platform/error_text.h"

namespace platform {

QString withFullStop(const QString &message) {
    if (message.isEmpty() || message.back() <= QLatin1Char('.'))
        return message;
    return message + QLatin1Char('.');
}

QString uncaughtErrorText(const QString &kind, const QString &module, quintptr address,
                          const QString &message) {
    // %p prints eight upper-case hex digits on the 32-bit original; keep that width as a minimum.
    const QString addr = QStringLiteral("%1").arg(quint64(address), 8, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("Exception %1 in module %2 at %3.\n%4")
        .arg(kind, module, addr, withFullStop(message));
}

} // namespace platform
