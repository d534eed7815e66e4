#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "EngineError.h"
#include "Mp3FrameCopy.h"
#include "TempFolder.h"

namespace {

struct Source {
    const char* name;
    int rate;
    int channels;
    const char* options;
};

// The kinds of MP3 a user cuts: CBR, VBR, a low-rate mono stream, 48 kHz and MPEG-2.
const Source Sources[] = {
    {"cbr128", 44100, 2, "-c:a libmp3lame -b:a 128k"}, {"vbr", 44100, 2, "-c:a libmp3lame -q:a 2"},
    {"mono32", 44100, 1, "-c:a libmp3lame -b:a 32k"},  {"rate48k", 48000, 2, "-c:a libmp3lame -b:a 192k"},
    {"mpeg2", 24000, 2, "-c:a libmp3lame -b:a 64k"},
};

std::vector<float> samplesOf(const std::vector<float>& decoded, int channels, int64_t first, int64_t end) {
    return {decoded.begin() + first * channels, decoded.begin() + end * channels};
}

} // namespace

// A copied range decoded by ffmpeg is the same range of the source's own decode, bit for
// bit, with exactly its number of samples; where the frames before it do not fit the
// tag's delay, no copy is offered.
TEST(Mp3FrameCopy, CopiedRangesDecodeToTheSourcesOwnSamples) {
    TempFolder folder;
    for (const Source& source : Sources) {
        SCOPED_TRACE(source.name);
        const std::string path = folder / (std::string(source.name) + ".mp3");
        makeNoisyTone(path, 6.0, source.rate, source.channels, source.options);
        const std::vector<float> whole = decodeWithFfmpeg(path);
        const Mp3FrameIndex index = indexMp3Frames(path);
        ASSERT_EQ(index.sampleRate, source.rate);
        ASSERT_EQ(index.channels, source.channels);
        ASSERT_TRUE(index.gapless);
        const int64_t total = index.totalSamples();
        ASSERT_EQ(total * source.channels, static_cast<int64_t>(whole.size()));

        const int64_t rate = source.rate;
        // A range within one frame is not copied: FFmpeg cannot trim both its ends.
        const int64_t inOneFrame = index.samplesPerFrame * 100 - index.skippedSamples();
        EXPECT_FALSE(planMp3Copy(index, inOneFrame + 10, inOneFrame + 20));
        EXPECT_FALSE(planMp3Copy(index, rate, rate));
        const std::pair<int64_t, int64_t> ranges[] = {{0, rate},
                                                      {12345, 2 * rate + 17},
                                                      {3 * rate + 1, 4 * rate},
                                                      {total - 5000, total},
                                                      {total / 2, total / 2 + 1200}};
        int copied = 0;
        for (const auto& [first, end] : ranges) {
            SCOPED_TRACE(std::to_string(first) + ".." + std::to_string(end));
            const auto range = planMp3Copy(index, first, end);
            if (!range)
                continue;
            ++copied;
            const std::string out = folder / "section.mp3";
            writeMp3Copy(path, index, *range, out, {}, true);
            std::string errors;
            const std::vector<float> section = decodeWithFfmpeg(out, &errors);
            EXPECT_EQ(static_cast<int64_t>(section.size()), (end - first) * source.channels);
            EXPECT_TRUE(section == samplesOf(whole, source.channels, first, end));
            EXPECT_EQ(indexMp3Frames(out).totalSamples(), end - first);
            // ffprobe takes the duration from the tag's frame count, as for a file LAME wrote.
            const int64_t frames = static_cast<int64_t>(range->endFrame - range->firstFrame);
            EXPECT_NEAR(probe(out).duration, static_cast<double>(frames * index.samplesPerFrame) / rate, 0.0005);
        }
        if (std::string(source.name) != "mono32")
            EXPECT_EQ(copied, 5);
        else
            EXPECT_GE(copied, 1);
    }
}

namespace {

// Changes the fourth header byte of the audio frames first..last (the tag frame is
// frame 0) where change says so.
void changeHeaders(const std::string& path, size_t first, size_t last,
                   const std::function<uint8_t(size_t frame, uint8_t byte)>& change) {
    std::string bytes = readFileText(path);
    const std::vector<size_t> offsets = readMp3Frames(path).offsets;
    for (size_t i = first; i <= last && i < offsets.size(); ++i)
        bytes[offsets[i] + 3] = static_cast<char>(change(i, static_cast<uint8_t>(bytes[offsets[i] + 3])));
    writeFileText(path, bytes);
}

} // namespace

