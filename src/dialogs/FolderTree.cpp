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

QString FolderTree::pathOf(const QModelIndex& index) const {
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
    pickedPath_ = pathOf(index);
    emit folderPicked();
    return true;
}

bool FolderTree::refuses() {
    if (!canChangeFolder || canChangeFolder())
        return false;
    if (onChangeRefused)
        onChangeRefused();
    return true;
}

void FolderTree::pickCurrentUnlessRefused(const QModelIndex& before) {
    const QModelIndex now = currentIndex();
    if (now == before || !now.isValid())
        return;
    if (pathOf(now) != pickedPath_ && refuses()) {
        setCurrentIndex(before);
        return;
    }
    pickedPath_ = pathOf(now);
    emit folderPicked();
}

void FolderTree::mousePressEvent(QMouseEvent* event) {
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index != currentIndex() && refuses())
        return;
    const QModelIndex before = currentIndex();
    QTreeView::mousePressEvent(event);
    pickCurrentUnlessRefused(before);
}

// Every key that moves the current row (arrows, pages, Home/End, Backspace, typing a
// name) is checked after the view moved; a refused move goes back.
void FolderTree::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QTreeView::keyPressEvent(event);
    pickCurrentUnlessRefused(before);
}
