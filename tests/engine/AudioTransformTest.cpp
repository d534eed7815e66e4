#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "AudioTransform.h"
#include "EngineError.h"

namespace {

TAudioBlock Constant(int frames, int channels, float value) {
    return TAudioBlock{std::vector<float>(static_cast<size_t>(frames) * channels, value), channels};
}

TAudioBlock Sine(int frames, int rate, double frequency) {
    TAudioBlock block{std::vector<float>(static_cast<size_t>(frames)), 1};
    for (int i = 0; i < frames; ++i)
        block.Samples[static_cast<size_t>(i)] = static_cast<float>(0.5 * std::sin(2 * M_PI * frequency * i / rate));
    return block;
}

// Frequency of a mono signal from its zero crossings.
double Frequency(const std::vector<float>& samples, int rate) {
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

struct TEvents {
    std::vector<int> percents;
    int ends = 0;

    void Attach(TAudioTransform2& transform) {
        transform.OnTransformBlock = [this](TAudioTransform2&, int percent) { percents.push_back(percent); };
        transform.OnEndTransform = [this](TAudioTransform2&) { ++ends; };
    }
};

} // namespace

TEST(AudioTransform2, FadeRampsLinearlyBetweenThePercentages) {
    TAudioTransform2 transform;
    struct Case {
        float from, to;
        int frames;
    };
    for (const Case c : {Case{0, 100, 101}, Case{100, 0, 5}, Case{50, 50, 7}, Case{0, 100, 1}}) {
        TAudioBlock block = Constant(c.frames, 2, 1.0f);
        transform.Fade(block, c.from, c.to);
        for (int i = 0; i < c.frames; ++i) {
            const double expected = (c.from + (c.to - c.from) * (c.frames > 1 ? i / double(c.frames - 1) : 0)) / 100;
            ASSERT_NEAR(block.Samples[2 * i], expected, 1e-6) << i;
            ASSERT_NEAR(block.Samples[2 * i + 1], expected, 1e-6) << i;
        }
    }
}

TEST(AudioTransform2, ChannelsSplitAndMergeBack) {
    TAudioTransform2 transform;
    TAudioBlock stereo{{0.1f, -0.1f, 0.2f, -0.2f, 0.3f, -0.3f}, 2};
    const TAudioBlock left = transform.GetLeftChannel(stereo);
    const TAudioBlock right = transform.GetRightChannel(stereo);
    EXPECT_EQ(left.Channels, 1);
    EXPECT_EQ(left.Samples, (std::vector<float>{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(right.Samples, (std::vector<float>{-0.1f, -0.2f, -0.3f}));
    EXPECT_EQ(transform.MergeChannels(left, right).Samples, stereo.Samples);
    EXPECT_THROW(transform.MergeChannels(left, TAudioBlock{{0.0f}, 1}), EngineError);
}

TEST(AudioTransform2, EventsReportProgressAndOneEndPerCall) {
    TAudioTransform2 transform;
    TEvents events;
    events.Attach(transform);
    TAudioBlock block = Constant(1000, 2, 0.5f);
    transform.Fade(block, 0, 100);
    ASSERT_FALSE(events.percents.empty());
    EXPECT_EQ(events.percents.front(), 0);
    EXPECT_EQ(events.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(events.percents.begin(), events.percents.end()));
    EXPECT_EQ(events.ends, 1);

    const TAudioBlock left = transform.GetLeftChannel(block);
    transform.GetRightChannel(block);
    transform.MergeChannels(left, left);
    TAudioBlock empty{{}, 2};
    transform.Fade(empty, 100, 0);
    EXPECT_EQ(events.ends, 5);
    EXPECT_EQ(events.percents.back(), 100);

    // Detached handlers are not called.
    transform.OnTransformBlock = {};
    transform.OnEndTransform = {};
    transform.Fade(block, 0, 100);
    EXPECT_EQ(events.ends, 5);
}

TEST(AudioTransform2, SpeedChangeKeepsThePitch) {
    const int rate = 44100;
    for (const float percent : {50.0f, 150.0f}) {
        SCOPED_TRACE(percent);
        TAudioTransform2 transform;
        transform.SetSpeedSampleRate(rate);
        std::vector<float> out;
        int in = 0;
        for (int i = 0; i < 20; ++i) { // ten seconds in half-second blocks, state carried over
            TAudioBlock block = Sine(rate / 2, rate, 440);
            in += block.Frames();
            transform.ChangeSpeed(block, percent);
            out.insert(out.end(), block.Samples.begin(), block.Samples.end());
        }
        const double ratio = static_cast<double>(out.size()) / in;
        EXPECT_NEAR(ratio, 100.0 / percent, 0.05);
        const std::vector<float> steady(out.begin() + rate, out.end() - rate / 4);
        EXPECT_NEAR(Frequency(steady, rate), 440, 440 * 0.02);
    }
}
