#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "AudioPlayer.h"
#include "TempFolder.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Stands in for the window thread: events queue here and run on the test's thread.
class EventLoop {
public:
    EventLoop() {
        AudioPlayer::setDispatcher([this](std::function<void()> event) {
            std::lock_guard lock(mutex_);
            events_.push_back(std::move(event));
            ready_.notify_all();
        });
    }
    ~EventLoop() { AudioPlayer::setDispatcher({}); }

    // Runs events until done() holds or the time is up; false on time-out.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (!ready_.wait_until(lock, end, [this] { return !events_.empty(); }))
                return done();
            auto event = std::move(events_.front());
            events_.pop_front();
            lock.unlock();
            event();
        }
        return true;
    }
    void runFor(std::chrono::milliseconds time) {
        runUntil([] { return false; }, time);
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> events_;
};

// Routes the player's output into a file through SDL's disk driver.
class DiskOutput : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", capture_.c_str(), 1);
    }
    void TearDown() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }

    // What the device received, without the silence before the first sound.
    std::vector<float> captured() const {
        const std::string bytes = readFileText(capture_);
        std::vector<float> samples(bytes.size() / sizeof(float));
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
        const auto first = std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; });
        const size_t offset = static_cast<size_t>(first - samples.begin()) / 2 * 2;
        return std::vector<float>(samples.begin() + static_cast<std::ptrdiff_t>(offset), samples.end());
    }

    TempFolder folder_;
    std::string capture_ = folder_ / "output.raw";
    EventLoop loop_;
};

std::vector<float> sine(int frames, int rate, double frequency, double amplitude = 0.5) {
    std::vector<float> samples(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        samples[2 * static_cast<size_t>(i)] = samples[2 * static_cast<size_t>(i) + 1] =
            static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * i / rate));
    return samples;
}

double rms(const float* samples, size_t count) {
    double sum = 0;
    for (size_t i = 0; i < count; ++i)
        sum += samples[i] * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

// Plays the signal through the player as the windows do: a block per request or
// finished block, the empty block at the end; returns when onEndPlay came.
struct Pump {
    AudioPlayer& player;
    const std::vector<float>& signal;
    int blockFrames;
    size_t next = 0;
    int endPlays = 0;

    void attach() {
        auto feed = [this](AudioPlayer& sender) {
            AudioBlock block{{}, 2};
            const size_t end = std::min(signal.size(), next + static_cast<size_t>(blockFrames) * 2);
            block.samples.assign(signal.begin() + static_cast<std::ptrdiff_t>(next),
                                 signal.begin() + static_cast<std::ptrdiff_t>(end));
            next = end;
            sender.queueBlock(block);
        };
        player.onRequestOnLoadArray = feed;
        player.onEndArrayPlay = feed;
        player.onEndPlay = [this](AudioPlayer&) { ++endPlays; };
    }
};

} // namespace

TEST(AudioPlayer, MillisecondsAndFramesTruncateTowardZero) {
    AudioPlayer player;
    struct Case {
        int rate, ms, frames, backMs;
    };
    const Case cases[] = {{8000, 166, 1328, 166},
                          {22050, 166, 3660, 165},
                          {44100, 166, 7320, 165},
                          {48000, 166, 7968, 166},
                          {44100, 400, 17640, 400},
                          {22050, 1, 22, 0},
                          {44100, 3600000, 158760000, 3600000},
                          {48000, -1, -48, -1}};
    for (const auto& c : cases) {
        player.setFormat(c.rate, 2);
        EXPECT_EQ(player.msToSamples(c.ms), c.frames) << c.rate << " " << c.ms;
        EXPECT_EQ(player.samplesToMs(c.frames), c.backMs) << c.rate << " " << c.frames;
    }
}

