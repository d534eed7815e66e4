#pragma once

#include <memory>

#include <QModelIndex>
#include <QPointer>
#include <QWidget>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"

class AudioFileListModel;
class ConfirmDialog;
class ConvertWorker;
class CutterWindow;
class JoinerWindow;
class NaturalSortProxy;
class OptionsDialog;
class PlaybackController;
struct PlayerControls;

// The main window: the folder tree, the play list of the folder's audio files,
// playback with volume, mute, equaliser and level display, and the doors to the
// cutter, the joiner, the options and the help document. A view of the folder's file
// list model and of the one playback controller, which the desktop's media controls
// share.
class PlayerWindow : public QWidget {
    Q_OBJECT

public:
    explicit PlayerWindow(QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // The windows this one opens; set once after all are created.
    void setWindows(OptionsDialog* options, ConfirmDialog* confirm, CutterWindow* cutter, JoinerWindow* joiner);
    PlaybackController& playback() const { return *playback_; }

    // Lists the folder again, even when it has not changed (new files may be there).
    void refreshPlayList();
    // A folder or file from outside (the command line, a later start): the folder is
    // listed, and a file's row selected once it is listed. False, after saying why, when
    // there is no such folder or audio file.
    bool showPath(const QString& path);
    // The cutter on the selected file, or on a file given.
    void openCutter();
    void openCutterOn(const QString& path);
    void openJoiner();
    // Plays the selected file; the one step rows away from the playing (or selected) one.
    void play();
    // False when there is no such row.
    bool playNeighbour(int step);
    void togglePause();
    void stop();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class RenameDelegate;
    void connectControls();
    void connectPlayback();
    void buildKeys();
    void prepareOnShow();
    void listSelectedFolder();
    void listFolder(const QString& folder);
    void sortBy(int column);
    void folderListed();
    bool acceptsDrop(QEvent* event);
    QString currentFolder() const;
    QString selectedFile() const;
    QStringList selectedFiles() const; // in the list's order
    // "Loudness…": the selected files measured in a dialog of their own.
    void measureLoudness();
    QModelIndex viewIndexOf(const QString& path) const;
    void selectFile(const QString& path);
    void showSelectedRow();
    void showFolderChangeRefused();
    void openOptions();
    void openHelp();
    void showMessage(const QString& text);

    void showPlayedPosition(int64_t ms);
    void playbackStateChanged();
    void seekToReleasedPosition();
    bool progressHeld() const;
    void toggleMute();
    void toggleEqualizer();
    void applyEqualizer();
    void loadEqualizerPreset(int preset);
    void applyEqualizerSliders();

    // Conversion and the file actions of the context menu (PlayerWindowFileActions.cpp).
    void installRenameEditor();
    void enableMenuActions();
    void convertSelected(const QString& kind);
    void failConversion(const QString& why);
    void convertProgress(int percent);
    void conversionFinished(bool failed, const QString& failure, int, bool tagsOnly);
    void cancelConversion();
    void showConverted(const QString& file);
    void renameSelected();
    bool canEdit(const QString& path) const;
    bool renameFile(const QString& path, const QString& newText);
    void deleteSelected();
    void mailSelected();

    std::unique_ptr<PlayerControls> ui_;
    AudioFileListModel* files_;
    NaturalSortProxy* sorted_;
    PlaybackController* playback_;
    OptionsDialog* options_ = nullptr;
    ConfirmDialog* confirm_ = nullptr;
    CutterWindow* cutter_ = nullptr;
    JoinerWindow* joiner_ = nullptr;
    QString fileToSelect_;     // selected once its folder is listed
    bool reselecting_ = false; // the file was selected before a new listing: gone is no fault
    bool equalizerDragging_ = false;
    bool shown_ = false;

    // The running conversion.
    AudioFile input_, output_;
    Mp3EncoderSettings mp3Encoder_;
    QPointer<ConvertWorker> convertor_;
    QString convertingFile_, convertOutputFile_;
    QString convertDamage_; // what the running conversion found damaged in its source
    bool convertCancelled_ = false;
};
