#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "CutPlan.h"
#include "TempFolder.h"

namespace {

// Tone bursts with silences of known places between them, over a noise floor at -50 dBFS
// (RMS): the bursts are 1.2 s .. 2 s, 3.5 s .. 6.5 s, 8.5 s .. 9.5 s, 9.8 s .. 10 s.
void makeBursts(const std::string& path, const std::string& codec) {
    runCommand("ffmpeg -v error -y -f lavfi -i \"aevalsrc='if(between(t,1.2,2)+between(t,3.5,6.5)+between(t,8.5,9.5)"
               "+between(t,9.8,10), 0.5*sin(2*PI*440*t), 0) + 0.00316*sqrt(3)*(2*random(0)-1)'"
               ":s=44100:d=10\" -ac 2 " +
               codec + " " + shellQuoted(path));
}

std::vector<Silence> silencesIn(const std::string& path, const SilenceOptions& options) {
    AudioFile input;
    input.openForRead(path);
    EXPECT_EQ(input.errorCode(), 0) << input.errorText();
    std::vector<Silence> found;
    std::vector<int> percents;
    JobControl control;
    control.progress = [&](int, int percent) { percents.push_back(percent); };
    EXPECT_EQ(findSilences(input, options, control, found), JobEnd::Finished);
    EXPECT_EQ(percents.back(), 100);
    return found;
}

std::vector<int64_t> startsOf(const CutPlan& plan) {
    std::vector<int64_t> starts;
    for (const PlannedSection& section : plan)
        starts.push_back(section.start);
    return starts;
}

} // namespace

TEST(CutPlan, SilencesAreFoundToTheMillisecondInEveryFormat) {
    TempFolder folder;
    for (const char* name : {"bursts.wav", "bursts.mp3", "bursts.ogg", "bursts.flac"}) {
        SCOPED_TRACE(name);
        const std::string extension = std::string(name).substr(7);
        makeBursts(folder / name, extension == "mp3" ? "-b:a 192k" : "");
        SilenceOptions options;
        const std::vector<Silence> found = silencesIn(folder / name, options);
        // The gap of 0.3 s between the last bursts is shorter than a silence.
        const std::vector<Silence> expected{{0, 1200}, {2000, 3500}, {6500, 8500}};
        ASSERT_EQ(found.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_NEAR(found[i].start, expected[i].start, 10) << i;
            EXPECT_NEAR(found[i].end, expected[i].end, 10) << i;
        }
        // A threshold under the noise floor finds nothing; a shorter minimum finds the gap.
        options.thresholdDb = -60;
        EXPECT_TRUE(silencesIn(folder / name, options).empty());
        options.thresholdDb = -40;
        options.minSilenceMs = 250;
        EXPECT_EQ(silencesIn(folder / name, options).size(), 4u);
    }
}

