#pragma once

// The banks opened or saved lately, newest first, kept between runs in the user's settings and
// shown in a menu.

#include <QObject>
#include <QStringList>

class QMenu;

class RecentFiles : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaximum = 8;

    // Fills `menu` now and whenever the list changes.
    explicit RecentFiles(QMenu *menu, QObject *parent = nullptr);

    QStringList files() const { return m_files; }
    // Puts a file first (once) and keeps the list to kMaximum.
    void add(const QString &path);
    void remove(const QString &path);
    void clear();

signals:
    void fileChosen(const QString &path);

private:
    void store();
    void rebuildMenu();

    QMenu *m_menu;
    QStringList m_files;
};
