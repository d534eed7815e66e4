#include <filesystem>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "CutJob.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
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

    // shell: commands run before, in the same shell (limits, say).
    std::string Run(const std::string& arguments, int* status, const std::string& shell = "") {
        return RunCommand(shell + "HOME=" + ShellQuoted(home_.path()) +
                              " XDG_CONFIG_HOME=" + ShellQuoted(home_ / ".config") + " " ZELVO_BATCH_PATH " " +
                              arguments + " 2>" + ShellQuoted(home_ / "stderr.txt"),
                          status);
    }
    std::string Errors() const { return ReadFileText(home_ / "stderr.txt"); }

    TempFolder home_;
    std::string out_ = home_ / "out";
};

} // namespace

TEST_F(Batch, InfoAsTextAndJson) {
    const TAudioTags tags = FullTags(true);
    WriteAudioTags(home_ / "tone.mp3", tags);
    int status = -1;
    const std::string json =
        Run("info --json " + ShellQuoted(home_ / "song.wav") + " " + ShellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_EQ(status, 0);
    const std::regex object(
        R"(\{"file":"[^"]+","format":"[^"]+","durationMs":\d+,"frames":\d+,"sampleRate":\d+,"channels":\d,"tags":\{.*\}\})");
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
    EXPECT_NE(json.find("\"channels\":2,\"tags\":{}}"), std::string::npos) << "the WAV file has no tags";
    const std::string cover =
        "\"cover\":{\"mimeType\":\"image/png\",\"bytes\":" + std::to_string(tags.Cover.Data.size());
    EXPECT_NE(json.find("\"tags\":{\"title\":\"" + tags.Title + "\",\"artist\":\"" + tags.Artist + "\",\"album\":\"" +
                        tags.Album + "\",\"album_artist\":\"" + tags.AlbumArtist + "\",\"date\":\"" + tags.Date +
                        "\",\"track\":\"" + tags.Track + "\",\"genre\":\"" + tags.Genre + "\",\"comment\":\"" +
                        tags.Comment + "\",\"composer\":\"" + tags.Composer + "\"," + cover + "}}}"),
              std::string::npos)
        << json;
    const std::string text = Run("info " + ShellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_NE(text.find("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"), std::string::npos);
    EXPECT_NE(text.find("\n  title: " + tags.Title + "\n  artist: " + tags.Artist + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n  cover: image/png, " + std::to_string(tags.Cover.Data.size()) + " bytes\n"),
              std::string::npos);
}

TEST_F(Batch, AConversionWhoseTagsCannotBeWrittenKeepsItsAudio) {
    WriteAudioTags(home_ / "song.wav", FullTags(true));
    int status = -1;
    // A file-size limit that the 6 s MP3 fits in and its 1 MB cover does not.
    const std::string printed =
        Run("convert --to mp3 --out " + ShellQuoted(out_) + " " + ShellQuoted(home_ / "song.wav"), &status,
            "trap '' XFSZ; ulimit -f 400; ");
    EXPECT_EQ(status, 1);
    const std::string target = out_ + "/song.mp3";
    EXPECT_NE(Errors().find("Cannot write the tags of \"" + target + "\" (its audio is kept): File too large"),
              std::string::npos)
        << Errors();
    EXPECT_NE(printed.find(target), std::string::npos);
    EXPECT_NEAR(Probe(target).Duration, 6.0, 0.06);
    std::string errors;
    DecodeWithFfmpeg(target, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(ReadAudioTags(target).Empty());
    EXPECT_FALSE(fs::exists(target + ".tagging"));
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
