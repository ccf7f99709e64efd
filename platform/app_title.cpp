#include "platform/app_title.h"

#include <QCoreApplication>

namespace platform {

namespace {
QString &titleStorage() {
    static QString title;
    return title;
}
} // namespace

QString applicationTitle() {
    const QString &title = titleStorage();
    if (!title.isEmpty())
        return title;
    // Before start-up names the program the system would show the executable's name.
    return QCoreApplication::applicationName();
}

void setApplicationTitle(const QString &title) {
    titleStorage() = title;
}

} // namespace platform
