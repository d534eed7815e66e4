#pragma once

#include <memory>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

// The guard that lets one copy of the program run per executable file name. The lock
// is held until the object is destroyed; a lock left by a copy that crashed is stale
// and taken over. The lock and the socket live in a folder only the user can enter
// (see Platform::privateRuntimeFolder); without one there is no guard and no hand-off.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const QString& executableFileName);

    // True when no other live copy of an executable of the same file name holds the lock
    // (always true without a private folder).
    bool isFirstInstance() const { return first_; }
    // Why later starts cannot hand their files to this copy ("" when they can).
    const QString& handOffUnavailable() const { return unavailable_; }

    // "" when there is no private folder for them.
    static QString lockFilePath(const QString& executableFileName);
    // The local socket the first copy listens on, beside the lock.
    static QString socketPath(const QString& executableFileName);

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
    QString unavailable_;
};

// How a later start hands what it was asked to do to the copy that runs: the first copy
// listens (a socket left by a copy that crashed is replaced, the lock says whose it is);
// a later one sends its arguments and exits. A message is a length and the arguments;
// the running copy answers a whole one with a byte, takes a bounded number of connections
// at once, closes one that has not sent a whole message within a few seconds, and
// refuses messages over a size limit. A later start tries again until it is answered.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    static constexpr int MaxConnections = 16;
    static constexpr int ConnectionTimeoutMs = 5000;
    static constexpr qint64 MaxMessageBytes = 4 << 20;

    // Listens on the socket of the executable name; call only in the copy that holds the lock.
    explicit InstanceChannel(const QString& executableFileName);
    bool isListening() const { return server_.isListening(); }

    // Sends the arguments to the running copy; false when it cannot be reached.
    static bool send(const QString& executableFileName, const QStringList& arguments);

    // The message that carries the arguments, and the arguments of a whole message (false
    // when it is not one).
    static QByteArray message(const QStringList& arguments);
    static bool readMessage(const QByteArray& message, QStringList& arguments);

signals:
    void received(const QStringList& arguments);

private:
    void accept();
    static bool sendOnce(const QString& path, const QByteArray& bytes, const QDeadlineTimer& deadline);
    QLocalServer server_;
    int connections_ = 0;
};
