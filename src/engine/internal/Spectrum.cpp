#include "Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <kissfft/kiss_fftr.h>

namespace Engine {

namespace {

constexpr int ShortWindowDivisor = 16;
// A bar takes the short window's bins when it spans at least this many of them: a tone's
// main lobe (four bins either side under Blackman-Harris) then stays inside a bar or two.
constexpr double ShortBinsPerBar = 16;

} // namespace

// One FFT size: its window and its magnitudes, scaled so a full-scale sine gives 1.
struct Spectrum::Window {
    explicit Window(int size) : size(std::max(16, size / 2 * 2)) {
        config.reset(kiss_fftr_alloc(this->size, 0, nullptr, nullptr));
        weights.resize(static_cast<size_t>(this->size));
        double sum = 0;
        for (int i = 0; i < this->size; ++i) {
            const double x = 2 * M_PI * i / (this->size - 1);
            const double w = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
            weights[static_cast<size_t>(i)] = static_cast<float>(w);
            sum += w;
        }
        fullScale = sum / 2;
        input.resize(static_cast<size_t>(this->size));
        output.resize(static_cast<size_t>(this->size / 2 + 1));
    }

    void transform(const float* samples, int count) {
        const int n = std::clamp(count, 0, size);
        std::fill(input.begin(), input.end(), 0.0f);
        for (int i = 0; i < n; ++i) {
            const auto at = static_cast<size_t>(size - n + i);
            input[at] = samples[count - n + i] * weights[at];
        }
        kiss_fftr(config.get(), input.data(), output.data());
    }

    // The strongest bin whose centre lies in from .. to Hz; for a range narrower than a
    // bin, the bin nearest to its centre.
    double peak(double from, double to, int sampleRate) const {
        const double binHz = static_cast<double>(sampleRate) / size;
        int first = static_cast<int>(std::ceil(from / binHz));
        int last = static_cast<int>(std::ceil(to / binHz)) - 1;
        if (last < first)
            first = last = static_cast<int>(std::lround(std::sqrt(from * to) / binHz));
        first = std::clamp(first, 1, size / 2);
        last = std::clamp(last, first, size / 2);
        double strongest = 0;
        for (int k = first; k <= last; ++k) {
            const kiss_fft_cpx& c = output[static_cast<size_t>(k)];
            strongest = std::max(strongest, std::hypot(static_cast<double>(c.r), static_cast<double>(c.i)));
        }
        return strongest / fullScale;
    }

    struct ConfigFree {
        void operator()(kiss_fftr_state* state) const { kiss_fftr_free(state); }
    };
    int size;
    double fullScale = 1;
    std::unique_ptr<kiss_fftr_state, ConfigFree> config;
    std::vector<float> weights, input;
    std::vector<kiss_fft_cpx> output;
};

Spectrum::Spectrum(int size)
    : long_(std::make_unique<Window>(size)), short_(std::make_unique<Window>(size / ShortWindowDivisor)) {}

Spectrum::~Spectrum() = default;

int Spectrum::size() const {
    return long_->size;
}

std::vector<float> Spectrum::bars(const float* samples, int count, int sampleRate, int barCount) {
    long_->transform(samples, count);
    short_->transform(samples, count);
    const double top = std::min(16000.0, sampleRate / 2.0), bottom = 40.0;
    const double shortBinHz = static_cast<double>(sampleRate) / short_->size;
    std::vector<float> bars(static_cast<size_t>(barCount));
    for (int b = 0; b < barCount; ++b) {
        const double from = bottom * std::pow(top / bottom, static_cast<double>(b) / barCount);
        const double to = bottom * std::pow(top / bottom, static_cast<double>(b + 1) / barCount);
        const Window& window = to - from >= ShortBinsPerBar * shortBinHz ? *short_ : *long_;
        const double db = 20 * std::log10(std::max(window.peak(from, to, sampleRate), 1e-9));
        bars[static_cast<size_t>(b)] = static_cast<float>(std::clamp((db + 60) / 60, 0.0, 1.0));
    }
    return bars;
}

} // namespace Engine
