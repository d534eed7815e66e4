#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "internal/Writers.h"
#include "AudioFixtures.h"
#include "TempFolder.h"

namespace {

uint64_t read64(const std::vector<uint8_t>& bytes, size_t at) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[at + i];
    return value;
}

void writeSparseWav(const std::string& path, uint64_t dataBytes, int channels, int rate) {
    const std::vector<uint8_t> header = Engine::wavHeader(dataBytes, channels, rate, 16);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(header.data(), 1, header.size(), file), header.size());
    std::fclose(file);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(header.size() + dataBytes)), 0);
}

} // namespace

// Ten hours of 44.1 kHz stereo pass RIFF's 4 GB: the header becomes RF64 with the true
// sizes, and both ffprobe and our own reader count every frame. The file is sparse, so
// the test writes only its header.
TEST(WavHeader, TenHoursAreRf64AndReadToTheFrame) {
    TempFolder folder;
    const uint64_t frames = 10ull * 3600 * 44100;
    const std::string path = folder / "long.wav";
    writeSparseWav(path, frames * 4, 2, 44100);

    EXPECT_NEAR(probe(path).duration, 36000.0, 0.001);
    AudioFile file;
    file.openForRead(path);
    EXPECT_EQ(file.totalFrames(), static_cast<int>(frames));
}

TEST(WavHeader, SizesFollowTheLimit) {
    struct Case {
        uint64_t dataBytes;
        const char* form;
        size_t headerBytes;
    };
    const Case cases[] = {
        {0, "RIFF", 44},
        {0xFFFFFFFFull - 37, "RIFF", 44}, // the largest size that still fits
        {0xFFFFFFFFull - 36, "RF64", 80}, // odd: its pad byte no longer fits
        {6'350'000'000ull, "RF64", 80},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> header = Engine::wavHeader(c.dataBytes, 2, 44100, 16);
        SCOPED_TRACE(c.dataBytes);
        ASSERT_EQ(header.size(), c.headerBytes);
        EXPECT_EQ(std::string(header.begin(), header.begin() + 4), c.form);
        if (header.size() == 80) {
            EXPECT_EQ(read64(header, 28), c.dataBytes);
            EXPECT_EQ(read64(header, 20), 72 + c.dataBytes + c.dataBytes % 2);
            EXPECT_EQ(read64(header, 36), c.dataBytes / 4);
        }
    }
}

// The writer's own RF64 path, tried with a small limit: the data moves behind the
// larger header intact, odd sizes keep their pad byte.
TEST(WavWriter, FileOverTheLimitBecomesRf64WithItsSamplesIntact) {
    TempFolder folder;
    for (int channels : {1, 2}) {
        SCOPED_TRACE(channels);
        const std::string path = folder / ("over" + std::to_string(channels) + ".wav");
        Engine::OutputFormat format;
        format.kind = Engine::OutputFormat::Kind::Wav;
        format.channels = channels;
        format.sampleRate = 22050;
        format.bitsPerSample = channels == 1 ? 8 : 16;
        const int frames = 3 * 22050 + 1;
        const std::vector<int16_t> signal = testSignal16(frames, channels, 22050);
        std::vector<float> samples(signal.size());
        for (size_t i = 0; i < signal.size(); ++i)
            samples[i] = signal[i] / 32768.0f;

        auto writer = Engine::createWavWriter(path, format, 10'000);
        for (int at = 0; at < frames; at += 4096)
            writer->write(samples.data() + at * channels, std::min(4096, frames - at));
        writer->finish();

        EXPECT_EQ(readFileText(path).substr(0, 4), "RF64");
        const std::vector<float> decoded = decodeWithFfmpeg(path);
        ASSERT_EQ(decoded.size(), samples.size());
        const float step = channels == 1 ? 1.0f / 128 : 1.0f / 32768;
        for (size_t i = 0; i < samples.size(); i += 997)
            ASSERT_NEAR(decoded[i], samples[i], step) << i;
        AudioFile file;
        file.openForRead(path);
        EXPECT_EQ(file.totalFrames(), frames);
    }
}
