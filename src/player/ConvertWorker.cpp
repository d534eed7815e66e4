#include "ConvertWorker.h"

#include "ConvertJob.h"
#include "WorkerEvent.h"

ConvertWorker::ConvertWorker(QObject* window, AudioFile& input, AudioFile& output)
    : JobWorker(window, WM_CONVERT_PROGRESS), input_(input), output_(output) {}

void ConvertWorker::work() {
    runConvert(input_, output_, control());
}
