#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile2.h"
#include "AudioFixtures.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

struct TSource {
    const char* name; // file name, its extension gives the container
    int rate;
    int channels;
    const char* codec; // ffmpeg options
    bool exact;        // decodes to exactly the frames ffmpeg decodes
};

const TSource Sources[] = {
    {"pcm16.wav", 44100, 2, "-c:a pcm_s16le", true},
    {"pcm8.wav", 22050, 1, "-c:a pcm_u8", true},
    {"pcm24.wav", 48000, 2, "-c:a pcm_s24le", true},
    {"float.wav", 44100, 1, "-c:a pcm_f32le", true},
    {"adpcm.wav", 22050, 2, "-c:a adpcm_ms", true},
    {"cbr.mp3", 44100, 2, "-c:a libmp3lame -b:a 128k", true},
    {"noxing.mp3", 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0", true},
    {"vbr.mp3", 44100, 2, "-c:a libmp3lame -q:a 4", true},
    {"mpeg2.mp3", 22050, 1, "-c:a libmp3lame -b:a 32k", true},
    {"mpeg25.mp3", 8000, 1, "-c:a libmp3lame -b:a 16k", true},
    {"id3.mp3", 44100, 2, "-c:a libmp3lame -b:a 96k -id3v2_version 3 -metadata title=Song", true},
    {"vorbis.ogg", 44100, 2, "-c:a libvorbis -q:a 5", true},
    {"vorbis-mono.ogg", 32000, 1, "-c:a libvorbis -q:a 3", true},
    {"wma2.wma", 44100, 2, "-c:a wmav2 -b:a 128k", false},
    {"wma1.wma", 22050, 1, "-c:a wmav1 -b:a 32k", false},
};

class AudioFile2Sources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        for (const auto& source : Sources)
            MakeTone(*folder_ / source.name, 6.5, source.rate, source.channels, source.codec);
    }
    static void TearDownTestSuite() { delete folder_; }

    static std::string PathOf(const TSource& source) { return *folder_ / source.name; }

    static TempFolder* folder_;
};
TempFolder* AudioFile2Sources::folder_ = nullptr;

std::vector<float> ReadAll(TAudioFile2& file, int blockFrames = 4410) {
    std::vector<float> samples;
    for (TAudioBlock block = file.ReadBlock(blockFrames); !block.Empty(); block = file.ReadBlock(blockFrames))
        samples.insert(samples.end(), block.Samples.begin(), block.Samples.end());
    return samples;
}

float MaxDifference(const float* a, const float* b, size_t count) {
    float worst = 0;
    for (size_t i = 0; i < count; ++i)
        worst = std::max(worst, std::fabs(a[i] - b[i]));
    return worst;
}

} // namespace

TEST_F(AudioFile2Sources, TotalSamplesIsWhatReadBlockDelivers) {
    for (const auto& source : Sources) {
        SCOPED_TRACE(source.name);
        TAudioFile2 file;
        file.OpenForRead(PathOf(source));
        ASSERT_EQ(file.GetErrorCode(), 0) << file.GetErrorText();
        EXPECT_EQ(file.GetSampleRate(), source.rate);
        EXPECT_EQ(file.GetChannels(), source.channels);
        const int total = file.GetTotalSamples();
        const std::vector<float> samples = ReadAll(file, 1000);
        EXPECT_EQ(static_cast<int>(samples.size()) / source.channels, total);
        EXPECT_TRUE(file.ReadBlock(1000).Empty());

        const std::vector<float> reference = DecodeWithFfmpeg(PathOf(source));
        const int referenceFrames = static_cast<int>(reference.size()) / source.channels;
        if (source.exact)
            EXPECT_EQ(total, referenceFrames);
        else
            EXPECT_NEAR(total, referenceFrames, 2048);
        // And the same audio as ffmpeg decodes.
        const size_t common = std::min(samples.size(), reference.size());
        EXPECT_LT(MaxDifference(samples.data(), reference.data(), common), 1e-4f);
    }
}

