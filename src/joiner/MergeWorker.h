#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobWorker.h"

// The merge worker: appends each input, read through the window's input file object,
// to the window's created output.
class TJoinerThread : public TJobThread {
    Q_OBJECT

public:
    TJoinerThread(QObject* window, TAudioFile2& input, std::vector<std::string> paths, TAudioFile2& output);

protected:
    void Work() override;

private:
    TAudioFile2& input_;
    TAudioFile2& output_;
    std::vector<std::string> paths_;
};
