#include "AudioPlayer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <SDL.h>

#include "internal/Equalizer.h"
#include "internal/SpscRing.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int BlocksAhead = 3;
constexpr int RingSeconds = 8;
constexpr int VisualFrames = 16384;
constexpr auto TimerInterval = std::chrono::milliseconds(50);
constexpr auto ServiceInterval = std::chrono::milliseconds(5);

std::mutex dispatcherMutex;
AudioPlayer::Dispatcher dispatcher;

void dispatch(std::function<void()> event) {
    AudioPlayer::Dispatcher current;
    {
        std::lock_guard lock(dispatcherMutex);
        current = dispatcher;
    }
    if (current)
        current(std::move(event));
    else
        event();
}

void raiseToAtLeast(std::atomic<int>& value, int candidate) {
    int current = value.load(std::memory_order_relaxed);
    while (candidate > current && !value.compare_exchange_weak(current, candidate, std::memory_order_relaxed)) {
    }
}

// Keeps SDL's audio subsystem initialised while any player needs it.
class SdlAudio {
public:
    // SDL's own SIGINT and SIGTERM handlers would swallow the signals the program handles.
    SdlAudio() {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        ok_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    }
    ~SdlAudio() {
        if (ok_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    SdlAudio(const SdlAudio&) = delete;
    SdlAudio& operator=(const SdlAudio&) = delete;
    bool isOpen() const { return ok_; }

private:
    bool ok_;
};

} // namespace

void AudioPlayer::setDispatcher(Dispatcher newDispatcher) {
    std::lock_guard lock(dispatcherMutex);
    dispatcher = std::move(newDispatcher);
}

struct AudioPlayer::Impl : std::enable_shared_from_this<Impl> {
    enum class Event { Request, EndArray, Timer, EndPlay };

    explicit Impl(AudioPlayer& player) : owner(player) {}

    AudioPlayer& owner;

    // Window thread.
    int rate = 44100, channels = 2;
    std::array<float, Engine::EqualizerBandCount> gainsDb{};
    std::unique_ptr<SdlAudio> sdl;
    SDL_AudioDeviceID device = 0;
    int deviceRate = 0, deviceChannels = 0;
    int playError = 0;
    std::string playErrorText;

    // Shared with the audio callback, lock-free.
    std::unique_ptr<Engine::SpscRing> ring;
    std::atomic<int64_t> framesPlayed{0};
    std::atomic<int> peakLeft{0}, peakRight{0};
    std::atomic<bool> equalizerOn{true};
    std::atomic<int> volume{65535};
    std::atomic<bool> muted{false};
    Engine::EqualizerCoefficients coefficients;
    std::vector<std::atomic<float>> visual = std::vector<std::atomic<float>>(VisualFrames);
    std::atomic<size_t> visualWritten{0};

    // Owned by the audio callback.
    std::array<Engine::Biquad, Engine::EqualizerBandCount> bands{};
    Engine::EqualizerState equalizerState;

    // Shared by the window thread and the service thread, under mutex.
    std::mutex mutex;
    std::condition_variable wake;
    bool quit = false;
    bool playing = false;
    std::vector<float> pending;
    size_t pendingStart = 0;
    std::deque<int64_t> blockEnds; // frame positions at which queued blocks end
    int64_t queuedFrames = 0;
    int64_t endAt = -1; // where the empty block was queued
    bool endReported = false;
    int requestsDue = 0;
    Clock::time_point lastTimer;
    std::atomic<unsigned> session{0};
    std::thread service;

    void start() {
        service = std::thread([this] { serve(); });
    }

    void shut() {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        if (service.joinable())
            service.join();
        closeDevice();
    }

    void closeDevice() {
        if (device != 0)
            SDL_CloseAudioDevice(device);
        device = 0;
        deviceRate = deviceChannels = 0;
    }

    bool openDevice() {
        if (device != 0 && deviceRate == rate && deviceChannels == channels)
            return true;
        closeDevice();
        if (!sdl)
            sdl = std::make_unique<SdlAudio>();
        if (!sdl->isOpen()) {
            playErrorText = SDL_GetError();
            return false;
        }
        ring = std::make_unique<Engine::SpscRing>(static_cast<size_t>(rate) * channels * RingSeconds);
        equalizerState.reset(channels);
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = static_cast<Uint8>(channels);
        want.samples = 1024;
        want.callback = &Impl::audioCallback;
        want.userdata = this;
        SDL_AudioSpec have{};
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device == 0) {
            playErrorText = SDL_GetError();
            return false;
        }
        deviceRate = rate;
        deviceChannels = channels;
        return true;
    }

