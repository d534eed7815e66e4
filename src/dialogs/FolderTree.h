#pragma once

#include <functional>

#include <QTreeView>

class QFileSystemModel;

// A tree of the file system's folders (no files), as the main window, the joiner and
// the path chooser show it. A guard can refuse moving to another folder.
class FolderTree : public QTreeView {
    Q_OBJECT

public:
    explicit FolderTree(QWidget* parent = nullptr);

    // The selected folder's path ending in "/", or "" when none is selected.
    QString selectedPath() const;
    // Selects the folder and scrolls to it; false when there is no such folder.
    bool selectPath(const QString& folder);
    // The tree's item of a folder (invalid when there is none).
    QModelIndex indexOf(const QString& folder) const;

    // Asked before the user moves to another folder; returning false keeps the selection.
    std::function<bool()> canChangeFolder;
    // Called when a change was refused (after the guard said no).
    std::function<void()> onChangeRefused;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool refuses();

    QFileSystemModel* model_;
};
