#include "SpecialFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "AppSettings.h"

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

void FillSharedFolders() {
    using namespace GlobeVar;
    const std::string programData = "Zelvo Mp3 Zovozu Darozu/";
    ProgramFolder = ExecutableFolder();
    SettingsFolder = ConfigFolder() + programData;
    CreateFolderWithParents(SettingsFolder);
    const std::string root = DocumentsFolder() + programData;
    DefaultConvertOutputPath = root + "Converted files/";
    DefaultSplitOutputPath = root + "Cut files/";
    DefaultJoinOutputPath = root + "Merged files/";
    for (const auto& folder : {DefaultConvertOutputPath, DefaultSplitOutputPath, DefaultJoinOutputPath})
        CreateFolderWithParents(folder);
}

std::string HelpDocumentPath() {
    const std::string beside = GlobeVar::ProgramFolder + "ZMP3CJHelp.html";
    const std::string installed = GlobeVar::ProgramFolder + "../share/zelvo-mp3/ZMP3CJHelp.html";
    return QFileInfo::exists(QString::fromStdString(beside)) || !QFileInfo::exists(QString::fromStdString(installed))
               ? beside
               : installed;
}

} // namespace Platform
