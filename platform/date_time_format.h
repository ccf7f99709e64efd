#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

namespace platform {

// The date in the system's short date format.
QString shortDate(QDate date);
// The time in the system's long time format: with seconds and without a time zone.
QString longTime(QTime time);

// Elsewhere than Windows the long time is the locale's long time format with its time-zone fields
// taken out. Exposed for tests over several locales.
QString longTimeFormat(const QLocale &locale);
// A time format with its unquoted time-zone fields ("t") and the spacing around them removed.
QString withoutTimeZone(const QString &format);

} // namespace platform
