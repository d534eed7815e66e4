#include "AudioTransform.h"

#include <algorithm>

#include <SoundTouch.h>

#include "EngineError.h"

namespace {
constexpr int ProgressSteps = 10;
}

AudioTransform::AudioTransform() = default;
AudioTransform::~AudioTransform() = default;

void AudioTransform::steps(int frames, const std::function<void(int from, int to)>& work) {
    const int step = std::max(1, (frames + ProgressSteps - 1) / ProgressSteps);
    if (onTransformBlock)
        onTransformBlock(*this, 0);
    for (int from = 0; from < frames; from += step) {
        const int to = std::min(frames, from + step);
        work(from, to);
        if (onTransformBlock)
            onTransformBlock(*this, static_cast<int>(static_cast<int64_t>(to) * 100 / frames));
    }
    if (frames == 0 && onTransformBlock)
        onTransformBlock(*this, 100);
    if (onEndTransform)
        onEndTransform(*this);
}

void AudioTransform::fade(AudioBlock& block, float startPercent, float endPercent) {
    const int frames = block.frames();
    const int channels = block.channels;
    const double span = frames > 1 ? frames - 1 : 1;
    steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const auto gain = static_cast<float>((startPercent + (endPercent - startPercent) * (i / span)) / 100.0);
            float* frame = block.samples.data() + static_cast<size_t>(i) * channels;
            for (int ch = 0; ch < channels; ++ch)
                frame[ch] *= gain;
        }
    });
}

AudioBlock AudioTransform::channelOf(const AudioBlock& block, int channel) {
    AudioBlock mono;
    mono.channels = 1;
    const int frames = block.frames();
    mono.samples.resize(static_cast<size_t>(frames));
    const int source = std::min(channel, block.channels - 1);
    steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i)
            mono.samples[static_cast<size_t>(i)] = block.samples[static_cast<size_t>(i) * block.channels + source];
    });
    return mono;
}

AudioBlock AudioTransform::leftChannel(const AudioBlock& block) {
    return channelOf(block, 0);
}
AudioBlock AudioTransform::rightChannel(const AudioBlock& block) {
    return channelOf(block, 1);
}

AudioBlock AudioTransform::mergeChannels(const AudioBlock& left, const AudioBlock& right) {
    if (left.channels != 1 || right.channels != 1 || left.samples.size() != right.samples.size())
        throw EngineError(EngineStatus::InvalidFormat, "MergeChannels: the two blocks must be mono and of one length");
    AudioBlock stereo;
    stereo.channels = 2;
    const int frames = left.frames();
    stereo.samples.resize(static_cast<size_t>(frames) * 2);
    steps(frames, [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            stereo.samples[2 * static_cast<size_t>(i)] = left.samples[static_cast<size_t>(i)];
            stereo.samples[2 * static_cast<size_t>(i) + 1] = right.samples[static_cast<size_t>(i)];
        }
    });
    return stereo;
}

void AudioTransform::setSpeedSampleRate(int rateHz) {
    speedRate_ = rateHz > 0 ? rateHz : 44100;
    speed_.reset();
}

AudioBlock AudioTransform::flushSpeed() {
    AudioBlock tail;
    tail.channels = speedChannels_;
    if (!speed_)
        return tail;
    speed_->flush();
    tail.samples.resize(static_cast<size_t>(speed_->numSamples()) * speedChannels_);
    const unsigned received = speed_->receiveSamples(tail.samples.data(), speed_->numSamples());
    tail.samples.resize(static_cast<size_t>(received) * speedChannels_);
    speed_.reset();
    return tail;
}

void AudioTransform::changeSpeed(AudioBlock& block, float percent) {
    if (block.channels <= 0 || percent <= 0)
        return;
    if (!speed_ || speedChannels_ != block.channels || speedPercent_ != percent) {
        speed_ = std::make_unique<soundtouch::SoundTouch>();
        speed_->setSampleRate(static_cast<unsigned>(speedRate_));
        speed_->setChannels(static_cast<unsigned>(block.channels));
        speed_->setTempo(percent / 100.0);
        speedChannels_ = block.channels;
        speedPercent_ = percent;
    }
    speed_->putSamples(block.samples.data(), static_cast<unsigned>(block.frames()));
    block.samples.resize(static_cast<size_t>(speed_->numSamples()) * block.channels);
    const unsigned received = speed_->receiveSamples(block.samples.data(), speed_->numSamples());
    block.samples.resize(static_cast<size_t>(received) * block.channels);
}
