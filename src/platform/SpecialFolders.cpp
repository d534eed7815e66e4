#include "SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

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

std::string helpDocumentPath() {
    const std::string beside = AppSettings::programFolder + "ZMP3CJHelp.html";
    const std::string installed = AppSettings::programFolder + "../share/zelvo-mp3/ZMP3CJHelp.html";
    return QFileInfo::exists(QString::fromStdString(beside)) || !QFileInfo::exists(QString::fromStdString(installed))
               ? beside
               : installed;
}

} // namespace Platform
