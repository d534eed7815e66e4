#include <atomic>
#include <csignal>

#include <QEventLoop>
#include <QtTest>

#include "JobWorker.h"
#include "TerminationSignals.h"

namespace {

// A job that writes block after block until it is asked to stop.
class EndlessJob : public JobWorker {
public:
    explicit EndlessJob(QObject* window) : JobWorker(window, QEvent::User + 100) {}
    std::atomic<int> blocks{0};
    std::atomic<bool> stopped{false};

protected:
    void work() override {
        const JobControl job = control();
        while (!job.stopping()) {
            ++blocks;
            QThread::usleep(500);
        }
        stopped = true;
    }
};

} // namespace

class TerminationSignalsTest : public QObject {
    Q_OBJECT

private slots:
    // The program's event loop ends with 128 + the signal once every job has stopped
    // (once per process: an ended application does not run its loops again; the real
    // program is tried with both signals by the start-up tests).
    void terminationStopsTheJobsThenEndsTheEventLoop() {
        const TerminationSignals termination;
        QObject window;
        auto* job = new EndlessJob(&window);
        std::atomic<bool>* stopped = &job->stopped;
        QPointer<EndlessJob> alive(job);
        job->start();
        QTRY_VERIFY(job->blocks > 10);
        ::raise(SIGTERM);
        QEventLoop loop;
        QCOMPARE(loop.exec(), 143);
        QVERIFY(alive.isNull() || *stopped);
        QCOMPARE(JobWorker::runningCount(), 0);
        QTRY_VERIFY(alive.isNull()); // the finished job deletes itself
    }
};

QTEST_GUILESS_MAIN(TerminationSignalsTest)
#include "TerminationSignalsTest.moc"
