#pragma once

#include <memory>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThread>
#include <QTimer>

#include "Waveform.h"

// Computes a file's peaks away from the window's thread: a sketch of the whole file
// first, then the file's own peaks from its start. A file shown again (the same path,
// size and time of change) keeps the peaks it had.
class WaveformLoader : public QObject {
    Q_OBJECT

public:
    explicit WaveformLoader(QObject* parent = nullptr);
    ~WaveformLoader() override;

    void load(const QString& path);
    // The peaks so far (nullptr before the file is opened); they grow until complete.
    const PeakLevels* peaks() const { return peaks_.get(); }

signals:
    void changed();

private:
    void stop();
    void announceGrowth();

    std::shared_ptr<PeakLevels> peaks_;
    QString stamp_;
    QPointer<QThread> thread_;
    QTimer growthAnnouncement_;
    int generation_ = 0;
};
