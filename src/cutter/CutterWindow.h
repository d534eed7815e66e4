#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <memory>
#include <optional>

#include <QPointer>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"
#include "AudioInfo.h"
#include "AudioPlayer.h"
#include "AudioTransform.h"
#include "CutPlan.h"
#include "JobWindow.h"
#include "Mp3FrameCopy.h"
#include "Waveform.h"

class QCheckBox;
class QLayout;
class QMimeData;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;
class PositionBar;
class CutWorker;
class CutPointMenu;
struct CutJob;
class WaveformWorker;
class ConfirmDialog;
class OptionsDialog;

// The cutter window: plays the file, marks cut points on its time line, previews a
// section and cuts the ticked sections into new files in the background.
class CutterWindow : public JobWindow {
    Q_OBJECT

public:
    explicit CutterWindow(QWidget* parent = nullptr);
    ~CutterWindow() override;

    QString fileName;

    // Handlers a user reaches.
    void play();
    void pause();
    void stop();
    void playAfterPosition();
    void playBeforePosition();
    void startPreview();
    void stopPreview();
    void goToTypedTime();
    void addCutPointAtPosition();
    void removeSelected();
    void removeAll();
    void startCutting();
    void cancelCutting();
    void toggleFadeIn();
    void toggleFadeOut();
    void applySpeedChoice();
    void rebuildSectionList();
    // The cut list as a plan (every section with its tick and title), and a plan shown
    // as the cut list.
    CutPlan currentPlan() const;
    void applyPlan(const CutPlan& plan);

    // The section list's columns.
    enum Column { ColUse, ColStart, ColEnd, ColDuration, ColStatus, ColTitle };

    // Window state.
    int rangeStart_ = 0, rangeEnd_ = 0;
    bool playAfter_ = false, playBefore_ = false, previewing_ = false, paused_ = false;
    int64_t startFrame_ = 0;
    int64_t framesFed_ = 0;
    int blockFrames_ = 0;
    int64_t previewEndFrame_ = 0;
    int previewRow_ = -1;
    bool fadeInEnabled_ = false, fadeOutEnabled_ = false;
    bool cutting_ = false, cutCancelled_ = false, closeAfterCut_ = false;
    std::vector<int> rowMap_;
    int cuttingRow_ = -1;
    QString doneText_ = "Done"; // a section's status once written: names the kind when it is not the source's
    // Per section of the running cut: its status once written and why it was encoded again.
    std::vector<QString> sectionDoneTexts_, sectionNotes_;
    bool rebuilding_ = false;

    // Controls.
    PositionBar* bar_;
    QTreeWidget* sectionList_;
    QLabel* durationLabel_;
    QPushButton *cutButton_, *cancelCutButton_;
    QPushButton *stepBackwardButton_, *stepForwardButton_, *addPointButton_, *removeButton_, *removeAllButton_,
        *previewButton_, *stopPreviewButton_;
    QPushButton *goToButton_, *fadeInButton_, *fadeOutButton_, *playButton_, *stopButton_, *pauseButton_;
    QPushButton *playBeforeButton_, *playAfterButton_;
    QLineEdit *goToMinutesBox_, *goToSecondsBox_, *goToMillisecondsBox_, *stepBackwardBox_, *stepForwardBox_;
    QSpinBox *fadeInBox_, *fadeOutBox_;
    QCheckBox *backToStartBox_, *snapToFramesBox_;
    QRadioButton *slowSpeedButton_, *normalSpeedButton_, *fastSpeedButton_;
    CutPointMenu* pointMenu_;

    // Engine objects.
    AudioInfo info_;
    AudioPlayer player_;
    AudioFile file_, input_, output_;
    AudioTransform transform_;
    Mp3EncoderSettings mp3Encoder_;

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void done(int result) override;
    bool event(QEvent* event) override;

private:
    void buildControls();
    QLayout* buildBar();
    void buildList();
    QLayout* buildToolColumn();
    QLayout* buildBottomRow();
    void buildKeys();
    void prepareOnShow();
    QString droppedAudioFile(const QMimeData& data) const;
    // Opens another file in place of the one shown (not while cutting).
    void openFile(const QString& path);
    void startPlayback();
    void feedNextBlock();
    AudioBlock nextSourceBlock();
    void stopPlayback();
    void showPlayedPosition(int currentSamples);
    void playbackEnded();
    void stopPreviewIfRunning();
    void setFade(bool& enabled, QPushButton* button, QSpinBox* box, const char* onHint, const char* offHint);
    void setPreviewControls(bool previewing);
    void setCutControls(bool cutting);
    void runCutWorker();
    void createOutputFile(const QString& path);
    // The cut keeps the source's encoding where it can; the rows say which sections were copied.
    void keepEncodingOf(CutJob& job);
    void noteSection(int section, const QString& status, const QString& why);
    void cutProgress(int index, int percent);
    void cutFinished(bool failed, const QString& failure, int failedSection);
    void setRowStatus(int row, const QString& status);
    bool readNumber(QLineEdit* box, const QString& what, int& value);
    void startWaveform();
    void snapToFrames(bool on);
    int64_t nearestFrameBound(int64_t time) const;
    float speedPercent() const;
    QString outputFolder() const;
    QString defaultTitle(int number) const;
    void showTitles();
    void titleEdited(int row, const QString& text);

    std::string sourceTitle_; // the source's title tag, or its name: the default titles' stem
    // The open file's peaks, kept while the same file is shown again.
    std::shared_ptr<PeakLevels> peaks_;
    QString peaksFile_;
    std::optional<Mp3FrameIndex> frames_; // the open MP3 file's frames, while snapping to them
    QPointer<WaveformWorker> waveformThread_;
    QPointer<CutWorker> worker_;
    int waveformGeneration_ = 0;
    bool closing_ = false;
};
