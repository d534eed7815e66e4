#pragma once

#include <functional>

#include <QTreeWidget>

// A tree of the file system's folders (no files), as the main window, the joiner and
// the path chooser show it. Its top entries are the places a user starts from: the home
// folder, the music folder and the mounted drives (the root file system first). A
// folder's subfolders are read when it opens and read again each time it opens.
// A guard can refuse moving to another folder. The picked folder changes only by the
// user's clicks and keys or by selectPath.
class FolderTree : public QTreeWidget {
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // The picked folder's path ending in "/", or "" when none is picked.
    QString selectedPath() const { return pickedPath_; }
    // Selects the folder and scrolls to it; false when there is no such folder.
    bool selectPath(const QString& folder);
    // The tree's item of a folder, reading the folders on the way (invalid when there is none).
    QModelIndex indexOf(const QString& folder);

    struct Place {
        QString name;
        QString path;
        QString iconName;
    };
    // The top entries: home, music (when it exists apart from home), the root file
    // system and the drives mounted under /media, /mnt or /run/media.
    static QList<Place> places();

    // Asked before the user moves to another folder; returning false keeps the selection.
    std::function<bool()> canChangeFolder;
    // Called when a change was refused (after the guard said no).
    std::function<void()> onChangeRefused;

signals:
    // The user or selectPath picked a folder (also the same one again).
    void folderPicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void addPlaces();
    // Brings an item's children in line with its folder's subfolders, keeping the
    // items (and what is open below them) of folders that are still there.
    void readSubfolders(QTreeWidgetItem* item);
    QTreeWidgetItem* childNamed(QTreeWidgetItem* item, const QString& name);
    QTreeWidgetItem* itemOf(const QString& folder);
    bool refuses();
    // After a click or key: picks the new current folder, or goes back when the guard refuses.
    void pickCurrentUnlessRefused(const QModelIndex& before);
    QString pathOf(const QModelIndex& index) const;
    QString pickedPath_;
};
