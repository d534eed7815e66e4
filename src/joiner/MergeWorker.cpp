#include "MergeWorker.h"

#include "MergeJob.h"
#include "WorkerEvent.h"

MergeWorker::MergeWorker(QObject* window, AudioFile& input, std::vector<std::string> paths, AudioFile& output)
    : JobWorker(window, WM_MERGE_PROGRESS), input_(input), output_(output), paths_(std::move(paths)) {}

void MergeWorker::work() {
    runMerge(input_, output_, paths_, control(), &failedItem_);
}
