#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "CutJob.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

struct TRun {
    std::vector<std::pair<int, int>> reports;
    std::vector<std::string> created;
    TJobEnd end = TJobEnd::Finished;
};

TRun Cut(const std::string& source, const std::string& kind, TCutJob job, int stopAfterReports = -1) {
    TRun run;
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    TAudioTransform2 transform;
    in.OpenForRead(source);
    EXPECT_EQ(in.GetErrorCode(), 0) << in.GetErrorText();
    PrepareOutputFormat(out, lame, kind);
    job.Kind = kind;
    job.CreateOutput = [&](const std::string& path) {
        run.created.push_back(path);
        out.CreateForWrite(path);
        if (out.GetErrorCode() != 0)
            throw EngineError(EngineStatus::CreateFailed, out.GetErrorText());
    };
    TJobControl control;
    control.Progress = [&](int item, int percent) { run.reports.emplace_back(item, percent); };
    control.StopRequested = [&] {
        return stopAfterReports >= 0 && static_cast<int>(run.reports.size()) >= stopAfterReports;
    };
    run.end = RunCut(in, out, transform, job, control);
    out.Close();
    return run;
}

std::vector<int16_t> Frames16(const std::string& wav) {
    const std::string bytes = ReadFileText(wav);
    const size_t data = bytes.find("data") + 8;
    std::vector<int16_t> samples((bytes.size() - data) / 2);
    std::memcpy(samples.data(), bytes.data() + data, samples.size() * 2);
    return samples;
}

class CutJob : public ::testing::Test {
protected:
    void SetUp() override {
        GlobeVar::WavFreqHz = 44100;
        GlobeVar::WavChannelCount = 2;
        GlobeVar::WavBitsPerSample = 16;
    }
    TempFolder folder_;
};

} // namespace

TEST_F(CutJob, WavSectionsAreTheSourceFramesBitForBit) {
    const int rate = 44100;
    const std::vector<int16_t> source = TestSignal16(rate * 7, 2, rate);
    WriteWav16(folder_ / "song.wav", rate, 2, source);
    TCutJob job;
    job.Sections = {{0, 1234}, {1234, 2500}, {3734, 3266}}; // truncating each length would lose a frame
    job.OutputFolder = folder_.path();
    job.BaseName = "song";
    const TRun run = Cut(folder_ / "song.wav", "WAV", job);
    ASSERT_EQ(run.created.size(), 3u);
    EXPECT_EQ(run.created[1], folder_ / "song-Splitted1.wav");
    std::vector<int16_t> joined;
    for (size_t i = 0; i < 3; ++i) {
        const std::vector<int16_t> part = Frames16(run.created[i]);
        const int64_t end = job.Sections[i].Start + job.Sections[i].Length;
        const size_t start = static_cast<size_t>(job.Sections[i].Start * rate / 1000) * 2;
        const size_t count = static_cast<size_t>(end * rate / 1000) * 2 - start;
        ASSERT_EQ(part.size(), count) << i;
        EXPECT_TRUE(std::equal(part.begin(), part.end(), source.begin() + static_cast<std::ptrdiff_t>(start))) << i;
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, source);
    // Every section ends with a report of 100, and the percentages only rise.
    for (int section = 0; section < 3; ++section) {
        std::vector<int> percents;
        for (const auto& [item, percent] : run.reports)
            if (item == section)
                percents.push_back(percent);
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.back(), 100);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    }
}

TEST_F(CutJob, FadesRampAndAreLimitedToShortSections) {
    const int rate = 22050;
    std::vector<int16_t> loud(static_cast<size_t>(rate) * 3, 16000);
    WriteWav16(folder_ / "mono.wav", rate, 1, loud);
    GlobeVar::WavFreqHz = rate;
    GlobeVar::WavChannelCount = 1;
    TCutJob job;
    job.Sections = {{0, 2000}, {2000, 300}};
    job.FadeInMs = 500;
    job.FadeOutMs = 500;
    job.OutputFolder = folder_.path();
    job.BaseName = "mono";
    const TRun run = Cut(folder_ / "mono.wav", "WAV", job);
    const std::vector<int16_t> first = Frames16(run.created[0]);
    ASSERT_EQ(first.size(), 2u * rate);
    EXPECT_EQ(first.front(), 0);                       // silent at the very start
    EXPECT_NEAR(first[rate / 4], 8000, 40);            // half way up the fade-in
    EXPECT_EQ(first[rate], 16000);                     // full level in the middle
    EXPECT_NEAR(first[2 * rate - rate / 4], 8000, 40); // half way down the fade-out
    EXPECT_EQ(first.back(), 0);
    // A 300 ms section with two 500 ms fades: the file has the section's length.
    EXPECT_EQ(Frames16(run.created[1]).size(), static_cast<size_t>(300 * rate / 1000));
    for (const auto& [item, percent] : run.reports) {
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
    }
    // Mono: the fade-in reports within its share [0, 25] first.
    EXPECT_EQ(run.reports.front(), std::make_pair(0, 0));
    EXPECT_LE(run.reports[1].second, 25);
}

TEST_F(CutJob, StopLeavesTheCurrentSectionAsWrittenAndNoLaterOne) {
    const int rate = 44100;
    WriteWav16(folder_ / "long.wav", rate, 2, TestSignal16(rate * 30, 2, rate));
    TCutJob job;
    job.Sections = {{0, 5000}, {5000, 20000}, {25000, 5000}};
    job.OutputFolder = folder_.path();
    job.BaseName = "long";
    // Section 0 gives a handful of reports; stop a few blocks into section 1.
    const TRun run = Cut(folder_ / "long.wav", "WAV", job, 8);
    EXPECT_EQ(run.end, TJobEnd::Stopped);
    ASSERT_EQ(run.created.size(), 2u);
    EXPECT_EQ(run.reports.back().first, 1);
    EXPECT_LT(run.reports.back().second, 100);
    const auto partial = std::filesystem::file_size(run.created[1]);
    EXPECT_GT(partial, 44u);
    EXPECT_LT(partial, 44u + 20u * rate * 4);
}

