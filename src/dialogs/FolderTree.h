#pragma once

#include <functional>

#include <QTreeView>

class QFileSystemModel;

// A tree of the file system's folders (no files), as the main window, the joiner and
// the path chooser show it. A guard can refuse moving to another folder. The picked folder
// changes only by the user's clicks and keys or by selectPath: the model's own moves of the
// current row while it loads folders do not change it.
class FolderTree : public QTreeView {
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // The picked folder's path ending in "/", or "" when none is picked.
    QString selectedPath() const { return pickedPath_; }
    // Selects the folder and scrolls to it; false when there is no such folder.
    bool selectPath(const QString& folder);
    // The tree's item of a folder (invalid when there is none).
    QModelIndex indexOf(const QString& folder) const;

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
    bool refuses();
    // After a click or key: picks the new current folder, or goes back when the guard refuses.
    void pickCurrentUnlessRefused(const QModelIndex& before);
    QString pathOf(const QModelIndex& index) const;
    QString pickedPath_;

    QFileSystemModel* model_;
};
