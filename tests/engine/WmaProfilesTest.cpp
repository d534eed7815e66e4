#include <gtest/gtest.h>

#include "WmaProfiles.h"

TEST(WmaProfiles, ProfilesRepeatEveryFifteenAndLowRatesAreRaisedTo24) {
    struct Case {
        int profile, rate, channels, kbps, encodedKbps;
    };
    const Case cases[] = {{1, 8000, 1, 4, 24},     {4, 8000, 1, 8, 24},      {5, 11025, 1, 10, 24},
                          {6, 16000, 1, 16, 24},   {8, 22050, 2, 20, 24},    {9, 22050, 2, 32, 32},
                          {12, 32000, 2, 48, 48},  {15, 44100, 2, 128, 128}, {16, 8000, 1, 4, 24},
                          {29, 44100, 2, 96, 96},  {60, 44100, 2, 128, 128}, {0, 44100, 2, 128, 128},
                          {61, 44100, 2, 128, 128}};
    for (const auto& c : cases) {
        const WmaProfiles::Profile profile = WmaProfiles::profile(c.profile);
        EXPECT_EQ(profile.sampleRate, c.rate) << c.profile;
        EXPECT_EQ(profile.channels, c.channels) << c.profile;
        EXPECT_EQ(profile.bitRateKbps, c.kbps) << c.profile;
        EXPECT_EQ(WmaProfiles::encodedBitRateKbps(profile), c.encodedKbps) << c.profile;
    }
    EXPECT_EQ(WmaProfiles::profile(15).text, "44100Hz,stereo,128kbps");
    EXPECT_EQ(WmaProfiles::profile(31).text, "8000Hz,mono,4kbps");
}
