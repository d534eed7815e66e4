#pragma once

#include <QStyledItemDelegate>

// Draws a file list's playing row in bold and its converting row in italics, from the
// model's state role, in the theme's own colours.
class FileStateDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
