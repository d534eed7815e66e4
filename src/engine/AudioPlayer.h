#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "AudioBlock.h"

// Plays queued blocks on the default sound output (SDL2) with a twelve-band equaliser,
// volume and mute. The caller queues blocks as the player asks for them:
// - after Play, OnRequestOnLoadArray asks for the first blocks, one event per block;
// - OnEndArrayPlay reports each queued block that has finished playing, so that the
//   caller queues the next one;
// - the empty block at the end of the input is queued like any other; OnEndPlay comes
//   once, after everything queued before it has played;
// - OnTimer comes about every 50 ms while playing, with the frames played since Play
//   and the peak levels (0 .. 32767) of what was played meanwhile.
// The events run through the dispatcher the application installs (its window thread);
// a player that has been stopped or destroyed delivers no further events.
class TAudioPlayer2 {
public:
    using TDispatcher = std::function<void(std::function<void()>)>;
    // Installs how events reach the program's window thread. Without one, events run on
    // the player's own service thread.
    static void SetDispatcher(TDispatcher dispatcher);

    TAudioPlayer2();
    ~TAudioPlayer2();
    TAudioPlayer2(const TAudioPlayer2&) = delete;
    TAudioPlayer2& operator=(const TAudioPlayer2&) = delete;

    std::function<void(TAudioPlayer2& sender)> OnRequestOnLoadArray;
    std::function<void(TAudioPlayer2& sender)> OnEndArrayPlay;
    std::function<void(TAudioPlayer2& sender, int CurrentSamples, int LevelLeft, int LevelRight)> OnTimer;
    std::function<void(TAudioPlayer2& sender)> OnEndPlay;

    void SetPlayerOption(int /*kept for the callers; no meaning here*/) {}

    void SetFormat(int rateHz, int channels);
    // Frames to and from milliseconds at the set rate, truncated toward zero.
    int MsToSamples(int ms) const;
    int SamplesToMs(int frames) const;

    void Play();
    // Non-zero when the last Play could not open a sound output; GetPlayErrorText tells why.
    int GetPlayError() const;
    std::string GetPlayErrorText() const;
    void Stop();
    // Frames played since the last Play.
    int GetPlayedSamples() const;
    void QueueBlock(const TAudioBlock& block);

    void SetEqualizerEnabled(bool enabled);
    bool GetEqualizerEnabled() const;
    // Gains in dB of the bands at 32, 64, 125, 250, 500, 1000, 2000, 4000, 6000, 8000,
    // 12000 and 16000 Hz, each within -15 .. 15; changed while playing without clicks.
    void SetEqualizerBands(const std::vector<float>& bandsDb);
    std::vector<float> GetEqualizerBands() const;

    // The latest count samples played (the channels' mean), for the level display.
    TAudioBlock GetVisualData(int count) const;

    int16_t GetVolumeLineCount() const { return 1; }
    void SelectVolumeLine(int index) { selectedLine_ = index; }
    bool IsVolumeLineActive() const { return selectedLine_ == 0; }
    int GetVolume() const;
    void SetVolume(int volume); // 0 .. 65535, linear
    void SetMute(bool muted);
    bool GetMute() const;

private:
    struct TImpl;
    std::shared_ptr<TImpl> impl_;
    int selectedLine_ = 0;
};
