#pragma once

#include <span>
#include <vector>

// A stretch of audio exchanged with the engine: interleaved 32-bit float samples
// (nominal range -1 to 1) of Channels channels. An empty block marks the end of the input.
struct AudioBlock {
    std::vector<float> samples;
    int channels = 2;

    int frames() const { return channels > 0 ? static_cast<int>(samples.size()) / channels : 0; }
    bool empty() const { return samples.empty(); }
};

// A stretch read in place, without a copy: its samples stay valid until the next read,
// seek or close of the file they come from.
struct AudioView {
    std::span<const float> samples;
    int channels = 2;

    AudioView() = default;
    AudioView(std::span<const float> samples, int channels) : samples(samples), channels(channels) {}
    AudioView(const AudioBlock& block) : samples(block.samples), channels(block.channels) {} // NOLINT: a view of it

    int frames() const { return channels > 0 ? static_cast<int>(samples.size()) / channels : 0; }
    bool empty() const { return samples.empty(); }
};
