#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <functional>
#include <set>
#include <unistd.h>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "WmaProfiles.h"
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

namespace {

// Writes blocks to a new file of the prepared format and closes it.
void WriteFile(TAudioFile2& out, const std::string& path, int rate, int channels, const std::vector<float>& samples,
               int blockFrames = 44100) {
    out.CreateForWrite(path);
    ASSERT_EQ(out.GetErrorCode(), 0) << out.GetErrorText();
    out.SetInputFormat(rate, channels);
    const size_t step = static_cast<size_t>(blockFrames) * channels;
    for (size_t at = 0; at < samples.size(); at += step) {
        TAudioBlock block;
        block.Channels = channels;
        block.Samples.assign(samples.begin() + static_cast<std::ptrdiff_t>(at),
                             samples.begin() + static_cast<std::ptrdiff_t>(std::min(samples.size(), at + step)));
        out.WriteBlock(block);
    }
    out.Close();
}

std::vector<float> Sine(int frames, int rate, int channels, double frequency, double amplitude = 0.5) {
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i)
        for (int ch = 0; ch < channels; ++ch)
            samples[static_cast<size_t>(i) * channels + ch] =
                static_cast<float>(amplitude * std::sin(2 * M_PI * frequency * (ch + 1) * i / rate));
    return samples;
}

uint32_t Read32(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

} // namespace

TEST(AudioFile2Writing, Wav16RoundTripIsBitExactWithRightSizes) {
    TempFolder folder;
    for (int channels : {1, 2}) {
        const int rate = 22050, frames = 30001;
        const std::vector<int16_t> source = TestSignal16(frames, channels, rate);
        WriteWav16(folder / "in.wav", rate, channels, source);
        TAudioFile2 in, out;
        in.OpenForRead(folder / "in.wav");
        out.SetWavFormat(rate, channels, 16);
        WriteFile(out, folder / "out.wav", rate, channels, ReadAll(in));

        const std::string bytes = ReadFileText(folder / "out.wav");
        ASSERT_EQ(bytes.size(), 44 + source.size() * 2);
        EXPECT_EQ(Read32(bytes, 4), bytes.size() - 8);
        EXPECT_EQ(Read32(bytes, 40), source.size() * 2);
        EXPECT_EQ(bytes.substr(44), std::string(reinterpret_cast<const char*>(source.data()), source.size() * 2));
    }
}

TEST(AudioFile2Writing, Wav8IsUnsignedAndPaddedToAnEvenSize) {
    TempFolder folder;
    TAudioFile2 out;
    out.SetWavFormat(8000, 1, 8);
    WriteFile(out, folder / "u8.wav", 8000, 1, {-1.0f, -0.5f, 0.0f, 0.5f, 0.99f});
    const std::string bytes = ReadFileText(folder / "u8.wav");
    ASSERT_EQ(bytes.size(), 44u + 6u);
    EXPECT_EQ(Read32(bytes, 40), 5u);
    EXPECT_EQ(Read32(bytes, 4), 36u + 6u);
    const std::string data = bytes.substr(44, 5);
    EXPECT_EQ(std::vector<unsigned char>(data.begin(), data.end()), (std::vector<unsigned char>{0, 64, 128, 192, 255}));
    EXPECT_EQ(Probe(folder / "u8.wav").Codec, "pcm_u8");
}

