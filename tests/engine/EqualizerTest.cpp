#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "internal/Equalizer.h"

using Engine::EqualizerBandCount;
using Engine::EqualizerFrequencies;
using Engine::EqualizerLevels;

namespace {

double cascadeDb(const std::array<Engine::Biquad, EqualizerBandCount>& bands, double frequency, int rate) {
    double level = 0;
    for (const auto& band : bands)
        level += Engine::responseDb(band, frequency, rate);
    return level;
}

} // namespace

// Every slider setting is met at every band's centre, however the neighbours overlap.
TEST(Equalizer, TheCascadeMeetsEachSliderAtItsCentre) {
    struct Case {
        const char* name;
        EqualizerLevels levels;
    };
    const Case cases[] = {
        {"all +12", {12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12, 12}},
        {"all -12", {-12, -12, -12, -12, -12, -12, -12, -12, -12, -12, -12, -12}},
        {"all +3", {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3}},
        {"alternating", {12, -12, 12, -12, 12, -12, 12, -12, 12, -12, 12, -12}},
        {"disco", {6, 5, 3, 0, 2, 3, 4, 5, 5, 4, 3, 2}},
        {"one band", {0, 0, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0}},
        {"bass cut, treble up", {-15, -10, -6, -3, 0, 0, 2, 4, 6, 8, 10, 12}},
    };
    for (const int rate : {44100, 48000, 22050}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(rate));
            const auto bands = Engine::designGraphic(c.levels, rate);
            for (int band = 0; band < EqualizerBandCount; ++band) {
                if (EqualizerFrequencies[band] >= 0.45 * rate)
                    continue; // beyond what the rate carries
                EXPECT_NEAR(cascadeDb(bands, EqualizerFrequencies[band], rate), c.levels[band], 0.5)
                    << EqualizerFrequencies[band] << " Hz";
            }
        }
    }
    // Flat sliders leave every band untouched.
    for (const auto& band : Engine::designGraphic({}, 44100))
        EXPECT_FALSE(band.active);
}

TEST(Equalizer, SoftLimitNeverPassesFullScaleAndLeavesQuietSamples) {
    std::vector<float> samples;
    for (float x = -4.0f; x <= 4.0f; x += 0.01f)
        samples.push_back(x);
    const std::vector<float> before = samples;
    Engine::softLimit(samples.data(), static_cast<int>(samples.size()));
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_LE(std::fabs(samples[i]), 1.0f);
        if (std::fabs(before[i]) <= 0.9f) {
            EXPECT_EQ(samples[i], before[i]);
        }
        if (i > 0) {
            EXPECT_GE(samples[i], samples[i - 1]); // no fold-back: louder stays louder
        }
    }
}
