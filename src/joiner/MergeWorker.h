#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobWorker.h"

// The merge worker: appends each input, read through the window's input file object,
// to the window's created output.
class MergeWorker : public JobWorker {
    Q_OBJECT

public:
    MergeWorker(QObject* window, AudioFile& input, std::vector<std::string> paths, AudioFile& output);

protected:
    void work() override;

private:
    AudioFile& input_;
    AudioFile& output_;
    std::vector<std::string> paths_;
};
