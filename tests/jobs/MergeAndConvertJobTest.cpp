#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "ConvertJob.h"
#include "AppSettings.h"
#include "MergeJob.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

void Create(TAudioFile2& out, TAudioFile2LameEnc& lame, const std::string& kind, const std::string& path) {
    ASSERT_TRUE(PrepareOutputFormat(out, lame, kind));
    out.CreateForWrite(path);
    ASSERT_EQ(out.GetErrorCode(), 0) << out.GetErrorText();
}

} // namespace

TEST(MergeJob, WavInputsOfOneFormatFollowEachOtherExactly) {
    TempFolder folder;
    const std::vector<int16_t> a = TestSignal16(30011, 2, 44100), b = TestSignal16(12345, 2, 44100);
    WriteWav16(folder / "a.wav", 44100, 2, a);
    WriteWav16(folder / "b.wav", 44100, 2, b);
    GlobeVar::WavFreqHz = 44100;
    GlobeVar::WavChannelCount = 2;
    GlobeVar::WavBitsPerSample = 16;
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    Create(out, lame, "WAV", folder / "merged.wav");
    std::vector<std::pair<int, int>> reports;
    TJobControl control;
    control.Progress = [&](int item, int percent) { reports.emplace_back(item, percent); };
    EXPECT_EQ(RunMerge(in, out, {folder / "a.wav", folder / "b.wav"}, control), TJobEnd::Finished);
    std::vector<int16_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    const std::string bytes = ReadFileText(folder / "merged.wav");
    EXPECT_EQ(bytes.substr(44), std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2));
    EXPECT_EQ(reports.back(), std::make_pair(1, 100));
    EXPECT_NE(std::find(reports.begin(), reports.end(), std::make_pair(0, 100)), reports.end());
}

TEST(MergeJob, InputsOfOtherRatesAndChannelsAndMp3Output) {
    TempFolder folder;
    MakeTone(folder / "a.wav", 2, 44100, 2, "-c:a pcm_s16le");
    MakeTone(folder / "b.ogg", 1.5, 22050, 1, "-c:a libvorbis");
    MakeTone(folder / "c.mp3", 1, 48000, 2, "-c:a libmp3lame");
    GlobeVar::Mp3VbrEnabled = false;
    GlobeVar::Mp3FreqHz = 44100;
    GlobeVar::Mp3ChannelCount = 2;
    GlobeVar::Mp3BitRateKbps = 128;
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    Create(out, lame, "MP3", folder / "merged.mp3");
    RunMerge(in, out, {folder / "a.wav", folder / "b.ogg", folder / "c.mp3"}, {});
    const TProbedStream probed = Probe(folder / "merged.mp3");
    EXPECT_EQ(probed.SampleRate, 44100);
    EXPECT_EQ(probed.Channels, 2);
    // The LAME tag, written at the end, gives the right length.
    EXPECT_NEAR(probed.Duration, 4.5, 0.06);
    TAudioFile2 merged;
    merged.OpenForRead(folder / "merged.mp3");
    EXPECT_NEAR(merged.GetTotalSamples(), 4.5 * 44100, 20);
}

TEST(MergeJob, MissingInputRaisesAndTellsWhich) {
    TempFolder folder;
    MakeTone(folder / "a.wav", 1, 8000, 1, "-c:a pcm_s16le");
    GlobeVar::WavFreqHz = 8000;
    TAudioFile2 in, out;
    TAudioFile2LameEnc lame;
    Create(out, lame, "WAV", folder / "merged.wav");
    int failed = -5;
    try {
        RunMerge(in, out, {folder / "a.wav", folder / "gone.wav"}, {}, &failed);
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("gone.wav"), std::string::npos);
    }
    EXPECT_EQ(failed, 1);
    out.Close();
    TAudioFile2 merged;
    merged.OpenForRead(folder / "merged.wav");
    EXPECT_EQ(merged.GetTotalSamples(), 8000); // what was written before stays
}

