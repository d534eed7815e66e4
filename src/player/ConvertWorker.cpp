#include "ConvertWorker.h"

#include "AppSettings.h"
#include "ConvertJob.h"
#include "WorkerEvent.h"

ConvertWorker::ConvertWorker(QObject* window, AudioFile& input, AudioFile& output)
    : JobWorker(window, WM_CONVERT_PROGRESS), input_(input), output_(output),
      normalizing_(settingsNormalizing(AppSettings::convertNormalizes)) {}

void ConvertWorker::work() {
    runConvert(input_, output_, control(), normalizing_);
}
