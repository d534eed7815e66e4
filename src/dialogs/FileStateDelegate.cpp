#include "FileStateDelegate.h"

#include "AudioFileListModel.h"

void FileStateDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto state = static_cast<AudioFileListModel::RowState>(index.data(AudioFileListModel::StateRole).toInt());
    option->font.setBold(state == AudioFileListModel::RowState::Playing);
    option->font.setItalic(state == AudioFileListModel::RowState::Converting);
}
