#include "CutWorker.h"

#include "WorkerEvent.h"

TSplitterThread::TSplitterThread(QObject* window, TAudioFile2& input, TAudioFile2& output, TCutJob job)
    : TJobThread(window, WM_CUT_PROGRESS), input_(input), output_(output), job_(std::move(job)) {}

void TSplitterThread::Work() {
    RunCut(input_, output_, transform_, job_, Control(), &FailedItem);
}
