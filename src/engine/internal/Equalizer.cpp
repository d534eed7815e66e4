#include "Equalizer.h"

#include <cmath>

namespace Engine {

Biquad designPeaking(double frequency, double gainDb, int sampleRate) {
    Biquad biquad;
    if (sampleRate <= 0 || frequency >= 0.45 * sampleRate)
        return biquad;
    constexpr double Q = 1.41; // about one octave wide
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2 * M_PI * frequency / sampleRate;
    const double alpha = std::sin(w0) / (2 * Q);
    const double a0 = 1 + alpha / a;
    biquad.b0 = static_cast<float>((1 + alpha * a) / a0);
    biquad.b1 = static_cast<float>(-2 * std::cos(w0) / a0);
    biquad.b2 = static_cast<float>((1 - alpha * a) / a0);
    biquad.a1 = biquad.b1;
    biquad.a2 = static_cast<float>((1 - alpha / a) / a0);
    biquad.active = gainDb != 0;
    return biquad;
}

void EqualizerCoefficients::publish(const std::array<Biquad, EqualizerBandCount>& bands) {
    sequence_.fetch_add(1, std::memory_order_acq_rel); // odd: being written
    for (int i = 0; i < EqualizerBandCount; ++i) {
        const Biquad& b = bands[static_cast<size_t>(i)];
        auto& v = values_[static_cast<size_t>(i)];
        v[0].store(b.b0, std::memory_order_relaxed);
        v[1].store(b.b1, std::memory_order_relaxed);
        v[2].store(b.b2, std::memory_order_relaxed);
        v[3].store(b.a1, std::memory_order_relaxed);
        v[4].store(b.a2, std::memory_order_relaxed);
        active_[static_cast<size_t>(i)].store(b.active, std::memory_order_relaxed);
    }
    sequence_.fetch_add(1, std::memory_order_release);
}

bool EqualizerCoefficients::read(std::array<Biquad, EqualizerBandCount>& bands) const {
    const unsigned before = sequence_.load(std::memory_order_acquire);
    if (before % 2 != 0)
        return false;
    std::array<Biquad, EqualizerBandCount> copy;
    for (int i = 0; i < EqualizerBandCount; ++i) {
        const auto& v = values_[static_cast<size_t>(i)];
        copy[static_cast<size_t>(i)] = {
            v[0].load(std::memory_order_relaxed), v[1].load(std::memory_order_relaxed),
            v[2].load(std::memory_order_relaxed), v[3].load(std::memory_order_relaxed),
            v[4].load(std::memory_order_relaxed), active_[static_cast<size_t>(i)].load(std::memory_order_relaxed)};
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    if (sequence_.load(std::memory_order_relaxed) != before)
        return false;
    bands = copy;
    return true;
}

void EqualizerState::reset(int channels) {
    channels_ = channels;
    settling_.fill(0);
    state_.assign(static_cast<size_t>(EqualizerBandCount * channels), {0, 0, 0, 0});
}

void EqualizerState::process(const std::array<Biquad, EqualizerBandCount>& bands, float* samples, int frames) {
    for (int band = 0; band < EqualizerBandCount; ++band) {
        const Biquad& f = bands[static_cast<size_t>(band)];
        // A band turned down to 0 dB goes on filtering (flat) until its ringing has died
        // away, and only then is passed through: no step in the output either way.
        int& settling = settling_[static_cast<size_t>(band)];
        if (f.active)
            settling = SettleFrames;
        const bool passThrough = !f.active && settling <= 0;
        if (!f.active && settling > 0)
            settling -= frames;
        for (int ch = 0; ch < channels_; ++ch) {
            auto& s = state_[static_cast<size_t>(band * channels_ + ch)];
            if (passThrough) {
                // The history follows the signal as a flat filter's would, so that turning
                // the band up later starts without a click.
                if (frames >= 2) {
                    const float last = samples[static_cast<size_t>(frames - 1) * channels_ + ch];
                    const float before = samples[static_cast<size_t>(frames - 2) * channels_ + ch];
                    s = {last, before, last, before};
                } else if (frames == 1) {
                    const float last = samples[static_cast<size_t>(ch)];
                    s = {last, s[0], last, s[0]};
                }
                continue;
            }
            float x1 = s[0], x2 = s[1], y1 = s[2], y2 = s[3];
            for (int i = 0; i < frames; ++i) {
                float& sample = samples[static_cast<size_t>(i) * channels_ + ch];
                const float x = sample;
                const float y = f.b0 * x + f.b1 * x1 + f.b2 * x2 - f.a1 * y1 - f.a2 * y2;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                sample = y;
            }
            // A decaying filter must not drift into denormal numbers, which are slow.
            auto flush = [](float v) { return std::fabs(v) < 1e-20f ? 0.0f : v; };
            s = {flush(x1), flush(x2), flush(y1), flush(y2)};
        }
    }
}

} // namespace Engine
