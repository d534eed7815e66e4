#pragma once

#include <functional>

#include "AudioFile.h"
#include "AudioTransform.h"
#include "CutJob.h"
#include "JobWorker.h"

// The cutting worker: writes the job's sections from the window's input file object
// through its output file object, with a transform object of its own.
class CutWorker : public JobWorker {
    Q_OBJECT

public:
    CutWorker(QObject* window, AudioFile& input, AudioFile& output, CutJob job);

protected:
    void work() override;

private:
    AudioFile& input_;
    AudioFile& output_;
    AudioTransform transform_;
    CutJob job_;
};