TEST(AudioFile2Writing, Mp3HeadersBitRatesAndDuration) {
    TempFolder folder;
    const int rate = 44100, frames = rate * 6;
    // Loud noise needs every bit the encoder may spend, a quiet tone few: the first half
    // shows whether VBR stays under its maximum, the second that its bit rate varies.
    std::vector<float> noise = Sine(frames, rate, 2, 440, 0.05);
    uint32_t state = 1;
    for (size_t i = 0; i < noise.size() / 2; ++i) {
        state = state * 1664525u + 1013904223u;
        noise[i] = static_cast<float>(static_cast<int32_t>(state) / 2147483648.0 * 0.7);
    }
    struct Case {
        const char* name;
        bool constant;
        bool header;
        int maxKbps;
    };
    for (const Case c : {Case{"cbr.mp3", true, false, 0}, Case{"vbr-header.mp3", false, true, 160},
                         Case{"vbr-bare.mp3", false, false, 128}}) {
        SCOPED_TRACE(c.name);
        TAudioFile2LameEnc lame;
        lame.SetConstantBitRate(c.constant);
        if (!c.constant) {
            lame.SetVbrMaxBitRate(c.maxKbps);
            lame.SetWriteVbrHeader(c.header);
            lame.SetVbrQuality(2);
        }
        lame.SetEncoderQuality(5);
        TAudioFile2 out;
        out.SetMp3Format(rate, 192, 2, lame);
        WriteFile(out, folder / c.name, rate, 2, noise);

        const TMp3Frames mp3 = ReadMp3Frames(folder / c.name);
        ASSERT_GT(mp3.BitRates.size(), 200u);
        // CBR files carry the LAME Info tag; VBR files the Xing header exactly when asked.
        EXPECT_EQ(mp3.HasVbrHeader, c.constant || c.header);
        const std::vector<int> audio(mp3.BitRates.begin() + (mp3.HasVbrHeader ? 1 : 0), mp3.BitRates.end());
        if (c.constant) {
            EXPECT_TRUE(std::all_of(audio.begin(), audio.end(), [](int kbps) { return kbps == 192; }));
        } else {
            EXPECT_LE(*std::max_element(audio.begin(), audio.end()), c.maxKbps);
            EXPECT_GT(std::set<int>(audio.begin(), audio.end()).size(), 1u);
        }
        if (mp3.HasVbrHeader) {
            // ffprobe counts the encoder delay in; the decoded length below is exact.
            EXPECT_NEAR(Probe(folder / c.name).Duration, 6.0, 0.06);
        }
        // The encoder delay and padding in the tag make the decoded length exact.
        TAudioFile2 in;
        in.OpenForRead(folder / c.name);
        if (mp3.HasVbrHeader) {
            EXPECT_EQ(in.GetTotalSamples(), frames);
        } else {
            EXPECT_NEAR(in.GetTotalSamples(), frames, 2 * 1152 + 1105);
        }
    }
}

