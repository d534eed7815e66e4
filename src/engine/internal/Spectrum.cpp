#include "Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <kissfft/kiss_fftr.h>

namespace Engine {

struct Spectrum::Impl {
    struct ConfigFree {
        void operator()(kiss_fftr_state* state) const { kiss_fftr_free(state); }
    };
    std::unique_ptr<kiss_fftr_state, ConfigFree> config;
    std::vector<float> window, input;
    std::vector<kiss_fft_cpx> output;
};

Spectrum::Spectrum(int size) : size_(std::max(16, size / 2 * 2)), impl_(std::make_unique<Impl>()) {
    impl_->config.reset(kiss_fftr_alloc(size_, 0, nullptr, nullptr));
    impl_->window.resize(static_cast<size_t>(size_));
    for (int i = 0; i < size_; ++i)
        impl_->window[static_cast<size_t>(i)] = static_cast<float>(0.5 - 0.5 * std::cos(2 * M_PI * i / (size_ - 1)));
    impl_->input.resize(static_cast<size_t>(size_));
    impl_->output.resize(static_cast<size_t>(size_ / 2 + 1));
}

Spectrum::~Spectrum() = default;

std::vector<float> Spectrum::bars(const float* samples, int count, int sampleRate, int barCount) {
    const int n = std::clamp(count, 0, size_);
    std::fill(impl_->input.begin(), impl_->input.end(), 0.0f);
    for (int i = 0; i < n; ++i)
        impl_->input[static_cast<size_t>(i)] = samples[count - n + i] * impl_->window[static_cast<size_t>(i)];
    kiss_fftr(impl_->config.get(), impl_->input.data(), impl_->output.data());

    const double top = std::min(16000.0, sampleRate / 2.0), bottom = 40.0;
    const double binHz = static_cast<double>(sampleRate) / size_;
    const double fullScale = size_ / 4.0; // a full-scale sine's peak under the Hann window
    std::vector<float> bars(static_cast<size_t>(barCount));
    for (int b = 0; b < barCount; ++b) {
        const double from = bottom * std::pow(top / bottom, static_cast<double>(b) / barCount);
        const double to = bottom * std::pow(top / bottom, static_cast<double>(b + 1) / barCount);
        // The bins whose centres lie in the bar's range; a bar narrower than a bin shows
        // the bin nearest to its centre.
        int first = static_cast<int>(std::ceil(from / binHz));
        int last = static_cast<int>(std::ceil(to / binHz)) - 1;
        if (last < first)
            first = last = static_cast<int>(std::lround(std::sqrt(from * to) / binHz));
        first = std::clamp(first, 1, size_ / 2);
        last = std::clamp(last, first, size_ / 2);
        double peak = 0;
        for (int k = first; k <= last; ++k) {
            const kiss_fft_cpx& c = impl_->output[static_cast<size_t>(k)];
            peak = std::max(peak, std::hypot(static_cast<double>(c.r), static_cast<double>(c.i)));
        }
        const double db = 20 * std::log10(std::max(peak / fullScale, 1e-9));
        bars[static_cast<size_t>(b)] = static_cast<float>(std::clamp((db + 60) / 60, 0.0, 1.0));
    }
    return bars;
}

} // namespace Engine
