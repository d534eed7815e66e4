#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <QDialog>
#include <QStringList>
#include <QThreadPool>

#include "Loudness.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

// Measures the loudness of files (EBU R 128), on every core, and shows each one's
// integrated loudness, range, true peak and ReplayGain gain, and the album's; then writes
// the files' ReplayGain tags or moves MP3 files' gain losslessly. Measuring goes on while
// the dialog is open; Cancel (or closing) stops it.
class LoudnessDialog : public QDialog {
    Q_OBJECT

public:
    LoudnessDialog(const QStringList& files, QWidget* parent = nullptr);
    ~LoudnessDialog() override;

    bool isMeasuring() const { return measured_ < files_.size(); }
    // The figures of file i once measured (nullptr before, or when it failed).
    const TrackLoudness* track(int i) const { return tracks_[static_cast<size_t>(i)].get(); }

    void writeReplayGainTags();
    void adjustMp3Gain();

protected:
    void done(int result) override;

private:
    void measureAll();
    void showMeasured(int row, std::shared_ptr<TrackLoudness> track, const QString& error);
    void showFigures(int row, const LoudnessFigures& figures);
    void showAlbum();
    void finishMeasuring();
    std::vector<const TrackLoudness*> measuredTracks() const;

    QStringList files_;
    std::vector<std::shared_ptr<TrackLoudness>> tracks_;
    std::vector<std::atomic<int>> permille_;
    int measured_ = 0;
    std::atomic<bool> stopping_{false};
    QThreadPool pool_;
    QTableWidget* table_;
    QProgressBar* progress_;
    QLabel* status_;
    QPushButton *tagButton_, *mp3GainButton_, *closeButton_;
};
