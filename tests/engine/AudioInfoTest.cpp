#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "AudioInfo.h"
#include "TempFolder.h"

TEST(AudioInformation2, HeadersGiveFormatLengthAndText) {
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
        MakeTone(folder / c.name, 4.25, c.rate, c.channels, c.codec);
        TAudioInformation2 info;
        info.Open(folder / c.name);
        EXPECT_EQ(info.GetSampleRate(), c.rate);
        EXPECT_EQ(info.GetChannels(), c.channels);
        EXPECT_EQ(info.GetFormatText().rfind(c.text, 0), 0u) << info.GetFormatText();
        EXPECT_EQ(info.GetFormatText().find('\n'), std::string::npos);
        // Without a LAME tag the encoder's delay and padding are part of what decodes.
        EXPECT_NEAR(info.GetDurationMs(), 4250, 80);
        EXPECT_EQ(info.GetDurationMs(), static_cast<int>(int64_t{info.GetTotalSamples()} * 1000 / c.rate));
        // The same length as the file object reads, for every format but WMA's estimate.
        TAudioFile2 file;
        file.OpenForRead(folder / c.name);
        if (std::string(c.name) != "f.wma") {
            EXPECT_EQ(info.GetTotalSamples(), file.GetTotalSamples());
        }
    }
}

TEST(AudioInformation2, UnreadableFilesRaiseWithTheirName) {
    TempFolder folder;
    WriteFileText(folder / "text.mp3", "no audio here");
    for (const std::string name : {"text.mp3", "missing.wav"}) {
        TAudioInformation2 info;
        try {
            info.Open(folder / name);
            FAIL() << name;
        } catch (const EngineError& error) {
            EXPECT_NE(std::string(error.what()).find(name), std::string::npos) << error.what();
        }
        EXPECT_EQ(info.GetDurationMs(), 0);
    }
}

TEST(AudioInformation2, ListingSpeedReadsOnlyHeadersAndPackets) {
    TempFolder folder;
    MakeTone(folder / "long.mp3", 180, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0");
    TAudioInformation2 info;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 5; ++i)
        info.Open(folder / "long.mp3");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 5;
    EXPECT_NEAR(info.GetDurationMs(), 180000, 80);
    // Decoding three minutes takes about half a second; reading the packets milliseconds.
    EXPECT_LT(seconds, 0.1);
}
