#pragma once

#include <algorithm>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

#include "AudioFile.h"
#include "CutJob.h"
#include "Mp3EncoderSettings.h"

class CutSectionModel;
class CutWorker;

// The cutter's running cut: its engine objects and worker, and the statuses of the
// section list's rows as their sections are written ("Cutting: 40 % done", "Done",
// "Done (copied)" with why as the row's note, "Failed", "Canceled"). Lives on the
// window's thread; the worker posts its progress to it.
class CutRun : public QObject {
    Q_OBJECT

public:
    CutRun(CutSectionModel& sections, QObject* parent);

    // Starts cutting source; the failure that kept it from starting, "" when it runs.
    QString start(const QString& source, CutJob job);
    void cancel();
    bool isRunning() const { return running_; }
    // The files the last cut wrote whole.
    int written() const { return static_cast<int>(std::count(done_.begin(), done_.end(), true)); }

signals:
    // The cut is over: failure is "" when every section was written or it was cancelled.
    void finished(const QString& failure, bool cancelled);
    // The source was read with damaged stretches left out (see JobWorker::damaged).
    void damaged(const QString& what);

protected:
    bool event(QEvent* event) override;

private:
    void keepEncodingOf(CutJob& job);
    void noteSection(int section, const QString& status, const QString& why);
    void progress(int section, int percent);
    void ended(bool failed, const QString& failure, int failedSection);

    CutSectionModel& sections_;
    AudioFile input_, output_;
    Mp3EncoderSettings mp3Encoder_;
    QPointer<CutWorker> worker_;
    std::vector<size_t> rows_; // the list row of each section
    std::vector<QString> doneTexts_, notes_;
    int cuttingRow_ = -1;
    std::vector<bool> done_; // each section's, once written whole
    bool running_ = false, cancelled_ = false;
};
