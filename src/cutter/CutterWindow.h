#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QPointer>

#include "JobWindow.h"
#include "Mp3FrameCopy.h"

class QLineEdit;
class QMimeData;
class QPushButton;
class QSpinBox;
class CutDocument;
class CutPointMenu;
class CutSectionModel;
class CutRun;
struct CutterControls;
struct Fade;
class PlaybackController;
class WaveformLoader;

// The cutter window: plays the file, marks cut points on its time line, previews a
// section and cuts the ticked sections into new files in the background. A view of the
// opened file's cut document and of its playback controller.
class CutterWindow : public JobWindow {
    Q_OBJECT

public:
    explicit CutterWindow(QWidget* parent = nullptr);
    ~CutterWindow() override;

    // Opens a file in place of the one shown (not while cutting): a new document with one
    // ticked section over the whole file. False, after saying why, when it cannot be read.
    bool openFile(const QString& path);
    QString fileName() const { return fileName_; }
    bool isCutting() const;

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void connectControls();
    void connectPlayback();
    void buildKeys();
    bool windowKey(int key);
    QString droppedAudioFile(const QMimeData& data) const;
    void showDocument();
    int selectedRow() const;

    void play(int64_t startMs, int64_t endMs, int kind, int section = -1);
    void playFromPosition();
    void togglePause();
    void stop();
    void playAfterPosition();
    void playBeforePosition();
    void startPreview();
    void stopPreview();
    void playbackEnded();
    void showHeardPosition(int64_t ms);
    void setPreviewControls(bool previewing);
    void applySpeedChoice();

    void goToTypedTime();
    bool readNumber(QLineEdit* box, const QString& what, int& value);
    void addCutPointAtPosition();
    void removeSelected();
    void showFade(const Fade& fade, QPushButton* button, QSpinBox* box, const char* onHint, const char* offHint);
    void showFades();
    void startWaveform();
    void snapToFrames(bool on);
    int64_t nearestFrameBound(int64_t time) const;
    QString outputFolder() const;

    void startCutting();
    void setCutControls(bool cutting);
    void cutFinished(const QString& failure, bool cancelled);

    std::unique_ptr<CutterControls> ui_;
    CutPointMenu* pointMenu_;
    CutSectionModel* sections_;
    PlaybackController* playback_;
    WaveformLoader* waveform_;
    std::unique_ptr<CutDocument> document_;
    QString fileName_;
    int sampleRate_ = 44100;

    CutRun* cutRun_;
    bool closeAfterCut_ = false;
    std::optional<Mp3FrameIndex> frames_; // the open MP3 file's frames, while snapping to them
};
