#include "ConvertJob.h"

#include <algorithm>

#include "AudioTags.h"

TJobEnd RunConvert(TAudioFile2& input, TAudioFile2& output, const TJobControl& control) {
    const int readFrames = input.GetStreamChannels() * input.GetStreamSampleRate();
    output.SetInputFormat(input.GetSampleRate(), input.GetChannels());
    const TAudioTags tags = ReadAudioTags(input.FileName());
    const int64_t total = input.GetTotalSamples();
    int64_t done = 0;
    TJobEnd end = TJobEnd::Finished;
    while (true) {
        const TAudioBlock block = input.ReadBlock(readFrames);
        if (block.Empty()) {
            control.Report(1, 100);
            break;
        }
        output.WriteBlock(block);
        done = std::min(done + block.Frames(), total);
        control.Report(1, total > 0 ? static_cast<int>(done * 100 / total) : 100);
        if (control.Stopping()) {
            end = TJobEnd::Stopped;
            break;
        }
    }
    output.Close();
    input.Close();
    if (end == TJobEnd::Finished)
        WriteAudioTags(output.FileName(), tags);
    return end;
}
