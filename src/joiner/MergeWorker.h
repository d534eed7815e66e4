#pragma once

#include <functional>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobWorker.h"
#include "Normalizing.h"

// The merge worker: appends each input, read through the window's input file object,
// to the window's created output.
class MergeWorker : public JobWorker {
    Q_OBJECT

public:
    // chapters: the title of each input's chapter.
    MergeWorker(QObject* window, AudioFile& input, std::vector<std::string> paths, std::vector<std::string> chapters,
                AudioFile& output);

    // Joins MP3 inputs by copying their frames where they allow it (the created output
    // is then dropped); copied(true, note) or copied(false, why) tells which, before the
    // progress. kind is the output's kind.
    void keepEncoding(std::string kind, std::function<void(bool copied, const std::string& note)> copied);

protected:
    void work() override;

private:
    AudioFile& input_;
    AudioFile& output_;
    std::vector<std::string> paths_, chapters_;
    std::string keptKind_; // "" when the inputs are decoded and encoded
    std::function<void(bool, const std::string&)> copied_;
    Normalizing normalizing_; // as the settings were when the join was asked for
};
