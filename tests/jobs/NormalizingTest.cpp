#include <algorithm>
#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "AppSettings.h"
#include "AudioFixtures.h"
#include "ConvertJob.h"
#include "CutJob.h"
#include "MergeJob.h"
#include "OutputFormat.h"
#include "TempFolder.h"

namespace {

float highestSample(const std::vector<float>& samples) {
    float highest = 0;
    for (const float sample : samples)
        highest = std::max(highest, std::abs(sample));
    return highest;
}

// The file decoded by ffmpeg from from seconds for length seconds, as WAV.
std::string partOf(const std::string& path, double from, double length, const std::string& name) {
    runCommand("ffmpeg -v error -y -i " + shellQuoted(path) + " -ss " + std::to_string(from) + " -t " +
               std::to_string(length) + " -c:a pcm_f32le " + shellQuoted(name));
    return name;
}

void useWavOutput(int channels) {
    AppSettings::wavFreqHz = 44100;
    AppSettings::wavChannelCount = channels;
    AppSettings::wavBitsPerSample = 16;
}

Normalizing normalizingTo(double target, bool album = false) {
    Normalizing normalizing;
    normalizing.on = true;
    normalizing.targetLufs = target;
    normalizing.album = album;
    return normalizing;
}

constexpr float ceilingAmplitude = 0.8913f; // -1 dBFS

} // namespace

// A join brings each input to the target (or, as an album, keeps their levels to each
// other and brings the whole there), and no sample passes the ceiling.
TEST(Normalizing, JoinBringsEachInputToTheTarget) {
    TempFolder folder;
    makeFromFilter(folder / "quiet.wav", "anoisesrc=d=6:c=pink:a=0.01", "-ac 2");        // about -45 LUFS
    makeFromFilter(folder / "loud.wav", "anoisesrc=d=6:c=pink:a=0.9,volume=2", "-ac 2"); // clipped, about -6 LUFS
    const double quiet = ffmpegLoudness(folder / "quiet.wav").integratedLufs;
    const double loud = ffmpegLoudness(folder / "loud.wav").integratedLufs;
    ASSERT_LT(quiet, -40);
    ASSERT_GT(loud, -10);
    useWavOutput(2);
    const struct {
        bool album;
        double target;
    } cases[] = {{false, -18}, {false, -23}, {true, -20}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.target) + (c.album ? " album" : ""));
        AudioFile in, out;
        Mp3EncoderSettings lame;
        ASSERT_TRUE(prepareOutputFormat(out, lame, "WAV"));
        const std::string joined = folder / "joined.wav";
        out.setReplacesExisting(true);
        out.createForWrite(joined);
        std::vector<std::pair<std::string, double>> told;
        Normalizing normalizing = normalizingTo(c.target, c.album);
        normalizing.applied = [&told](const std::string& what, double, double reached) {
            told.emplace_back(what, reached);
        };
        ASSERT_EQ(runMerge(in, out, {folder / "quiet.wav", folder / "loud.wav"}, {}, nullptr, normalizing),
                  JobEnd::Finished);
        const double first = ffmpegLoudness(partOf(joined, 0, 6, folder / "first.wav")).integratedLufs;
        const double second = ffmpegLoudness(partOf(joined, 6, 6, folder / "second.wav")).integratedLufs;
        ASSERT_EQ(told.size(), 2u);
        if (c.album) {
            EXPECT_NEAR(second - first, loud - quiet, 0.3);
            EXPECT_NEAR(ffmpegLoudness(joined).integratedLufs, c.target, 0.5);
        } else {
            EXPECT_NEAR(first, c.target, 0.5);
            EXPECT_NEAR(second, c.target, 0.5);
            EXPECT_NEAR(told[0].second, c.target, 0.05);
        }
        EXPECT_LE(highestSample(decodeWithFfmpeg(joined)), ceilingAmplitude);
    }
}

