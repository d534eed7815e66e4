#include "CutWorker.h"

#include "WorkerEvent.h"

CutWorker::CutWorker(QObject* window, AudioFile& input, AudioFile& output, CutJob job)
    : JobWorker(window, WM_CUT_PROGRESS), input_(input), output_(output), job_(std::move(job)) {}

void CutWorker::work() {
    runCut(input_, output_, transform_, job_, control(), &failedItem_);
}
