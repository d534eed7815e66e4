#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "AudioInfo.h"
#include "TempFolder.h"

TEST(AudioInfo, HeadersGiveFormatLengthAndText) {
    TempFolder folder;
    struct Case {
        const char* name;
        int rate, channels;
        const char* codec;
        const char* text;
    };
    const Case cases[] = {
        {"a.mp3", 44100, 2, "-c:a libmp3lame -b:a 128k", "MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"},
        {"b.mp3", 22050, 1, "-c:a libmp3lame -b:a 32k -write_xing 0", "MPEG Layer 3, 22050 Hz, Mono, 32 kbps"},
        {"c.wav", 44100, 2, "-c:a pcm_s16le", "PCM 16 bit, 44100 Hz, Stereo, 1411 kbps"},
        {"d.wav", 8000, 1, "-c:a pcm_u8", "PCM 8 bit, 8000 Hz, Mono, 64 kbps"},
        {"e.ogg", 48000, 2, "-c:a libvorbis -b:a 128k", "Ogg Vorbis, 48000 Hz, Stereo, "},
        {"f.wma", 32000, 2, "-c:a wmav2 -b:a 48k", "Windows Media Audio 2, 32000 Hz, Stereo, 48 kbps"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        makeTone(folder / c.name, 4.25, c.rate, c.channels, c.codec);
        AudioInfo info;
        info.open(folder / c.name);
        EXPECT_EQ(info.sampleRate(), c.rate);
        EXPECT_EQ(info.channels(), c.channels);
        EXPECT_EQ(info.formatText().rfind(c.text, 0), 0u) << info.formatText();
        EXPECT_EQ(info.formatText().find('\n'), std::string::npos);
        // Without a LAME tag the encoder's delay and padding are part of what decodes.
        EXPECT_NEAR(info.durationMs(), 4250, 80);
        EXPECT_EQ(info.durationMs(), static_cast<int>(int64_t{info.totalFrames()} * 1000 / c.rate));
        // The same length as the file object reads, for every format but WMA's estimate.
        AudioFile file;
        file.openForRead(folder / c.name);
        if (std::string(c.name) != "f.wma") {
            EXPECT_EQ(info.totalFrames(), file.totalFrames());
        }
    }
}

TEST(AudioInfo, UnreadableFilesRaiseWithTheirName) {
    TempFolder folder;
    writeFileText(folder / "text.mp3", "no audio here");
    for (const std::string name : {"text.mp3", "missing.wav"}) {
        AudioInfo info;
        try {
            info.open(folder / name);
            FAIL() << name;
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
        EXPECT_EQ(info.durationMs(), 0);
    }
}

TEST(AudioInfo, ListingSpeedReadsOnlyHeadersAndPackets) {
    TempFolder folder;
    makeTone(folder / "long.mp3", 180, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0");
    AudioInfo info;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        info.open(folder / "long.mp3");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 5;
    EXPECT_NEAR(info.durationMs(), 180000, 80);
    // Decoding three minutes takes about half a second; reading the packets milliseconds.
    EXPECT_LT(seconds, 0.1);
}
