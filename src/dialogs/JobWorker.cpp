#include "JobWorker.h"

#include <exception>

#include <QCoreApplication>

#include "EngineError.h"
#include "WorkerEvent.h"

TJobThread::TJobThread(QObject* window, int message) : window_(window), message_(message) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

void TJobThread::run() {
    try {
        Work();
        emit Ended(false, {}, -1, false);
    } catch (const EngineError& error) {
        emit Ended(true, QString::fromUtf8(error.what()), FailedItem, error.Status() == EngineStatus::TagWriteFailed);
    } catch (const std::exception& error) {
        emit Ended(true, QString::fromUtf8(error.what()), FailedItem, false);
    }
}

TJobControl TJobThread::Control() {
    TJobControl control;
    control.Progress = [this](int item, int percent) {
        QCoreApplication::postEvent(window_, new TWorkerEvent(message_, item, percent));
    };
    control.StopRequested = [this] { return isInterruptionRequested(); };
    return control;
}
