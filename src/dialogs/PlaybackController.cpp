#include "PlaybackController.h"

#include <algorithm>
#include <cmath>

#include "AppSettings.h"
#include "FileNames.h"
#include "PlaybackRead.h"

PlaybackController::PlaybackController(int blockMs, QObject* parent) : QObject(parent), blockMs_(blockMs) {
    player_.onRequestOnLoadArray = [this](AudioPlayer&) { feedNextBlock(); };
    player_.onEndArrayPlay = [this](AudioPlayer&) { feedNextBlock(); };
    player_.onTimer = [this](AudioPlayer&, int played, int, int) { playedSoFar(played); };
    player_.onEndPlay = [this](AudioPlayer&) { finish(); };
}

PlaybackController::~PlaybackController() {
    player_.stop();
}

bool PlaybackController::play(const QString& path, const Range& range, double speed) {
    stop();
    file_.setFileOption(true);
    file_.openForRead(Platform::pathBytes(path));
    if (file_.errorCode() != 0 || file_.totalFrames() == 0) {
        const QString why = QString::fromStdString(file_.errorText());
        file_.close();
        if (!why.isEmpty())
            emit failed(why);
        return false;
    }
    path_ = path;
    replayGain_ = replayGainOf(path);
    range_ = range;
    speed_ = speed;
    sampleRate_ = file_.streamSampleRate();
    lengthFrames_ = file_.totalFrames();
    player_.setFormat(sampleRate_, file_.streamChannels());
    blockFrames_ = player_.msToSamples(blockMs_);
    const int64_t first = std::max<int64_t>(range.startMs, 0) * sampleRate_ / 1000;
    endFrame_ = range.endMs < 0 ? lengthFrames_ : std::min(range.endMs * sampleRate_ / 1000, lengthFrames_);
    return start(first);
}

bool PlaybackController::playFromFrame(const QString& path, int64_t frame) {
    if (!play(path, {}, 1.0))
        return false;
    seekToFrame(frame);
    return true;
}

// Plays from frame to the range's end.
bool PlaybackController::start(int64_t frame) {
    player_.stop();
    transform_.setSpeedSampleRate(sampleRate_);
    startFrame_ = file_.seek(std::clamp<int64_t>(frame, 0, lengthFrames_));
    heardFrame_ = startFrame_;
    fedFrames_ = 0;
    player_.play();
    if (player_.playError() != 0) {
        const QString why = QString::fromStdString(player_.playErrorText());
        stop();
        emit failed(why);
        return false;
    }
    setState(State::Playing);
    return true;
}

void PlaybackController::pause() {
    if (state_ != State::Playing)
        return;
    heardFrame_ = positionFrame();
    player_.stop(); // the file stays open where it was
    setState(State::Paused);
    emit positionChanged(positionMs());
}

void PlaybackController::resume() {
    if (state_ == State::Paused && file_.isReading())
        start(heardFrame_);
}

void PlaybackController::togglePause() {
    state_ == State::Paused ? resume() : pause();
}

void PlaybackController::stop() {
    player_.stop();
    file_.close();
    setState(State::Stopped);
}

void PlaybackController::seekToFrame(int64_t frame) {
    if (state_ == State::Stopped || !file_.isReading())
        return;
    frame = std::clamp<int64_t>(frame, 0, lengthFrames_);
    if (state_ == State::Paused) {
        heardFrame_ = file_.seek(frame);
        emit positionChanged(positionMs());
        return;
    }
    start(frame);
}

int64_t PlaybackController::positionFrame() const {
    if (state_ != State::Playing)
        return heardFrame_;
    // The player counts what it played after the speed change: in the file's frames
    // that is as many times the speed.
    return startFrame_ + std::llround(player_.playedFrames() * speed_);
}

int64_t PlaybackController::positionMs() const {
    return sampleRate_ > 0 ? positionFrame() * 1000 / sampleRate_ : 0;
}

void PlaybackController::setVolume(int volume) {
    volume = std::clamp(volume, 0, 65535);
    if (volume == player_.volume())
        return;
    player_.setVolume(volume);
    emit volumeChanged(volume);
}

void PlaybackController::setMuted(bool muted) {
    player_.setMute(muted);
}

void PlaybackController::setEqualizerEnabled(bool enabled) {
    player_.setEqualizerEnabled(enabled);
}

void PlaybackController::setEqualizerBands(const std::vector<float>& bandsDb) {
    player_.setEqualizerBands(bandsDb);
}

// The next block of the range; nothing past its end.
AudioBlock PlaybackController::nextSourceBlock() {
    const int64_t left = endFrame_ - (startFrame_ + fedFrames_);
    AudioBlock block;
    block.channels = file_.channels();
    if (left > 0)
        block = readBlockForPlayback(file_, static_cast<int>(std::min<int64_t>(blockFrames_, left)), this,
                                     [this](const QString& text) { emit failed(text); });
    fedFrames_ += block.frames();
    if (replayGain_ != 1.0f)
        for (float& sample : block.samples)
            sample *= replayGain_;
    return block;
}

float PlaybackController::replayGainOf(const QString& path) {
    if (AppSettings::playbackGain == AppSettings::PlaybackGain::Off)
        return 1.0f;
    try {
        const std::optional<ReplayGainTags> gain = readReplayGainTags(Platform::pathBytes(path));
        return gain ? static_cast<float>(
                          replayGainFactor(*gain, AppSettings::playbackGain == AppSettings::PlaybackGain::Album))
                    : 1.0f;
    } catch (const EngineError&) {
        return 1.0f; // tags that cannot be read: the file is played as it is
    }
}

// With a speed change, the processor holds audio back: at first it is read on until it
// gives some, and at the end what it still holds is played before the player is told the
// input ended.
void PlaybackController::feedNextBlock() {
    if (state_ != State::Playing || !file_.isReading())
        return;
    AudioBlock block = nextSourceBlock();
    if (speed_ != 1.0) {
        const auto percent = static_cast<float>(speed_ * 100.0);
        while (!block.empty()) {
            transform_.changeSpeed(block, percent);
            if (!block.empty())
                break;
            block = nextSourceBlock();
        }
        if (block.empty())
            if (const AudioBlock tail = transform_.flushSpeed(); !tail.empty())
                player_.queueBlock(tail);
    }
    player_.queueBlock(block);
}

void PlaybackController::playedSoFar(int) {
    if (state_ == State::Playing)
        emit positionChanged(positionMs());
}

void PlaybackController::finish() {
    if (state_ != State::Playing)
        return;
    heardFrame_ = std::min(endFrame_, lengthFrames_);
    stop();
    emit ended();
}

void PlaybackController::setState(State state) {
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged(state);
}
