#include "MergeWorker.h"

#include "MergeJob.h"
#include "WorkerEvent.h"

TJoinerThread::TJoinerThread(QObject* window, TAudioFile2& input, std::vector<std::string> paths, TAudioFile2& output)
    : TJobThread(window, WM_MERGE_PROGRESS), input_(input), output_(output), paths_(std::move(paths)) {}

void TJoinerThread::Work() {
    RunMerge(input_, output_, paths_, Control(), &FailedItem);
}
