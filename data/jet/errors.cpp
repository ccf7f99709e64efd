#include "data/jet/errors.h"

namespace jet {

FormatError::FormatError(Kind kind, const QString &file, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_file(file)
    , m_message(message) {}

namespace detail {

QString errorMessage(FormatError::Kind kind, const QString &file, const QString &detail) {
    using Kind = FormatError::Kind;
    const QString name = QStringLiteral("«%1»").arg(file);
    switch (kind) {
    case Kind::Missing:
        return QStringLiteral("Файл %1 не найден").arg(name);
    case Kind::Unreadable:
        return QStringLiteral("Файл %1 не удаётся прочитать: %2").arg(name, detail);
    case Kind::NotJet:
        return QStringLiteral("Файл %1 не является базой данных Access: %2").arg(name, detail);
    case Kind::Encrypted:
        return QStringLiteral("Файл %1 зашифрован или защищён паролем: %2").arg(name, detail);
    case Kind::Truncated:
        return QStringLiteral("Файл %1 обрезан: %2").arg(name, detail);
    case Kind::Malformed:
        return QStringLiteral("Файл %1 повреждён: %2").arg(name, detail);
    case Kind::NoTable:
        return QStringLiteral("В файле %1 нет таблицы «%2»").arg(name, detail);
    case Kind::Unsupported:
        break;
    }
    return QStringLiteral("Файл %1 не поддерживается: %2").arg(name, detail);
}

void failWrite(FormatError::Kind kind, const QString &file, const QString &detail) {
    const QString message = file.isEmpty()
                                ? QStringLiteral("Не удаётся записать базу данных: %1").arg(detail)
                                : QStringLiteral("Не удаётся записать файл «%1»: %2").arg(file, detail);
    throw FormatError(kind, file, message);
}

} // namespace detail
} // namespace jet
