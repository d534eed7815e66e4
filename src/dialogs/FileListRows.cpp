#include "FileListRows.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include <QFileInfo>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>

#include "AudioInfo.h"
#include "AppSettings.h"
#include "FileNames.h"

void sortFileList(QTreeWidget* list, int column, int sizeColumn) {
    auto key = [column, sizeColumn](const QTreeWidgetItem* item) {
        const QString text = item->text(column);
        return column == sizeColumn ? QString::fromStdString(AppSettings::sizeSortKey(text.toStdString())) : text;
    };
    std::vector<QTreeWidgetItem*> items;
    while (list->topLevelItemCount() > 0)
        items.push_back(list->takeTopLevelItem(0));
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return QString::compare(key(a), key(b), Qt::CaseInsensitive) < 0;
    });
    for (QTreeWidgetItem* item : items)
        list->addTopLevelItem(item);
}

QString durationTextOf(AudioInfo& info, const QString& path) {
    try {
        info.open(Platform::pathBytes(path));
        return QString::fromStdString(AppSettings::formatHmsColon(info.durationMs()));
    } catch (const EngineError&) {
        return QString::fromStdString(AppSettings::formatHmsColon(0));
    }
}

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
