#pragma once

#include <string>

#include "EngineError.h"

// What a file's headers and packets tell of its audio, without decoding it: fast
// enough to be asked for every file of a listed folder. Open raises EngineError for
// a file that cannot be read as audio.
class AudioInfo {
public:
    void setInfoOption(bool /*kept for the callers; no meaning here*/) {}

    void open(const std::string& fileName);

    int durationMs() const { return durationMs_; }
    int totalFrames() const { return totalSamples_; }
    int sampleRate() const { return sampleRate_; }
    int channels() const { return channels_; }         // as the engine delivers them: 1 or 2
    int fileChannels() const { return fileChannels_; } // as the file holds them
    // One line, for example "MPEG Layer 3, 44100 Hz, Stereo, 128 kbps".
    const std::string& formatText() const { return formatText_; }

private:
    int durationMs_ = 0;
    int totalSamples_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    int fileChannels_ = 0;
    std::string formatText_;
};
