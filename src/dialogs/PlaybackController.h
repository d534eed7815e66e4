#pragma once

#include <cstdint>
#include <vector>

#include <QObject>
#include <QString>

#include "AudioFile.h"
#include "AudioPlayer.h"
#include "AudioTransform.h"

// One file playing: the player, the file it reads and what of it is played. The windows
// and the desktop's media controls bind to it; none of them keeps playback state of its
// own. Lives on the window thread; the player's events reach it there.
class PlaybackController : public QObject {
    Q_OBJECT

public:
    enum class State { Stopped, Playing, Paused };
    // What is played: the whole file from a point, a stretch after or before the
    // position, or one section's preview. Times in ms; an end of -1 is the file's end.
    enum class RangeKind { WholeFile, AfterPosition, BeforePosition, Preview };
    struct Range {
        RangeKind kind = RangeKind::WholeFile;
        int64_t startMs = 0;
        int64_t endMs = -1;
        int section = -1; // the previewed section's row
    };

    // blockMs: how much is read for the player at a time.
    explicit PlaybackController(int blockMs, QObject* parent = nullptr);
    ~PlaybackController() override;

    // Plays range of path at speed (0.5, 1 or 1.5, pitch kept). False when the file cannot
    // be played (failed says why, unless it merely holds no audio).
    bool play(const QString& path, const Range& range, double speed = 1.0);
    // Starts at a frame rather than a time (the whole file from there).
    bool playFromFrame(const QString& path, int64_t frame);
    void pause();
    void resume();
    void togglePause();
    void stop();
    // Moves to a frame of the file (clamped to it); a paused file stays paused there.
    void seekToFrame(int64_t frame);

    State state() const { return state_; }
    bool isActive() const { return state_ != State::Stopped; }
    QString file() const { return path_; }
    Range range() const { return range_; }
    double speed() const { return speed_; }
    // The frame being heard (in the file's frames, whatever the speed) and its time.
    int64_t positionFrame() const;
    int64_t positionMs() const;
    int64_t lengthFrames() const { return lengthFrames_; }
    int sampleRate() const { return sampleRate_; }

    // The sound: volume 0 .. 65535, mute, the equaliser, and what was played last.
    void setVolume(int volume);
    int volume() const { return player_.volume(); }
    void setMuted(bool muted);
    bool muted() const { return player_.isMuted(); }
    void setEqualizerEnabled(bool enabled);
    void setEqualizerBands(const std::vector<float>& bandsDb);
    bool equalizerEnabled() const { return player_.equalizerEnabled(); }
    std::vector<float> equalizerBands() const { return player_.equalizerBands(); }
    AudioBlock visualData(int count) const { return player_.visualData(count); }

signals:
    void positionChanged(qint64 ms);
    void stateChanged(PlaybackController::State state);
    // The range has played to its end; the state is Stopped already.
    void ended();
    void failed(const QString& message);
    void volumeChanged(int volume);

private:
    bool start(int64_t frame);
    void feedNextBlock();
    AudioBlock nextSourceBlock();
    void playedSoFar(int playedFrames);
    void finish();
    void setState(State state);
    static float replayGainOf(const QString& path);

    AudioPlayer player_;
    AudioFile file_;
    AudioTransform transform_;
    QString path_;
    Range range_;
    double speed_ = 1.0;
    State state_ = State::Stopped;
    int blockMs_;
    int blockFrames_ = 0;
    int sampleRate_ = 44100;
    int64_t lengthFrames_ = 0;
    int64_t startFrame_ = 0;  // where the player's count of played frames began
    int64_t endFrame_ = 0;    // the range's end (exclusive)
    int64_t fedFrames_ = 0;   // read from the file since startFrame_
    int64_t heardFrame_ = 0;  // the frame being heard, kept while paused
    float replayGain_ = 1.0f; // the file's ReplayGain as the settings choose it
};
