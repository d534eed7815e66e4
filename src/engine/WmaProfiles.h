#pragma once

#include <string>

// The WMA formats the engine writes. Profile n (1-60) is entry (n - 1) mod 15 of
// the fifteen formats "8000Hz,mono,4kbps" ... "44100Hz,stereo,128kbps".
class TWMAFile2 {
public:
    struct TProfile {
        int SampleRate = 0;
        int Channels = 0;
        int BitRateKbps = 0; // as the profile names it
        std::string Text;
    };

    static constexpr int ProfileCount = 60;

    // The profile's format; profiles outside 1-60 give the last one.
    static TProfile Profile(int profile);

    // FFmpeg's WMA encoder takes no bit rate below 24 kbps: such profiles are written at 24.
    static int EncodedBitRateKbps(const TProfile& profile);
};
