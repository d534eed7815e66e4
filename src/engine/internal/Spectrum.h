#pragma once

// The spectrum behind the level display: Blackman-Harris-windowed FFTs (KISS FFT) of the
// latest samples, gathered into log-spaced bars. Wide (high) bars come from a short window,
// so they follow the music quickly; narrow (low) bars from a window sixteen times longer,
// whose bins are fine enough that a tone lights its own bar and not its neighbours.

#include <memory>
#include <vector>

namespace Engine {

class Spectrum {
public:
    // size: the long window, in samples (the short one is a sixteenth of it).
    explicit Spectrum(int size);
    ~Spectrum();
    Spectrum(const Spectrum&) = delete;
    Spectrum& operator=(const Spectrum&) = delete;

    int size() const;

    // Levels 0 .. 1 (a -60 .. 0 dB scale, full scale sine = 1) of barCount bars spaced
    // logarithmically from 40 Hz to 16 kHz (or half the rate), from the latest count
    // samples. Fewer samples than a window are padded with silence before them.
    std::vector<float> bars(const float* samples, int count, int sampleRate, int barCount);

private:
    struct Window;
    std::unique_ptr<Window> long_, short_;
};

} // namespace Engine
