#include "MergeJob.h"

#include <algorithm>

#include "JobTags.h"
#include "OutputNaming.h"

namespace {

// Appends one opened input; false when a stop was asked for.
bool AppendInput(TAudioFile2& input, TAudioFile2& output, int item, const TJobControl& control) {
    output.SetInputFormat(input.GetSampleRate(), input.GetChannels());
    const int blockFrames = input.GetStreamChannels() * input.GetStreamSampleRate();
    const int64_t total = input.GetTotalSamples();
    int64_t done = 0;
    while (true) {
        const TAudioBlock block = input.ReadBlock(blockFrames);
        if (block.Empty()) {
            control.Report(item, 100);
            return true;
        }
        output.WriteBlock(block);
        done = std::min(done + block.Frames(), total);
        control.Report(item, total > 0 ? static_cast<int>(done * 100 / total) : 100);
        if (control.Stopping())
            return false;
    }
}

} // namespace

TJobEnd RunMerge(TAudioFile2& input, TAudioFile2& output, const std::vector<std::string>& paths,
                 const TJobControl& control, int* failedItem) {
    TJobEnd end = TJobEnd::Finished;
    const TAudioTags firstTags = paths.empty() ? TAudioTags{} : ReadAudioTags(paths.front());
    for (size_t i = 0; i < paths.size() && end == TJobEnd::Finished; ++i) {
        if (failedItem)
            *failedItem = static_cast<int>(i);
        input.OpenForRead(paths[i]);
        if (input.GetErrorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(input.GetErrorCode()), input.GetErrorText());
        if (!AppendInput(input, output, static_cast<int>(i), control))
            end = TJobEnd::Stopped;
        input.Close();
    }
    if (failedItem)
        *failedItem = -1;
    output.Close();
    if (end == TJobEnd::Finished)
        WriteAudioTags(output.FileName(), MergedTags(firstTags, StemOf(output.FileName())));
    return end;
}
