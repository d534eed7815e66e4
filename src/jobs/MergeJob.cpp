#include "MergeJob.h"

#include <algorithm>
#include <cmath>

#include "AbandonOnFailure.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "JobTags.h"
#include "Mp3Gain.h"
#include "NameTemplate.h"
#include "OutputNaming.h"

namespace {

// Appends one opened input; false when a stop was asked for.
// Appends the input's frames to the output, counting them in read; false after a stop.
bool appendInput(AudioFile& input, AudioFile& output, int item, const JobControl& control, int64_t& read) {
    output.setInputFormat(input.sampleRate(), input.channels());
    const int blockFrames = input.streamChannels() * input.streamSampleRate();
    const int64_t total = input.totalFrames();
    int64_t done = 0;
    read = 0;
    while (true) {
        const AudioBlock block = input.readBlock(blockFrames);
        if (block.empty()) {
            control.report(item, 100);
            return true;
        }
        output.writeBlock(block);
        read += block.frames();
        done = std::min(done + block.frames(), total);
        control.report(item, total > 0 ? static_cast<int>(done * 100 / total) : 100);
        if (control.stopping())
            return false;
    }
}

} // namespace

CopyMerge planCopyMerge(const std::vector<std::string>& paths, const std::string& kind) {
    CopyMerge merge;
    if (kind != "MP3")
        return {"the program joins by copying the frames of MP3 files only", {}};
    try {
        for (const std::string& path : paths)
            merge.parts.push_back({path, indexMp3Frames(path)});
    } catch (const EngineError& error) {
        return {error.what(), {}};
    }
    merge.refusal = mp3JoinRefusal(merge.parts);
    const Mp3FrameIndex& first = merge.parts.front().index;
    if (merge.refusal.empty())
        merge.refusal = keptEncodingRefusal(kind, first.sampleRate, first.channels, "files'");
    return merge;
}

CopyMergeResult runCopyMerge(const CopyMerge& merge, const std::string& fileName, bool overwrite,
                             const JobControl& jobControl, const Normalizing& normalizing,
                             const std::vector<std::string>& chapterTitles) {
    AudioTags tags = mergedTags(readAudioTags(merge.parts.front().path), stemOf(fileName));
    const JobControl control = normalizing.on ? progressWithin(jobControl, 50, 100) : jobControl;
    std::vector<Mp3JoinPart> parts = merge.parts;
    const Mp3JoinLayout layout = mp3JoinLayout(parts);
    const int64_t rate = parts.front().index.sampleRate;
    std::vector<int64_t> startsMs;
    std::vector<std::string> paths;
    for (size_t i = 0; i < parts.size(); ++i) {
        startsMs.push_back(layout.startSamples[i] * 1000 / rate);
        paths.push_back(parts[i].path);
    }
    tags.chapters = joinChapters(paths, chapterTitles, startsMs, layout.totalSamples * 1000 / rate);
    if (normalizing.on) {
        const auto gains = normalizingGains(paths, normalizing, nullptr, progressWithin(jobControl, 0, 50));
        if (!gains)
            return {JobEnd::Stopped, {}, 0};
        for (size_t i = 0; i < parts.size(); ++i)
            parts[i].gainSteps = mp3GainStepsWithin((*gains)[i]);
    }
    try {
        const Mp3JoinWritten written = writeMp3Join(parts, fileName, tags, overwrite, copyProgress(control));
        return {JobEnd::Finished, written.fileName,
                written.junctionSamples * 1000 / merge.parts.front().index.sampleRate};
    } catch (const CopyStopped&) {
        return {JobEnd::Stopped, {}, 0};
    }
}

JobEnd runMerge(AudioFile& input, AudioFile& output, const std::vector<std::string>& paths,
                const JobControl& jobControl, int* failedItem, const Normalizing& normalizing,
                const std::vector<std::string>& chapterTitles) {
    const AbandonOnFailure unfinished(output);
    const JobControl control = normalizing.on ? progressWithin(jobControl, 50, 100) : jobControl;
    std::vector<double> gains(paths.size(), 0.0);
    if (normalizing.on) {
        const auto measured = normalizingGains(paths, normalizing, &output, progressWithin(jobControl, 0, 50));
        if (!measured) {
            output.abandon();
            return JobEnd::Stopped;
        }
        gains = *measured;
    }
    JobEnd end = JobEnd::Finished;
    const AudioTags firstTags = paths.empty() ? AudioTags{} : readAudioTags(paths.front());
    std::vector<int64_t> startsMs;
    double writtenMs = 0; // in the inputs' own rates: the output's resampler keeps their times
    for (size_t i = 0; i < paths.size() && end == JobEnd::Finished; ++i) {
        if (failedItem)
            *failedItem = static_cast<int>(i);
        input.openForStreaming(paths[i]);
        if (input.errorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(input.errorCode()), input.errorText());
        output.setGain(amplitudeFactor(gains[i]));
        startsMs.push_back(std::llround(writtenMs));
        int64_t read = 0;
        if (!appendInput(input, output, static_cast<int>(i), control, read))
            end = JobEnd::Stopped;
        writtenMs += static_cast<double>(read) * 1000 / input.sampleRate();
        control.noteDamage(input);
        input.close();
    }
    if (failedItem)
        *failedItem = -1;
    if (end == JobEnd::Stopped) {
        output.abandon(); // a part of the join under its final name would look finished
        return end;
    }
    AudioTags tags = mergedTags(firstTags, stemOf(output.fileName()));
    tags.chapters = joinChapters(paths, chapterTitles, startsMs, std::llround(writtenMs));
    output.setTags(tags);
    output.close();
    return end;
}

std::string joinOutputName(const std::vector<std::string>& paths, const std::string& folder, const std::string& kind,
                           bool overwrite, const std::string& nameTemplate, const std::tm& now) {
    NameFields fields;
    fields.count = static_cast<int>(paths.size());
    fields.source = paths.empty() ? AudioTags{} : readAudioTags(paths.front());
    fields.stem = paths.empty() ? "" : stemOf(paths.front());
    fields.merged = mergedFileStem(AppSettings::joinPreName, AppSettings::joinPosName, AppSettings::joinUseDate, now);
    fields.now = now;
    return uniqueOutputName(folder, expandNameTemplate(nameTemplate, fields), extensionOfKind(kind), overwrite);
}
