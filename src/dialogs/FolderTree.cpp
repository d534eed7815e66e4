#include "FolderTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

FolderTree::FolderTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this)) {
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    setRootIndex(model_->index(QDir::rootPath()));
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QString FolderTree::selectedPath() const {
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return {};
    QString path = model_->filePath(index);
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

QModelIndex FolderTree::indexOf(const QString& folder) const {
    return model_->index(QDir::cleanPath(folder));
}

bool FolderTree::selectPath(const QString& folder) {
    const QModelIndex index = indexOf(folder);
    if (!index.isValid())
        return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

bool FolderTree::refuses() {
    if (!canChangeFolder || canChangeFolder())
        return false;
    if (onChangeRefused)
        onChangeRefused();
    return true;
}

void FolderTree::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index != currentIndex() && refuses())
        return;
    QTreeView::mousePressEvent(event);
}

void FolderTree::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (refuses())
            return;
        break;
    default: break;
    }
    QTreeView::keyPressEvent(event);
}
