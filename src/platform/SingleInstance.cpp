#include "SingleInstance.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString SingleInstanceGuard::lockFilePath(const QString& executableFileName) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        folder = QDir::tempPath();
    return folder + "/" + QFileInfo(executableFileName).fileName() + ".lock";
}

SingleInstanceGuard::SingleInstanceGuard(const QString& executableFileName)
    : lock_(std::make_unique<QLockFile>(lockFilePath(executableFileName))) {
    // Only a lock whose owner is gone is stale, however old it is.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
}
