#include "WaveformLoader.h"

#include <QDateTime>
#include <QFileInfo>

#include "FileNames.h"

namespace {

constexpr int SketchColumns = 1024;
constexpr int GrowthAnnouncementMs = 100;

// A file's size and time of change: the same stamp is the same file's peaks.
QString fileStamp(const QString& path) {
    const QFileInfo file(path);
    return file.absoluteFilePath() + "|" + QString::number(file.size()) + "|" +
           QString::number(file.lastModified().toMSecsSinceEpoch());
}

} // namespace

WaveformLoader::WaveformLoader(QObject* parent) : QObject(parent) {
    growthAnnouncement_.setSingleShot(true);
    growthAnnouncement_.setInterval(GrowthAnnouncementMs);
    connect(&growthAnnouncement_, &QTimer::timeout, this, &WaveformLoader::changed);
}

WaveformLoader::~WaveformLoader() {
    stop();
}

void WaveformLoader::stop() {
    ++generation_;
    if (thread_) {
        thread_->requestInterruption();
        thread_->wait();
    }
}

// The peaks grow by a piece every few milliseconds; each announcement repaints the
// waveform, so growth is announced ten times a second, and the last piece at once.
void WaveformLoader::announceGrowth() {
    if (peaks_ && peaks_->complete()) {
        growthAnnouncement_.stop();
        emit changed();
    } else if (!growthAnnouncement_.isActive()) {
        growthAnnouncement_.start();
    }
}

void WaveformLoader::load(const QString& path) {
    const QString stamp = fileStamp(path);
    if (peaks_ && stamp == stamp_ && peaks_->complete())
        return emit changed();
    stop();
    growthAnnouncement_.stop();
    peaks_.reset();
    stamp_ = stamp;
    emit changed();
    const int generation = generation_;
    QPointer<WaveformLoader> self(this);
    // Each step reaches the loader on its own thread, and only while the file is the one loaded.
    auto onLoaderThread = [self, generation](auto step, bool growth = false) {
        QMetaObject::invokeMethod(
            self,
            [self, generation, growth, step = std::move(step)]() mutable {
                if (self && self->generation_ == generation) {
                    step(*self);
                    growth ? self->announceGrowth() : emit self->changed();
                }
            },
            Qt::QueuedConnection);
    };
    QThread* thread = QThread::create([bytes = Platform::pathBytes(path), onLoaderThread] {
        // Asked by the readers' threads as well: the loader's own thread is the one stopped.
        QThread* loading = QThread::currentThread();
        computePeaks(
            bytes, SketchColumns,
            [&](int64_t total, int rate) {
                onLoaderThread([total, rate](WaveformLoader& loader) {
                    loader.peaks_ = std::make_shared<PeakLevels>(total, rate);
                });
            },
            [&](std::vector<Peak> sketch) {
                onLoaderThread([sketch = std::move(sketch)](WaveformLoader& loader) mutable {
                    if (loader.peaks_)
                        loader.peaks_->setSketch(std::move(sketch));
                });
            },
            [&](std::vector<Peak> peaks, std::vector<float> energies) {
                onLoaderThread(
                    [peaks = std::move(peaks), energies = std::move(energies)](WaveformLoader& loader) {
                        if (loader.peaks_)
                            loader.peaks_->append(peaks, energies);
                    },
                    true);
            },
            [loading] { return loading->isInterruptionRequested(); });
    });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread_ = thread;
    thread->start(QThread::LowPriority);
}
