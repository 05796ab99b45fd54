#include "SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace {
QString runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}
} // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

SingleInstance::~SingleInstance() = default;

// The socket sits beside the lock in the user's runtime folder, out of other users' reach.
QString SingleInstance::socketPath() const
{
    return runtimeFolder() + QLatin1Char('/') + m_name + QStringLiteral(".socket");
}

QString SingleInstance::defaultName()
{
    return QStringLiteral("pellow-%1").arg(::getuid());
}

bool SingleInstance::claim()
{
    m_lock =
        std::make_unique<QLockFile>(runtimeFolder() + QLatin1Char('/') + m_name + QStringLiteral(".lock"));
    // A held lock never goes stale by age: only a dead owner frees it.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        notifyRunning();
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(socketPath());
    m_server->listen(socketPath());
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            if (m_onActivated)
                m_onActivated();
        }
    });
    return true;
}

bool SingleInstance::notifyRunning()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(500))
        return false;
    socket.write("activate\n");
    socket.waitForBytesWritten(200);
    socket.disconnectFromServer();
    return true;
}
