#pragma once

#include <string>

#include "EngineError.h"

// What a file's headers and packets tell of its audio, without decoding it: fast
// enough to be asked for every file of a listed folder. Open raises EngineError for
// a file that cannot be read as audio.
class TAudioInformation2 {
public:
    void SetInfoOption(bool /*kept for the callers; no meaning here*/) {}

    void Open(const std::string& fileName);

    int GetDurationMs() const { return durationMs_; }
    int GetTotalSamples() const { return totalSamples_; }
    int GetSampleRate() const { return sampleRate_; }
    int GetChannels() const { return channels_; }
    // One line, for example "MPEG Layer 3, 44100 Hz, Stereo, 128 kbps".
    const std::string& GetFormatText() const { return formatText_; }

private:
    int durationMs_ = 0;
    int totalSamples_ = 0;
    int sampleRate_ = 0;
    int channels_ = 0;
    std::string formatText_;
};
