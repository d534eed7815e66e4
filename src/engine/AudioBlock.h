#pragma once

#include <vector>

// A stretch of audio exchanged with the engine: interleaved 32-bit float samples
// (nominal range -1 to 1) of Channels channels. An empty block marks the end of the input.
struct TAudioBlock {
    std::vector<float> Samples;
    int Channels = 2;

    int Frames() const { return Channels > 0 ? static_cast<int>(Samples.size()) / Channels : 0; }
    bool Empty() const { return Samples.empty(); }
};
