#pragma once

#include <string>
#include <vector>

#include "AudioTags.h"

#include "EngineError.h"

// The chapters a file holds (ID3v2 CHAP frames, CHAPTERnnn comments of OGG, Opus and FLAC,
// MP4 chapters), in order of their starts; none for a file without or one that cannot
// be read.
std::vector<Chapter> readChapters(const std::string& fileName);

// What a file's headers and packets tell of its audio, without decoding it: fast
// enough to be asked for every file of a listed folder. Open raises EngineError for
// a file that cannot be read as audio.
class AudioInfo {
public:
    void setInfoOption(bool /*kept for the callers; no meaning here*/) {}

    void open(const std::string& fileName);

    int durationMs() const { return durationMs_; }
    int64_t totalFrames() const { return totalSamples_; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }         // as the engine delivers them: 1 or 2
    int fileChannels() const { return fileChannels_; } // as the file holds them
    // One line, for example "MPEG Layer 3, 44100 Hz, Stereo, 128 kbps".
    const std::string& formatText() const { return formatText_; }

private:
    int durationMs_ = 0;
    int64_t totalSamples_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    int fileChannels_ = 0;
    std::string formatText_;
};
