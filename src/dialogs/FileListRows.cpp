#include "FileListRows.h"

#include <algorithm>
#include <vector>

#include <QFileInfo>
#include <QTreeWidget>

#include "AudioInfo.h"
#include "AppSettings.h"

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
        info.open(path.toStdString());
        return QString::fromStdString(AppSettings::formatHmsColon(info.durationMs()));
    } catch (const EngineError&) {
        return QString::fromStdString(AppSettings::formatHmsColon(0));
    }
}

bool isListedAudioFile(const QFileInfo& entry) {
    return entry.isFile() && !AppSettings::audioTypeOfFile(entry.fileName().toStdString()).empty();
}
