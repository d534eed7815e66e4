#include "FormatConverter.h"

#include "EngineError.h"

namespace Engine {

void FormatConverter::setInput(int rate, int channels, IAudioWriter& sink) {
    if (rate <= 0 || channels <= 0)
        throw EngineError(EngineStatus::InvalidFormat, "Invalid input format: " + std::to_string(rate) + " Hz, " +
                                                           std::to_string(channels) + " channels");
    if (rate == inRate_ && channels == inChannels_)
        return;
    flush(sink);
    inRate_ = rate;
    inChannels_ = channels;
    resampler_.reset();
    if (rate == outRate_)
        return;
    SwrContext* context = nullptr;
    AVChannelLayout layout = FFmpeg::layout(outChannels_);
    // The SoX resampler: its steep filter keeps what lies above the new Nyquist frequency
    // from folding back as aliases (libswresample's own filter lets it through at -23 dB).
    if (swr_alloc_set_opts2(&context, &layout, AV_SAMPLE_FMT_FLT, outRate_, &layout, AV_SAMPLE_FMT_FLT, rate, 0,
                            nullptr) < 0 ||
        av_opt_set(context, "resampler", "soxr", 0) < 0 || swr_init(context) < 0) {
        swr_free(&context);
        throw EngineError(EngineStatus::InvalidFormat,
                          "Cannot convert " + std::to_string(rate) + " Hz to " + std::to_string(outRate_) + " Hz");
    }
    resampler_.reset(context);
}

const float* FormatConverter::mapChannels(const float* samples, int frames) {
    if (inChannels_ == outChannels_)
        return samples;
    mapped_.resize(static_cast<size_t>(frames) * outChannels_);
    for (int i = 0; i < frames; ++i) {
        const float* in = samples + static_cast<size_t>(i) * inChannels_;
        float* out = mapped_.data() + static_cast<size_t>(i) * outChannels_;
        if (outChannels_ == 1) {
            float sum = 0;
            for (int ch = 0; ch < inChannels_; ++ch)
                sum += in[ch];
            out[0] = sum / static_cast<float>(inChannels_);
        } else {
            for (int ch = 0; ch < outChannels_; ++ch)
                out[ch] = in[inChannels_ == 1 ? 0 : ch % inChannels_];
        }
    }
    return mapped_.data();
}

void FormatConverter::convert(const float* samples, int frames, IAudioWriter& sink) {
    if (frames <= 0)
        return;
    const float* mapped = mapChannels(samples, frames);
    if (!resampler_) {
        sink.write(mapped, frames);
        return;
    }
    const int capacity = swr_get_out_samples(resampler_.get(), frames);
    resampled_.resize(static_cast<size_t>(capacity) * outChannels_);
    uint8_t* out = reinterpret_cast<uint8_t*>(resampled_.data());
    const auto* in = reinterpret_cast<const uint8_t*>(mapped);
    const int produced = swr_convert(resampler_.get(), &out, capacity, &in, frames);
    if (produced > 0)
        sink.write(resampled_.data(), produced);
}

void FormatConverter::flush(IAudioWriter& sink) {
    if (!resampler_)
        return;
    resampled_.resize(static_cast<size_t>(4096) * outChannels_);
    uint8_t* out = reinterpret_cast<uint8_t*>(resampled_.data());
    for (int produced; (produced = swr_convert(resampler_.get(), &out, 4096, nullptr, 0)) > 0;)
        sink.write(resampled_.data(), produced);
}

} // namespace Engine
