#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QPointer>
#include <QWidget>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"
#include "AudioInfo.h"
#include "AudioPlayer.h"

class QComboBox;
class QLabel;
class QMenu;
class QAction;
class QPushButton;
class QSlider;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TAudioDisplay2;
class TConvertor;
class TFolderTree;
class TfrmConfirm;
class TfrmJoiner;
class TfrmOptions;
class TfrmSplitter;

// The main window: the folder tree, the play list of the folder's audio files,
// playback with volume, mute, equaliser and level display, and the doors to the
// cutter, the joiner, the options and the help document.
class TfrmPlayer : public QWidget {
    Q_OBJECT

public:
    // Columns of the play list.
    enum { ColName, ColFormat, ColDuration, ColSize, ColStatus };
    // Row states, carried as leading blanks of the Duration text.
    static constexpr int MarkerIdle = 0, MarkerPlaying = 1, MarkerConverting = 3;

    explicit TfrmPlayer(QWidget* parent = nullptr);
    ~TfrmPlayer() override;

    // The windows this one opens; set once after all are created.
    void SetWindows(TfrmOptions* options, TfrmConfirm* confirm, TfrmSplitter* splitter, TfrmJoiner* joiner);

    // Lists the tree's folder unless it is the one listed already.
    void ListCurrentFolder();
    // Lists the folder again, even when it has not changed (new files may be there).
    void RefreshPlayList();
    void SortPlayList();
    void AddFileRow(const QString& path);

    // The handlers a user reaches.
    void STVClick();
    void btnPlayClick();
    void btnPauseClick();
    void btnStopClick();
    void btnSplitterClick();
    void btnJoinerClick();
    void btnOptionsClick();
    void btnHelpClick();
    void tbPlaybackProgressMouseUp();
    void btnMuteClick();
    void btnUseEQClick();
    void comboxEQModeChange();
    void LoadEqualizerPreset(int preset);

    // Conversion and the file actions of the context menu.
    void popMenuConvertPopup();
    void ConvertClick(const QString& kind);
    void StartConversion(const QString& kind);
    void CancelConversion();
    void muRenameClick();
    // The edited caption of a row: renames its file, keeping the old extension; false
    // (the row keeps its name) when the name cannot be used.
    bool lvPlayListEdited(int row, const QString& newText);
    bool lvPlayListEditing(int row) const;
    void muDeleteClick();
    void btnMailClick();
    QString LastMessage; // the last message the window showed (tests read it)
    QString ConvertOutputFile;
    bool ConvertCancelled = false;

    int RowMarker(int row) const;
    void SetRowMarker(int row, int marker);
    QString RowFileName(int row) const;
    int RowCount() const;
    // The row of a file name in the list, or -1.
    int FindRow(const QString& fileName) const;

    // State the other windows and the tests read.
    QString CurrentFolder;
    int SortColumn = 0;
    int PlayingRow = -1;
    int ConvertingRow = -1;
    QString SelectedFile;
    bool Listing = false;
    bool ListingRestart = false;
    bool Paused = false;
    bool VolumeReady = false;
    bool EqOn = true;
    bool Muted = false;
    bool EqDragging = false;
    int64_t PlayBase = 0;
    int64_t LengthFrames = 0;
    int BlockFrames = 0;

    // Controls.
    TFolderTree* STV;
    QTreeWidget* lvPlayList;
    QLabel* Label1;
    QPushButton *btnSplitter, *btnJoiner, *btnOptions, *btnHelp, *btnPlayerClose;
    QPushButton *btnPlay, *btnStop, *btnPause, *btnMail, *btnMute, *btnUseEQ, *btnEQMode, *Button1;
    QSlider* tbPlaybackVolume;
    QSlider* tbPlaybackProgress;
    std::array<QSlider*, 12> tbEQ{};
    QComboBox* comboxEQMode;
    TAudioDisplay2* AD;
    QMenu* popMenuConvert;
    QAction *muConverttoWAV, *muConverttoMP3, *muConverttoOGG, *muConverttoWMA, *muCancelConvertion, *muMail, *muRename,
        *muDelete;

    // Engine objects.
    TAudioPlayer2 AP;
    TAudioFile2 AF;
    TAudioInformation2 AI;
    TAudioFile2 AF_In, AF_Out;
    TAudioFile2LameEnc AudioFile2LameEnc1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildEqualizer();
    void BuildPlayList();
    void BuildMenu();
    void FormShow();
    void ShowFolderChangeRefused();
    void lvPlayListClick();
    void RestoreRowStates(const QString& playingFile, const QString& convertingFile);
    QString FormatTextOf(const QString& path);
    void AppendRow(const QString& name, const QString& format, const QString& duration, const QString& size,
                   const QString& status);
    void PaintRow(int row);

    void PlayFile(const QString& path);
    void StopPlayback();
    void PausePlayback();
    void ResumePlayback();
    void FeedPlayer();
    void APTimer(int currentSamples);
    void InitVolume();
    void ApplyEqualizer();
    void tbPlaybackVolumeChange(int position);
    void tbEQChange();
    int SeekToProgress();
    int SelectedRow() const;
    void InstallRenameEditor();
    void ShowMessage(const QString& text);
    void ConvertProgress(int percent);
    void ConversionFinished(bool failed, const QString& failure, int, bool tagsOnly);
    void FailConversion(const QString& why);
    bool ProgressHeld() const;

    TfrmOptions* frmOptions_ = nullptr;
    TfrmConfirm* frmConfirm_ = nullptr;
    TfrmSplitter* frmSplitter_ = nullptr;
    TfrmJoiner* frmJoiner_ = nullptr;
    QPointer<TConvertor> convertor_;
    bool created_ = false;
    bool shown_ = false;
};
