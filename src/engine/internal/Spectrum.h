#pragma once

// The spectrum behind the level display: a Hann-windowed FFT (KISS FFT) of the latest
// samples, gathered into log-spaced bars.

#include <memory>
#include <vector>

namespace Engine {

class Spectrum {
public:
    explicit Spectrum(int size);
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    int size() const { return size_; }

    // Levels 0 .. 1 (a -60 .. 0 dB scale, full scale sine = 1) of barCount bars spaced
    // logarithmically from 40 Hz to 16 kHz (or half the rate). Fewer samples than the
    // size are padded with silence.
    std::vector<float> bars(const float* samples, int count, int sampleRate, int barCount);

private:
    int size_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace Engine
