#pragma once

// Brings blocks of any rate and channel count to an output's rate and channel count:
// channels are mapped here (mono doubled, stereo averaged), rates converted by libswresample.

#include <vector>

#include "FFmpeg.h"
#include "Writers.h"

namespace Engine {

class FormatConverter {
public:
    FormatConverter(int outRate, int outChannels) : outRate_(outRate), outChannels_(outChannels) {}

    // A new input format; the tail of the previous one is written to sink first.
    void setInput(int rate, int channels, IAudioWriter& sink);
    void convert(const float* samples, int frames, IAudioWriter& sink);
    // Writes what the rate converter still holds.
    void flush(IAudioWriter& sink);

    int inputChannels() const { return inChannels_; }

private:
    const float* mapChannels(const float* samples, int frames);

    int outRate_, outChannels_;
    int inRate_ = 0, inChannels_ = 0;
    FFmpeg::Resampler resampler_;
    std::vector<float> mapped_, resampled_;
};

} // namespace Engine
