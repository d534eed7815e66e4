#pragma once

#include <QWidget>

// The main window: folder tree, play list, playback and the doors to the other windows.
class TfrmPlayer : public QWidget {
    Q_OBJECT

public:
    explicit TfrmPlayer(QWidget* parent = nullptr);

    // Fills the folder part of the shared state and creates the folders that are missing.
    static void FillSharedFolders();
};
