#pragma once

// The player's twelve-band equaliser: peaking biquads (the audio EQ cookbook's) at
// fixed centre frequencies. Coefficients are designed on the control thread and
// published to the audio thread without locks; filter state stays with the audio thread.

#include <array>
#include <atomic>
#include <vector>

namespace Engine {

constexpr int EqualizerBandCount = 12;
constexpr std::array<double, EqualizerBandCount> EqualizerFrequencies{32,   64,   125,  250,  500,   1000,
                                                                      2000, 4000, 6000, 8000, 12000, 16000};

struct Biquad {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    bool active = false; // a band at 0 dB (or near the Nyquist frequency) can be passed through untouched
};

// A peaking filter of the gain (dB) at the frequency, for the sample rate.
Biquad designPeaking(double frequency, double gainDb, int sampleRate);

// The coefficients as published by the control thread (a sequence lock over atomics).
class EqualizerCoefficients {
public:
    void publish(const std::array<Biquad, EqualizerBandCount>& bands);
    // Copies the latest complete set into bands; false (bands unchanged) while one is being written.
    bool read(std::array<Biquad, EqualizerBandCount>& bands) const;
    unsigned version() const { return sequence_.load(std::memory_order_acquire); }

private:
    std::atomic<unsigned> sequence_{0};
    std::array<std::array<std::atomic<float>, 5>, EqualizerBandCount> values_{};
    std::array<std::atomic<bool>, EqualizerBandCount> active_{};
};

// The audio thread's side: filter state per band and channel.
class EqualizerState {
public:
    void reset(int channels);
    void process(const std::array<Biquad, EqualizerBandCount>& bands, float* samples, int frames);

private:
    static constexpr int SettleFrames = 4096;

    int channels_ = 0;
    std::vector<std::array<float, 4>> state_;        // x1, x2, y1, y2 per band and channel
    std::array<int, EqualizerBandCount> settling_{}; // frames a flat band still filters
};

} // namespace Engine
