#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "TempFolder.h"
#include "Waveform.h"

namespace {

Peak bruteForce(const std::vector<Peak>& base, int64_t first, int64_t end) {
    Peak peak{};
    bool any = false;
    for (int64_t frame = first; frame < end; frame += PeakLevels::BaseFrames) {
        const Peak& p = base[static_cast<size_t>(frame / PeakLevels::BaseFrames)];
        peak = any ? Peak{std::min(peak.low, p.low), std::max(peak.high, p.high)} : p;
        any = true;
    }
    return peak;
}

// A peak as the levels keep it: in steps of 1/127, widened outwards.
Peak kept(const Peak& peak) {
    auto step = [](double steps) { return static_cast<float>(std::clamp(steps, -127.0, 127.0)) / 127.0f; };
    return {step(std::floor(peak.low * 127.0)), step(std::ceil(peak.high * 127.0))};
}

} // namespace

// Peaks appended in uneven batches give, for any stretch on peak bounds, the envelope of
// the level-0 peaks it covers, whichever level they are read from; beyond the computed
// part the sketch stands in.
TEST(PeakLevels, EveryLevelGivesTheEnvelopeOfItsStretch) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> amplitude(-1, 1);
    const int64_t total = 1000003;
    std::vector<Peak> base((total + PeakLevels::BaseFrames - 1) / PeakLevels::BaseFrames);
    for (Peak& peak : base) {
        const float a = amplitude(random), b = amplitude(random);
        peak = {std::min(a, b), std::max(a, b)};
    }
    PeakLevels levels(total);
    levels.setSketch(std::vector<Peak>(100, Peak{-0.25f, 0.25f}));
    const size_t half = base.size() / 2;
    for (size_t at = 0; at < half;) {
        const size_t batch = std::min<size_t>(half - at, 1 + random() % 3000);
        levels.append({base.begin() + static_cast<ptrdiff_t>(at), base.begin() + static_cast<ptrdiff_t>(at + batch)});
        at += batch;
    }
    EXPECT_EQ(levels.computedFrames(), static_cast<int64_t>(half) * PeakLevels::BaseFrames);
    EXPECT_FALSE(levels.complete());
    std::uniform_int_distribution<int64_t> place(0, static_cast<int64_t>(half) - 1);
    for (int i = 0; i < 300; ++i) {
        int64_t a = place(random) * PeakLevels::BaseFrames, b = place(random) * PeakLevels::BaseFrames;
        if (a > b)
            std::swap(a, b);
        b += PeakLevels::BaseFrames;
        const Peak got = levels.peakOf(a, b), want = kept(bruteForce(base, a, b));
        ASSERT_EQ(got.low, want.low) << a << ".." << b;
        ASSERT_EQ(got.high, want.high) << a << ".." << b;
    }
    const Peak sketched = levels.peakOf(total - 1000, total);
    EXPECT_EQ(sketched.high, 0.25f);
    // A last column of 640 lies past the computed half: the sketch draws it.
    EXPECT_EQ(levels.peakOf(total - total / 640, total).high, 0.25f);
    levels.append({base.begin() + static_cast<ptrdiff_t>(half), base.end()});
    EXPECT_TRUE(levels.complete());
    EXPECT_EQ(levels.peakOf(0, total).high, kept(bruteForce(base, 0, total)).high);
}

// The envelope of the decoded frames [first, end) (interleaved stereo).
Peak decodedEnvelope(const std::vector<float>& decoded, int64_t first, int64_t end) {
    const auto from = decoded.begin() + first * 2, to = decoded.begin() + std::min<int64_t>(end * 2, decoded.size());
    const auto [low, high] = std::minmax_element(from, to);
    return {*low, *high};
}

// A real file whose level rises from silence, so that a peak or a sketch column in the
// wrong place shows: the sketch comes first, then the level-0 peaks of all its frames,
// each the envelope of its 64 decoded frames (the last one shorter).
TEST(PeakLevels, ComputedFromAFile) {
    TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> files = {{"rise.mp3", "-c:a libmp3lame -b:a 128k"},
                                                                    {"rise.flac", "-c:a flac"}};
    for (const auto& [name, codec] : files) {
        const std::string path = folder / name;
        makeFromFilter(path, "aevalsrc=0.3*t*sin(2*PI*440*t)|0.25*t*sin(2*PI*660*t):s=44100:d=3.001", codec);
        int64_t total = 0;
        std::vector<Peak> sketch, peaks;
        bool sketchFirst = false;
        computePeaks(
            path, 64, [&](int64_t frames, int) { total = frames; },
            [&](std::vector<Peak> s) {
                sketch = std::move(s);
                sketchFirst = peaks.empty();
            },
            [&](std::vector<Peak> p, std::vector<float>) { peaks.insert(peaks.end(), p.begin(), p.end()); },
            [] { return false; });
        const std::vector<float> decoded = decodeWithFfmpeg(path);
        ASSERT_EQ(total * 2, static_cast<int64_t>(decoded.size())) << codec;
        EXPECT_TRUE(sketchFirst) << codec;
        ASSERT_EQ(sketch.size(), 64u) << codec;
        for (int64_t i = 0; i < 64; ++i) {
            const Peak expected = decodedEnvelope(decoded, total * i / 64, total * i / 64 + 1152);
            EXPECT_EQ(sketch[i].low, expected.low) << codec << " column " << i;
            EXPECT_EQ(sketch[i].high, expected.high) << codec << " column " << i;
        }
        ASSERT_EQ(static_cast<int64_t>(peaks.size()), (total + PeakLevels::BaseFrames - 1) / PeakLevels::BaseFrames);
        int wrong = 0;
        for (size_t i = 0; i < peaks.size(); ++i) {
            const int64_t first = static_cast<int64_t>(i) * PeakLevels::BaseFrames;
            const Peak expected = decodedEnvelope(decoded, first, first + PeakLevels::BaseFrames);
            wrong += peaks[i].low != expected.low || peaks[i].high != expected.high;
        }
        EXPECT_EQ(wrong, 0) << codec;
    }
}
