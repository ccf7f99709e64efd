#include "editor/recent_files.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const QString kKey = QStringLiteral("recentFiles");

// The editor's own settings, whatever names the application that hosts the window has.
QSettings settings() {
    return QSettings(QStringLiteral("Cifrovex"), QStringLiteral("cifrovex-editor"));
}

} // namespace

RecentFiles::RecentFiles(QMenu *menu, QObject *parent)
    : QObject(parent)
    , m_menu(menu) {
    for (const QString &path : settings().value(kKey).toStringList())
        if (!path.isEmpty() && !m_files.contains(path) && m_files.size() < kMaximum)
            m_files << path;
    rebuildMenu();
}

void RecentFiles::add(const QString &path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > kMaximum)
        m_files.removeLast();
    store();
}

void RecentFiles::remove(const QString &path) {
    if (m_files.removeAll(QFileInfo(path).absoluteFilePath()) > 0)
        store();
}

void RecentFiles::clear() {
    m_files.clear();
    store();
}

void RecentFiles::store() {
    settings().setValue(kKey, m_files);
    rebuildMenu();
}

void RecentFiles::rebuildMenu() {
    m_menu->clear();
    m_menu->menuAction()->setEnabled(!m_files.isEmpty());
    for (int i = 0; i < m_files.size(); ++i) {
        const QString &path = m_files[i];
        // "&1 data.cvx — /home/teacher/banks": the number is the key that opens it.
        QString shown = QStringLiteral("%1 — %2").arg(QFileInfo(path).fileName(),
                                                      QDir::toNativeSeparators(QFileInfo(path).path()));
        shown.replace(u'&', QStringLiteral("&&")); // a name's "&" is no menu key
        const QString text =
            QStringLiteral("%1%2 %3").arg(i < 9 ? QStringLiteral("&") : QString()).arg(i + 1).arg(shown);
        QAction *action = m_menu->addAction(text);
        action->setObjectName(QStringLiteral("RecentFile%1").arg(i + 1));
        action->setData(path);
        connect(action, &QAction::triggered, this, [this, path] { emit fileChosen(path); });
    }
    m_menu->addSeparator();
    QAction *clearAll = m_menu->addAction(QStringLiteral("&Очистить список"));
    clearAll->setObjectName(QStringLiteral("ClearRecentFiles"));
    connect(clearAll, &QAction::triggered, this, &RecentFiles::clear);
}