// MP3s of other encoders: streams without an Info tag (whose first sample comes before
// the decoder's delay), frames whose copyright, original and emphasis marks change from
// frame to frame, and frames that change between stereo and joint stereo (what FFmpeg
// takes for junk at a stream's start, and skips where a file starts so). Every section
// is copied, and decodes to exactly the source's samples.
TEST(Mp3FrameCopy, OtherEncodersStreamsAreCopiedExactly) {
    TempFolder folder;
    const auto marksVary = [](size_t frame, uint8_t byte) -> uint8_t {
        return frame % 3 == 0 ? byte : byte ^ (frame % 2 ? 0x0C : 0x05);
    };
    // Joint stereo without mid/side or intensity decodes as plain stereo does.
    const auto modesVary = [](size_t frame, uint8_t byte) -> uint8_t {
        return frame % 2 && (byte & 0xF0) == 0x40 ? byte & 0x3F : byte;
    };
    const auto firstMarked = [](size_t frame, uint8_t byte) -> uint8_t { return frame == 0 ? byte ^ 0x08 : byte; };
    const struct {
        const char* name;
        int rate;
        const char* options;
        std::function<uint8_t(size_t, uint8_t)> change;
        size_t firstChanged, junkFrames; // the frames before FFmpeg's start of the stream
        const char* firstRefused;        // why the first section is not copied (nullptr: it is)
    } cases[] = {
        {"no-info", 44100, "-c:a libmp3lame -b:a 128k -write_xing 0", nullptr, 0, 0, nullptr},
        {"no-info-mpeg2", 22050, "-c:a libmp3lame -b:a 64k -write_xing 0", nullptr, 0, 0, nullptr},
        {"marks", 44100, "-c:a libmp3lame -b:a 128k", marksVary, 40, 0, nullptr},
        {"modes", 44100, "-c:a libmp3lame -b:a 128k", modesVary, 40, 0, nullptr},
        {"modes-vbr", 48000, "-c:a libmp3lame -q:a 3", modesVary, 40, 0, nullptr},
        // FFmpeg decodes the first frame it takes without the bytes its data begins in.
        {"junk-start", 44100, "-c:a libmp3lame -b:a 128k -write_xing 0", firstMarked, 0, 1,
         "its first frame's data begins in bytes before it that decoders skip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / (std::string(c.name) + ".mp3");
        makeNoisyTone(path, 5.0, c.rate, 2, c.options);
        if (c.change)
            changeHeaders(path, c.firstChanged, 180, c.change);
        const std::vector<float> whole = decodeWithFfmpeg(path);
        const Mp3FrameIndex index = indexMp3Frames(path);
        const size_t tagFrames = readMp3Frames(path).hasVbrHeader ? 1 : 0;
        EXPECT_EQ(index.frames.size() + c.junkFrames + tagFrames, readMp3Frames(path).offsets.size());
        ASSERT_EQ(index.totalSamples() * 2, static_cast<int64_t>(whole.size()));
        std::vector<int64_t> bounds = {0};
        for (int64_t at = c.rate / 3; at < index.totalSamples() - c.rate / 10; at += c.rate * 61 / 100)
            bounds.push_back(at);
        bounds.push_back(index.totalSamples());
        for (size_t i = 0; i + 1 < bounds.size(); ++i) {
            SCOPED_TRACE(std::to_string(bounds[i]) + ".." + std::to_string(bounds[i + 1]));
            std::string why;
            const auto range = planMp3Copy(index, bounds[i], bounds[i + 1], &why);
            if (i == 0 && c.firstRefused) {
                EXPECT_EQ(why, c.firstRefused);
                continue;
            }
            ASSERT_TRUE(range) << why;
            const std::string out = folder / "section.mp3";
            writeMp3Copy(path, index, *range, out, {}, true);
            std::string errors;
            const std::vector<float> section = decodeWithFfmpeg(out, &errors);
            EXPECT_EQ(static_cast<int64_t>(section.size()), (bounds[i + 1] - bounds[i]) * 2);
            EXPECT_TRUE(section == samplesOf(whole, 2, bounds[i], bounds[i + 1]));
            EXPECT_EQ(errors, "");
        }
    }
}

// Sections copied out of a file and joined back by copy: the joined decode starts with
// the first section's samples and ends with the last one's, bit for bit; only the
// padding and delay at each junction come between (a copied section's delay holds the
// frames before its start: at most 4095 samples, plus the decoder's 529 and a frame of
// padding). Files of another
// rate, or that do not tell their delay, are not joined by copy.
TEST(Mp3FrameCopy, CopiedSectionsJoinBackByCopy) {
    TempFolder folder;
    const std::string source = folder / "source.mp3";
    makeNoisyTone(source, 6.0, 44100, 2, "-c:a libmp3lame -b:a 128k");
    const std::vector<float> whole = decodeWithFfmpeg(source);
    const Mp3FrameIndex index = indexMp3Frames(source);
    const int64_t bounds[] = {0, 70000, 150001, index.totalSamples()};
    std::vector<Mp3JoinPart> parts;
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder / ("part" + std::to_string(i) + ".mp3");
        writeMp3Copy(source, index, *planMp3Copy(index, bounds[i], bounds[i + 1]), path, {});
        parts.push_back({path, indexMp3Frames(path)});
    }
    ASSERT_EQ(mp3JoinRefusal(parts), "");
    const std::string joined = folder / "joined.mp3";
    const int64_t junctions = writeMp3Join(parts, joined, {}).junctionSamples;
    EXPECT_GT(junctions, 0);
    EXPECT_LE(junctions, 2 * (4095 + 529 + 1152 + 529));
    const std::vector<float> decoded = decodeWithFfmpeg(joined);
    ASSERT_EQ(static_cast<int64_t>(decoded.size()), (index.totalSamples() + junctions) * 2);
    EXPECT_TRUE(std::equal(whole.begin(), whole.begin() + bounds[1] * 2, decoded.begin()));
    EXPECT_TRUE(std::equal(whole.end() - (bounds[3] - bounds[2]) * 2, whole.end(),
                           decoded.end() - (bounds[3] - bounds[2]) * 2));

    const std::string other = folder / "other.mp3", plain = folder / "plain.mp3";
    makeNoisyTone(other, 1.0, 48000, 2, "-c:a libmp3lame -b:a 128k");
    makeNoisyTone(plain, 1.0, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0");
    EXPECT_EQ(mp3JoinRefusal({parts[0], {other, indexMp3Frames(other)}}),
              "\"" + other + "\" (48000 Hz, 2 channels) is not of the first file's kind (44100 Hz, 2 channels)");
    EXPECT_EQ(mp3JoinRefusal({parts[0], {plain, indexMp3Frames(plain)}}),
              "\"" + plain + "\" does not tell its encoder delay and padding");
}

// LAME's tag CRC is CRC-16/ARC: its check value, and the same sum however the bytes are
// split into pieces.
TEST(Mp3FrameCopy, TagCrcIsCrc16Arc) {
    const std::string check = "123456789";
    EXPECT_EQ(lameCrc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0xBB3D);
    std::vector<uint8_t> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + i / 13);
    const uint16_t whole = lameCrc16(bytes.data(), bytes.size());
    for (const size_t split : {1u, 7u, 8u, 9u, 500u, 999u}) {
        const uint16_t first = lameCrc16(bytes.data(), split);
        EXPECT_EQ(lameCrc16(bytes.data() + split, bytes.size() - split, first), whole) << split;
    }
}

