#include "FolderTree.h"

#include <QCollator>
#include <QDir>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardPaths>
#include <QStorageInfo>

namespace {

constexpr int PathRole = Qt::UserRole;

QString folderPath(const QString& path) {
    const QString clean = QDir::cleanPath(path);
    return clean.endsWith('/') ? clean : clean + '/';
}

QIcon themedIcon(const QString& name) {
    static const QIcon folder = QFileIconProvider().icon(QFileIconProvider::Folder);
    return name.isEmpty() ? folder : QIcon::fromTheme(name, folder);
}

QTreeWidgetItem* newFolderItem(const QString& name, const QString& path, const QString& iconName = {}) {
    auto* item = new QTreeWidgetItem(QStringList{name});
    item->setData(0, PathRole, folderPath(path));
    item->setIcon(0, themedIcon(iconName));
    item->setToolTip(0, QDir::toNativeSeparators(path));
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

bool isDriveMount(const QString& root) {
    return root.startsWith("/media/") || root.startsWith("/mnt/") || root.startsWith("/run/media/");
}

} // namespace

QList<FolderTree::Place> FolderTree::places() {
    const QString home = QDir::homePath();
    QList<Place> list{{QObject::tr("Home"), home, "user-home"}};
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (!music.isEmpty() && folderPath(music) != folderPath(home) && QDir(music).exists())
        list.append({QStandardPaths::displayName(QStandardPaths::MusicLocation), music, "folder-music"});
    list.append({QObject::tr("File System"), QDir::rootPath(), "drive-harddisk"});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady() && isDriveMount(volume.rootPath()))
            list.append({volume.displayName(), volume.rootPath(), "drive-removable-media"});
    return list;
}

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(1);
    header()->hide();
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemExpanded, this, &FolderTree::readSubfolders);
    addPlaces();
}

void FolderTree::addPlaces() {
    for (const Place& place : places())
        addTopLevelItem(newFolderItem(place.name, place.path, place.iconName));
}

void FolderTree::readSubfolders(QTreeWidgetItem* item) {
    QDir folder(item->data(0, PathRole).toString());
    QStringList names = folder.entryList(QDir::AllDirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    for (int row = item->childCount() - 1; row >= 0; --row)
        if (!names.contains(item->child(row)->text(0)))
            delete item->takeChild(row);
    for (int row = 0; row < names.size(); ++row)
        if (row >= item->childCount() || item->child(row)->text(0) != names[row])
            item->insertChild(row, newFolderItem(names[row], folder.filePath(names[row])));
    item->setChildIndicatorPolicy(names.isEmpty() ? QTreeWidgetItem::DontShowIndicatorWhenChildless
                                                  : QTreeWidgetItem::ShowIndicator);
}

QTreeWidgetItem* FolderTree::childNamed(QTreeWidgetItem* item, const QString& name) {
    for (int pass = 0; pass < 2; ++pass) {
        for (int row = 0; row < item->childCount(); ++row)
            if (item->child(row)->text(0) == name)
                return item->child(row);
        readSubfolders(item);
    }
    // A hidden folder asked for by its path is shown where it belongs.
    const QString path = item->data(0, PathRole).toString() + name;
    if (name.isEmpty() || !QFileInfo(path).isDir())
        return nullptr;
    auto* child = newFolderItem(name, path);
    item->insertChild(0, child);
    return child;
}

// The folder's item under the top entry with the longest path that holds it.
QTreeWidgetItem* FolderTree::itemOf(const QString& folder) {
    const QString path = folderPath(QDir(folder).absolutePath());
    QTreeWidgetItem* top = nullptr;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        const QString root = topLevelItem(row)->data(0, PathRole).toString();
        if (path.startsWith(root) && (!top || root.size() > top->data(0, PathRole).toString().size()))
            top = topLevelItem(row);
    }
    if (!top)
        return nullptr;
    QTreeWidgetItem* item = top;
    const QString rest = path.mid(top->data(0, PathRole).toString().size());
    for (const QString& name : rest.split('/', Qt::SkipEmptyParts))
        if (!(item = childNamed(item, name)))
            return nullptr;
    return item;
}

QModelIndex FolderTree::indexOf(const QString& folder) {
    QTreeWidgetItem* item = itemOf(folder);
    return item ? indexFromItem(item) : QModelIndex();
}

QString FolderTree::pathOf(const QModelIndex& index) const {
    return index.isValid() ? index.data(PathRole).toString() : QString();
}

bool FolderTree::selectPath(const QString& folder) {
    QTreeWidgetItem* item = itemOf(folder);
    if (!item)
        return false;
    for (QTreeWidgetItem* above = item->parent(); above; above = above->parent())
        above->setExpanded(true);
    setCurrentItem(item);
    scrollToItem(item);
    pickedPath_ = pathOf(indexFromItem(item));
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
    QTreeWidget::mousePressEvent(event);
    pickCurrentUnlessRefused(before);
}

// Every key that moves the current row (arrows, pages, Home/End, Backspace, typing a
// name) is checked after the view moved; a refused move goes back.
void FolderTree::keyPressEvent(QKeyEvent* event) {
    const QModelIndex before = currentIndex();
    QTreeWidget::keyPressEvent(event);
    pickCurrentUnlessRefused(before);
}
