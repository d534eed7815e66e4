#include "SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "AppSettings.h"

namespace Platform {

namespace {

std::string asFolder(const QString& path) {
    QString folder = QDir::fromNativeSeparators(path);
    if (!folder.endsWith('/'))
        folder += '/';
    return folder.toStdString();
}

} // namespace

std::string homeFolder() {
    return asFolder(QDir::homePath());
}

std::string documentsFolder() {
    return asFolder(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
}

std::string configFolder() {
    return asFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

std::string executableFolder() {
    return asFolder(QCoreApplication::applicationDirPath());
}

bool createFolderWithParents(const std::string& folder) {
    return QDir().mkpath(QString::fromStdString(folder));
}

bool folderExists(const std::string& folder) {
    return QFileInfo(QString::fromStdString(folder)).isDir();
}

void fillSharedFolders() {
    using namespace AppSettings;
    const std::string programData = "Zelvo Mp3 Zovozu Darozu/";
    programFolder = executableFolder();
    settingsFolder = configFolder() + programData;
    createFolderWithParents(settingsFolder);
    const std::string root = documentsFolder() + programData;
    defaultConvertOutputPath = root + "Converted files/";
    defaultSplitOutputPath = root + "Cut files/";
    defaultJoinOutputPath = root + "Merged files/";
    for (const auto& folder : {defaultConvertOutputPath, defaultSplitOutputPath, defaultJoinOutputPath})
        createFolderWithParents(folder);
}

namespace {

// Whether the folder is this user's alone: a folder, not a link, owned by the user, with
// no access for group or others. A folder of the user's with more access is narrowed.
bool isPrivateFolder(const std::string& folder, std::string& why) {
    struct stat status {};
    if (::lstat(folder.c_str(), &status) != 0) {
        why = "\"" + folder + "\": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(status.st_mode) || status.st_uid != ::geteuid()) {
        why = "\"" + folder + "\" is not a folder of this user's";
        return false;
    }
    if ((status.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0) {
        why = "\"" + folder + "\" is open to other users";
        return false;
    }
    return true;
}

// The cache folder as the desktop names it: $XDG_CACHE_HOME, or .cache in the home folder.
std::string cacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/')
        return cache;
    const char* home = std::getenv("HOME");
    return home && home[0] == '/' ? std::string(home) + "/.cache" : std::string();
}

} // namespace

std::string privateRuntimeFolder(std::string* why) {
    std::string reason;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && isPrivateFolder(runtime, reason))
        return runtime;
    const std::string cache = cacheFolder();
    if (!cache.empty()) {
        const std::string own = cache + "/zelvo-mp3-runtime";
        createFolderWithParents(cache);
        ::mkdir(own.c_str(), 0700);
        if (isPrivateFolder(own, reason))
            return own;
    } else {
        reason = "no home folder is set";
    }
    if (why)
        *why = reason;
    return {};
}

std::string helpDocumentPath() {
    const std::string beside = AppSettings::programFolder + "ZMP3CJHelp.html";
    const std::string installed = AppSettings::programFolder + "../share/zelvo-mp3/ZMP3CJHelp.html";
    return QFileInfo::exists(QString::fromStdString(beside)) || !QFileInfo::exists(QString::fromStdString(installed))
               ? beside
               : installed;
}

} // namespace Platform
