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

void create(AudioFile& out, Mp3EncoderSettings& lame, const std::string& kind, const std::string& path) {
    ASSERT_TRUE(prepareOutputFormat(out, lame, kind));
    out.createForWrite(path);
    ASSERT_EQ(out.errorCode(), 0) << out.errorText();
}

} // namespace

TEST(MergeJob, WavInputsOfOneFormatFollowEachOtherExactly) {
    TempFolder folder;
    const std::vector<int16_t> a = testSignal16(30011, 2, 44100), b = testSignal16(12345, 2, 44100);
    writeWav16(folder / "a.wav", 44100, 2, a);
    writeWav16(folder / "b.wav", 44100, 2, b);
    AppSettings::wavFreqHz = 44100;
    AppSettings::wavChannelCount = 2;
    AppSettings::wavBitsPerSample = 16;
    AudioFile in, out;
    Mp3EncoderSettings lame;
    create(out, lame, "WAV", folder / "merged.wav");
    std::vector<std::pair<int, int>> reports;
    JobControl control;
    control.progress = [&](int item, int percent) { reports.emplace_back(item, percent); };
    EXPECT_EQ(runMerge(in, out, {folder / "a.wav", folder / "b.wav"}, control), JobEnd::Finished);
    std::vector<int16_t> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    const std::string bytes = readFileText(folder / "merged.wav");
    EXPECT_EQ(bytes.substr(44), std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2));
    EXPECT_EQ(reports.back(), std::make_pair(1, 100));
    EXPECT_NE(std::find(reports.begin(), reports.end(), std::make_pair(0, 100)), reports.end());
}

TEST(MergeJob, InputsOfOtherRatesAndChannelsAndMp3Output) {
    TempFolder folder;
    makeTone(folder / "a.wav", 2, 44100, 2, "-c:a pcm_s16le");
    makeTone(folder / "b.ogg", 1.5, 22050, 1, "-c:a libvorbis");
    makeTone(folder / "c.mp3", 1, 48000, 2, "-c:a libmp3lame");
    AppSettings::mp3VbrEnabled = false;
    AppSettings::mp3FreqHz = 44100;
    AppSettings::mp3ChannelCount = 2;
    AppSettings::mp3BitRateKbps = 128;
    AudioFile in, out;
    Mp3EncoderSettings lame;
    create(out, lame, "MP3", folder / "merged.mp3");
    runMerge(in, out, {folder / "a.wav", folder / "b.ogg", folder / "c.mp3"}, {});
    const ProbedStream probed = probe(folder / "merged.mp3");
    EXPECT_EQ(probed.sampleRate, 44100);
    EXPECT_EQ(probed.channels, 2);
    // The LAME tag, written at the end, gives the right length.
    EXPECT_NEAR(probed.duration, 4.5, 0.06);
    AudioFile merged;
    merged.openForRead(folder / "merged.mp3");
    EXPECT_NEAR(merged.totalFrames(), 4.5 * 44100, 20);
}

TEST(MergeJob, MissingInputRaisesAndTellsWhich) {
    TempFolder folder;
    makeTone(folder / "a.wav", 1, 8000, 1, "-c:a pcm_s16le");
    AppSettings::wavFreqHz = 8000;
    AudioFile in, out;
    Mp3EncoderSettings lame;
    create(out, lame, "WAV", folder / "merged.wav");
    int failed = -5;
    try {
        runMerge(in, out, {folder / "a.wav", folder / "gone.wav"}, {}, &failed);
        FAIL();
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("gone.wav"), std::string::npos);
    }
    EXPECT_EQ(failed, 1);
    out.close();
    // A failed merge leaves neither a file under the merged name nor its unfinished part.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"a.wav"});
}