TEST(CutPlan, SilencesBecomeCutsOrUntickedSections) {
    const std::vector<Silence> silences{{0, 500}, {2000, 3500}, {6500, 8500}, {9600, 10000}};
    struct Case {
        bool trim;
        int64_t minSection;
        std::vector<int64_t> starts;
        std::vector<bool> use;
    };
    const Case cases[] = {
        // At the middles of the silences between sounds; none at the file's ends.
        {false, 0, {0, 2750, 7500}, {true, true, true}},
        // The last section (7.5 s .. 10 s) is too short: it joins the one before.
        {false, 2700, {0, 2750}, {true, true}},
        // The first section too: only cuts far enough from both neighbours stay.
        {false, 2800, {0}, {true}},
        // Every silence its own unticked section.
        {true, 0, {0, 500, 2000, 3500, 6500, 8500, 9600}, {false, true, false, true, false, true, false}},
        // A sound shorter than the minimum goes with the silences around it.
        {true, 1200, {0, 500, 2000, 3500, 6500}, {false, true, false, true, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.trim << " " << c.minSection);
        SilenceOptions options;
        options.trim = c.trim;
        options.minSectionMs = c.minSection;
        const CutPlan plan = planFromSilences(silences, 10000, options);
        EXPECT_EQ(startsOf(plan), c.starts);
        std::vector<bool> use;
        for (const PlannedSection& section : plan)
            use.push_back(section.use);
        EXPECT_EQ(use, c.use);
    }
}

TEST(CutPlan, EqualPartsAndLengthsAddUpToTheFile) {
    struct Case {
        int64_t duration;
        int parts;
        int64_t every;
        std::vector<int64_t> starts;
    };
    const Case cases[] = {
        {10000, 3, 0, {0, 3333, 6667}},    {10001, 2, 0, {0, 5001}},   {5, 10, 0, {0, 1, 2, 3, 4}},
        {10000, 0, 4000, {0, 4000, 8000}}, {8000, 0, 4000, {0, 4000}}, {3000, 0, 4000, {0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.duration << " " << c.parts << " " << c.every);
        const CutPlan plan = c.parts > 0 ? planParts(c.duration, c.parts) : planEvery(c.duration, c.every);
        EXPECT_EQ(startsOf(plan), c.starts);
    }
    // Moved to the nearest silence where one is near enough; never two cuts at one place.
    const std::vector<Silence> silences{{2000, 3000}, {6000, 7000}};
    EXPECT_EQ(startsOf(snappedToSilences(planParts(9000, 3), silences, 600)), (std::vector<int64_t>{0, 2500, 6500}));
    EXPECT_EQ(startsOf(snappedToSilences(planParts(9000, 3), silences, 400)), (std::vector<int64_t>{0, 3000, 6000}));
    EXPECT_EQ(startsOf(snappedToSilences(planEvery(9000, 1000), silences, 600)),
              (std::vector<int64_t>{0, 1000, 2500, 4000, 5000, 6500, 8000}));
}

// The window levels the waveform keeps tell, for every threshold on their half-decibel
// step, the silences of the energies themselves: from digital silence to full scale, in
// small steps and in leaps, appended in uneven batches.
TEST(CutPlan, WindowLevelsTellTheSilencesOfTheirEnergies) {
    std::vector<float> energies;
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int stretch = 0; stretch < 400; ++stretch) {
        const int kind = static_cast<int>(next() % 4);
        const double base = kind == 0 ? 0.0 : std::pow(10.0, -static_cast<double>(next() % 120) / 10.0);
        for (int ms = static_cast<int>(50 + next() % 1500); ms > 0; --ms)
            energies.push_back(static_cast<float>(base * (kind == 3 ? (next() % 100) / 50.0 : 1.0)));
    }
    WindowLevels levels;
    for (size_t at = 0; at < energies.size();) {
        const size_t batch = std::min<size_t>(energies.size() - at, 1 + next() % 5000);
        levels.append(
            {energies.begin() + static_cast<ptrdiff_t>(at), energies.begin() + static_cast<ptrdiff_t>(at + batch)});
        at += batch;
    }
    ASSERT_EQ(levels.milliseconds(), static_cast<int64_t>(energies.size()));
    for (const double threshold : {-120.0, -90.5, -60.0, -40.0, -39.5, -10.0, 0.0}) {
        SCOPED_TRACE(threshold);
        ASSERT_TRUE(WindowLevels::tells(threshold));
        SilenceOptions options;
        options.thresholdDb = threshold;
        options.minSilenceMs = 100;
        // The runs of windows below the threshold, found the long way.
        std::vector<Silence> expected;
        int64_t start = -1;
        const auto total = static_cast<int64_t>(energies.size());
        for (int64_t k = 0; k <= total; ++k) {
            const bool quiet =
                k < total && windowMean(&energies[static_cast<size_t>(k)], k) < std::pow(10.0, threshold / 10.0);
            if (quiet && start < 0)
                start = std::max<int64_t>(0, k - 9);
            if (!quiet && start >= 0) {
                if (k - start >= options.minSilenceMs)
                    expected.push_back({start, k});
                start = -1;
            }
        }
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(levels.silences(options), expected);
    }
    EXPECT_FALSE(WindowLevels::tells(-40.3));
    EXPECT_FALSE(WindowLevels::tells(-130));
}
