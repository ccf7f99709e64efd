#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLocalSocket;
class QLockFile;

namespace platform {

// Keeps a second copy of the program from running beside the first. The first copy owns a
// per-user lock and a local endpoint, both named after a key (the main window's title, compared
// without regard to letter case); a later copy finds them, asks the first copy to bring its
// showing window to the front and is told to end. The lock decides ownership, so two copies
// started at the same moment cannot both win; a lock left by a copy that died is taken over.
class SingleInstanceGuard : public QObject {
    Q_OBJECT

public:
    enum class Role {
        First,  // this copy runs; it keeps the lock and the endpoint while the guard lives
        Second, // another copy runs and has been asked to come to the front; end this one
    };

    // `directory` holds the lock and the endpoint; empty means the user's runtime directory.
    explicit SingleInstanceGuard(const QString &key, const QString &directory = QString(),
                                 QObject *parent = nullptr);
    ~SingleInstanceGuard() override;

    // Decides this copy's role. A copy that finds the lock held keeps trying to reach the
    // holder's endpoint for up to `waitMs` (the holder may be just starting); it counts as the
    // second either way. Where the lock cannot be used at all (no writable directory), this copy
    // runs unguarded rather than not at all.
    Role claim(int waitMs = 5000);

    QString lockFilePath() const;
    QString endpointPath() const;

signals:
    // A later copy asked this one to bring its showing window to the front.
    void raiseRequested();

private:
    bool listen();
    bool askFirstCopyToRaise(int timeoutMs);
    void acceptConnections();
    void readRequest(QLocalSocket *socket);

    QString m_key;
    QString m_basePath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};

// Brings the program's showing window to the front: the active modal window if there is one
// (the level dialog, a message box), otherwise the visible top-level window (the main window,
// the results window or, during start-up, the splash; the program shows one at a time).
void bringShowingWindowToFront();

} // namespace platform
