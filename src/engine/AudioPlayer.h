#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioBlock.h"

// Plays queued blocks on the default sound output (SDL2) with a twelve-band equaliser,
// volume and mute. The caller queues blocks as the player asks for them:
// - after Play, onRequestOnLoadArray asks for the first blocks, one event per block;
// - onEndArrayPlay reports each queued block that has finished playing, so that the
//   caller queues the next one;
// - the empty block at the end of the input is queued like any other; onEndPlay comes
//   once, after everything queued before it has played;
// - onTimer comes about every 50 ms while playing, with the frames played since Play
//   and the peak levels (0 .. 32767) of what was played meanwhile.
// The events run through the dispatcher the application installs (its window thread);
// a player that has been stopped or destroyed delivers no further events.
class AudioPlayer {
public:
    using Dispatcher = std::function<void(std::function<void()>)>;
    // Installs how events reach the program's window thread. Without one, events run on
    // the player's own service thread.
    static void setDispatcher(Dispatcher dispatcher);

    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer&) = delete;
    AudioPlayer& operator=(const AudioPlayer&) = delete;

    std::function<void(AudioPlayer& sender)> onRequestOnLoadArray;
    std::function<void(AudioPlayer& sender)> onEndArrayPlay;
    std::function<void(AudioPlayer& sender, int currentSamples, int levelLeft, int levelRight)> onTimer;
    std::function<void(AudioPlayer& sender)> onEndPlay;

    void setPlayerOption(int /*kept for the callers; no meaning here*/) {}

    void setFormat(int rateHz, int channels);
    // Frames to and from milliseconds at the set rate, truncated toward zero.
    int msToSamples(int ms) const;
    int samplesToMs(int frames) const;

    void play();
    // Non-zero when the last Play could not open a sound output; playErrorText tells why.
    int playError() const;
    std::string playErrorText() const;
    void stop();
    // Frames played since the last Play.
    int playedFrames() const;
    void queueBlock(const AudioBlock& block);

    void setEqualizerEnabled(bool enabled);
    bool equalizerEnabled() const;
    // Gains in dB of the bands at 32, 64, 125, 250, 500, 1000, 2000, 4000, 6000, 8000,
    // 12000 and 16000 Hz, each within -15 .. 15; changed while playing without clicks.
    void setEqualizerBands(const std::vector<float>& bandsDb);
    std::vector<float> equalizerBands() const;

    // The latest count samples played (the channels' mean), for the level display.
    AudioBlock visualData(int count) const;

    int16_t volumeLineCount() const { return 1; }
    void selectVolumeLine(int index) { selectedLine_ = index; }
    bool isVolumeLineActive() const { return selectedLine_ == 0; }
    int volume() const;
    void setVolume(int volume); // 0 .. 65535, linear
    void setMute(bool muted);
    bool isMuted() const;

private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
    int selectedLine_ = 0;
};
