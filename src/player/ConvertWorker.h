#pragma once

#include "AudioFile.h"
#include "JobWorker.h"
#include "Normalizing.h"

// The conversion worker: copies the window's opened input into its created output.
class ConvertWorker : public JobWorker {
    Q_OBJECT

public:
    ConvertWorker(QObject* window, AudioFile& input, AudioFile& output);

protected:
    void work() override;

private:
    AudioFile& input_;
    AudioFile& output_;
    Normalizing normalizing_; // as the settings were when the conversion was asked for
};