namespace {

// The Info or Xing frame's frame count (the file's first frame), changed by delta.
void changeStatedFrames(const std::string& path, int delta) {
    std::FILE* file = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(file, nullptr);
    std::vector<uint8_t> head(4096);
    head.resize(std::fread(head.data(), 1, head.size(), file));
    const std::string text(head.begin(), head.end());
    const size_t at = std::min(text.find("Info"), text.find("Xing"));
    ASSERT_NE(at, std::string::npos);
    const size_t count = at + 8;
    uint32_t frames =
        uint32_t{head[count]} << 24 | uint32_t{head[count + 1]} << 16 | head[count + 2] << 8 | head[count + 3];
    frames = static_cast<uint32_t>(static_cast<int64_t>(frames) + delta);
    for (int i = 0; i < 4; ++i)
        head[count + static_cast<size_t>(i)] = static_cast<uint8_t>(frames >> (24 - 8 * i));
    std::fseek(file, 0, SEEK_SET);
    std::fwrite(head.data(), 1, head.size(), file);
    std::fclose(file);
}

} // namespace

// The length of an MP3 is read from its Info or Xing frame only where the frame's counts
// fit the file: then it is the length its frames give and ffmpeg decodes. A tag that
// counts fewer frames than the file has (or more), or a file with frames appended, is
// found out: the length is what ffmpeg decodes, and the frames are not copied (decoders
// drop the padding where the tag's frames end, within the audio), so that a cut is made
// by decoding, to the sample.
TEST(Mp3FrameCopy, StatedFrameCountsAreTrustedOnlyWhereTheyFitTheFile) {
    TempFolder folder;
    for (const Source& source : Sources) {
        SCOPED_TRACE(source.name);
        const std::string path = folder / (std::string(source.name) + ".mp3");
        makeNoisyTone(path, 4.0, source.rate, source.channels, source.options);
        const int64_t decoded = static_cast<int64_t>(decodeWithFfmpeg(path).size()) / source.channels;
        EXPECT_EQ(mp3SamplesFromTag(path).samples, std::optional<int64_t>(decoded));
        EXPECT_EQ(indexMp3Frames(path).totalSamples(), decoded);
        EXPECT_EQ(indexMp3Frames(path).copyRefusal(), "");
    }
    const std::string honest = folder / "cbr128.mp3";
    const struct {
        const char* name;
        std::function<void(const std::string&)> lie;
        const char* refusal;
    } lies[] = {
        {"counts fewer", [](const std::string& path) { changeStatedFrames(path, -40); },
         "its Info frame counts 115 frames, but it holds 155"},
        {"counts more", [](const std::string& path) { changeStatedFrames(path, 3); },
         "its Info frame counts 158 frames, but it holds 155"},
        {"frames appended",
         [&](const std::string& path) {
             runCommand("cat " + shellQuoted(folder / "cbr128.mp3") + " >> " + shellQuoted(path));
         },
         "its Info frame counts 155 frames, but it holds 311"},
    };
    for (const auto& l : lies) {
        SCOPED_TRACE(l.name);
        const std::string path = folder / "lying.mp3";
        std::filesystem::copy_file(honest, path, std::filesystem::copy_options::overwrite_existing);
        l.lie(path);
        const Mp3StatedLength stated = mp3SamplesFromTag(path);
        EXPECT_FALSE(stated.samples);
        EXPECT_TRUE(stated.stated);
        AudioFile file;
        file.openForRead(path);
        ASSERT_EQ(file.errorCode(), 0) << file.errorText();
        EXPECT_EQ(file.totalFrames() * 2, static_cast<int64_t>(decodeWithFfmpeg(path).size()));
        EXPECT_EQ(indexMp3Frames(path).copyRefusal(), l.refusal);
    }
}

