#pragma once

#include <array>
#include <functional>
#include <cstdint>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"
#include "AudioInfo.h"
#include "AudioPlayer.h"

class QComboBox;
class QLayout;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QSlider;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class LevelDisplay;
class ConvertWorker;
class FolderTree;
class ConfirmDialog;
class JoinerWindow;
class OptionsDialog;
class CutterWindow;

// The main window: the folder tree, the play list of the folder's audio files,
// playback with volume, mute, equaliser and level display, and the doors to the
// cutter, the joiner, the options and the help document.
class PlayerWindow : public QWidget {
    Q_OBJECT

public:
    // Columns of the play list.
    enum { ColName, ColFormat, ColDuration, ColSize, ColStatus };
    // Row states, carried as leading blanks of the Duration text.
    static constexpr int MarkerIdle = 0, markerPlaying = 1, markerConverting = 3;

    explicit PlayerWindow(QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // The windows this one opens; set once after all are created.
    void setWindows(OptionsDialog* options, ConfirmDialog* confirm, CutterWindow* splitter, JoinerWindow* joiner);

    // Lists the tree's folder unless it is the one listed already.
    void listCurrentFolder();
    // Lists the folder again, even when it has not changed (new files may be there).
    void refreshPlayList();
    void sortPlayList();
    void addFileRow(const QString& path);

    // The handlers a user reaches.
    void listSelectedFolder();
    // A folder or file from outside (the command line, a later start): the folder is
    // listed; a file's folder is listed and its row selected. False, after saying why,
    // when there is no such folder or listed file.
    bool showPath(const QString& path);
    void play();
    void pause();
    void stop();
    void openCutter();
    void openJoiner();
    void openOptions();
    void openHelp();
    void seekToReleasedPosition();
    // For the desktop's media controls: a move to a frame of the playing file, the frame
    // being heard, and who is told when playback starts, pauses or stops.
    void seekToFrame(int64_t frame);
    int64_t playedFrame() const;
    std::function<void()> onPlaybackChange;
    void toggleMute();
    void toggleEqualizer();
    void applyEqualizerPreset();
    void loadEqualizerPreset(int preset);

    // Conversion and the file actions of the context menu.
    void enableMenuActions();
    void convertSelected(const QString& kind);
    void startConversion(const QString& kind);
    void cancelConversion();
    void renameSelected();
    // The edited caption of a row: renames its file, keeping the old extension; false
    // (the row keeps its name) when the name cannot be used.
    bool renameRow(int row, const QString& newText);
    bool isRowBeingEdited(int row) const;
    void deleteSelected();
    void mailSelected();
    QString lastMessage_; // the last message the window showed (tests read it)
    QString convertOutputFile_;
    bool convertCancelled_ = false;

    int rowMarker(int row) const;
    void setRowMarker(int row, int marker);
    QString rowFileName(int row) const;
    int rowCount() const;
    // The row of a file name in the list, or -1.
    int findRow(const QString& fileName) const;

    // State the other windows and the tests read.
    QString currentFolder_;
    int sortColumn_ = 0;
    int playingRow_ = -1;
    int convertingRow_ = -1;
    QString selectedFile_;
    bool listing_ = false;
    bool listingRestart_ = false;
    bool paused_ = false;
    bool volumeReady_ = false;
    bool equalizerOn_ = true;
    bool muted_ = false;
    bool equalizerDragging_ = false;
    int64_t playBase_ = 0;
    int64_t lengthFrames_ = 0;
    int blockFrames_ = 0;

    // Controls.
    FolderTree* folderTree_;
    QTreeWidget* playList_;
    QLabel* fileInfoLabel_;
    QPushButton *cutterButton_, *joinerButton_, *optionsButton_, *helpButton_;
    QPushButton *playButton_, *stopButton_, *pauseButton_, *mailButton_, *muteButton_, *equalizerButton_,
        *equalizerModeButton_, *levelDisplayButton_;
    QSlider* volumeSlider_;
    QSlider* progressSlider_;
    std::array<QSlider*, 12> equalizerSliders_{};
    QComboBox* equalizerPresetBox_;
    LevelDisplay* levelDisplay_;
    QMenu* contextMenu_;
    QAction *convertToWavAction_, *convertToMp3Action_, *convertToOggAction_, *convertToWmaAction_,
        *convertToFlacAction_, *cancelConversionAction_, *mailAction_, *renameAction_, *deleteAction_;

    // Engine objects.
    AudioPlayer player_;
    AudioFile file_;
    AudioInfo info_;
    AudioFile input_, output_;
    Mp3EncoderSettings mp3Encoder_;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool acceptsDrop(QEvent* event);

private:
    void buildControls();
    void buildKeys();
    QLayout* buildEqualizer();
    QWidget* buildPlayList();
    void buildMenu();
    void prepareOnShow();
    void showFolderChangeRefused();
    void showSelectedRow();
    void restoreRowStates(const QString& playingFile, const QString& convertingFile);
    QString formatTextOf(const QString& path);
    void appendRow(const QString& name, const QString& format, const QString& duration, const QString& size,
                   const QString& status);
    void paintRow(int row);

    void playFile(const QString& path);
    void stopPlayback();
    void pausePlayback();
    void resumePlayback();
    void feedPlayer();
    void showPlayedPosition(int currentSamples);
    void initVolume();
    void applyEqualizer();
    void setVolumeFromSlider(int position);
    void applyEqualizerSliders();
    int seekToProgress();
    int64_t progressFrame() const;
    int selectedRow() const;
    void installRenameEditor();
    void showMessage(const QString& text);
    void convertProgress(int percent);
    void conversionFinished(bool failed, const QString& failure, int, bool tagsOnly);
    void failConversion(const QString& why);
    bool progressHeld() const;

    OptionsDialog* options_ = nullptr;
    ConfirmDialog* confirm_ = nullptr;
    CutterWindow* cutter_ = nullptr;
    JoinerWindow* joiner_ = nullptr;
    QPointer<ConvertWorker> convertor_;
    bool created_ = false;
    bool shown_ = false;
};
