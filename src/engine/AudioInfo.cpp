#include "AudioInfo.h"

#include <algorithm>
#include <climits>

#include "internal/Decoder.h"

void TAudioInformation2::Open(const std::string& fileName) {
    *this = TAudioInformation2{};
    Engine::TStreamInfo info;
    const Engine::TOpenResult result = Engine::ProbeFile(fileName, info);
    if (result.Status != EngineStatus::Ok)
        throw EngineError(result.Status, result.Error);
    totalSamples_ = static_cast<int>(std::min<int64_t>(info.TotalFrames, INT_MAX));
    sampleRate_ = info.SampleRate;
    channels_ = info.Channels;
    durationMs_ = static_cast<int>(std::min<int64_t>(info.TotalFrames * 1000 / info.SampleRate, INT_MAX));
    formatText_ = info.FormatText;
}
