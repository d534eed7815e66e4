#include "AudioInfo.h"

#include <algorithm>
#include <climits>

#include "internal/Decoder.h"

void AudioInfo::open(const std::string& fileName) {
    *this = AudioInfo{};
    Engine::StreamInfo info;
    const Engine::OpenResult result = Engine::probeFile(fileName, info);
    if (result.status != EngineStatus::Ok)
        throw EngineError(result.status, result.error);
    totalSamples_ = static_cast<int>(std::min<int64_t>(info.totalFrames, INT_MAX));
    sampleRate_ = info.sampleRate;
    channels_ = info.channels;
    fileChannels_ = info.fileChannels;
    durationMs_ = static_cast<int>(std::min<int64_t>(info.totalFrames * 1000 / info.sampleRate, INT_MAX));
    formatText_ = info.formatText;
}
