#pragma once

#include "AudioFile.h"
#include "JobWorker.h"

// The conversion worker: copies the window's opened input into its created output.
class TConvertor : public TJobThread {
    Q_OBJECT

public:
    TConvertor(QObject* window, TAudioFile2& input, TAudioFile2& output);

protected:
    void Work() override;

private:
    TAudioFile2& input_;
    TAudioFile2& output_;
};
