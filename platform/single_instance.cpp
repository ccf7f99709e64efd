#include "platform/single_instance.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

namespace {

const QByteArray raiseRequest = QByteArrayLiteral("raise\n");
// Anything longer than the request is not ours; no need to buffer it.
constexpr qint64 maxRequestLength = 64;

QString guardDirectory(const QString &directory) {
    if (!directory.isEmpty())
        return directory;
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath();
    return runtime;
}

} // namespace

SingleInstanceGuard::SingleInstanceGuard(const QString &key, const QString &directory, QObject *parent)
    : QObject(parent)
    , m_key(key) {
    const QByteArray digest =
        QCryptographicHash::hash(key.toCaseFolded().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_basePath = guardDirectory(directory) + QStringLiteral("/cifrovex-") + QString::fromLatin1(digest);
    m_lock = std::make_unique<QLockFile>(lockFilePath());
    // Only a lock whose process is gone is stale; the first copy holds it for as long as it runs.
    m_lock->setStaleLockTime(0);
}

SingleInstanceGuard::~SingleInstanceGuard() {
    if (m_server)
        m_server->close();
}

QString SingleInstanceGuard::lockFilePath() const {
    return m_basePath + QStringLiteral(".lock");
}

QString SingleInstanceGuard::endpointPath() const {
    return m_basePath + QStringLiteral(".sock");
}

SingleInstanceGuard::Role SingleInstanceGuard::claim(int waitMs) {
#ifdef Q_OS_WIN
    // The system's own probe: a window of the program, found by its title.
    if (HWND window = ::FindWindowW(nullptr, reinterpret_cast<LPCWSTR>(m_key.utf16()))) {
        if (::IsWindowVisible(window)) {
            ::SetForegroundWindow(window);
        } else {
            // The main window is hidden behind the results window: let the first copy pick.
            ::AllowSetForegroundWindow(ASFW_ANY);
            askFirstCopyToRaise(waitMs);
        }
        return Role::Second;
    }
#endif
    const QDeadlineTimer deadline(waitMs);
    for (;;) {
        if (m_lock->tryLock(0)) {
            listen();
            return Role::First;
        }
        if (m_lock->error() != QLockFile::LockFailedError)
            return Role::First;
#ifdef Q_OS_WIN
        ::AllowSetForegroundWindow(ASFW_ANY);
#endif
        if (askFirstCopyToRaise(200) || deadline.hasExpired())
            return Role::Second;
        QThread::msleep(50);
    }
}

bool SingleInstanceGuard::listen() {
    // We hold the lock, so an endpoint left behind can only be a dead copy's.
    QLocalServer::removeServer(endpointPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstanceGuard::acceptConnections);
    return m_server->listen(endpointPath());
}

bool SingleInstanceGuard::askFirstCopyToRaise(int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(endpointPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(raiseRequest);
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}

void SingleInstanceGuard::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        readRequest(socket);
    }
}

void SingleInstanceGuard::readRequest(QLocalSocket *socket) {
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() >= maxRequestLength)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(maxRequestLength);
    socket->disconnectFromServer();
    if (line == raiseRequest)
        emit raiseRequested();
}

void bringShowingWindowToFront() {
    QWidget *target = QApplication::activeModalWidget();
    if (!target) {
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window->isVisible() &&
                !(window->windowType() == Qt::ToolTip || window->windowType() == Qt::Popup))
                target = window;
        }
    }
    if (!target)
        return;
    if (target->isMinimized())
        target->setWindowState(target->windowState() & ~Qt::WindowMinimized);
    target->raise();
    target->activateWindow();
}

} // namespace platform
