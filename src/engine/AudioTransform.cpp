#include "AudioTransform.h"

#include <algorithm>

#include <SoundTouch.h>

#include "EngineError.h"

namespace {
constexpr int ProgressSteps = 10;
}

TAudioTransform2::TAudioTransform2() = default;
TAudioTransform2::~TAudioTransform2() = default;

void TAudioTransform2::Steps(int frames, const std::function<void(int from, int to)>& work) {
    const int step = std::max(1, (frames + ProgressSteps - 1) / ProgressSteps);
    if (OnTransformBlock)
        OnTransformBlock(*this, 0);
    for (int from = 0; from < frames; from += step) {
        const int to = std::min(frames, from + step);
        work(from, to);
        if (OnTransformBlock)
            OnTransformBlock(*this, static_cast<int>(static_cast<int64_t>(to) * 100 / frames));
    }
    if (frames == 0 && OnTransformBlock)
        OnTransformBlock(*this, 100);
    if (OnEndTransform)
        OnEndTransform(*this);
}

void TAudioTransform2::Fade(TAudioBlock& block, float startPercent, float endPercent) {
    const int frames = block.Frames();
    const int channels = block.Channels;
    const double span = frames > 1 ? frames - 1 : 1;
    Steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const auto gain = static_cast<float>((startPercent + (endPercent - startPercent) * (i / span)) / 100.0);
            float* frame = block.Samples.data() + static_cast<size_t>(i) * channels;
            for (int ch = 0; ch < channels; ++ch)
                frame[ch] *= gain;
        }
    });
}

TAudioBlock TAudioTransform2::ChannelOf(const TAudioBlock& block, int channel) {
    TAudioBlock mono;
    mono.Channels = 1;
    const int frames = block.Frames();
    mono.Samples.resize(static_cast<size_t>(frames));
    const int source = std::min(channel, block.Channels - 1);
    Steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i)
            mono.Samples[static_cast<size_t>(i)] = block.Samples[static_cast<size_t>(i) * block.Channels + source];
    });
    return mono;
}

TAudioBlock TAudioTransform2::GetLeftChannel(const TAudioBlock& block) {
    return ChannelOf(block, 0);
}
TAudioBlock TAudioTransform2::GetRightChannel(const TAudioBlock& block) {
    return ChannelOf(block, 1);
}

TAudioBlock TAudioTransform2::MergeChannels(const TAudioBlock& left, const TAudioBlock& right) {
    if (left.Channels != 1 || right.Channels != 1 || left.Samples.size() != right.Samples.size())
        throw EngineError(EngineStatus::InvalidFormat, "MergeChannels: the two blocks must be mono and of one length");
    TAudioBlock stereo;
    stereo.Channels = 2;
    const int frames = left.Frames();
    stereo.Samples.resize(static_cast<size_t>(frames) * 2);
    Steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            stereo.Samples[2 * static_cast<size_t>(i)] = left.Samples[static_cast<size_t>(i)];
            stereo.Samples[2 * static_cast<size_t>(i) + 1] = right.Samples[static_cast<size_t>(i)];
        }
    });
    return stereo;
}

void TAudioTransform2::SetSpeedSampleRate(int rateHz) {
    speedRate_ = rateHz > 0 ? rateHz : 44100;
    speed_.reset();
}

void TAudioTransform2::ChangeSpeed(TAudioBlock& block, float percent) {
    if (block.Channels <= 0 || percent <= 0)
        return;
    if (!speed_ || speedChannels_ != block.Channels || speedPercent_ != percent) {
        speed_ = std::make_unique<soundtouch::SoundTouch>();
        speed_->setSampleRate(static_cast<unsigned>(speedRate_));
        speed_->setChannels(static_cast<unsigned>(block.Channels));
        speed_->setTempo(percent / 100.0);
        speedChannels_ = block.Channels;
        speedPercent_ = percent;
    }
    speed_->putSamples(block.Samples.data(), static_cast<unsigned>(block.Frames()));
    block.Samples.resize(static_cast<size_t>(speed_->numSamples()) * block.Channels);
    const unsigned received = speed_->receiveSamples(block.Samples.data(), speed_->numSamples());
    block.Samples.resize(static_cast<size_t>(received) * block.Channels);
}
