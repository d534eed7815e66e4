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

// The magnitude response of a filter at a frequency, in dB.
double responseDb(const Biquad& filter, double frequency, int sampleRate);

// The twelve bands as a graphic equaliser: neighbouring bands overlap, so each band's
// own gain is solved for so that the whole cascade meets every slider at its band's
// centre. Bands the sample rate cannot carry stay flat.
using EqualizerLevels = std::array<float, EqualizerBandCount>;
std::array<Biquad, EqualizerBandCount> designGraphic(const EqualizerLevels& levelsDb, int sampleRate);

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

// Above 0.9 of full scale, samples bend smoothly towards full scale and never past it:
// a strong boost does not clip. Below, they are left as they are.
void softLimit(float* samples, int count);

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