    // The audio thread: never locks, allocates or calls into the program.
    static void SDLCALL audioCallback(void* userdata, Uint8* stream, int length) {
        static_cast<Impl*>(userdata)->render(reinterpret_cast<float*>(stream),
                                             length / static_cast<int>(sizeof(float)));
    }

    void render(float* out, int samples) {
        const int ch = deviceChannels;
        const size_t got = ring->pop(out, static_cast<size_t>(samples));
        std::fill(out + got, out + samples, 0.0f);
        const int frames = static_cast<int>(got) / ch;
        coefficients.read(bands);
        if (equalizerOn.load(std::memory_order_relaxed)) {
            equalizerState.process(bands, out, frames);
            Engine::softLimit(out, frames * ch);
        }
        const float gain =
            muted.load(std::memory_order_relaxed) ? 0.0f : volume.load(std::memory_order_relaxed) / 65535.0f;
        float peaks[2] = {0, 0};
        const size_t written = visualWritten.load(std::memory_order_relaxed);
        for (int i = 0; i < frames; ++i) {
            float sum = 0;
            for (int c = 0; c < ch; ++c) {
                float& sample = out[static_cast<size_t>(i) * ch + c];
                if (gain != 1.0f)
                    sample *= gain;
                peaks[c % 2] = std::max(peaks[c % 2], std::fabs(sample));
                sum += sample;
            }
            visual[(written + static_cast<size_t>(i)) % VisualFrames].store(sum / ch, std::memory_order_relaxed);
        }
        visualWritten.store(written + static_cast<size_t>(frames), std::memory_order_release);
        if (ch == 1)
            peaks[1] = peaks[0];
        raiseToAtLeast(peakLeft, static_cast<int>(std::min(peaks[0], 1.0f) * 32767));
        raiseToAtLeast(peakRight, static_cast<int>(std::min(peaks[1], 1.0f) * 32767));
        framesPlayed.fetch_add(frames, std::memory_order_release);
    }

    // Moves queued audio into the ring, whole frames only. Under mutex.
    void transfer() {
        if (!ring || pendingStart == pending.size())
            return;
        const size_t whole = std::min(ring->freeSpace(), pending.size() - pendingStart) / channels * channels;
        pendingStart += ring->push(pending.data() + pendingStart, whole);
        if (pendingStart == pending.size()) {
            pending.clear();
            pendingStart = 0;
        }
    }

    // The service thread: feeds the ring and turns the audio thread's progress into events.
    void serve() {
        std::unique_lock lock(mutex);
        while (!quit) {
            // Idle, it sleeps until play or quit; playing, it looks after the ring.
            if (playing)
                wake.wait_for(lock, ServiceInterval);
            else
                wake.wait(lock, [this] { return quit || playing; });
            if (quit || !playing)
                continue;
            transfer();
            std::vector<Event> due(static_cast<size_t>(requestsDue), Event::Request);
            requestsDue = 0;
            const int64_t played = framesPlayed.load(std::memory_order_acquire);
            for (; !blockEnds.empty() && blockEnds.front() <= played; blockEnds.pop_front())
                due.push_back(Event::EndArray);
            int left = 0, right = 0;
            if (!endReported && endAt >= 0 && played >= endAt) {
                endReported = true;
                due.push_back(Event::EndPlay);
            } else if (!endReported && Clock::now() - lastTimer >= TimerInterval) {
                lastTimer = Clock::now();
                left = peakLeft.exchange(0);
                right = peakRight.exchange(0);
                due.push_back(Event::Timer);
            }
            const unsigned current = session.load();
            lock.unlock();
            for (const Event event : due)
                send(event, current, static_cast<int>(std::min<int64_t>(played, INT32_MAX)), left, right);
            lock.lock();
        }
    }

    // Delivers an event through the dispatcher, unless the player stopped or went meanwhile.
    void send(Event event, unsigned sentInSession, int played, int left, int right) {
        std::weak_ptr<Impl> alive = weak_from_this();
        dispatch([alive, event, sentInSession, played, left, right] {
            const auto self = alive.lock();
            if (!self || self->session.load() != sentInSession)
                return;
            AudioPlayer& player = self->owner;
            switch (event) {
            case Event::Request:
                if (player.onRequestOnLoadArray)
                    player.onRequestOnLoadArray(player);
                break;
            case Event::EndArray:
                if (player.onEndArrayPlay)
                    player.onEndArrayPlay(player);
                break;
            case Event::Timer:
                if (player.onTimer)
                    player.onTimer(player, played, left, right);
                break;
            case Event::EndPlay:
                if (player.onEndPlay)
                    player.onEndPlay(player);
                break;
            }
        });
    }

