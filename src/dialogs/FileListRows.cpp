#include "FileListRows.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "AppSettings.h"
#include "FileNames.h"

std::vector<ListedFile> listedAudioFiles(const QString& folder) {
    namespace fs = std::filesystem;
    std::vector<ListedFile> files;
    std::error_code ec;
    for (auto it = fs::directory_iterator(Platform::pathBytes(folder), ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        std::error_code statusError;
        const std::string name = it->path().filename().string();
        if (!it->is_regular_file(statusError) || AppSettings::audioTypeOfFile(name).empty())
            continue;
        const auto size = it->file_size(statusError);
        files.push_back({Platform::pathFromBytes(name), Platform::pathFromBytes(it->path().string()),
                         statusError ? 0 : static_cast<int64_t>(size)});
    }
    return files;
}

QStringList audioFilesIn(const QStringList& paths) {
    QStringList files;
    for (const QString& path : paths) {
        if (!QFileInfo(path).isDir()) {
            files << path;
            continue;
        }
        QStringList inFolder;
        for (const ListedFile& file : listedAudioFiles(path))
            inFolder << file.path;
        inFolder.sort(Qt::CaseInsensitive);
        files << inFolder;
    }
    return files;
}

QStringList localPathsOf(const QMimeData& data) {
    QStringList paths;
    for (const QUrl& url : data.urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

bool isRegularFile(const QString& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(Platform::pathBytes(path), ec);
}

int64_t fileSizeOf(const QString& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(Platform::pathBytes(path), ec);
    return ec ? -1 : static_cast<int64_t>(size);
}
