#include "Equalizer.h"

#include <algorithm>
#include <cmath>
#include <complex>

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

double responseDb(const Biquad& f, double frequency, int sampleRate) {
    if (!f.active)
        return 0;
    const std::complex<double> z = std::polar(1.0, -2 * M_PI * frequency / sampleRate); // z^-1
    const double b0 = f.b0, b1 = f.b1, b2 = f.b2, a1 = f.a1, a2 = f.a2;
    const std::complex<double> h = (b0 + b1 * z + b2 * z * z) / (1.0 + a1 * z + a2 * z * z);
    return 20 * std::log10(std::abs(h));
}

namespace {

using Matrix = std::array<std::array<double, EqualizerBandCount>, EqualizerBandCount>;
using Vector = std::array<double, EqualizerBandCount>;

// Solves a x = b for the first n unknowns by Gaussian elimination with pivoting.
Vector solve(Matrix a, Vector b, int n) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row)
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col]))
                pivot = row;
        std::swap(a[col], a[pivot]);
        std::swap(b[col], b[pivot]);
        for (int row = col + 1; row < n; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (int k = col; k < n; ++k)
                a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    Vector x{};
    for (int row = n - 1; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < n; ++k)
            sum -= a[row][k] * x[k];
        x[row] = sum / a[row][row];
    }
    return x;
}

} // namespace

std::array<Biquad, EqualizerBandCount> designGraphic(const EqualizerLevels& levelsDb, int sampleRate) {
    int usable = 0; // the bands below the limit designPeaking keeps
    while (usable < EqualizerBandCount && designPeaking(EqualizerFrequencies[usable], 1, sampleRate).active)
        ++usable;
    // How much each band, at 1 dB, moves every centre: the overlap the gains are solved with.
    Matrix overlap{};
    for (int band = 0; band < usable; ++band) {
        const Biquad unit = designPeaking(EqualizerFrequencies[band], 1, sampleRate);
        for (int centre = 0; centre < usable; ++centre)
            overlap[centre][band] = responseDb(unit, EqualizerFrequencies[centre], sampleRate);
    }
    Vector gains{};
    for (int band = 0; band < usable; ++band)
        gains[band] = levelsDb[band];
    std::array<Biquad, EqualizerBandCount> designed{};
    // The filters' shape changes a little with their gain: a few corrections meet the levels.
    for (int pass = 0; pass < 6; ++pass) {
        for (int band = 0; band < usable; ++band)
            designed[band] = designPeaking(EqualizerFrequencies[band], gains[band], sampleRate);
        Vector missing{};
        for (int centre = 0; centre < usable; ++centre) {
            double level = 0;
            for (int band = 0; band < usable; ++band)
                level += responseDb(designed[band], EqualizerFrequencies[centre], sampleRate);
            missing[centre] = levelsDb[centre] - level;
        }
        const Vector step = solve(overlap, missing, usable);
        for (int band = 0; band < usable; ++band)
            gains[band] = std::clamp(gains[band] + step[band], -40.0, 40.0);
    }
    for (int band = 0; band < usable; ++band)
        designed[band] = designPeaking(EqualizerFrequencies[band], gains[band], sampleRate);
    return designed;
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

void softLimit(float* samples, int count) {
    constexpr float Knee = 0.9f, Room = 1.0f - Knee;
    for (int i = 0; i < count; ++i) {
        const float level = std::fabs(samples[i]);
        if (level > Knee)
            samples[i] = std::copysign(Knee + Room * std::tanh((level - Knee) / Room), samples[i]);
    }
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
