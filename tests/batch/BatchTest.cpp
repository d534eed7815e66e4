#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "CutJob.h"
#include "GlobeVar.h"
#include "OutputFormat.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

// Runs the batch program in a home folder of the test's own.
class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_ / "out");
        WriteWav16(home_ / "song.wav", 44100, 2, TestSignal16(44100 * 6, 2, 44100));
        MakeTone(home_ / "tone.mp3", 3, 44100, 2, "-c:a libmp3lame -b:a 128k");
    }

    std::string Run(const std::string& arguments, int* status) {
        return RunCommand("HOME=" + ShellQuoted(home_.path()) + " XDG_CONFIG_HOME=" + ShellQuoted(home_ / ".config") +
                              " " ZELVO_BATCH_PATH " " + arguments + " 2>" + ShellQuoted(home_ / "stderr.txt"),
                          status);
    }
    std::string Errors() const { return ReadFileText(home_ / "stderr.txt"); }

    TempFolder home_;
    std::string out_ = home_ / "out";
};

} // namespace

TEST_F(Batch, InfoAsTextAndJson) {
    int status = -1;
    const std::string json =
        Run("info --json " + ShellQuoted(home_ / "song.wav") + " " + ShellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_EQ(status, 0);
    const std::regex object(
        R"(\{"file":"[^"]+","format":"[^"]+","durationMs":\d+,"frames":\d+,"sampleRate":\d+,"channels":\d\})");
    std::istringstream lines(json);
    std::string line;
    int objects = 0;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(std::regex_match(line, object)) << line;
        ++objects;
    }
    EXPECT_EQ(objects, 2);
    EXPECT_NE(json.find("\"durationMs\":6000,\"frames\":264600,\"sampleRate\":44100,\"channels\":2"),
              std::string::npos);
    const std::string text = Run("info " + ShellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_NE(text.find("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"), std::string::npos);
}

TEST_F(Batch, ExitStatusesAndMessages) {
    int status = -1;
    WriteFileText(home_ / "junk.mp3", "not audio at all");
    Run("info " + ShellQuoted(home_ / "junk.mp3"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(Errors().find("junk.mp3"), std::string::npos);
    Run("convert --to flac " + ShellQuoted(home_ / "song.wav"), &status);
    EXPECT_EQ(status, 2);
    Run("cut " + ShellQuoted(home_ / "song.wav") + " --at soon", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(Errors().find("Not a time"), std::string::npos);
    Run("frobnicate", &status);
    EXPECT_EQ(status, 2);
    Run("convert --to mp3 " + ShellQuoted(home_ / "song.wav") + " --out " + ShellQuoted(home_ / "missing"), &status);
    EXPECT_EQ(status, 2);
}

TEST_F(Batch, ConvertNamesLikeTheConverter) {
    int status = -1;
    const std::string args = "convert --to wav " + ShellQuoted(home_ / "tone.mp3") + " --out " + ShellQuoted(out_);
    EXPECT_EQ(Run(args, &status), out_ + "/tone.wav\n");
    EXPECT_EQ(Run(args, &status), out_ + "/tone New.wav\n");
    EXPECT_EQ(Run(args + " --overwrite", &status), out_ + "/tone.wav\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Run("--mp3-bitrate 64 --channels 1 convert --to mp3 " + ShellQuoted(home_ / "song.wav") + " --out " +
                      ShellQuoted(out_),
                  &status),
              out_ + "/song.mp3\n");
    const TProbedStream probed = Probe(out_ + "/song.mp3");
    EXPECT_EQ(probed.Channels, 1);
    EXPECT_NEAR(static_cast<double>(probed.BitRate), 64000, 2000);
}

TEST_F(Batch, CutGivesTheCuttersFilesByteForByte) {
    int status = -1;
    const std::string printed =
        Run("cut " + ShellQuoted(home_ / "song.wav") + " --at 0:01.500 --at 4000 --skip 1 --out " + ShellQuoted(out_),
            &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed, out_ + "/song-Splitted0.wav\n" + out_ + "/song-Splitted1.wav\n");
    // The same job through the windows' cutting code, with the settings' WAV format.
    GlobeVar::WavFreqHz = 44100;
    GlobeVar::WavChannelCount = 2;
    GlobeVar::WavBitsPerSample = 16;
    TCutJob job;
    job.Sections = {{0, 1500}, {4000, 2000}};
    job.Kind = "WAV";
    job.BaseName = "song";
    job.OutputFolder = home_ / "windows/";
    fs::create_directories(job.OutputFolder);
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    TAudioTransform2 transform;
    in.OpenForRead(home_ / "song.wav");
    PrepareOutputFormat(out, lame, "WAV");
    job.CreateOutput = [&](const std::string& path) { out.CreateForWrite(path); };
    RunCut(in, out, transform, job, {});
    for (const char* name : {"song-Splitted0.wav", "song-Splitted1.wav"})
        EXPECT_EQ(ReadFileText(out_ + "/" + name), ReadFileText(job.OutputFolder + name)) << name;
}

TEST_F(Batch, JoinNamesLikeTheJoiner) {
    int status = -1;
    const std::string printed = Run("join " + ShellQuoted(home_ / "song.wav") + " " + ShellQuoted(home_ / "tone.mp3") +
                                        " --to mp3 --out " + ShellQuoted(out_),
                                    &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_match(printed, std::regex(out_ + R"(/Merged \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.mp3\n)")))
        << printed;
    EXPECT_NEAR(Probe(printed.substr(0, printed.size() - 1)).Duration, 9.0, 0.06);
    Run("join " + ShellQuoted(home_ / "song.wav") + " --to mp3", &status);
    EXPECT_EQ(status, 1);
}
