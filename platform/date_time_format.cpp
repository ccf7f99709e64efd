#include "platform/date_time_format.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace platform {

QString withoutTimeZone(const QString &format) {
    QString out;
    out.reserve(format.size());
    bool quoted = false;
    bool droppedZone = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            out.append(c);
            continue;
        }
        if (quoted || c != u't') {
            // Spacing that only separated a dropped zone from what follows goes with it.
            if (droppedZone && c.isSpace() && (out.isEmpty() || out.back().isSpace()))
                continue;
            droppedZone = false;
            out.append(c);
            continue;
        }
        while (i + 1 < format.size() && format.at(i + 1) == u't')
            ++i;
        while (!out.isEmpty() && out.back().isSpace())
            out.chop(1);
        // A zone in brackets leaves empty brackets behind.
        if (i + 1 < format.size() && out.endsWith(u'(') && format.at(i + 1) == u')') {
            out.chop(1);
            ++i;
            while (!out.isEmpty() && out.back().isSpace())
                out.chop(1);
        }
        droppedZone = true;
    }
    return out.trimmed();
}

QString longTimeFormat(const QLocale &locale) {
    QString format = withoutTimeZone(locale.timeFormat(QLocale::LongFormat));
    if (!format.contains(u's')) {
        // A long format without seconds would make the clock stand still for a minute.
        format = locale.timeFormat(QLocale::ShortFormat);
        const qsizetype minutes = format.lastIndexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
        else
            format = QStringLiteral("HH:mm:ss");
    }
    return format;
}

#ifdef Q_OS_WIN

namespace {
SYSTEMTIME systemTime(QDate date, QTime time) {
    SYSTEMTIME st{};
    st.wYear = WORD(date.year());
    st.wMonth = WORD(date.month());
    st.wDay = WORD(date.day());
    st.wDayOfWeek = WORD(date.dayOfWeek() % 7);
    st.wHour = WORD(time.hour());
    st.wMinute = WORD(time.minute());
    st.wSecond = WORD(time.second());
    return st;
}
} // namespace

QString shortDate(QDate date) {
    const SYSTEMTIME st = systemTime(date, QTime(0, 0));
    wchar_t buffer[128];
    const int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128);
    if (n <= 0)
        return QLocale::system().toString(date, QLocale::ShortFormat);
    return QString::fromWCharArray(buffer, n - 1);
}

QString longTime(QTime time) {
    const SYSTEMTIME st = systemTime(QDate(2000, 1, 1), time);
    wchar_t buffer[128];
    const int n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 128);
    if (n <= 0)
        return QLocale::system().toString(time, longTimeFormat(QLocale::system()));
    return QString::fromWCharArray(buffer, n - 1);
}

#else

namespace {
// The clock asks ten times a second; the system locale is read once.
struct SystemFormats {
    QLocale locale = QLocale::system();
    QString date = locale.dateFormat(QLocale::ShortFormat);
    QString time = longTimeFormat(locale);
};
const SystemFormats &systemFormats() {
    static const SystemFormats formats;
    return formats;
}
} // namespace

QString shortDate(QDate date) {
    const SystemFormats &f = systemFormats();
    return f.locale.toString(date, f.date);
}

QString longTime(QTime time) {
    const SystemFormats &f = systemFormats();
    return f.locale.toString(time, f.time);
}

#endif

} // namespace platform
