#include "FolderTree.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

TFolderTree::TFolderTree(QWidget* parent) : QTreeView(parent), model_(new QFileSystemModel(this)) {
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QDir::rootPath());
    setModel(model_);
    setRootIndex(model_->index(QDir::rootPath()));
    for (int column = 1; column < model_->columnCount(); ++column)
        hideColumn(column);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QString TFolderTree::SelectedPath() const {
    const QModelIndex index = currentIndex();
    if (!index.isValid())
        return {};
    QString path = model_->filePath(index);
    if (!path.endsWith('/'))
        path += '/';
    return path;
}

QModelIndex TFolderTree::IndexOf(const QString& folder) const {
    return model_->index(QDir::cleanPath(folder));
}

bool TFolderTree::SelectPath(const QString& folder) {
    const QModelIndex index = IndexOf(folder);
    if (!index.isValid())
        return false;
    setCurrentIndex(index);
    scrollTo(index);
    return true;
}

bool TFolderTree::Refuses() {
    if (!CanChangeFolder || CanChangeFolder())
        return false;
    if (OnChangeRefused)
        OnChangeRefused();
    return true;
}

void TFolderTree::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index != currentIndex() && Refuses())
        return;
    QTreeView::mousePressEvent(event);
}

void TFolderTree::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        if (Refuses())
            return;
        break;
    default: break;
    }
    QTreeView::keyPressEvent(event);
}
