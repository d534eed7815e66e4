#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>
#include <QPointer>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"
#include "AudioInfo.h"
#include "AudioPlayer.h"
#include "AudioTransform.h"
#include "JobWindow.h"
#include "Waveform.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class TMyTrackBar;
class TSplitterThread;
class TWaveformThread;
class TfrmConfirm;
class TfrmOptions;

// The cutter window: plays the file, marks cut points on its time line, previews a
// section and cuts the ticked sections into new files in the background.
class TfrmSplitter : public TJobWindow {
    Q_OBJECT

public:
    explicit TfrmSplitter(QWidget* parent = nullptr);
    ~TfrmSplitter() override;

    QString FileName;

    // Handlers a user reaches.
    void btnPlayClick();
    void btnPauseClick();
    void btnStopClick();
    void btnPlayForwardClick();
    void btnPlayBackwardClick();
    void btnPreviewClick();
    void btnPreviewStopClick();
    void btnGotoClick();
    void btnAddTimeClick();
    void btnRemoveClick();
    void btnRemoveAllClick();
    void btnSplitClick();
    void btnCancelSplitClick();
    void ToggleFadeIn();
    void ToggleFadeOut();
    void SpeedClick();
    void RebuildSectionList();

    // Window state.
    int RangeStart = 0, RangeEnd = 0;
    bool PlayAfter = false, PlayBefore = false, PreviewMode = false, PausedState = false;
    int64_t StartFrame = 0;
    int64_t FramesFed = 0;
    int BlockFrames = 0;
    int64_t PreviewEndFrame = 0;
    int PreviewRow = -1;
    bool FadeInEnabled = false, FadeOutEnabled = false;
    bool Cutting = false, CutCancelled = false, CloseAfterCut = false;
    std::vector<int> RowMap;
    int CuttingRow = -1;
    bool Rebuilding = false;

    // Controls.
    TMyTrackBar* Bar;
    QTreeWidget* lvSplitList;
    QLabel* lbDuration;
    QPushButton *btnSplit, *btnCancelSplit;
    QPushButton *btnBackward, *btnForward, *btnAddTime, *btnRemove, *btnRemoveAll, *btnPreview, *btnPreviewStop;
    QPushButton *btnGoto, *btnFadeInEnable, *btnFadeOutEnable, *btnPlay, *btnStop, *btnPause;
    QPushButton *btnPlayBackward, *btnPlayForward;
    QLineEdit *numGotoMin, *numGotoSec, *numGotoMs, *numBackward, *numForward;
    QSpinBox *edFadeInDuration, *edFadeOutDuration;
    QCheckBox* cboxBackToStart;
    QRadioButton *rb05x, *rb1x, *rb15x;

    // Engine objects.
    TAudioInformation2 AI;
    TAudioPlayer2 AP;
    TAudioFile2 AF, AF_IN, AF_OUT;
    TAudioTransform2 AT;
    TAudioFile2LameEnc AudioFile2LameEnc1;

protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void BuildControls();
    void BuildBar();
    void BuildList();
    void BuildToolColumn();
    void BuildBottomRow();
    void FormShow();
    void StartPlayback();
    void FeedNextBlock();
    void StopPlayback();
    void APTimer(int currentSamples);
    void APEndPlay();
    void StopPreviewIfRunning();
    void SetFade(bool& enabled, QPushButton* button, QSpinBox* box, const char* onHint, const char* offHint);
    void SetPreviewControls(bool previewing);
    void SetCutControls(bool cutting);
    void StartCut();
    void CreateOutputFile(const QString& path);
    void CutProgress(int index, int percent);
    void CutFinished(bool failed, const QString& failure, int failedSection);
    void SetRowStatus(int row, const QString& status);
    bool ReadNumber(QLineEdit* box, const QString& what, int& value);
    void StartWaveform();
    void DrawWaveform(int firstColumn, const std::vector<TPeak>& peaks);
    float SpeedPercent() const;
    QString OutputFolder() const;

    QImage waveform_;
    std::vector<TPeak> peaks_;
    QPointer<TWaveformThread> waveformThread_;
    QPointer<TSplitterThread> worker_;
    int waveformGeneration_ = 0;
    bool closing_ = false;
};