    void publishEqualizer() { coefficients.publish(Engine::designGraphic(gainsDb, rate)); }
};

AudioPlayer::AudioPlayer() : impl_(std::make_shared<Impl>(*this)) {
    impl_->start();
}

AudioPlayer::~AudioPlayer() {
    impl_->session.fetch_add(1);
    impl_->shut();
}

void AudioPlayer::setFormat(int rateHz, int channels) {
    if (rateHz <= 0 || channels < 1 || channels > 2)
        return;
    impl_->rate = rateHz;
    impl_->channels = channels;
    impl_->publishEqualizer();
}

int AudioPlayer::msToSamples(int ms) const {
    return static_cast<int>(int64_t{ms} * impl_->rate / 1000);
}

int AudioPlayer::samplesToMs(int frames) const {
    return static_cast<int>(int64_t{frames} * 1000 / impl_->rate);
}

void AudioPlayer::play() {
    stop();
    Impl& p = *impl_;
    p.playError = 0;
    if (!p.openDevice()) {
        p.playError = 1;
        return;
    }
    {
        std::lock_guard lock(p.mutex);
        p.framesPlayed.store(0);
        p.peakLeft.store(0);
        p.peakRight.store(0);
        p.queuedFrames = 0;
        p.endAt = -1;
        p.endReported = false;
        p.requestsDue = BlocksAhead;
        p.lastTimer = Clock::now();
        p.playing = true;
        p.session.fetch_add(1);
    }
    SDL_PauseAudioDevice(p.device, 0);
    p.wake.notify_all();
}

int AudioPlayer::playError() const {
    return impl_->playError;
}

std::string AudioPlayer::playErrorText() const {
    return impl_->playErrorText;
}

void AudioPlayer::stop() {
    Impl& p = *impl_;
    std::lock_guard lock(p.mutex);
    p.playing = false;
    p.session.fetch_add(1);
    p.pending.clear();
    p.pendingStart = 0;
    p.blockEnds.clear();
    p.endAt = -1;
    // A stopped player keeps no device: an open one, even paused, wakes its thread for
    // every buffer. Its callback takes no lock, so closing here cannot wait on this one.
    if (p.device != 0) {
        p.closeDevice();
        p.ring->clear();
    }
}

int AudioPlayer::playedFrames() const {
    return static_cast<int>(std::min<int64_t>(impl_->framesPlayed.load(), INT32_MAX));
}

void AudioPlayer::queueBlock(const AudioBlock& block) {
    Impl& p = *impl_;
    {
        std::lock_guard lock(p.mutex);
        if (!p.playing || p.endAt >= 0)
            return; // nothing plays, or the input has ended: later blocks are not played
        if (block.empty()) {
            p.endAt = p.queuedFrames;
        } else {
            p.pending.insert(p.pending.end(), block.samples.begin(), block.samples.end());
            p.queuedFrames += static_cast<int64_t>(block.samples.size()) / p.channels;
            p.blockEnds.push_back(p.queuedFrames);
            p.transfer();
        }
    }
    p.wake.notify_all();
}

void AudioPlayer::setEqualizerEnabled(bool enabled) {
    impl_->equalizerOn.store(enabled);
}

void AudioPlayer::setEqualizerBands(const std::vector<float>& bandsDb) {
    for (size_t i = 0; i < impl_->gainsDb.size(); ++i)
        impl_->gainsDb[i] = i < bandsDb.size() ? std::clamp(bandsDb[i], -15.0f, 15.0f) : 0.0f;
    impl_->publishEqualizer();
}

AudioBlock AudioPlayer::visualData(int count) const {
    const Impl& p = *impl_;
    AudioBlock block;
    block.channels = 1;
    const size_t written = p.visualWritten.load(std::memory_order_acquire);
    const size_t n = std::min({static_cast<size_t>(std::max(count, 0)), written, static_cast<size_t>(VisualFrames)});
    block.samples.resize(n);
    for (size_t i = 0; i < n; ++i)
        block.samples[i] = p.visual[(written - n + i) % VisualFrames].load(std::memory_order_relaxed);
    return block;
}

int AudioPlayer::volume() const {
    return impl_->volume.load();
}

void AudioPlayer::setVolume(int volume) {
    impl_->volume.store(std::clamp(volume, 0, 65535));
}

void AudioPlayer::setMute(bool muted) {
    impl_->muted.store(muted);
}

bool AudioPlayer::equalizerEnabled() const {
    return impl_->equalizerOn.load();
}

std::vector<float> AudioPlayer::equalizerBands() const {
    return std::vector<float>(impl_->gainsDb.begin(), impl_->gainsDb.end());
}

bool AudioPlayer::isMuted() const {
    return impl_->muted.load();
}
