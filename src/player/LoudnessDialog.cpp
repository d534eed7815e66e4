#include "LoudnessDialog.h"

#include <cmath>

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "AppSettings.h"
#include "AudioTags.h"
#include "EngineError.h"
#include "FileNames.h"
#include "Mp3Gain.h"

namespace {

enum Column { FileColumn, LoudnessColumn, RangeColumn, PeakColumn, GainColumn, ColumnCount };

QString figure(double value, const QString& unit) {
    return std::isfinite(value) ? QString::number(value, 'f', 2) + " " + unit : QString("-inf ") + unit;
}

QString filesText(qsizetype count) {
    return count == 1 ? LoudnessDialog::tr("1 file") : LoudnessDialog::tr("%1 files").arg(count);
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

} // namespace

LoudnessDialog::LoudnessDialog(const QStringList& files, QWidget* parent)
    : QDialog(parent), files_(files), tracks_(static_cast<size_t>(files.size())),
      permille_(static_cast<size_t>(files.size())) {
    setObjectName("loudnessDialog");
    setWindowTitle(tr("Loudness"));
    auto* layout = new QVBoxLayout(this);
    table_ = new QTableWidget(static_cast<int>(files.size()) + (files.size() > 1 ? 1 : 0), ColumnCount);
    table_->setObjectName("loudnessTable");
    table_->setHorizontalHeaderLabels({tr("File"), tr("Loudness"), tr("Range"), tr("True peak"), tr("Gain")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    for (int row = 0; row < table_->rowCount(); ++row) {
        const bool album = row == files.size();
        table_->setItem(row, FileColumn, new QTableWidgetItem(album ? tr("Album") : nameOf(files[row])));
        for (int column = LoudnessColumn; column < ColumnCount; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table_->setItem(row, column, item);
        }
    }
    layout->addWidget(table_);
    progress_ = new QProgressBar;
    progress_->setObjectName("loudnessProgress");
    progress_->setRange(0, 1000);
    layout->addWidget(progress_);
    status_ = new QLabel(tr("Measuring…"));
    status_->setObjectName("loudnessStatus");
    status_->setWordWrap(true);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox;
    tagButton_ = buttons->addButton(tr("Write ReplayGain tags"), QDialogButtonBox::ActionRole);
    tagButton_->setObjectName("writeTagsButton");
    mp3GainButton_ = buttons->addButton(tr("Adjust MP3 gain (lossless)"), QDialogButtonBox::ActionRole);
    mp3GainButton_->setObjectName("mp3GainButton");
    mp3GainButton_->setToolTip(tr("MP3 files move by steps of 1.5 dB to the nearest of -18 LUFS (the album's level "
                                  "when several are measured), recorded so that mp3gain can undo it"));
    closeButton_ = buttons->addButton(QDialogButtonBox::Cancel);
    closeButton_->setObjectName("closeButton");
    layout->addWidget(buttons);
    tagButton_->setEnabled(false);
    mp3GainButton_->setEnabled(false);
    connect(tagButton_, &QPushButton::clicked, this, &LoudnessDialog::writeReplayGainTags);
    connect(mp3GainButton_, &QPushButton::clicked, this, &LoudnessDialog::adjustMp3Gain);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    resize(640, 120 + 30 * table_->rowCount());
    measureAll();
}

LoudnessDialog::~LoudnessDialog() {
    stopping_ = true;
    pool_.waitForDone();
}

void LoudnessDialog::done(int result) {
    stopping_ = true; // the files left unmeasured stay so
    QDialog::done(result);
}

void LoudnessDialog::measureAll() {
    for (int i = 0; i < files_.size(); ++i)
        pool_.start([this, i] {
            std::shared_ptr<TrackLoudness> track;
            QString error;
            try {
                track = TrackLoudness::measure(Platform::pathBytes(files_[i]), [this, i](double share) {
                    permille_[static_cast<size_t>(i)] = static_cast<int>(share * 1000);
                    return !stopping_;
                });
            } catch (const EngineError& failure) {
                error = Platform::pathFromBytes(failure.what());
            }
            QMetaObject::invokeMethod(
                this, [this, i, track, error] { showMeasured(i, track, error); }, Qt::QueuedConnection);
        });
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, timer] {
        int sum = 0;
        for (const auto& share : permille_)
            sum += share;
        progress_->setValue(files_.isEmpty() ? 1000 : sum / static_cast<int>(files_.size()));
        if (!isMeasuring())
            timer->stop();
    });
    timer->start(100);
}

void LoudnessDialog::showMeasured(int row, std::shared_ptr<TrackLoudness> track, const QString& error) {
    tracks_[static_cast<size_t>(row)] = track;
    permille_[static_cast<size_t>(row)] = 1000;
    if (track)
        showFigures(row, track->figures());
    else
        table_->item(row, LoudnessColumn)->setText(error.isEmpty() ? tr("Stopped") : tr("Failed"));
    table_->item(row, FileColumn)->setToolTip(error);
    if (!error.isEmpty())
        status_->setText(error);
    if (++measured_ == files_.size())
        finishMeasuring();
}

void LoudnessDialog::showFigures(int row, const LoudnessFigures& figures) {
    table_->item(row, LoudnessColumn)->setText(figure(figures.integratedLufs, "LUFS"));
    table_->item(row, RangeColumn)->setText(figure(figures.rangeLu, "LU"));
    table_->item(row, PeakColumn)->setText(figure(figures.truePeakDb(), "dBTP"));
    table_->item(row, GainColumn)->setText(figure(figures.replayGainDb(), "dB"));
}

std::vector<const TrackLoudness*> LoudnessDialog::measuredTracks() const {
    std::vector<const TrackLoudness*> tracks;
    for (const auto& track : tracks_)
        if (track)
            tracks.push_back(track.get());
    return tracks;
}

void LoudnessDialog::finishMeasuring() {
    progress_->setValue(1000);
    const std::vector<const TrackLoudness*> tracks = measuredTracks();
    if (files_.size() > 1 && !tracks.empty())
        showFigures(static_cast<int>(files_.size()), TrackLoudness::album(tracks));
    const bool complete = tracks.size() == static_cast<size_t>(files_.size());
    tagButton_->setEnabled(complete);
    mp3GainButton_->setEnabled(complete);
    closeButton_->setText(tr("Close"));
    if (complete)
        status_->setText(tr("Measured %1").arg(filesText(files_.size())));
}

void LoudnessDialog::writeReplayGainTags() {
    const bool asAlbum = files_.size() > 1;
    const LoudnessFigures album = asAlbum ? TrackLoudness::album(measuredTracks()) : LoudnessFigures{};
    QStringList failures;
    qsizetype tagged = 0;
    for (int i = 0; i < files_.size(); ++i) {
        const std::optional<ReplayGainTags> gain =
            replayGainTagsOf(tracks_[static_cast<size_t>(i)]->figures(), asAlbum ? &album : nullptr);
        if (!gain)
            continue; // silence: no gain brings it to the reference
        try {
            ::writeReplayGainTags(Platform::pathBytes(files_[i]), *gain);
            ++tagged;
        } catch (const EngineError& error) {
            failures << Platform::pathFromBytes(error.what());
        }
    }
    status_->setText(failures.isEmpty() ? tr("ReplayGain tags written into %1").arg(filesText(tagged))
                                        : failures.join("\n"));
}

void LoudnessDialog::adjustMp3Gain() {
    const bool asAlbum = files_.size() > 1;
    const LoudnessFigures album = asAlbum ? TrackLoudness::album(measuredTracks()) : LoudnessFigures{};
    QStringList said;
    for (int i = 0; i < files_.size(); ++i) {
        const std::string path = Platform::pathBytes(files_[i]);
        if (AppSettings::audioTypeOfFile(path) != "MP3")
            continue; // only MP3 frames carry a gain to move
        const LoudnessFigures& figures = asAlbum ? album : tracks_[static_cast<size_t>(i)]->figures();
        if (!figures.hasLoudness())
            continue; // silence: no gain brings it to the reference
        const int steps = mp3GainSteps(figures.replayGainDb());
        try {
            if (steps == 0)
                continue;
            const Mp3GainChange change = applyMp3Gain(path, steps);
            said << tr("\"%1\" moved by %2 steps of 1.5 dB").arg(nameOf(files_[i])).arg(steps) +
                        (change.clampedFrames > 0 ? tr(" (%1 frames reached the limit)").arg(change.clampedFrames)
                                                  : QString());
        } catch (const EngineError& error) {
            said << Platform::pathFromBytes(error.what());
        }
    }
    status_->setText(said.isEmpty() ? tr("Nothing to move: the files are within half a step") : said.join("\n"));
}
