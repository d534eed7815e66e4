#pragma once

// The spectrum behind the level display: a Hann-windowed FFT (KISS FFT) of the latest
// samples, gathered into log-spaced bars.

#include <memory>
#include <vector>

namespace Engine {

class TSpectrum {
public:
    explicit TSpectrum(int size);
    ~TSpectrum();
    TSpectrum(const TSpectrum&) = delete;
    TSpectrum& operator=(const TSpectrum&) = delete;

    int Size() const { return size_; }

    // Levels 0 .. 1 (a -60 .. 0 dB scale, full scale sine = 1) of barCount bars spaced
    // logarithmically from 40 Hz to 16 kHz (or half the rate). Fewer samples than the
    // size are padded with silence.
    std::vector<float> Bars(const float* samples, int count, int sampleRate, int barCount);

private:
    int size_;
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

} // namespace Engine
