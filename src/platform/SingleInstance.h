#pragma once

#include <memory>

#include <QLockFile>
#include <QString>

// The guard that lets one copy of the program run per executable file name. The lock
// is held until the object is destroyed; a lock left by a copy that crashed is stale
// and taken over.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const QString& executableFileName);

    // True when no other live copy of an executable of the same file name holds the lock.
    bool isFirstInstance() const { return first_; }

    static QString lockFilePath(const QString& executableFileName);

private:
    std::unique_ptr<QLockFile> lock_;
    bool first_ = false;
};
