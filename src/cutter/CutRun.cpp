#include "CutRun.h"

#include <QCoreApplication>

#include "AppSettings.h"
#include "CutSectionModel.h"
#include "CutWorker.h"
#include "FileNames.h"
#include "OutputFormat.h"
#include "WorkerEvent.h"

CutRun::CutRun(CutSectionModel& sections, QObject* parent) : QObject(parent), sections_(sections) {
    input_.setFileOption(true);
    output_.setFileOption(true);
}

QString CutRun::start(const QString& source, CutJob job) {
    const std::string path = Platform::pathBytes(source);
    input_.openForRead(path);
    if (input_.errorCode() != 0)
        return QString::fromStdString(input_.errorText());
    if (!prepareOutputFormat(output_, mp3Encoder_, job.kind)) {
        input_.close();
        return tr("Cannot cut \"") + source + "\": it is not a file of a kind the program reads";
    }
    const QString doneText = job.kind == AppSettings::audioTypeOfFile(path)
                                 ? tr("Done")
                                 : tr("Done (as %1)").arg(QString::fromStdString(job.kind));
    rows_ = job.planRows;
    doneTexts_.assign(job.sections.size(), doneText);
    notes_.assign(job.sections.size(), QString());
    if (job.keepEncoding)
        keepEncodingOf(job);
    // Each section's file is created here, on the window's thread.
    output_.setReplacesExisting(job.overwrite);
    job.createOutput = [this](const std::string& file) {
        QMetaObject::invokeMethod(
            this, [this, file] { output_.createForWrite(file); }, Qt::BlockingQueuedConnection);
        if (output_.errorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(output_.errorCode()), output_.errorText());
    };
    cuttingRow_ = -1;
    done_.assign(rows_.size(), false);
    cancelled_ = false;
    running_ = true;
    worker_ = new CutWorker(this, input_, output_, std::move(job));
    connect(worker_, &JobWorker::ended, this, &CutRun::ended, Qt::QueuedConnection);
    connect(worker_, &JobWorker::damaged, this, &CutRun::damaged, Qt::QueuedConnection);
    worker_->start(QThread::NormalPriority);
    return {};
}

void CutRun::cancel() {
    cancelled_ = true;
    if (worker_)
        worker_->requestInterruption();
}

void CutRun::keepEncodingOf(CutJob& job) {
    job.reencoded = [this](int section, const std::string& why) {
        QMetaObject::invokeMethod(
            this,
            [this, section, why = QString::fromStdString(why)] { noteSection(section, tr("Done (re-encoded)"), why); },
            Qt::QueuedConnection);
    };
    job.copied = [this](int section, const std::string&, const std::string& note) {
        QMetaObject::invokeMethod(
            this,
            [this, section, note = QString::fromStdString(note)] {
                noteSection(section, tr("Done (copied)"),
                            note.isEmpty() ? note : tr("Copied in whole packets: ") + note);
            },
            Qt::QueuedConnection);
    };
}

// Section -1 stands for all of them. The note may come after the section's progress.
void CutRun::noteSection(int section, const QString& status, const QString& why) {
    for (size_t i = 0; i < doneTexts_.size() && i < rows_.size(); ++i) {
        if (section >= 0 && static_cast<size_t>(section) != i)
            continue;
        const int row = static_cast<int>(rows_[i]);
        if (sections_.status(row) == doneTexts_[i])
            sections_.setStatus(row, status, why);
        doneTexts_[i] = status;
        notes_[i] = why;
    }
}

bool CutRun::event(QEvent* event) {
    if (event->type() != WorkerEvent::typeOf(WM_CUT_PROGRESS))
        return QObject::event(event);
    const auto* report = static_cast<WorkerEvent*>(event);
    progress(report->item, report->percent);
    return true;
}

void CutRun::progress(int section, int percent) {
    if (section < 0 || section >= static_cast<int>(rows_.size()))
        return;
    const auto index = static_cast<size_t>(section);
    const int row = static_cast<int>(rows_[index]);
    if (percent >= 100) {
        cuttingRow_ = -1;
        done_[index] = true;
        sections_.setStatus(row, doneTexts_.at(index), notes_.at(index));
    } else {
        cuttingRow_ = row;
        sections_.setStatus(row, tr("Cutting: %1 % done").arg(percent));
    }
}

void CutRun::ended(bool failed, const QString& workerFailure, int failedSection) {
    // Progress posted before the end is handled first.
    QCoreApplication::sendPostedEvents(this, WorkerEvent::typeOf(WM_CUT_PROGRESS));
    running_ = false;
    QString failure = closeJobFiles(input_, output_);
    if (failed) {
        if (failedSection >= 0 && failedSection < static_cast<int>(rows_.size()))
            sections_.setStatus(static_cast<int>(rows_[static_cast<size_t>(failedSection)]), tr("Failed"));
        failure = workerFailure;
    }
    if (failure.isEmpty() && cancelled_)
        sections_.setStatus(cuttingRow_, tr("Canceled"));
    emit finished(failure, cancelled_);
}
