#include "ConvertJob.h"

#include <algorithm>

#include "AbandonOnFailure.h"
#include "AudioInfo.h"
#include "AudioTags.h"
#include "NameTemplate.h"
#include "OutputFormat.h"
#include "OutputNaming.h"

JobEnd runConvert(AudioFile& input, AudioFile& output, const JobControl& jobControl, const Normalizing& normalizing) {
    const AbandonOnFailure unfinished(output);
    const JobControl control = normalizing.on ? progressWithin(jobControl, 50, 100) : jobControl;
    if (normalizing.on) {
        const auto gains =
            normalizingGains({input.fileName()}, normalizing, &output, progressWithin(jobControl, 0, 50));
        if (!gains) {
            input.close();
            output.abandon();
            return JobEnd::Stopped;
        }
        output.setGain(amplitudeFactor(gains->front()));
    }
    const int readFrames = input.streamChannels() * input.streamSampleRate();
    output.setInputFormat(input.sampleRate(), input.channels());
    AudioTags tags = readAudioTags(input.fileName());
    tags.chapters = readChapters(input.fileName()); // an audiobook keeps them in another format
    const int64_t total = input.totalFrames();
    int64_t done = 0;
    JobEnd end = JobEnd::Finished;
    while (true) {
        const AudioBlock block = input.readBlock(readFrames);
        if (block.empty()) {
            control.report(1, 100);
            break;
        }
        output.writeBlock(block);
        done = std::min(done + block.frames(), total);
        control.report(1, total > 0 ? static_cast<int>(done * 100 / total) : 100);
        if (control.stopping()) {
            end = JobEnd::Stopped;
            break;
        }
    }
    control.noteDamage(input);
    input.close();
    if (end == JobEnd::Stopped) {
        output.abandon(); // a stopped conversion keeps nothing, and replaces nothing
        return end;
    }
    output.setTags(tags);
    output.close();
    return end;
}

std::string convertOutputName(const std::string& source, const std::string& folder, const std::string& kind,
                              bool overwrite, const std::string& nameTemplate, int number, int count,
                              const std::vector<std::string>& takenInRun) {
    NameFields fields;
    fields.number = number;
    fields.count = count;
    fields.source = readAudioTags(source);
    fields.stem = stemOf(source);
    fields.now = localTimeOf(std::time(nullptr));
    return uniqueOutputName(folder, expandNameTemplate(nameTemplate, fields), extensionOfKind(kind), overwrite,
                            takenInRun);
}