TEST(MergeJob, TheMergedFileHasTheFirstInputsTagsAndItsOwnName) {
    TempFolder folder;
    TAudioTags first = FullTags(true), second = FullTags(false);
    second.Artist = "Somebody Else";
    second.Album = "Other Album";
    MakeTone(folder / "a.ogg", 1, 44100, 2, "-c:a libvorbis");
    MakeTone(folder / "b.wma", 1, 44100, 2, "-c:a wmav2");
    MakeTone(folder / "bare.wav", 1, 44100, 2, "-c:a pcm_s16le");
    WriteAudioTags(folder / "a.ogg", first);
    WriteAudioTags(folder / "b.wma", second);
    GlobeVar::Mp3VbrEnabled = false;
    GlobeVar::Mp3FreqHz = 44100;
    GlobeVar::Mp3ChannelCount = 2;
    GlobeVar::Mp3BitRateKbps = 128;
    const struct {
        std::vector<std::string> Inputs;
        bool Tagged;
    } cases[] = {{{"a.ogg", "b.wma"}, true}, {{"bare.wav", "b.wma"}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Inputs.front());
        std::vector<std::string> paths;
        for (const std::string& name : c.Inputs)
            paths.push_back(folder / name);
        const std::string output = folder / ("Merged " + c.Inputs.front() + ".mp3");
        TAudioFile2 in, out;
        TAudioFile2LameEnc lame;
        Create(out, lame, "MP3", output);
        EXPECT_EQ(RunMerge(in, out, paths, {}), TJobEnd::Finished);
        TAudioTags expected;
        if (c.Tagged) {
            expected.Title = "Merged " + c.Inputs.front();
            expected.Artist = first.Artist;
            expected.Album = first.Album;
            expected.AlbumArtist = first.AlbumArtist;
            expected.Date = first.Date;
            expected.Genre = first.Genre;
            expected.Cover = first.Cover;
        }
        EXPECT_EQ(ReadAudioTags(output), expected);
        EXPECT_EQ(FieldsProbedWrong(output, expected), "");
        EXPECT_EQ(ProbeTags(output).count("comment"), 0u);
        EXPECT_EQ(AttachedPicture(output), expected.Cover.Data);
    }
}

TEST(ConvertJob, EveryFormatToEveryOtherWithItsTags) {
    TempFolder folder;
    const TAudioTags tags = FullTags(true);
    const char* sources[][2] = {
        {"WAV", "-c:a pcm_s16le"}, {"MP3", "-c:a libmp3lame"}, {"OGG", "-c:a libvorbis"}, {"WMA", "-c:a wmav2"}};
    GlobeVar::WavFreqHz = 22050;
    GlobeVar::WavChannelCount = 1;
    GlobeVar::WavBitsPerSample = 16;
    GlobeVar::Mp3VbrEnabled = false;
    GlobeVar::Mp3FreqHz = 32000;
    GlobeVar::Mp3ChannelCount = 1;
    GlobeVar::Mp3BitRateKbps = 64;
    GlobeVar::OggFreqHz = 48000;
    GlobeVar::OggChannelCount = 2;
    GlobeVar::OggQuality = 499;
    GlobeVar::WmaProfile = 12; // 32000 Hz, stereo, 48 kbps
    struct Expected {
        const char* codec;
        int rate, channels;
    };
    const std::map<std::string, Expected> targets{{"WAV", {"pcm_s16le", 22050, 1}},
                                                  {"MP3", {"mp3", 32000, 1}},
                                                  {"OGG", {"vorbis", 48000, 2}},
                                                  {"WMA", {"wmav2", 32000, 2}}};
    int conversions = 0;
    for (const auto& source : sources) {
        const std::string input = folder / (std::string("in.") + ExtensionOfKind(source[0]));
        MakeTone(input, 2, 44100, 2, source[1]);
        WriteAudioTags(input, tags);
        for (const auto& [kind, expected] : targets) {
            if (kind == source[0])
                continue;
            SCOPED_TRACE(std::string(source[0]) + " to " + kind);
            TAudioFile2 in, out;
            TAudioFile2LameEnc lame;
            in.OpenForRead(input);
            const std::string output = folder / (std::string(source[0]) + "." + ExtensionOfKind(kind));
            Create(out, lame, kind, output);
            int last = -1;
            TJobControl control;
            control.Progress = [&](int, int percent) { last = percent; };
            EXPECT_EQ(RunConvert(in, out, control), TJobEnd::Finished);
            EXPECT_EQ(last, 100);
            const TProbedStream probed = Probe(output);
            EXPECT_EQ(probed.Codec, expected.codec);
            EXPECT_EQ(probed.SampleRate, expected.rate);
            EXPECT_EQ(probed.Channels, expected.channels);
            EXPECT_NEAR(probed.Duration, 2.0, 0.12);
            std::string errors;
            DecodeWithFfmpeg(output, &errors);
            EXPECT_EQ(errors, "");
            EXPECT_EQ(ReadAudioTags(output), tags);
            EXPECT_EQ(FieldsProbedWrong(output, tags), "");
            // FFmpeg sees a WMA file's pictures of up to 64 KB only.
            EXPECT_EQ(AttachedPicture(output), kind == "WMA" ? "" : tags.Cover.Data);
            ++conversions;
        }
    }
    EXPECT_EQ(conversions, 12);
}
