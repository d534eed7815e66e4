#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP end the windowed program as a quit does: every job stops at
// its next block, and once the jobs have ended the event loops leave with 128 + the
// signal's number. The outputs the jobs had not finished are removed as their files go.
// The handler only writes the signal's number to a pipe; the rest runs in the event loop.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    // 128 + the signal once one ended the event loops, otherwise 0. A signal that came
    // before the main loop ran (during a start-up message) is seen here.
    int exitStatus() const { return exitStatus_; }

private:
    void takeSignal();
    void quitWhenJobsEnded();

    QSocketNotifier* notifier_ = nullptr;
    int signal_ = 0;
    int exitStatus_ = 0;
};
