#include "data/bank.h"

BankError::BankError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message) {}

// Placeholder until the Jet reader lands.
Bank loadBank(const QString &path) {
    throw BankError(BankError::Kind::Unreadable,
                    QStringLiteral("Файл %1 не прочитан: чтение банка ещё не готово").arg(path));
}
