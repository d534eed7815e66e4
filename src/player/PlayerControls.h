#pragma once

#include <array>

#include <QCoreApplication>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QTreeView;
class QWidget;
class FolderTree;
class LevelDisplay;

// The main window's controls in their layout: the doors to the other windows, the level
// display with volume and equaliser, the folder tree beside the play list, the position,
// and the playing row; and the play list's menu. Made once by the window, which connects
// them; they hold no state of their own.
struct PlayerControls {
    Q_DECLARE_TR_FUNCTIONS(PlayerControls)

public:
    explicit PlayerControls(QWidget* window);

    QPushButton *cutterButton, *joinerButton, *optionsButton, *helpButton;
    LevelDisplay* levelDisplay;
    QSlider* volumeSlider;
    QPushButton *muteButton, *equalizerButton, *equalizerModeButton;
    std::array<QSlider*, 12> equalizerSliders{};
    QComboBox* equalizerPresetBox;
    FolderTree* folderTree;
    QTreeView* playList;
    QSlider* progressSlider;
    QLabel* timeLabel;  // elapsed and total time of the playing file
    QLabel* statusLine; // what the last job wrote, with a link to its folder
    QPushButton *playButton, *stopButton, *pauseButton, *mailButton;
    QLabel* fileInfoLabel;
    QMenu* contextMenu;
    std::array<QAction*, 8> convertActions{}; // to WAV, MP3, OGG, WMA, FLAC, Opus, M4A and M4B
    QAction *cancelConversionAction, *loudnessAction, *mailAction, *renameAction, *deleteAction;

private:
    void buildTopRow(QWidget* window);
    QWidget* buildMiddle(QWidget* window);
    QWidget* buildPlayList(QWidget* window);
    void buildBottomRow(QWidget* window);
    void buildMenu(QWidget* window);
};

// The play list's column widths in the window's font; once its model is set.
void sizeFileColumns(QTreeView* list);
