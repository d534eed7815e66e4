#pragma once

#include <QString>
#include <QThread>

#include "JobControl.h"

class AudioFile;

// After a job: closes its input and its output, and gives the message of a failure to
// finish the output ("" when there was none).
QString closeJobFiles(AudioFile& input, AudioFile& output);

// The thread of a window's job: runs Work, posts each progress report to the window as
// a worker message, and stops between blocks when asked (requestInterruption). When the
// work is over (done, stopped or failed) it signals Ended, which the window connects
// (queued) to its completion handler before start; the thread deletes itself afterwards.
class JobWorker : public QThread {
    Q_OBJECT

public:
    JobWorker(QObject* window, int message);
    ~JobWorker() override;

    // Every job of the program asked to stop at its next block (the program is ending),
    // and how many have not ended yet. Called on the windows' thread.
    static void stopAll();
    static int runningCount();

signals:
    // failedItem: the item the failure came with, -1 when none; tagsOnly: only the tags
    // of an output could not be written, its audio is whole.
    void ended(bool failed, QString failure, int failedItem, bool tagsOnly);
    // An input was read with damaged stretches left out: "\"file\": what was left out".
    void damaged(QString what);

protected:
    void run() final;
    virtual void work() = 0;
    // Reports of the job become posted messages; its stop is the interruption request.
    JobControl control();

    int failedItem_ = -1;

private:
    QObject* window_;
    int message_;
};