// What is measured is the audio as the output holds it: a stereo file of unlike channels
// written as mono, or noise written at a lower rate, reaches the target all the same.
// A file whose peaks allow less stops below the target, at the ceiling, and says so.
TEST(Normalizing, ConversionMeasuresWhatItWritesAndKeepsTheCeiling) {
    TempFolder folder;
    makeFromFilter(folder / "wide.wav", "aevalsrc='0.05*sin(2*PI*300*t)|0.04*(random(0)*2-1)':d=5:s=44100", "");
    makeFromFilter(folder / "bright.flac", "anoisesrc=d=5:a=0.05:r=96000", "-ar 96000 -ac 2");
    makeFromFilter(folder / "clicks.wav", "aevalsrc='0.01*sin(2*PI*200*t)+if(lt(mod(t,0.5),0.0005),0.9,0)':d=5",
                   "-ac 1");
    const struct {
        const char* input;
        int channels;
        double target;
        bool heldBack;
    } cases[] = {
        {"wide.wav", 1, -20, false},
        {"bright.flac", 2, -16, false},
        {"clicks.wav", 1, -10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        useWavOutput(c.channels);
        AudioFile in, out;
        Mp3EncoderSettings lame;
        ASSERT_TRUE(prepareOutputFormat(out, lame, "WAV"));
        in.openForStreaming(folder / c.input);
        ASSERT_EQ(in.errorCode(), 0) << in.errorText();
        const std::string written = folder / "out.wav";
        out.setReplacesExisting(true);
        out.createForWrite(written);
        double reached = 0;
        Normalizing normalizing = normalizingTo(c.target);
        normalizing.applied = [&reached](const std::string&, double, double loudness) { reached = loudness; };
        ASSERT_EQ(runConvert(in, out, {}, normalizing), JobEnd::Finished);
        const FfmpegLoudness measured = ffmpegLoudness(written);
        EXPECT_LE(highestSample(decodeWithFfmpeg(written)), ceilingAmplitude);
        if (c.heldBack) {
            EXPECT_LT(reached, c.target - 1);
            EXPECT_NEAR(measured.integratedLufs, reached, 0.5);
            EXPECT_NEAR(measured.truePeakDb, -1, 0.5);
        } else {
            EXPECT_NEAR(measured.integratedLufs, c.target, 0.5);
        }
    }
}

// A cut brings each section to the target; copied MP3 sections move by whole steps of
// 1.5 dB and stay copied (their frames keep their size).
TEST(Normalizing, CutSectionsEachReachTheTarget) {
    TempFolder folder;
    makeFromFilter(folder / "two.wav",
                   "anoisesrc=d=4:c=pink:a=0.02[a];anoisesrc=d=4:c=pink:a=0.5[b];[a][b]concat=n=2:v=0:a=1",
                   "-ac 2 -ar 44100");
    runCommand("ffmpeg -v error -y -i " + shellQuoted(folder / "two.wav") + " -c:a libmp3lame -b:a 192k " +
               shellQuoted(folder / "two.mp3"));
    AppSettings::mp3FreqHz = 44100;
    AppSettings::mp3ChannelCount = 2;
    useWavOutput(2);
    for (const bool copy : {false, true}) {
        SCOPED_TRACE(copy ? "copied MP3" : "WAV");
        const std::string source = folder / (copy ? "two.mp3" : "two.wav");
        const std::string outFolder = folder / (copy ? "copied" : "encoded");
        std::filesystem::create_directory(outFolder);
        const CutPlan plan = {{0, true, "", ""}, {4000, true, "", ""}};
        CutJob job = makeCutJob(source, plan, 8000, {outFolder + "/", false, true, copy, normalizingTo(-18)});
        int copied = 0;
        job.copied = [&copied](int, const std::string&, const std::string&) { ++copied; };
        job.reencoded = [](int section, const std::string& why) { ADD_FAILURE() << section << ": " << why; };
        AudioFile in, out;
        Mp3EncoderSettings lame;
        AudioTransform transform;
        ASSERT_TRUE(prepareOutputFormat(out, lame, job.kind));
        job.createOutput = [&out](const std::string& path) { out.createForWrite(path); };
        in.openForRead(source);
        ASSERT_EQ(runCut(in, out, transform, job, {}), JobEnd::Finished);
        EXPECT_EQ(copied, copy ? 2 : 0);
        for (int section = 0; section < 2; ++section) {
            const double loudness = ffmpegLoudness(cutOutputName(job, section)).integratedLufs;
            if (copy) {
                EXPECT_LE(loudness, -18 + 0.3);
                EXPECT_GE(loudness, -18 - 1.5 - 0.3);
            } else {
                EXPECT_NEAR(loudness, -18, 0.5);
            }
        }
    }
}

// A stop while the inputs are measured writes nothing.
TEST(Normalizing, StopWhileMeasuringLeavesNoFile) {
    TempFolder folder;
    makeFromFilter(folder / "a.wav", "anoisesrc=d=20:a=0.1", "-ac 2");
    useWavOutput(2);
    AudioFile in, out;
    Mp3EncoderSettings lame;
    ASSERT_TRUE(prepareOutputFormat(out, lame, "WAV"));
    out.createForWrite(folder / "joined.wav");
    int reports = 0;
    JobControl control;
    control.progress = [&reports](int, int percent) {
        ++reports;
        EXPECT_LE(percent, 50); // measuring is the first half
    };
    control.stopRequested = [&reports] { return reports >= 3; };
    EXPECT_EQ(runMerge(in, out, {folder / "a.wav", folder / "a.wav"}, control, nullptr, normalizingTo(-18)),
              JobEnd::Stopped);
    EXPECT_FALSE(std::filesystem::exists(folder / "joined.wav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1); // a.wav alone, no part file
}

// A join by copying MP3 frames matches its inputs' levels by steps of their frames' gain:
// each part lies within a step below the target, and the file is as large as the plain
// copy (the frames are the same but for their gains).
TEST(Normalizing, CopyJoinMatchesLevelsInSteps) {
    TempFolder folder;
    makeFromFilter(folder / "quiet.mp3", "anoisesrc=d=4:c=pink:a=0.03:r=44100", "-ac 2 -c:a libmp3lame -b:a 160k");
    makeFromFilter(folder / "loud.mp3", "anoisesrc=d=4:c=pink:a=0.5:r=44100", "-ac 2 -c:a libmp3lame -b:a 160k");
    const std::vector<std::string> paths = {folder / "quiet.mp3", folder / "loud.mp3"};
    const CopyMerge merge = planCopyMerge(paths, "MP3");
    ASSERT_EQ(merge.refusal, "");
    ASSERT_EQ(runCopyMerge(merge, folder / "plain.mp3", false, {}).end, JobEnd::Finished);
    const CopyMergeResult joined = runCopyMerge(merge, folder / "matched.mp3", false, {}, normalizingTo(-20));
    ASSERT_EQ(joined.end, JobEnd::Finished);
    EXPECT_EQ(std::filesystem::file_size(joined.fileName), std::filesystem::file_size(folder / "plain.mp3"));
    for (const auto& [from, name] : {std::pair{0.2, "first.wav"}, std::pair{4.2, "second.wav"}}) {
        SCOPED_TRACE(name);
        const double loudness = ffmpegLoudness(partOf(joined.fileName, from, 3.6, folder / name)).integratedLufs;
        EXPECT_LE(loudness, -20 + 0.3);
        EXPECT_GE(loudness, -20 - 1.5 - 0.3);
    }
}
