#include "MergeWorker.h"

#include "AppSettings.h"
#include "MergeJob.h"
#include "WorkerEvent.h"

MergeWorker::MergeWorker(QObject* window, AudioFile& input, std::vector<std::string> paths,
                         std::vector<std::string> chapters, AudioFile& output)
    : JobWorker(window, WM_MERGE_PROGRESS), input_(input), output_(output), paths_(std::move(paths)),
      chapters_(std::move(chapters)), normalizing_(settingsNormalizing(AppSettings::joinNormalizes)) {
    normalizing_.album = AppSettings::joinKeepsLevels;
}

void MergeWorker::keepEncoding(std::string kind, std::function<void(bool, const std::string&)> copied) {
    keptKind_ = std::move(kind);
    copied_ = std::move(copied);
}

void MergeWorker::work() {
    if (!keptKind_.empty()) {
        const CopyMerge merge = planCopyMerge(paths_, keptKind_);
        if (merge.refusal.empty()) {
            const std::string target = output_.fileName();
            output_.abandon();
            failedItem_ = -1;
            const CopyMergeResult result =
                runCopyMerge(merge, target, output_.replacesExisting(), control(), normalizing_, chapters_);
            if (result.end == JobEnd::Finished)
                copied_(true,
                        std::to_string(result.junctionMs) + " ms of encoder padding and delay stay at the junctions");
            return;
        }
        copied_(false, merge.refusal);
    }
    runMerge(input_, output_, paths_, control(), &failedItem_, normalizing_, chapters_);
}
