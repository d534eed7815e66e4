#pragma once

// What a file list (the play list, the joiner's folder list) shows, read through its model.

#include <QAbstractItemView>
#include <QSortFilterProxyModel>
#include <QStringList>

#include "AudioFileListModel.h"
#include "WindowProbe.h"

// The file-list model behind a list's sorting proxy.
inline const AudioFileListModel& listedFiles(const QAbstractItemView* list) {
    return *static_cast<const AudioFileListModel*>(
        static_cast<const QSortFilterProxyModel*>(list->model())->sourceModel());
}

// The folder a list shows, once it is listed whole ("" while it is being listed).
inline QString listedFolder(const QAbstractItemView* list) {
    return listedFiles(list).isListing() ? QString() : listedFiles(list).folder();
}

// The texts of a column, in the order shown.
inline QStringList columnTexts(const QAbstractItemView* list, int column) {
    QStringList texts;
    for (int row = 0; row < rowCount(list); ++row)
        texts << cellText(list, row, column);
    return texts;
}

// The row shown with a file name, -1 for none.
inline int rowNamed(const QAbstractItemView* list, const QString& name) {
    return static_cast<int>(columnTexts(list, AudioFileListModel::Name).indexOf(name));
}

inline AudioFileListModel::RowState stateOf(const QAbstractItemView* list, const QString& name) {
    const QModelIndex index = list->model()->index(rowNamed(list, name), 0);
    return static_cast<AudioFileListModel::RowState>(index.data(AudioFileListModel::StateRole).toInt());
}