TEST_F(CutJob, RepeatedCutsGetNewNames) {
    WriteWav16(folder_ / "s.wav", 8000, 1, TestSignal16(8000 * 2, 1, 8000));
    GlobeVar::WavFreqHz = 8000;
    TCutJob job;
    job.Sections = {{0, 500}, {1000, 500}};
    job.OutputFolder = folder_.path();
    job.BaseName = "s";
    Cut(folder_ / "s.wav", "WAV", job);
    const TRun second = Cut(folder_ / "s.wav", "WAV", job);
    const TRun third = Cut(folder_ / "s.wav", "WAV", job);
    EXPECT_EQ(second.created,
              (std::vector<std::string>{folder_ / "s-Splitted0 New.wav", folder_ / "s-Splitted1 New.wav"}));
    EXPECT_EQ(third.created[1], folder_ / "s-Splitted1 New New.wav");
    job.Overwrite = [] { return true; };
    EXPECT_EQ(Cut(folder_ / "s.wav", "WAV", job).created[0], folder_ / "s-Splitted0.wav");
}

TEST_F(CutJob, Mp3SectionsHaveTheirLengths) {
    MakeNoisyTone(folder_ / "song.mp3", 12, 44100, 2, "-c:a libmp3lame -b:a 128k");
    GlobeVar::Mp3VbrEnabled = false;
    GlobeVar::Mp3BitRateKbps = 128;
    TCutJob job;
    job.Sections = {{0, 3000}, {3000, 4500}, {7500, 4000}};
    job.FadeInMs = 200;
    job.OutputFolder = folder_.path();
    job.BaseName = "song";
    const TRun run = Cut(folder_ / "song.mp3", "MP3", job);
    for (size_t i = 0; i < 3; ++i) {
        const TProbedStream probed = Probe(run.created[i]);
        EXPECT_EQ(probed.Codec, "mp3");
        // ffprobe counts the encoder delay in: within a frame or so of the section.
        EXPECT_NEAR(probed.Duration, job.Sections[i].Length / 1000.0, 1152.0 * 2 / 44100) << i;
        std::string errors;
        DecodeWithFfmpeg(run.created[i], &errors);
        EXPECT_EQ(errors, "");
    }
}

TEST_F(CutJob, FailureNamesTheSectionAndKeepsEarlierFiles) {
    WriteWav16(folder_ / "s.wav", 8000, 1, TestSignal16(8000 * 3, 1, 8000));
    GlobeVar::WavFreqHz = 8000;
    TCutJob job;
    job.Sections = {{0, 1000}, {1000, 1000}};
    job.OutputFolder = folder_.path();
    job.BaseName = "s";
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    TAudioTransform2 transform;
    in.OpenForRead(folder_ / "s.wav");
    PrepareOutputFormat(out, lame, "WAV");
    job.Kind = "WAV";
    int created = 0;
    job.CreateOutput = [&](const std::string& path) {
        out.CreateForWrite(++created == 2 ? folder_ / "missing/x.wav" : path);
        if (out.GetErrorCode() != 0)
            throw EngineError(EngineStatus::CreateFailed, out.GetErrorText());
    };
    int failed = -5;
    EXPECT_THROW(RunCut(in, out, transform, job, {}, &failed), EngineError);
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "s-Splitted0.wav"));
}

TEST_F(CutJob, SectionsCarryTheSourceTagsTitledAndNumbered) {
    TAudioTags titled = FullTags(true);
    titled.Title = "Song";
    titled.Track = "9/12";
    TAudioTags untitled = FullTags(false);
    untitled.Title.clear();
    const struct {
        const char* Name;
        TAudioTags Tags;
        const char* Title; // of the sections, before " (n)"; nullptr: no tags at all
    } cases[] = {{"song", titled, "Song"}, {"lecture", untitled, "lecture"}, {"bare", {}, nullptr}};
    GlobeVar::OggFreqHz = 44100;
    GlobeVar::OggChannelCount = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string source = folder_ / (std::string(c.Name) + ".mp3");
        MakeTone(source, 3.2, 44100, 2, "-c:a libmp3lame");
        WriteAudioTags(source, c.Tags);
        TCutJob job;
        job.Sections = {{0, 1000}, {1000, 1000}, {2000, 1000}};
        job.OutputFolder = folder_.path();
        job.BaseName = c.Name;
        const TRun run = Cut(source, "OGG", job);
        ASSERT_EQ(run.created.size(), 3u);
        for (int n = 1; n <= 3; ++n) {
            const std::string& section = run.created[static_cast<size_t>(n - 1)];
            if (!c.Title) {
                EXPECT_TRUE(ReadAudioTags(section).Empty());
                EXPECT_EQ(ProbeTags(section).count("title"), 0u);
                continue;
            }
            TAudioTags expected = c.Tags;
            expected.Title = std::string(c.Title) + " (" + std::to_string(n) + ")";
            expected.Track = std::to_string(n);
            EXPECT_EQ(ReadAudioTags(section), expected);
            EXPECT_EQ(FieldsProbedWrong(section, expected), "");
            EXPECT_EQ(AttachedPicture(section), c.Tags.Cover.Data);
        }
    }
}
