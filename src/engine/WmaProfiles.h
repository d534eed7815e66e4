#pragma once

#include <string>

// The WMA formats the engine writes. Profile n (1-60) is entry (n - 1) mod 15 of
// the fifteen formats "8000Hz,mono,4kbps" ... "44100Hz,stereo,128kbps".
class WmaProfiles {
public:
    struct Profile {
        int sampleRate = 0;
        int channels = 0;
        int bitRateKbps = 0; // as the profile names it
        std::string text;
    };

    static constexpr int ProfileCount = 60;

    // The profile's format; profiles outside 1-60 give the last one.
    static Profile profile(int profile);

    // FFmpeg's WMA encoder takes no bit rate below 24 kbps: such profiles are written at 24.
    static int encodedBitRateKbps(const Profile& profile);
};
