#include "data/bank_error.h"

#include "data/jet/jet.h"

namespace {

QString located(const QString &file, int line, const QString &fault) {
    return line > 0 ? QStringLiteral("%1, строка %2: %3").arg(file).arg(line).arg(fault)
                    : QStringLiteral("%1: %2").arg(file, fault);
}

} // namespace

BankError::BankError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message) {}

BankError::BankError(const QString &file, int line, const QString &fault)
    : BankError(Kind::Input, located(file, line, fault)) {
    m_file = file;
    m_line = line;
}

BankError BankError::fromJet(const jet::FormatError &error, JetWork work) {
    const bool refused = error.kind() == jet::FormatError::Kind::Unsupported;
    BankError out(work == JetWork::Reading || refused ? Kind::Input : Kind::Output, error.message());
    out.m_file = error.file();
    return out;
}
