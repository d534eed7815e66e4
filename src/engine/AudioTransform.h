#pragma once

#include <functional>
#include <memory>

#include "AudioBlock.h"

namespace soundtouch {
class SoundTouch;
}

// Level ramps, channel split and merge, and tempo change of blocks. The events are
// raised on the calling thread while Fade, leftChannel, rightChannel and
// mergeChannels run: onTransformBlock with the call's progress (0 to 100), then
// onEndTransform once when the call completes. A handler is detached by assigning {}.
class AudioTransform {
public:
    AudioTransform();
    ~AudioTransform();
    AudioTransform(const AudioTransform&) = delete;
    AudioTransform& operator=(const AudioTransform&) = delete;

    std::function<void(AudioTransform& sender, int percent)> onTransformBlock;
    std::function<void(AudioTransform& sender)> onEndTransform;

    void setTransformOption1(int /*kept for the callers; no meaning here*/) {}
    void setTransformOption2(int /*kept for the callers; no meaning here*/) {}

    // Frame i of n gets the gain (start + (end - start) * i / (n - 1)) / 100.
    void fade(AudioBlock& block, float startPercent, float endPercent);
    AudioBlock leftChannel(const AudioBlock& block);
    AudioBlock rightChannel(const AudioBlock& block);
    AudioBlock mergeChannels(const AudioBlock& left, const AudioBlock& right);

    // Tempo change with the pitch kept: 50.0 plays at half speed, 150.0 at one and a half.
    // The audio the block leaves in the processor comes out with the next blocks.
    void changeSpeed(AudioBlock& block, float percent);
    // At the input's end: what the processor still holds, so the end is heard too; the
    // processor starts afresh afterwards.
    AudioBlock flushSpeed();
    // The rate of the blocks changeSpeed gets (44100 until set); clears its state.
    void setSpeedSampleRate(int rateHz);

private:
    AudioBlock channelOf(const AudioBlock& block, int channel);
    // Runs work over the frames in steps, reporting progress and the end.
    void steps(int frames, const std::function<void(int from, int to)>& work);

    std::unique_ptr<soundtouch::SoundTouch> speed_;
    int speedRate_ = 44100;
    int speedChannels_ = 0;
    float speedPercent_ = 0;
};
