#pragma once

#include <functional>

#include "AudioFile.h"
#include "AudioTransform.h"
#include "CutJob.h"
#include "JobWorker.h"

// The cutting worker: writes the job's sections from the window's input file object
// through its output file object, with a transform object of its own.
class TSplitterThread : public TJobThread {
    Q_OBJECT

public:
    TSplitterThread(QObject* window, TAudioFile2& input, TAudioFile2& output, TCutJob job);

protected:
    void Work() override;

private:
    TAudioFile2& input_;
    TAudioFile2& output_;
    TAudioTransform2 transform_;
    TCutJob job_;
};
