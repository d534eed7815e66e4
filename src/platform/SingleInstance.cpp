#include "SingleInstance.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#include "SpecialFolders.h"

namespace {

constexpr int HandOffTimeoutMs = 10000;    // longer than a connection may stay idle
constexpr char Received = '\x06';          // the running copy's answer to a whole message
constexpr qsizetype SocketPathLimit = 107; // bytes of a local socket's path, without its end

// The private folder's path of the file, or "" (with why) when there is none or the
// socket's path would be too long.
QString privatePath(const QString& executableFileName, const char* suffix, QString* why = nullptr) {
    std::string reason;
    const QString folder = QString::fromStdString(Platform::privateRuntimeFolder(&reason));
    const QString path = folder + "/" + QFileInfo(executableFileName).fileName() + ".socket";
    if (!folder.isEmpty() && path.toLocal8Bit().size() > SocketPathLimit)
        reason = "the path of its socket, \"" + path.toStdString() + "\", is too long";
    else if (!folder.isEmpty())
        return folder + "/" + QFileInfo(executableFileName).fileName() + suffix;
    if (why)
        *why = QString::fromStdString(reason);
    return {};
}

} // namespace

QString SingleInstanceGuard::lockFilePath(const QString& executableFileName) {
    return privatePath(executableFileName, ".lock");
}

QString SingleInstanceGuard::socketPath(const QString& executableFileName) {
    return privatePath(executableFileName, ".socket");
}

SingleInstanceGuard::SingleInstanceGuard(const QString& executableFileName) {
    const QString path = privatePath(executableFileName, ".lock", &unavailable_);
    if (path.isEmpty()) {
        first_ = true;
        return;
    }
    lock_ = std::make_unique<QLockFile>(path);
    // Only a lock whose owner is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}

InstanceChannel::InstanceChannel(const QString& executableFileName) {
    const QString path = SingleInstanceGuard::socketPath(executableFileName);
    if (path.isEmpty())
        return;
    QLocalServer::removeServer(path); // what a crashed copy left
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.setMaxPendingConnections(MaxConnections);
    server_.listen(path);
    connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::accept);
}

QByteArray InstanceChannel::message(const QStringList& arguments) {
    QByteArray body;
    for (const QString& argument : arguments) {
        const quint32 units = qToBigEndian(static_cast<quint32>(argument.size()));
        body.append(reinterpret_cast<const char*>(&units), sizeof units);
        body.append(reinterpret_cast<const char*>(argument.utf16()), argument.size() * 2);
    }
    const quint32 length = qToBigEndian(static_cast<quint32>(body.size()));
    return QByteArray(reinterpret_cast<const char*>(&length), sizeof length) + body;
}

bool InstanceChannel::readMessage(const QByteArray& message, QStringList& arguments) {
    auto number = [&message](qsizetype at) {
        quint32 value = 0;
        std::memcpy(&value, message.constData() + at, sizeof value);
        return static_cast<qsizetype>(qFromBigEndian(value));
    };
    if (message.size() < 4 || number(0) != message.size() - 4)
        return false;
    arguments.clear();
    for (qsizetype at = 4; at < message.size();) {
        if (message.size() - at < 4)
            return false;
        const qsizetype bytes = number(at) * 2;
        at += 4;
        if (bytes > message.size() - at)
            return false;
        arguments.append(QString(reinterpret_cast<const QChar*>(message.constData() + at), bytes / 2));
        at += bytes;
    }
    return true;
}

// Each connection may send one message within its time; more connections than the
// limit at once are closed at once, as is one whose message is too long.
void InstanceChannel::accept() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (connections_ >= MaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections_;
        connect(socket, &QObject::destroyed, this, [this] { --connections_; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QTimer::singleShot(ConnectionTimeoutMs, socket, [socket] { socket->abort(); });
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qint64 announced = buffer->size() >= 4 ? qFromBigEndian<quint32>(buffer->constData()) : 0;
            if (announced > MaxMessageBytes || buffer->size() > MaxMessageBytes + 4) {
                socket->abort();
                return;
            }
            if (buffer->size() < 4 || buffer->size() < announced + 4)
                return; // the rest is still on its way
            QStringList arguments;
            const bool whole = readMessage(*buffer, arguments);
            if (whole)
                socket->write(&Received, 1);
            socket->disconnectFromServer();
            if (whole)
                emit received(arguments);
        });
    }
}

// Tries until the running copy answers or the time is over: it may have taken the lock a
// moment ago and not listen yet, or have as many connections as it takes.
bool InstanceChannel::send(const QString& executableFileName, const QStringList& arguments) {
    const QString path = SingleInstanceGuard::socketPath(executableFileName);
    const QByteArray bytes = message(arguments);
    if (path.isEmpty() || bytes.size() > MaxMessageBytes + 4)
        return false;
    const QDeadlineTimer deadline(HandOffTimeoutMs);
    do {
        if (sendOnce(path, bytes, deadline))
            return true;
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

bool InstanceChannel::sendOnce(const QString& path, const QByteArray& bytes, const QDeadlineTimer& deadline) {
    const auto left = [&deadline] { return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)); };
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(left()))
        return false;
    socket.write(bytes);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(left()))
            return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(left()))
            return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == Received;
}
