#include "SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace Platform {

namespace {

std::string AsFolder(const QString& path) {
    QString folder = QDir::fromNativeSeparators(path);
    if (!folder.endsWith('/'))
        folder += '/';
    return folder.toStdString();
}

} // namespace

std::string HomeFolder() {
    return AsFolder(QDir::homePath());
}

std::string DocumentsFolder() {
    return AsFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

std::string ConfigFolder() {
    return AsFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

std::string ExecutableFolder() {
    return AsFolder(QCoreApplication::applicationDirPath());
}

bool CreateFolderWithParents(const std::string& folder) {
    return QDir().mkpath(QString::fromStdString(folder));
}

bool FolderExists(const std::string& folder) {
    return QFileInfo(QString::fromStdString(folder)).isDir();
}

} // namespace Platform