TEST_F(DiskOutput, QueuedSinePlaysWithVolumeMuteAndEqualiser) {
    const int rate = 44100;
    struct Case {
        const char* name;
        double frequency;
        int volume;
        bool mute, equalizer;
        float band1k;
        double expectedGainDb; // of the captured level against the input's; nan: exact copy
    };
    const Case cases[] = {
        {"plain", 440, 65535, false, false, 0, NAN},
        {"flat equaliser", 440, 65535, false, true, 0, NAN},
        {"half volume", 440, 32768, false, false, 0, 20 * std::log10(32768.0 / 65535)},
        {"muted", 440, 65535, true, false, 0, -INFINITY},
        {"+12 dB at 1 kHz, 1 kHz tone", 1000, 65535, false, true, 12, 12},
        {"+12 dB at 1 kHz, 100 Hz tone", 100, 65535, false, true, 12, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Quiet enough that a 12 dB boost stays below the limiter's knee.
        const std::vector<float> signal = sine(rate, rate, c.frequency, 0.1);
        {
            AudioPlayer player;
            player.setFormat(rate, 2);
            player.setVolume(c.volume);
            player.setMute(c.mute);
            player.setEqualizerEnabled(c.equalizer);
            std::vector<float> bands(12, 0.0f);
            bands[5] = c.band1k;
            player.setEqualizerBands(bands);
            Pump pump{player, signal, 7320};
            pump.attach();
            player.play();
            ASSERT_EQ(player.playError(), 0) << player.playErrorText();
            ASSERT_TRUE(loop_.runUntil([&] { return pump.endPlays > 0; }, 5s));
            loop_.runFor(100ms);
            EXPECT_EQ(pump.endPlays, 1);
            EXPECT_EQ(player.playedFrames(), rate);
        }
        const std::vector<float> out = captured();
        if (c.mute) {
            EXPECT_TRUE(out.empty()) << "muted output is silent";
            continue;
        }
        ASSERT_GE(out.size(), signal.size());
        if (std::isnan(c.expectedGainDb)) {
            EXPECT_TRUE(std::equal(signal.begin() + 2, signal.end(), out.begin())) << "an exact copy";
            continue;
        }
        // Steady state: leave out the filters' settling at the start.
        const size_t from = 8820 * 2, count = signal.size() - from - 2;
        const double gainDb = 20 * std::log10(rms(out.data() + from - 2, count) / rms(signal.data() + from, count));
        EXPECT_NEAR(gainDb, c.expectedGainDb, c.expectedGainDb == 0 ? 1.0 : 1.5);
    }
}

TEST_F(DiskOutput, EqualiserChangesWhilePlayingWithoutClicks) {
    const int rate = 44100;
    const std::vector<float> signal = sine(rate * 2, rate, 440, 0.3);
    {
        AudioPlayer player;
        player.setFormat(rate, 2);
        player.setEqualizerEnabled(true);
        Pump pump{player, signal, 7320};
        pump.attach();
        int timers = 0;
        player.onTimer = [&](AudioPlayer& sender, int, int, int) {
            // Every 50 ms another setting: bands switched on, up, down and off again.
            std::vector<float> bands(12, 0.0f);
            const int step = ++timers % 4;
            bands[4] = step == 0 ? 0.0f : 4.0f * step;
            bands[6] = step == 2 ? -9.0f : 0.0f;
            sender.setEqualizerBands(bands);
        };
        player.play();
        ASSERT_TRUE(loop_.runUntil([&] { return pump.endPlays > 0; }, 5s));
        EXPECT_GT(timers, 20);
    }
    const std::vector<float> out = captured();
    // A 440 Hz sine at 0.3, raised by at most 12 dB, moves at most this much per sample.
    const float limit = static_cast<float>(2 * M_PI * 440 / rate * 0.3 * 4.0 * 1.2);
    float worst = 0;
    size_t at = 0;
    ASSERT_GE(out.size(), signal.size() - 2);
    for (size_t i = 2; i < signal.size() - 2; i += 2) // up to the end of the sound
        if (std::fabs(out[i] - out[i - 2]) > worst) {
            worst = std::fabs(out[i] - out[i - 2]);
            at = i;
        }
    EXPECT_LT(worst, limit) << "at frame " << at / 2 << ": " << out[at - 4] << " " << out[at - 2] << " " << out[at]
                            << " " << out[at + 2];
}

TEST_F(DiskOutput, EventSequenceOfAFileQueuedBlockByBlock) {
    makeTone(folder_ / "tone.wav", 1.5, 22050, 2, "-c:a pcm_s16le");
    AudioFile file;
    file.openForRead(folder_ / "tone.wav");
    AudioPlayer player;
    player.setFormat(file.streamSampleRate(), file.streamChannels());
    const int blockFrames = player.msToSamples(166);
    const auto windowThread = std::this_thread::get_id();
    int requests = 0, blockEnds = 0, endPlays = 0, emptyQueued = 0, wrongThread = 0;
    std::vector<int> timerCounts;
    auto feed = [&](AudioPlayer& sender) {
        wrongThread += std::this_thread::get_id() != windowThread;
        AudioBlock block = file.readBlock(blockFrames);
        emptyQueued += block.empty();
        sender.queueBlock(block);
    };
    player.onRequestOnLoadArray = [&](AudioPlayer& sender) {
        ++requests;
        feed(sender);
    };
    player.onEndArrayPlay = [&](AudioPlayer& sender) {
        ++blockEnds;
        feed(sender);
    };
    player.onTimer = [&](AudioPlayer&, int current, int left, int right) {
        wrongThread += std::this_thread::get_id() != windowThread;
        timerCounts.push_back(current);
        EXPECT_GE(left, 0);
        EXPECT_LE(right, 32767);
    };
    player.onEndPlay = [&](AudioPlayer&) {
        wrongThread += std::this_thread::get_id() != windowThread;
        EXPECT_GT(emptyQueued, 0) << "the end comes after the empty block";
        ++endPlays;
    };
    player.play();
    ASSERT_EQ(player.playError(), 0);
    ASSERT_TRUE(loop_.runUntil([&] { return endPlays > 0; }, 5s));
    loop_.runFor(300ms);

    EXPECT_EQ(endPlays, 1);
    EXPECT_EQ(wrongThread, 0);
    EXPECT_EQ(requests, 3);
    const int blocks = (file.totalFrames() + blockFrames - 1) / blockFrames;
    EXPECT_EQ(blockEnds, blocks);
    EXPECT_EQ(player.playedFrames(), file.totalFrames());
    EXPECT_GE(timerCounts.size(), 15u); // about every 50 ms for 1.5 s
    EXPECT_TRUE(std::is_sorted(timerCounts.begin(), timerCounts.end()));
    EXPECT_GT(timerCounts.back(), file.totalFrames() / 2);
}

// A strong boost of a loud tone comes out below full scale, not clipped.
TEST_F(DiskOutput, BoostedLoudToneNeverClips) {
    const int rate = 44100;
    const std::vector<float> signal = sine(rate, rate, 1000, 0.8);
    {
        AudioPlayer player;
        player.setFormat(rate, 2);
        player.setEqualizerEnabled(true);
        std::vector<float> bands(12, 12.0f);
        player.setEqualizerBands(bands);
        Pump pump{player, signal, 7320};
        pump.attach();
        player.play();
        ASSERT_TRUE(loop_.runUntil([&] { return pump.endPlays > 0; }, 5s));
    }
    const std::vector<float> out = captured();
    ASSERT_GE(out.size(), signal.size());
    float peak = 0;
    for (const float sample : out)
        peak = std::max(peak, std::fabs(sample));
    EXPECT_LE(peak, 1.0f);
    EXPECT_GT(peak, 0.95f); // and still loud
}

TEST_F(DiskOutput, StopInTheMiddleEndsTheEventsAndTellsWhatPlayed) {
    const int rate = 44100;
    const std::vector<float> signal = sine(rate * 4, rate, 440);
    int events = 0;
    int played = 0;
    {
        AudioPlayer player;
        player.setFormat(rate, 2);
        Pump pump{player, signal, 17640};
        pump.attach();
        player.onTimer = [&](AudioPlayer&, int, int, int) { ++events; };
        const auto started = Clock::now();
        player.play();
        // The first sound leaves the program soon after Play. The time is recorded, not
        // asserted: on a loaded machine it says more about the machine than the player.
        ASSERT_TRUE(loop_.runUntil([&] { return player.playedFrames() > 0; }, 5s));
        const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        RecordProperty("StartLatencyMs", static_cast<int>(latency.count()));
        std::printf("Play to first sound: %lld ms\n", static_cast<long long>(latency.count()));

        ASSERT_TRUE(loop_.runUntil([&] { return player.playedFrames() >= rate * 7 / 10; }, 20s));
        player.stop();
        played = player.playedFrames();
        const int before = events + pump.endPlays;
        loop_.runFor(300ms);
        EXPECT_EQ(events + pump.endPlays, before) << "no events after Stop";
        EXPECT_EQ(player.playedFrames(), played);
        EXPECT_LT(played, rate * 4) << "stopped in the middle";
    }
    // What reached the device is what the player counted, within one device buffer.
    const std::vector<float> out = captured();
    const auto last = std::find_if(out.rbegin(), out.rend(), [](float s) { return s != 0.0f; });
    const int captured = static_cast<int>(out.rend() - last) / 2;
    EXPECT_GE(captured, played - 1024);
    EXPECT_LE(captured, played + 2048);
}

TEST_F(DiskOutput, DestroyedPlayerDeliversNothing) {
    const std::vector<float> signal = sine(44100, 44100, 440);
    int events = 0;
    {
        AudioPlayer player;
        player.setFormat(44100, 2);
        player.onRequestOnLoadArray = [&](AudioPlayer&) { ++events; };
        player.onTimer = [&](AudioPlayer&, int, int, int) { ++events; };
        player.play();
        std::this_thread::sleep_for(100ms); // events pile up in the queue unrun
    }
    loop_.runFor(100ms);
    EXPECT_EQ(events, 0);
}

// The voluntary context switches of this process's threads so far.
long voluntarySwitches() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::istringstream status(readFileText(task.path() / "status"));
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                total += std::stol(line.substr(line.find(':') + 1));
    }
    return total;
}