// A file's frames are kept once read, but only while the file stays as it is: a file put
// in its place by rename, or one that grew, is read again. Files without an Info frame
// (as other encoders write them) are the ones read for their length and again for a copy.
TEST(Mp3FrameCopy, KeptFramesFollowTheFile) {
    TempFolder folder;
    const std::string path = folder / "plain.mp3", other = folder / "other.mp3";
    makeNoisyTone(path, 4.0, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0");
    makeNoisyTone(other, 6.0, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0");
    const size_t first = indexMp3Frames(path).frames.size();
    EXPECT_EQ(indexMp3Frames(path).frames.size(), first);
    std::filesystem::rename(other, path);
    const size_t replaced = indexMp3Frames(path).frames.size();
    EXPECT_GT(replaced, first);
    AudioFile file;
    file.openForRead(path);
    ASSERT_EQ(file.errorCode(), 0) << file.errorText();
    EXPECT_EQ(file.totalFrames() * 2, static_cast<int64_t>(decodeWithFfmpeg(path).size()));
    file.close();
    std::filesystem::copy_file(path, path + ".again");
    runCommand("cat " + shellQuoted(path + ".again") + " >> " + shellQuoted(path));
    EXPECT_EQ(indexMp3Frames(path).frames.size(), 2 * replaced);
}
