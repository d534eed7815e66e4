#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "AudioTransform.h"
#include "EngineError.h"

namespace {

AudioBlock constant(int frames, int channels, float value) {
    return AudioBlock{std::vector<float>(static_cast<size_t>(frames) * channels, value), channels};
}

AudioBlock sine(int frames, int rate, double frequency) {
    AudioBlock block{std::vector<float>(static_cast<size_t>(frames)), 1};
    for (int i = 0; i < frames; ++i)
        block.samples[static_cast<size_t>(i)] = static_cast<float>(0.5 * std::sin(2 * M_PI * frequency * i / rate));
    return block;
}

// Frequency of a mono signal from its zero crossings.
double frequency(const std::vector<float>& samples, int rate) {
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (crossings++ == 0)
                first = i;
            last = i;
        }
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(last - first);
}

struct Events {
    std::vector<int> percents;
    int ends = 0;

    void attach(AudioTransform& transform) {
        transform.onTransformBlock = [this](AudioTransform&, int percent) { percents.push_back(percent); };
        transform.onEndTransform = [this](AudioTransform&) { ++ends; };
    }
};

} // namespace

TEST(AudioTransform, FadeRampsLinearlyBetweenThePercentages) {
    AudioTransform transform;
    struct Case {
        float from, to;
        int frames;
    };
    for (const Case c : {Case{0, 100, 101}, Case{100, 0, 5}, Case{50, 50, 7}, Case{0, 100, 1}}) {
        AudioBlock block = constant(c.frames, 2, 1.0f);
        transform.fade(block, c.from, c.to);
        for (int i = 0; i < c.frames; ++i) {
            const double expected = (c.from + (c.to - c.from) * (c.frames > 1 ? i / double(c.frames - 1) : 0)) / 100;
            ASSERT_NEAR(block.samples[2 * i], expected, 1e-6) << i;
            ASSERT_NEAR(block.samples[2 * i + 1], expected, 1e-6) << i;
        }
    }
}

TEST(AudioTransform, ChannelsSplitAndMergeBack) {
    AudioTransform transform;
    AudioBlock stereo{{0.1f, -0.1f, 0.2f, -0.2f, 0.3f, -0.3f}, 2};
    const AudioBlock left = transform.leftChannel(stereo);
    const AudioBlock right = transform.rightChannel(stereo);
    EXPECT_EQ(left.channels, 1);
    EXPECT_EQ(left.samples, (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(right.samples, (std::vector<float>{-0.1f, -0.2f, -0.3f}));
    EXPECT_EQ(transform.mergeChannels(left, right).samples, stereo.samples);
    EXPECT_THROW(transform.mergeChannels(left, AudioBlock{{0.0f}, 1}), EngineError);
}

TEST(AudioTransform, EventsReportProgressAndOneEndPerCall) {
    AudioTransform transform;
    Events events;
    events.attach(transform);
    AudioBlock block = constant(1000, 2, 0.5f);
    transform.fade(block, 0, 100);
    ASSERT_FALSE(events.percents.empty());
    EXPECT_EQ(events.percents.front(), 0);
    EXPECT_EQ(events.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(events.percents.begin(), events.percents.end()));
    EXPECT_EQ(events.ends, 1);

    const AudioBlock left = transform.leftChannel(block);
    transform.rightChannel(block);
    transform.mergeChannels(left, left);
    AudioBlock empty{{}, 2};
    transform.fade(empty, 100, 0);
    EXPECT_EQ(events.ends, 5);
    EXPECT_EQ(events.percents.back(), 100);

    // Detached handlers are not called.
    transform.onTransformBlock = {};
    transform.onEndTransform = {};
    transform.fade(block, 0, 100);
    EXPECT_EQ(events.ends, 5);
}

TEST(AudioTransform, SpeedChangeKeepsThePitch) {
    const int rate = 44100;
    for (const float percent : {50.0f, 150.0f}) {
        SCOPED_TRACE(percent);
        AudioTransform transform;
        transform.setSpeedSampleRate(rate);
        std::vector<float> out;
        int in = 0;
        for (int i = 0; i < 20; ++i) { // ten seconds in half-second blocks, state carried over
            AudioBlock block = sine(rate / 2, rate, 440);
            in += block.frames();
            transform.changeSpeed(block, percent);
            out.insert(out.end(), block.samples.begin(), block.samples.end());
        }
        const double ratio = static_cast<double>(out.size()) / in;
        EXPECT_NEAR(ratio, 100.0 / percent, 0.05);
        const std::vector<float> steady(out.begin() + rate, out.end() - rate / 4);
        EXPECT_NEAR(frequency(steady, rate), 440, 440 * 0.02);
    }
}
