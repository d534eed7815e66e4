#include "SingleInstance.h"

#include <algorithm>

#include <QDataStream>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace {

constexpr int HandOffTimeoutMs = 5000;

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        folder = QDir::tempPath();
    return folder;
}

} // namespace

QString SingleInstanceGuard::lockFilePath(const QString& executableFileName) {
    return runtimeFolder() + "/" + QFileInfo(executableFileName).fileName() + ".lock";
}

QString SingleInstanceGuard::socketPath(const QString& executableFileName) {
    return runtimeFolder() + "/" + QFileInfo(executableFileName).fileName() + ".socket";
}

SingleInstanceGuard::SingleInstanceGuard(const QString& executableFileName)
    : lock_(std::make_unique<QLockFile>(lockFilePath(executableFileName))) {
    // Only a lock whose owner is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}

InstanceChannel::InstanceChannel(const QString& executableFileName) {
    const QString path = SingleInstanceGuard::socketPath(executableFileName);
    QLocalServer::removeServer(path); // what a crashed copy left
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(path);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::accept);
}

void InstanceChannel::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            QDataStream in(socket);
            in.startTransaction();
            QStringList arguments;
            in >> arguments;
            if (!in.commitTransaction())
                return; // the rest is still on its way
            socket->disconnectFromServer();
            emit received(arguments);
        });
    }
}

bool InstanceChannel::send(const QString& executableFileName, const QStringList& arguments) {
    // The running copy may have taken the lock a moment ago and not be listening yet.
    QLocalSocket socket;
    QDeadlineTimer deadline(HandOffTimeoutMs);
    do {
        socket.connectToServer(SingleInstanceGuard::socketPath(executableFileName));
        if (socket.waitForConnected(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0))))
            break;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    if (socket.state() != QLocalSocket::ConnectedState)
        return false;
    QDataStream out(&socket);
    out << arguments;
    socket.flush();
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(HandOffTimeoutMs))
            return false;
    // The running copy closes the connection once it has read everything.
    return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(HandOffTimeoutMs);
}