TEST_F(AudioFile2Sources, SeekIsSampleAccurate) {
    for (const auto& source : Sources) {
        SCOPED_TRACE(source.name);
        TAudioFile2 file;
        file.OpenForRead(PathOf(source));
        ASSERT_EQ(file.GetErrorCode(), 0);
        const std::vector<float> whole = ReadAll(file);
        const int total = file.GetTotalSamples();
        const int channels = source.channels;
        for (int n : {0, 1, 1151, 1152, 1153, 2047, 2049, 20000, total / 2, total / 2 + 577, total - 3000, total - 1}) {
            SCOPED_TRACE(n);
            EXPECT_EQ(file.Seek(n), n);
            const TAudioBlock block = file.ReadBlock(2000);
            const int expected = std::min(2000, total - n);
            ASSERT_EQ(block.Frames(), expected);
            const float* want = whole.data() + static_cast<size_t>(n) * channels;
            EXPECT_LT(MaxDifference(block.Samples.data(), want, block.Samples.size()), 1e-3f);
        }
        // Past the end, and before the start.
        EXPECT_EQ(file.Seek(total + 100), total);
        EXPECT_TRUE(file.ReadBlock(10).Empty());
        EXPECT_EQ(file.Seek(-5), 0);
        EXPECT_EQ(file.ReadBlock(10).Frames(), 10);
    }
}

namespace {

struct TTarget {
    const char* name;
    std::function<void(TAudioFile2&)> prepare;
    const char* codec;
    int rate;
    int channels;
};

} // namespace

TEST(AudioFile2Writing, EveryFormatAtSeveralRatesAndChannelCounts) {
    TempFolder folder;
    const std::string source = folder / "source.wav";
    MakeTone(source, 2.5, 44100, 2, "-c:a pcm_s16le");
    TAudioFile2LameEnc cbr;
    TAudioFile2LameEnc vbr;
    vbr.SetConstantBitRate(false);
    vbr.SetWriteVbrHeader(true);
    vbr.SetVbrMaxBitRate(256);
    const std::vector<TTarget> targets{
        {"a.wav", [](TAudioFile2& f) { f.SetWavFormat(8000, 1, 8); }, "pcm_u8", 8000, 1},
        {"b.wav", [](TAudioFile2& f) { f.SetWavFormat(48000, 2, 16); }, "pcm_s16le", 48000, 2},
        {"c.wav", [](TAudioFile2& f) { f.SetWavFormat(22050, 2, 16); }, "pcm_s16le", 22050, 2},
        {"a.mp3", [&](TAudioFile2& f) { f.SetMp3Format(32000, 64, 1, cbr); }, "mp3", 32000, 1},
        {"b.mp3", [&](TAudioFile2& f) { f.SetMp3Format(48000, 192, 2, cbr); }, "mp3", 48000, 2},
        {"c.mp3", [&](TAudioFile2& f) { f.SetMp3Format(44100, 128, 2, vbr); }, "mp3", 44100, 2},
        {"a.ogg", [](TAudioFile2& f) { f.SetOggFormat(32000, 1, 128, 0, 0, 299); }, "vorbis", 32000, 1},
        {"b.ogg", [](TAudioFile2& f) { f.SetOggFormat(48000, 2, 128, 0, 0, 699); }, "vorbis", 48000, 2},
        {"a.wma", [](TAudioFile2& f) { f.SetWmaProfile(15); }, "wmav2", 44100, 2},
        {"b.wma", [](TAudioFile2& f) { f.SetWmaProfile(6); }, "wmav2", 16000, 1},
    };
    for (const auto& target : targets) {
        SCOPED_TRACE(target.name);
        TAudioFile2 in, out;
        in.OpenForRead(source);
        target.prepare(out);
        const std::string path = folder / target.name;
        out.CreateForWrite(path);
        ASSERT_EQ(out.GetErrorCode(), 0) << out.GetErrorText();
        out.SetInputFormat(in.GetSampleRate(), in.GetChannels());
        for (TAudioBlock block = in.ReadBlock(88200); !block.Empty(); block = in.ReadBlock(88200))
            out.WriteBlock(block);
        out.Close();

        const TProbedStream probed = Probe(path);
        EXPECT_EQ(probed.Codec, target.codec);
        EXPECT_EQ(probed.SampleRate, target.rate);
        EXPECT_EQ(probed.Channels, target.channels);
        EXPECT_NEAR(probed.Duration, 2.5, 0.06);
        std::string errors;
        const std::vector<float> decoded = DecodeWithFfmpeg(path, &errors);
        EXPECT_EQ(errors, "");

        TAudioFile2 written;
        written.OpenForRead(path);
        ASSERT_EQ(written.GetErrorCode(), 0) << written.GetErrorText();
        const int ffmpegFrames = static_cast<int>(decoded.size()) / target.channels;
        if (std::string(target.codec).rfind("pcm", 0) == 0) {
            EXPECT_EQ(written.GetTotalSamples(), ffmpegFrames);
            EXPECT_EQ(written.GetTotalSamples(), static_cast<int>(2.5 * target.rate));
        } else {
            EXPECT_NEAR(written.GetTotalSamples(), ffmpegFrames, 2048);
            EXPECT_NEAR(written.GetTotalSamples(), 2.5 * target.rate, 2400);
        }
    }
}
