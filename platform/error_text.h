#pragma once

#include <QString>

namespace platform {

// An error's message as the error boxes show it: a full stop is added unless the message is
// empty or already ends in a character that sorts at or below the full stop ("!", ".", " ", ...).
QString withFullStop(const QString &message);

// The body of the box for an error nobody caught:
// "Exception <kind> in module <module> at <address>." + line break + message with full stop.
QString uncaughtErrorText(const QString &kind, const QString &module, quintptr address,
                          const QString &message);

} // namespace platform