// Players that do not play sleep: the program's three, one of them after playing,
// wake the process fewer than ten times in a second.
TEST_F(DiskOutput, IdlePlayersDoNotWakeTheProgram) {
    AudioPlayer first, second, third;
    first.setFormat(44100, 2);
    const std::vector<float> signal = sine(4410, 44100, 440);
    Pump pump{first, signal, 4410};
    pump.attach();
    first.play();
    ASSERT_TRUE(loop_.runUntil([&] { return pump.endPlays > 0; }, 5s));
    first.stop();
    const long before = voluntarySwitches();
    std::this_thread::sleep_for(1s);
    EXPECT_LT(voluntarySwitches() - before, 10 + 1); // the sleep itself is one
}

TEST(AudioPlayer, NoSoundOutputGivesAPlayErrorAndNoEvents) {
    EventLoop loop;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    int events = 0;
    {
        AudioPlayer player;
        player.setFormat(44100, 2);
        player.onRequestOnLoadArray = [&](AudioPlayer&) { ++events; };
        player.onTimer = [&](AudioPlayer&, int, int, int) { ++events; };
        player.play();
        EXPECT_NE(player.playError(), 0);
        EXPECT_FALSE(player.playErrorText().empty());
        player.queueBlock(AudioBlock{{0.1f, 0.1f}, 2});
        loop.runFor(200ms);
        player.stop();
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(events, 0);
}
