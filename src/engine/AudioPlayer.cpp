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
constexpr int VisualFrames = 8192;
constexpr auto TimerInterval = std::chrono::milliseconds(50);
constexpr auto ServiceInterval = std::chrono::milliseconds(5);

std::mutex dispatcherMutex;
TAudioPlayer2::TDispatcher dispatcher;

void Dispatch(std::function<void()> event) {
    TAudioPlayer2::TDispatcher current;
    {
        std::lock_guard lock(dispatcherMutex);
        current = dispatcher;
    }
    if (current)
        current(std::move(event));
    else
        event();
}

void RaiseToAtLeast(std::atomic<int>& value, int candidate) {
    int current = value.load(std::memory_order_relaxed);
    while (candidate > current && !value.compare_exchange_weak(current, candidate, std::memory_order_relaxed)) {
    }
}

// Keeps SDL's audio subsystem initialised while any player needs it.
class TSdlAudio {
public:
    TSdlAudio() : ok_(SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {}
    ~TSdlAudio() {
        if (ok_)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    TSdlAudio(const TSdlAudio&) = delete;
    TSdlAudio& operator=(const TSdlAudio&) = delete;
    bool Ok() const { return ok_; }

private:
    bool ok_;
};

} // namespace

void TAudioPlayer2::SetDispatcher(TDispatcher newDispatcher) {
    std::lock_guard lock(dispatcherMutex);
    dispatcher = std::move(newDispatcher);
}

struct TAudioPlayer2::TImpl : std::enable_shared_from_this<TImpl> {
    enum class TEvent { Request, EndArray, Timer, EndPlay };

    explicit TImpl(TAudioPlayer2& player) : owner(player) {}

    TAudioPlayer2& owner;

    // Window thread.
    int rate = 44100, channels = 2;
    std::array<float, Engine::EqualizerBandCount> gainsDb{};
    std::unique_ptr<TSdlAudio> sdl;
    SDL_AudioDeviceID device = 0;
    int deviceRate = 0, deviceChannels = 0;
    int playError = 0;
    std::string playErrorText;

    // Shared with the audio callback, lock-free.
    std::unique_ptr<Engine::TSpscRing> ring;
    std::atomic<int64_t> framesPlayed{0};
    std::atomic<int> peakLeft{0}, peakRight{0};
    std::atomic<bool> equalizerOn{true};
    std::atomic<int> volume{65535};
    std::atomic<bool> muted{false};
    Engine::TEqualizerCoefficients coefficients;
    std::vector<std::atomic<float>> visual = std::vector<std::atomic<float>>(VisualFrames);
    std::atomic<size_t> visualWritten{0};

    // Owned by the audio callback.
    std::array<Engine::TBiquad, Engine::EqualizerBandCount> bands{};
    Engine::TEqualizerState equalizerState;

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

    void Start() {
        service = std::thread([this] { Serve(); });
    }

    void Shut() {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        wake.notify_all();
        if (service.joinable())
            service.join();
        CloseDevice();
    }

    void CloseDevice() {
        if (device != 0)
            SDL_CloseAudioDevice(device);
        device = 0;
        deviceRate = deviceChannels = 0;
    }