TEST(MergeJob, TheMergedFileHasTheFirstInputsTagsAndItsOwnName) {
    TempFolder folder;
    AudioTags first = fullTags(true), second = fullTags(false);
    second.artist = "Somebody Else";
    second.album = "Other Album";
    makeTone(folder / "a.ogg", 1, 44100, 2, "-c:a libvorbis");
    makeTone(folder / "b.wma", 1, 44100, 2, "-c:a wmav2");
    makeTone(folder / "bare.wav", 1, 44100, 2, "-c:a pcm_s16le");
    writeAudioTags(folder / "a.ogg", first);
    writeAudioTags(folder / "b.wma", second);
    AppSettings::mp3VbrEnabled = false;
    AppSettings::mp3FreqHz = 44100;
    AppSettings::mp3ChannelCount = 2;
    AppSettings::mp3BitRateKbps = 128;
    const struct {
        std::vector<std::string> inputs;
        bool tagged;
    } cases[] = {{{"a.ogg", "b.wma"}, true}, {{"bare.wav", "b.wma"}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.inputs.front());
        std::vector<std::string> paths;
        for (const std::string& name : c.inputs)
            paths.push_back(folder / name);
        const std::string output = folder / ("Merged " + c.inputs.front() + ".mp3");
        AudioFile in, out;
        Mp3EncoderSettings lame;
        create(out, lame, "MP3", output);
        EXPECT_EQ(runMerge(in, out, paths, {}), JobEnd::Finished);
        AudioTags expected;
        if (c.tagged) {
            expected.title = "Merged " + c.inputs.front();
            expected.artist = first.artist;
            expected.album = first.album;
            expected.albumArtist = first.albumArtist;
            expected.date = first.date;
            expected.genre = first.genre;
            expected.cover = first.cover;
        }
        EXPECT_EQ(readAudioTags(output), expected);
        EXPECT_EQ(fieldsProbedWrong(output, expected), "");
        EXPECT_EQ(probeTags(output).count("comment"), 0u);
        EXPECT_EQ(attachedPicture(output), expected.cover.data);
    }
}

TEST(ConvertJob, EveryFormatToEveryOtherWithItsTags) {
    TempFolder folder;
    const AudioTags tags = fullTags(true);
    const char* sources[][2] = {
        {"WAV", "-c:a pcm_s16le"}, {"MP3", "-c:a libmp3lame"}, {"OGG", "-c:a libvorbis"}, {"WMA", "-c:a wmav2"}};
    AppSettings::wavFreqHz = 22050;
    AppSettings::wavChannelCount = 1;
    AppSettings::wavBitsPerSample = 16;
    AppSettings::mp3VbrEnabled = false;
    AppSettings::mp3FreqHz = 32000;
    AppSettings::mp3ChannelCount = 1;
    AppSettings::mp3BitRateKbps = 64;
    AppSettings::oggFreqHz = 48000;
    AppSettings::oggChannelCount = 2;
    AppSettings::oggQuality = 499;
    AppSettings::wmaProfile = 12; // 32000 Hz, stereo, 48 kbps
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
        const std::string input = folder / (std::string("in.") + extensionOfKind(source[0]));
        makeTone(input, 2, 44100, 2, source[1]);
        writeAudioTags(input, tags);
        for (const auto& [kind, expected] : targets) {
            if (kind == source[0])
                continue;
            SCOPED_TRACE(std::string(source[0]) + " to " + kind);
            AudioFile in, out;
            Mp3EncoderSettings lame;
            in.openForRead(input);
            const std::string output = folder / (std::string(source[0]) + "." + extensionOfKind(kind));
            create(out, lame, kind, output);
            int last = -1;
            JobControl control;
            control.progress = [&](int, int percent) { last = percent; };
            EXPECT_EQ(runConvert(in, out, control), JobEnd::Finished);
            EXPECT_EQ(last, 100);
            const ProbedStream probed = probe(output);
            EXPECT_EQ(probed.codec, expected.codec);
            EXPECT_EQ(probed.sampleRate, expected.rate);
            EXPECT_EQ(probed.channels, expected.channels);
            EXPECT_NEAR(probed.duration, 2.0, 0.12);
            std::string errors;
            decodeWithFfmpeg(output, &errors);
            EXPECT_EQ(errors, "");
            EXPECT_EQ(readAudioTags(output), tags);
            EXPECT_EQ(fieldsProbedWrong(output, tags), "");
            // FFmpeg sees a WMA file's pictures of up to 64 KB only.
            EXPECT_EQ(attachedPicture(output), kind == "WMA" ? "" : tags.cover.data);
            ++conversions;
        }
    }
    EXPECT_EQ(conversions, 12);
}
