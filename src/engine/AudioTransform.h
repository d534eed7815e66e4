#pragma once

#include <functional>
#include <memory>

#include "AudioBlock.h"

namespace soundtouch {
class SoundTouch;
}

// Level ramps, channel split and merge, and tempo change of blocks. The events are
// raised on the calling thread while Fade, GetLeftChannel, GetRightChannel and
// MergeChannels run: OnTransformBlock with the call's progress (0 to 100), then
// OnEndTransform once when the call completes. A handler is detached by assigning {}.
class TAudioTransform2 {
public:
    TAudioTransform2();
    ~TAudioTransform2();
    TAudioTransform2(const TAudioTransform2&) = delete;
    TAudioTransform2& operator=(const TAudioTransform2&) = delete;

    std::function<void(TAudioTransform2& sender, int percent)> OnTransformBlock;
    std::function<void(TAudioTransform2& sender)> OnEndTransform;

    void SetTransformOption1(int /*kept for the callers; no meaning here*/) {}
    void SetTransformOption2(int /*kept for the callers; no meaning here*/) {}

    // Frame i of n gets the gain (start + (end - start) * i / (n - 1)) / 100.
    void Fade(TAudioBlock& block, float startPercent, float endPercent);
    TAudioBlock GetLeftChannel(const TAudioBlock& block);
    TAudioBlock GetRightChannel(const TAudioBlock& block);
    TAudioBlock MergeChannels(const TAudioBlock& left, const TAudioBlock& right);

    // Tempo change with the pitch kept: 50.0 plays at half speed, 150.0 at one and a half.
    // The audio the block leaves in the processor comes out with the next blocks.
    void ChangeSpeed(TAudioBlock& block, float percent);
    // The rate of the blocks ChangeSpeed gets (44100 until set); clears its state.
    void SetSpeedSampleRate(int rateHz);

private:
    TAudioBlock ChannelOf(const TAudioBlock& block, int channel);
    // Runs work over the frames in steps, reporting progress and the end.
    void Steps(int frames, const std::function<void(int from, int to)>& work);

    std::unique_ptr<soundtouch::SoundTouch> speed_;
    int speedRate_ = 44100;
    int speedChannels_ = 0;
    float speedPercent_ = 0;
};
