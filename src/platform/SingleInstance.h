#pragma once

#include <memory>

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>

// The guard that lets one copy of the program run per executable file name. The lock
// is held until the object is destroyed; a lock left by a copy that crashed is stale
// and taken over.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const QString& executableFileName);

    // True when no other live copy of an executable of the same file name holds the lock.
    bool isFirstInstance() const { return first_; }

    static QString lockFilePath(const QString& executableFileName);
    // The local socket the first copy listens on, beside the lock.
    static QString socketPath(const QString& executableFileName);

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
};

// How a later start hands what it was asked to do to the copy that runs: the first copy
// listens (a socket left by a copy that crashed is replaced, the lock says whose it is);
// a later one sends its arguments and exits.
class InstanceChannel : public QObject {
    Q_OBJECT

public:
    // Listens on the socket of the executable name; call only in the copy that holds the lock.
    explicit InstanceChannel(const QString& executableFileName);
    bool isListening() const { return server_.isListening(); }

    // Sends the arguments to the running copy; false when it cannot be reached.
    static bool send(const QString& executableFileName, const QStringList& arguments);

signals:
    void received(const QStringList& arguments);

private:
    void accept();
    QLocalServer server_;
};