TEST(AudioFile2Writing, HigherEncoderQualityNumberEncodesFaster) {
    TempFolder folder;
    const std::vector<float> signal = Sine(44100 * 20, 44100, 2, 440);
    auto seconds = [&](int quality) {
        TAudioFile2LameEnc lame;
        lame.SetEncoderQuality(static_cast<int16_t>(quality));
        TAudioFile2 out;
        out.SetMp3Format(44100, 128, 2, lame);
        const auto start = std::chrono::steady_clock::now();
        WriteFile(out, folder / ("q" + std::to_string(quality) + ".mp3"), 44100, 2, signal);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    EXPECT_LT(seconds(9), seconds(0));
}

TEST(AudioFile2Writing, OggQualityStepsGiveRisingBitRates) {
    TempFolder folder;
    std::vector<float> music = Sine(44100 * 5, 44100, 2, 330);
    uint32_t state = 7;
    for (auto& sample : music) {
        state = state * 1664525u + 1013904223u;
        sample += static_cast<float>(static_cast<int32_t>(state) / 2147483648.0 * 0.2);
    }
    std::vector<int64_t> sizes;
    for (int step : {0, 6, 9}) {
        TAudioFile2 out;
        out.SetOggFormat(44100, 2, 128, 0, 0, static_cast<int16_t>(step * 100 + 99));
        const std::string path = folder / ("q" + std::to_string(step) + ".ogg");
        WriteFile(out, path, 44100, 2, music);
        EXPECT_EQ(Probe(path).Codec, "vorbis");
        sizes.push_back(static_cast<int64_t>(fs::file_size(path)));
    }
    EXPECT_LT(sizes[0], sizes[1]);
    EXPECT_LT(sizes[1], sizes[2]);
}

TEST(AudioFile2Writing, AllSixtyWmaProfilesEncodeAndDecode) {
    TempFolder folder;
    const std::vector<float> signal = Sine(22050, 44100, 2, 440);
    for (int profile = 1; profile <= 60; ++profile) {
        SCOPED_TRACE(profile);
        const TWMAFile2::TProfile format = TWMAFile2::Profile(profile);
        TAudioFile2 out;
        out.SetWmaProfile(profile);
        const std::string path = folder / ("p" + std::to_string(profile) + ".wma");
        WriteFile(out, path, 44100, 2, signal);
        const TProbedStream probed = Probe(path);
        EXPECT_EQ(probed.Codec, "wmav2");
        EXPECT_EQ(probed.SampleRate, format.SampleRate);
        EXPECT_EQ(probed.Channels, format.Channels);
        std::string errors;
        const std::vector<float> decoded = DecodeWithFfmpeg(path, &errors);
        EXPECT_EQ(errors, "");
        EXPECT_NEAR(static_cast<double>(decoded.size()) / format.Channels / format.SampleRate, 0.5, 0.2);
    }
}

TEST(AudioFile2Writing, InputFormatMayChangeOnOneOutput) {
    TempFolder folder;
    TAudioFile2 out;
    out.SetWavFormat(44100, 2, 16);
    out.CreateForWrite(folder / "merged.wav");
    ASSERT_EQ(out.GetErrorCode(), 0);
    struct Part {
        int rate, channels;
    };
    for (const Part part : {Part{44100, 2}, Part{22050, 1}, Part{48000, 2}, Part{8000, 1}}) {
        out.SetInputFormat(part.rate, part.channels);
        TAudioBlock block;
        block.Channels = part.channels;
        block.Samples = Sine(part.rate, part.rate, part.channels, 440); // one second each
        out.WriteBlock(block);
    }
    out.Close();
    TAudioFile2 in;
    in.OpenForRead(folder / "merged.wav");
    EXPECT_NEAR(in.GetTotalSamples(), 4 * 44100, 64);
    // The mono parts play on both channels at the same level.
    const std::vector<float> samples = ReadAll(in);
    const size_t second = 44100 + 22050; // in the middle of the 22050 Hz mono part
    EXPECT_NEAR(samples[2 * second], samples[2 * second + 1], 1e-4);
}

TEST(AudioFile2Writing, CreateFailuresGiveAnErrorCodeAndWriteFailuresRaise) {
    TempFolder folder;
    TAudioFile2 out;
    out.SetWavFormat(44100, 2, 16);
    out.CreateForWrite(folder / "missing/folder/x.wav");
    EXPECT_NE(out.GetErrorCode(), 0);
    EXPECT_NE(out.GetErrorText().find("missing/folder/x.wav"), std::string::npos) << out.GetErrorText();
    EXPECT_FALSE(out.IsWriting());
    EXPECT_THROW(out.WriteBlock(TAudioBlock{{0.0f, 0.0f}, 2}), EngineError);

    // A format the encoder refuses leaves no file behind.
    TAudioFile2 bad;
    bad.SetOggFormat(44100, 5);
    bad.CreateForWrite(folder / "five.ogg");
    EXPECT_NE(bad.GetErrorCode(), 0);
    EXPECT_FALSE(fs::exists(folder / "five.ogg"));

    // A disk that fills: the write (or the finishing) raises, naming the file.
    for (const std::string name : {"full.wav", "full.mp3", "full.ogg"}) {
        SCOPED_TRACE(name);
        TAudioFile2 file;
        if (name == "full.wav")
            file.SetWavFormat(44100, 2, 16);
        else if (name == "full.mp3")
            file.SetMp3Format(44100, 320, 2, TAudioFile2LameEnc{});
        else
            file.SetOggFormat(44100, 2, 128, 0, 0, 999);
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 64 * 1024;
        setrlimit(RLIMIT_FSIZE, &small);
        std::string message;
        try {
            file.CreateForWrite(folder / name);
            file.SetInputFormat(44100, 2);
            for (int i = 0; i < 20; ++i)
                file.WriteBlock(TAudioBlock{Sine(44100, 44100, 2, 1000 + i), 2});
            file.Close();
        } catch (const EngineError& error) {
            message = error.what();
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_NE(message.find(name), std::string::npos) << message;
        EXPECT_FALSE(file.IsWriting());
    }
}

TEST(AudioFile2Reading, OperationsOnAClosedObjectRaise) {
    TAudioFile2 file;
    EXPECT_THROW(file.GetTotalSamples(), EngineError);
    EXPECT_THROW(file.ReadBlock(100), EngineError);
    EXPECT_THROW(file.Seek(10), EngineError);
    EXPECT_THROW(file.GetSampleRate(), EngineError);
    EXPECT_NO_THROW(file.Close());
    try {
        file.ReadBlock(1);
    } catch (const EngineError& error) {
        EXPECT_EQ(error.Status(), EngineStatus::NotOpen);
    }
}

TEST(AudioFile2Reading, BadInputGivesAnErrorOrWhatIsDecodable) {
    TempFolder folder;
    for (const char* kind : {"wav", "mp3", "ogg", "wma"})
        MakeNoisyTone(folder / (std::string("good.") + kind), 10, 44100, 2, "");
    WriteFileText(folder / "empty.mp3", "");
    WriteFileText(folder / "text.mp3", "This is not music at all.\nJust some text in a file named .mp3\n");
    fs::create_directory(folder / "folder.wav");
    std::string junk(50000, '\0');
    for (size_t i = 0; i < junk.size(); ++i)
        junk[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFileText(folder / "junk.wma", junk);
    for (const char* kind : {"wav", "mp3", "ogg", "wma"}) {
        const std::string good = ReadFileText(folder / (std::string("good.") + kind));
        WriteFileText(folder / (std::string("cut.") + kind), good.substr(0, good.size() * 2 / 3));
        WriteFileText(folder / (std::string("head.") + kind), good.substr(0, 60));
        // Garbage in the middle: the decoder skips or stops, never loops.
        std::string broken = good;
        for (size_t i = broken.size() / 2; i < broken.size() / 2 + 3000; ++i)
            broken[i] = static_cast<char>(i * 7);
        WriteFileText(folder / (std::string("broken.") + kind), broken);
    }
    // A WAV whose header claims ten times the data it has.
    std::string lying = ReadFileText(folder / "good.wav");
    const size_t dataSize = lying.find("data") + 4;
    const uint32_t claimed = Read32(lying, dataSize) * 10;
    for (int i = 0; i < 4; ++i)
        lying[dataSize + i] = static_cast<char>(claimed >> (8 * i));
    WriteFileText(folder / "lying.wav", lying);

    // Found by the fuzzer: a header of 65021 channels at 16 million Hz asked for 2 GB.
    const std::string absurd = RunCommand(
        "echo "
        "UklGRqJnAABXQVZFZm10IBAAAAD////93an/AIhYEAAABAEATElTVBoAAIxJTkZPSVNGVA4AAACsnnZmMjkuMjcuMTAwAGRhdGEAA8B8gAN6"
        "wGaKsEgJqgC04tk= | base64 -d");
    WriteFileText(folder / "absurd.wav", absurd);

    struct Case {
        const char* name;
        bool opens;
        double minSeconds, maxSeconds;
    };
    const Case cases[] = {
        {"missing.mp3", false, 0, 0},  {"empty.mp3", false, 0, 0},    {"text.mp3", false, 0, 0},
        {"folder.wav", false, 0, 0},   {"junk.wma", false, 0, 0},     {"head.ogg", false, 0, 0},
        {"cut.wav", true, 6.6, 6.7},   {"cut.mp3", true, 6.4, 6.7},   {"cut.ogg", true, 5, 6.7},
        {"cut.wma", true, 5, 6.7},     {"broken.wav", true, 10, 10},  {"broken.mp3", true, 9, 10.1},
        {"broken.ogg", true, 5, 10.1}, {"broken.wma", true, 5, 10.1}, {"lying.wav", true, 10, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TAudioFile2 file;
        file.OpenForRead(folder / c.name);
        if (!c.opens) {
            EXPECT_NE(file.GetErrorCode(), 0);
            EXPECT_NE(file.GetErrorText().find(c.name), std::string::npos) << file.GetErrorText();
            EXPECT_FALSE(file.IsReading());
            continue;
        }
        ASSERT_EQ(file.GetErrorCode(), 0) << file.GetErrorText();
        const int total = file.GetTotalSamples();
        const std::vector<float> samples = ReadAll(file);
        EXPECT_EQ(static_cast<int>(samples.size()) / 2, total);
        EXPECT_GE(total / 44100.0, c.minSeconds);
        EXPECT_LE(total / 44100.0, c.maxSeconds);
        EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); }));
        file.Seek(total / 2);
        EXPECT_EQ(file.ReadBlock(100).Frames(), std::min(100, total - total / 2));
    }
    // The head-only files of the other kinds either refuse to open or read as nothing much.
    for (const char* name : {"head.wav", "head.mp3", "head.wma"}) {
        TAudioFile2 file;
        file.OpenForRead(folder / name);
        if (file.GetErrorCode() == 0) {
            EXPECT_LT(file.GetTotalSamples(), 4410) << name;
        }
    }
}

TEST(AudioFile2Reading, UnreadableFileForAnOrdinaryUser) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TempFolder folder;
    MakeTone(folder / "locked.mp3", 1, 44100, 2, "-c:a libmp3lame");
    fs::permissions(folder / "locked.mp3", fs::perms::none);
    TAudioFile2 file;
    file.OpenForRead(folder / "locked.mp3");
    EXPECT_NE(file.GetErrorCode(), 0);
    EXPECT_NE(file.GetErrorText().find("Permission denied"), std::string::npos) << file.GetErrorText();
}
