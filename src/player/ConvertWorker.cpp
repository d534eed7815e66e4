#include "ConvertWorker.h"

#include "ConvertJob.h"
#include "WorkerEvent.h"

TConvertor::TConvertor(QObject* window, TAudioFile2& input, TAudioFile2& output)
    : TJobThread(window, WM_CONVERT_PROGRESS), input_(input), output_(output) {}

void TConvertor::Work() {
    RunConvert(input_, output_, Control());
}