    bool OpenDevice() {
        if (device != 0 && deviceRate == rate && deviceChannels == channels)
            return true;
        CloseDevice();
        if (!sdl)
            sdl = std::make_unique<TSdlAudio>();
        if (!sdl->Ok()) {
            playErrorText = SDL_GetError();
            return false;
        }
        ring = std::make_unique<Engine::TSpscRing>(static_cast<size_t>(rate) * channels * RingSeconds);
        equalizerState.Reset(channels);
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = static_cast<Uint8>(channels);
        want.samples = 1024;
        want.callback = &TImpl::AudioCallback;
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
    static void SDLCALL AudioCallback(void* userdata, Uint8* stream, int length) {
        static_cast<TImpl*>(userdata)->Render(reinterpret_cast<float*>(stream),
                                              length / static_cast<int>(sizeof(float)));
    }

    void Render(float* out, int samples) {
        const int ch = deviceChannels;
        const size_t got = ring->Pop(out, static_cast<size_t>(samples));
        std::fill(out + got, out + samples, 0.0f);
        const int frames = static_cast<int>(got) / ch;
        coefficients.Read(bands);
        if (equalizerOn.load(std::memory_order_relaxed))
            equalizerState.Process(bands, out, frames);
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
        RaiseToAtLeast(peakLeft, static_cast<int>(std::min(peaks[0], 1.0f) * 32767));
        RaiseToAtLeast(peakRight, static_cast<int>(std::min(peaks[1], 1.0f) * 32767));
        framesPlayed.fetch_add(frames, std::memory_order_release);
    }

    // Moves queued audio into the ring, whole frames only. Under mutex.
    void Transfer() {
        if (!ring || pendingStart == pending.size())
            return;
        const size_t whole = std::min(ring->FreeSpace(), pending.size() - pendingStart) / channels * channels;
        pendingStart += ring->Push(pending.data() + pendingStart, whole);
        if (pendingStart == pending.size()) {
            pending.clear();
            pendingStart = 0;
        }
    }

    // The service thread: feeds the ring and turns the audio thread's progress into events.
    void Serve() {
        std::unique_lock lock(mutex);
        while (!quit) {
            wake.wait_for(lock, ServiceInterval);
            if (quit || !playing)
                continue;
            Transfer();
            std::vector<TEvent> due(static_cast<size_t>(requestsDue), TEvent::Request);
            requestsDue = 0;
            const int64_t played = framesPlayed.load(std::memory_order_acquire);
            for (; !blockEnds.empty() && blockEnds.front() <= played; blockEnds.pop_front())
                due.push_back(TEvent::EndArray);
            int left = 0, right = 0;
            if (!endReported && endAt >= 0 && played >= endAt) {
                endReported = true;
                due.push_back(TEvent::EndPlay);
            } else if (!endReported && Clock::now() - lastTimer >= TimerInterval) {
                lastTimer = Clock::now();
                left = peakLeft.exchange(0);
                right = peakRight.exchange(0);
                due.push_back(TEvent::Timer);
            }
            const unsigned current = session.load();
            lock.unlock();
            for (const TEvent event : due)
                Send(event, current, static_cast<int>(std::min<int64_t>(played, INT32_MAX)), left, right);
            lock.lock();
        }
    }

    // Delivers an event through the dispatcher, unless the player stopped or went meanwhile.
    void Send(TEvent event, unsigned sentInSession, int played, int left, int right) {
        std::weak_ptr<TImpl> alive = weak_from_this();
        Dispatch([alive, event, sentInSession, played, left, right] {
            const auto self = alive.lock();
            if (!self || self->session.load() != sentInSession)
                return;
            TAudioPlayer2& player = self->owner;
            switch (event) {
            case TEvent::Request:
                if (player.OnRequestOnLoadArray)
                    player.OnRequestOnLoadArray(player);
                break;
            case TEvent::EndArray:
                if (player.OnEndArrayPlay)
                    player.OnEndArrayPlay(player);
                break;
            case TEvent::Timer:
                if (player.OnTimer)
                    player.OnTimer(player, played, left, right);
                break;
            case TEvent::EndPlay:
                if (player.OnEndPlay)
                    player.OnEndPlay(player);
                break;
            }
        });
    }

    void PublishEqualizer() {
        std::array<Engine::TBiquad, Engine::EqualizerBandCount> designed;
        for (size_t i = 0; i < designed.size(); ++i)
            designed[i] = Engine::DesignPeaking(Engine::EqualizerFrequencies[i], gainsDb[i], rate);
        coefficients.Publish(designed);
    }
};

TAudioPlayer2::TAudioPlayer2() : impl_(std::make_shared<TImpl>(*this)) {
    impl_->Start();
}

TAudioPlayer2::~TAudioPlayer2() {
    impl_->session.fetch_add(1);
    impl_->Shut();
}

void TAudioPlayer2::SetFormat(int rateHz, int channels) {
    if (rateHz <= 0 || channels < 1 || channels > 2)
        return;
    impl_->rate = rateHz;
    impl_->channels = channels;
    impl_->PublishEqualizer();
}

int TAudioPlayer2::MsToSamples(int ms) const {
    return static_cast<int>(int64_t{ms} * impl_->rate / 1000);
}

int TAudioPlayer2::SamplesToMs(int frames) const {
    return static_cast<int>(int64_t{frames} * 1000 / impl_->rate);
}

void TAudioPlayer2::Play() {
    Stop();
    TImpl& p = *impl_;
    p.playError = 0;
    if (!p.OpenDevice()) {
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

int TAudioPlayer2::GetPlayError() const {
    return impl_->playError;
}

std::string TAudioPlayer2::GetPlayErrorText() const {
    return impl_->playErrorText;
}

void TAudioPlayer2::Stop() {
    TImpl& p = *impl_;
    std::lock_guard lock(p.mutex);
    p.playing = false;
    p.session.fetch_add(1);
    p.pending.clear();
    p.pendingStart = 0;
    p.blockEnds.clear();
    p.endAt = -1;
    if (p.device != 0) {
        SDL_PauseAudioDevice(p.device, 1);
        // With the callback held off, the ring can be emptied from this side.
        SDL_LockAudioDevice(p.device);
        p.ring->Clear();
        SDL_UnlockAudioDevice(p.device);
    }
}

int TAudioPlayer2::GetPlayedSamples() const {
    return static_cast<int>(std::min<int64_t>(impl_->framesPlayed.load(), INT32_MAX));
}

void TAudioPlayer2::QueueBlock(const TAudioBlock& block) {
    TImpl& p = *impl_;
    {
        std::lock_guard lock(p.mutex);
        if (!p.playing || p.endAt >= 0)
            return; // nothing plays, or the input has ended: later blocks are not played
        if (block.Empty()) {
            p.endAt = p.queuedFrames;
        } else {
            p.pending.insert(p.pending.end(), block.Samples.begin(), block.Samples.end());
            p.queuedFrames += static_cast<int64_t>(block.Samples.size()) / p.channels;
            p.blockEnds.push_back(p.queuedFrames);
            p.Transfer();
        }
    }
    p.wake.notify_all();
}

void TAudioPlayer2::SetEqualizerEnabled(bool enabled) {
    impl_->equalizerOn.store(enabled);
}

void TAudioPlayer2::SetEqualizerBands(const std::vector<float>& bandsDb) {
    for (size_t i = 0; i < impl_->gainsDb.size(); ++i)
        impl_->gainsDb[i] = i < bandsDb.size() ? std::clamp(bandsDb[i], -15.0f, 15.0f) : 0.0f;
    impl_->PublishEqualizer();
}

TAudioBlock TAudioPlayer2::GetVisualData(int count) const {
    const TImpl& p = *impl_;
    TAudioBlock block;
    block.Channels = 1;
    const size_t written = p.visualWritten.load(std::memory_order_acquire);
    const size_t n = std::min({static_cast<size_t>(std::max(count, 0)), written, static_cast<size_t>(VisualFrames)});
    block.Samples.resize(n);
    for (size_t i = 0; i < n; ++i)
        block.Samples[i] = p.visual[(written - n + i) % VisualFrames].load(std::memory_order_relaxed);
    return block;
}

int TAudioPlayer2::GetVolume() const {
    return impl_->volume.load();
}

void TAudioPlayer2::SetVolume(int volume) {
    impl_->volume.store(std::clamp(volume, 0, 65535));
}

void TAudioPlayer2::SetMute(bool muted) {
    impl_->muted.store(muted);
}

bool TAudioPlayer2::GetEqualizerEnabled() const {
    return impl_->equalizerOn.load();
}

std::vector<float> TAudioPlayer2::GetEqualizerBands() const {
    return std::vector<float>(impl_->gainsDb.begin(), impl_->gainsDb.end());
}

bool TAudioPlayer2::GetMute() const {
    return impl_->muted.load();
}
