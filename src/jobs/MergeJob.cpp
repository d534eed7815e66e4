#include "MergeJob.h"

#include <algorithm>

#include "AbandonOnFailure.h"
#include "JobTags.h"
#include "OutputNaming.h"

namespace {

// Appends one opened input; false when a stop was asked for.
bool appendInput(AudioFile& input, AudioFile& output, int item, const JobControl& control) {
    output.setInputFormat(input.sampleRate(), input.channels());
    const int blockFrames = input.streamChannels() * input.streamSampleRate();
    const int64_t total = input.totalFrames();
    int64_t done = 0;
    while (true) {
        const AudioBlock block = input.readBlock(blockFrames);
        if (block.empty()) {
            control.report(item, 100);
            return true;
        }
        output.writeBlock(block);
        done = std::min(done + block.frames(), total);
        control.report(item, total > 0 ? static_cast<int>(done * 100 / total) : 100);
        if (control.stopping())
            return false;
    }
}

} // namespace

JobEnd runMerge(AudioFile& input, AudioFile& output, const std::vector<std::string>& paths, const JobControl& control,
                int* failedItem) {
    const AbandonOnFailure unfinished(output);
    JobEnd end = JobEnd::Finished;
    const AudioTags firstTags = paths.empty() ? AudioTags{} : readAudioTags(paths.front());
    for (size_t i = 0; i < paths.size() && end == JobEnd::Finished; ++i) {
        if (failedItem)
            *failedItem = static_cast<int>(i);
        input.openForStreaming(paths[i]);
        if (input.errorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(input.errorCode()), input.errorText());
        if (!appendInput(input, output, static_cast<int>(i), control))
            end = JobEnd::Stopped;
        input.close();
    }
    if (failedItem)
        *failedItem = -1;
    if (end == JobEnd::Finished)
        output.setTags(mergedTags(firstTags, stemOf(output.fileName())));
    output.close();
    return end;
}
