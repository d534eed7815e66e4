#include <cmath>
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "EngineError.h"
#include "Loudness.h"
#include "TempFolder.h"

namespace {

// loudgain's true peak of the file, in dBTP (its table's fifth column).
double loudgainTruePeakDb(const std::string& path) {
    const std::string table = runCommand("loudgain -q -O " + shellQuoted(path) + " 2>/dev/null");
    static const std::regex peak(R"(\t(-?[0-9.]+) dBTP\t)");
    std::smatch found;
    return std::regex_search(table, found, peak) ? std::stod(found[1]) : HUGE_VAL;
}

} // namespace

// Loudness and true peak as FFmpeg's meter measures them, on tones, noise, speech, mono,
// 5.1 (the surround channels weighted, the LFE left out), low and high rates and every
// kind of file the program reads. (The two meters oversample differently for the true
// peak: on white noise up to the Nyquist frequency, they differ by a decibel; music,
// pink and brown noise keep them within a tenth. FFmpeg's meter mixes 5.1 (side) into
// 5.1 (back) as it oversamples: that peak is loudgain's, which reads each channel.)
TEST(Loudness, AgreesWithFfmpegsMeter) {
    TempFolder folder;
    const std::string speech = folder / "speech.wav";
    runCommand("espeak-ng -w " + shellQuoted(speech) + " 'The quick brown fox jumps over the lazy dog, twice.'");
    const struct {
        const char* name;
        const char* filter; // nullptr: the speech
        const char* options;
    } cases[] = {
        {"tone.wav", "sine=f=1000:d=6,volume=-6dB", "-ac 2"},
        {"pink.flac", "anoisesrc=d=6:c=pink:a=0.3", "-ac 2"},
        {"speech.wav", nullptr, ""},
        {"mono.wav", "sine=f=440:d=5", "-ac 1"},
        {"surround.flac",
         "anoisesrc=d=5:a=0.2,asplit=6[a][b][c][d][e][f];[a][b][c][d][e][f]join=inputs=6:channel_layout=5.1", ""},
        {"phone.wav", "sine=f=300:d=5:r=8000", "-ar 8000"},
        {"studio.flac", "anoisesrc=d=4:r=96000:a=0.4", "-ar 96000"},
        {"song.mp3", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2 -c:a libmp3lame -b:a 192k"},
        {"song.ogg", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2 -c:a libvorbis"},
        {"song.wma", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2 -c:a wmav2 -b:a 128k"},
        {"song.m4a", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2 -c:a aac"},
        {"song.opus", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2 -c:a libopus"},
        {"song.aiff", "anoisesrc=d=5:c=brown:a=0.5", "-ac 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        if (c.filter)
            makeFromFilter(path, c.filter, c.options);
        const FfmpegLoudness expected = ffmpegLoudness(path);
        const auto measured = TrackLoudness::measure(path);
        ASSERT_TRUE(measured);
        EXPECT_NEAR(measured->figures().integratedLufs, expected.integratedLufs, 0.1);
        if (std::string(c.name) == "surround.flac")
            EXPECT_NEAR(measured->figures().truePeakDb(), loudgainTruePeakDb(path), 0.01);
        else
            EXPECT_NEAR(measured->figures().truePeakDb(), expected.truePeakDb, 0.1 + 0.05); // its one decimal
        EXPECT_NEAR(measured->figures().replayGainDb(), -18 - measured->figures().integratedLufs, 1e-9);
    }
}

// A silent file has no loudness (no gain can bring it to the reference), a stop while
// measuring gives nothing, and a file that is not audio raises with its name.
TEST(Loudness, SilenceStopsAndFailures) {
    TempFolder folder;
    makeFromFilter(folder / "silence.wav", "anullsrc=d=3", "-t 3");
    const auto silent = TrackLoudness::measure(folder / "silence.wav");
    ASSERT_TRUE(silent);
    EXPECT_FALSE(std::isfinite(silent->figures().integratedLufs));
    EXPECT_EQ(silent->figures().truePeak, 0.0);

    makeFromFilter(folder / "long.flac", "anoisesrc=d=30", "");
    int calls = 0;
    EXPECT_FALSE(TrackLoudness::measure(folder / "long.flac", [&calls](double) { return ++calls < 3; }));
    EXPECT_EQ(calls, 3);

    writeFileText(folder / "text.mp3", "not audio at all, only words in a file named like one");
    try {
        TrackLoudness::measure(folder / "text.mp3");
        ADD_FAILURE() << "measured a text";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find(folder / "text.mp3"), std::string::npos) << error.what();
    }
}
