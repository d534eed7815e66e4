#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineError.h"
#include "Mp3FrameCopy.h"
#include "Mp3Gain.h"
#include "TempFolder.h"

namespace {

// The bytes of a file's audio frames, one after another.
std::string frameBytes(const std::string& path) {
    const std::string bytes = readFileText(path);
    std::string frames;
    for (const Mp3FrameIndex::Frame& frame : indexMp3Frames(path).frames)
        frames += bytes.substr(static_cast<size_t>(frame.offset), static_cast<size_t>(frame.size));
    return frames;
}

} // namespace

// A gain of n steps decodes to the source's decoding times 2^(n/4), for MPEG-1, MPEG-2 and
// MPEG-2.5, mono and stereo, CBR and VBR; the change is recorded as mp3gain records it, and
// taking it back gives the source's frames bit for bit.
TEST(Mp3Gain, StepsScaleTheDecodingExactlyAndUndoRestoresTheFrames) {
    TempFolder folder;
    const struct {
        const char* name;
        int rate, channels;
        const char* options;
    } cases[] = {
        {"mpeg1-cbr", 44100, 2, "-c:a libmp3lame -b:a 128k"}, {"mpeg1-vbr", 48000, 2, "-c:a libmp3lame -q:a 2"},
        {"mpeg1-mono", 32000, 1, "-c:a libmp3lame -b:a 64k"}, {"mpeg2", 22050, 2, "-c:a libmp3lame -b:a 64k"},
        {"mpeg2-mono", 24000, 1, "-c:a libmp3lame -q:a 5"},   {"mpeg25", 8000, 1, "-c:a libmp3lame -b:a 16k"},
    };
    for (const auto& c : cases) {
        for (const int steps : {2, -3}) {
            SCOPED_TRACE(std::string(c.name) + " " + std::to_string(steps));
            const std::string path = folder / (std::string(c.name) + ".mp3");
            makeNoisyTone(path, 2.0, c.rate, c.channels, c.options);
            const std::vector<float> before = decodeWithFfmpeg(path);
            const std::string framesBefore = frameBytes(path);

            const Mp3GainChange change = applyMp3Gain(path, steps);
            EXPECT_EQ(change.frames, static_cast<int64_t>(indexMp3Frames(path).frames.size()));
            EXPECT_EQ(change.clampedFrames, 0);
            EXPECT_EQ(readMp3GainUndo(path), steps);
            std::string errors;
            const std::vector<float> after = decodeWithFfmpeg(path, &errors);
            EXPECT_EQ(errors, "");
            ASSERT_EQ(after.size(), before.size());
            const double factor = std::pow(2.0, steps / 4.0);
            double worst = 0;
            for (size_t i = 0; i < before.size(); ++i)
                worst = std::max(worst, std::fabs(after[i] - before[i] * factor));
            EXPECT_LT(worst, 1e-4);

            EXPECT_TRUE(undoMp3Gain(path));
            EXPECT_EQ(readMp3GainUndo(path), 0);
            EXPECT_TRUE(frameBytes(path) == framesBefore);
            EXPECT_FALSE(undoMp3Gain(path));
        }
    }
}

// Gains that would pass the field's range stop at its end and are counted; a file that
// is not MP3 raises with its name and stays as it was.
TEST(Mp3Gain, ClampedFramesAreCountedAndOtherFilesRefused) {
    TempFolder folder;
    const std::string path = folder / "loud.mp3";
    makeNoisyTone(path, 1.0, 44100, 2, "-c:a libmp3lame -b:a 128k");
    const Mp3GainChange change = applyMp3Gain(path, 300);
    EXPECT_EQ(change.clampedFrames, change.frames);
    EXPECT_GT(change.frames, 0);

    writeFileText(folder / "text.mp3", "words, not frames");
    try {
        applyMp3Gain(folder / "text.mp3", 2);
        ADD_FAILURE() << "changed a text";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find(folder / "text.mp3"), std::string::npos) << error.what();
    }
    EXPECT_EQ(readFileText(folder / "text.mp3"), "words, not frames");
}
