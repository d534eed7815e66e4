#include "JobWorker.h"

#include <exception>

#include <QCoreApplication>
#include <QList>

#include "AudioFile.h"
#include "EngineError.h"
#include "WorkerEvent.h"

namespace {
QList<JobWorker*>& liveWorkers() {
    static QList<JobWorker*> workers; // touched on the windows' thread only
    return workers;
}
} // namespace

JobWorker::JobWorker(QObject* window, int message) : window_(window), message_(message) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    liveWorkers().append(this);
}

JobWorker::~JobWorker() {
    liveWorkers().removeOne(this);
}

void JobWorker::stopAll() {
    for (JobWorker* worker : liveWorkers())
        worker->requestInterruption();
}

int JobWorker::runningCount() {
    int running = 0;
    for (JobWorker* worker : liveWorkers())
        running += worker->isRunning() ? 1 : 0;
    return running;
}

void JobWorker::run() {
    try {
        work();
        emit ended(false, {}, -1, false);
    } catch (const EngineError& error) {
        emit ended(true, QString::fromUtf8(error.what()), failedItem_, error.status() == EngineStatus::TagWriteFailed);
    } catch (const std::exception& error) {
        emit ended(true, QString::fromUtf8(error.what()), failedItem_, false);
    }
}

QString closeJobFiles(AudioFile& input, AudioFile& output) {
    try {
        input.close();
        output.close();
    } catch (const EngineError& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}

JobControl JobWorker::control() {
    JobControl control;
    control.progress = [this](int item, int percent) {
        QCoreApplication::postEvent(window_, new WorkerEvent(message_, item, percent));
    };
    control.stopRequested = [this] { return isInterruptionRequested(); };
    control.damaged = [this](const std::string& file, const std::string& damage) {
        emit damaged("\"" + QString::fromStdString(file) + "\": " + QString::fromStdString(damage));
    };
    return control;
}
