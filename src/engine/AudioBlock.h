#pragma once

#include <vector>

// A stretch of audio exchanged with the engine: interleaved 32-bit float samples
// (nominal range -1 to 1) of Channels channels. An empty block marks the end of the input.
struct AudioBlock {
    std::vector<float> samples;
    int channels = 2;

    int frames() const { return channels > 0 ? static_cast<int>(samples.size()) / channels : 0; }
    bool empty() const { return samples.empty(); }
};
