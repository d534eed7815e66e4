#include "AudioInfo.h"

#include <algorithm>
#include <climits>

#include "internal/Container.h"
#include "internal/Decoder.h"

void AudioInfo::open(const std::string& fileName) {
    *this = AudioInfo{};
    Engine::StreamInfo info;
    const Engine::OpenResult result = Engine::probeFile(fileName, info);
    if (result.status != EngineStatus::Ok)
        throw EngineError(result.status, result.error);
    totalSamples_ = info.totalFrames;
    sampleRate_ = info.sampleRate;
    channels_ = info.channels;
    fileChannels_ = info.fileChannels;
    durationMs_ = static_cast<int>(std::min<int64_t>(info.totalFrames * 1000 / info.sampleRate, INT_MAX));
    formatText_ = info.formatText;
}

std::vector<Chapter> readChapters(const std::string& fileName) {
    // The container is opened after a leading ID3v2 tag, whose chapters TagLib reads.
    if (std::vector<Chapter> id3 = readId3Chapters(fileName); !id3.empty())
        return id3;
    Engine::FFmpeg::InputFormat format;
    AVStream* stream = nullptr;
    if (Engine::openContainer(fileName, format, stream).status != EngineStatus::Ok)
        return {};
    std::vector<Chapter> chapters;
    for (unsigned i = 0; i < format->nb_chapters; ++i) {
        const AVChapter* chapter = format->chapters[i];
        const auto ms = [chapter](int64_t time) {
            return time == AV_NOPTS_VALUE ? int64_t{-1} : av_rescale_q(time, chapter->time_base, AVRational{1, 1000});
        };
        const AVDictionaryEntry* title = av_dict_get(chapter->metadata, "title", nullptr, 0);
        chapters.push_back({ms(chapter->start), ms(chapter->end), title ? title->value : ""});
    }
    std::stable_sort(chapters.begin(), chapters.end(),
                     [](const Chapter& a, const Chapter& b) { return a.startMs < b.startMs; });
    return chapters;
}
