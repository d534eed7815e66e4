#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineError.h"
#include "PacketCopy.h"
#include "TempFolder.h"

namespace {

AudioTags titled(const std::string& title) {
    AudioTags tags;
    tags.title = title;
    return tags;
}

} // namespace

// A copied Ogg Vorbis range starts on a packet boundary at or before its first sample and
// ends exactly on its last one; decoded by ffmpeg it is the source's decode of the same
// samples, bit for bit. A WMA copy holds whole packets: the samples asked for are the
// source's, bit for bit, and a decoder ends the stream with at most a packet's samples
// more (the last frame's overlap).
TEST(PacketCopy, CopiedRangesDecodeToTheSourcesOwnSamples) {
    TempFolder folder;
    struct Kind {
        const char* extension;
        const char* options;
        int64_t mostEarly; // samples a copy may start before the first asked for
        int64_t tail;      // samples a decoder may give after the last one
    };
    const Kind kinds[] = {{"ogg", "-c:a libvorbis -q:a 4", 1024, 0}, {"wma", "-c:a wmav2 -b:a 128k", 2048, 2048}};
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::string source = folder / (std::string("source.") + kind.extension);
        makeNoisyTone(source, 6.0, 44100, 2, kind.options);
        ASSERT_EQ(packetCopyRefusal(source), "");
        const std::vector<float> whole = decodeWithFfmpeg(source);
        const int64_t total = static_cast<int64_t>(whole.size()) / 2;
        const std::pair<int64_t, int64_t> ranges[] = {
            {0, 44100}, {12345, 2 * 44100 + 17}, {100000, 100001}, {total - 5000, total}};
        for (const auto& [first, end] : ranges) {
            SCOPED_TRACE(std::to_string(first) + ".." + std::to_string(end));
            const std::string out = folder / (std::string("section.") + kind.extension);
            const PacketCopyResult copied = writePacketCopy(source, first, end, out, titled("Section"), true);
            EXPECT_LE(copied.firstSample, first);
            EXPECT_LT(first - copied.firstSample, kind.mostEarly);
            if (kind.tail == 0)
                EXPECT_EQ(copied.endSample, end);
            else
                EXPECT_GE(copied.endSample, end);
            std::string errors;
            const std::vector<float> section = decodeWithFfmpeg(out, &errors);
            EXPECT_EQ(errors, "");
            const int64_t exact = (copied.endSample - copied.firstSample) * 2;
            ASSERT_EQ(static_cast<int64_t>(section.size()), exact + copied.tailSamples * 2);
            EXPECT_LE(copied.tailSamples, kind.tail);
            EXPECT_TRUE(std::equal(section.begin(), section.begin() + exact, whole.begin() + copied.firstSample * 2));
            EXPECT_EQ(readAudioTags(out).title, "Section");
        }
    }
}

// Files of other codecs are refused with the reason, and a range past the end is an error
// that leaves no file.
TEST(PacketCopy, RefusesWhatItCannotCopy) {
    TempFolder folder;
    const std::string flac = folder / "source.flac", ogg = folder / "source.ogg", out = folder / "out.ogg";
    makeNoisyTone(flac, 1.0, 44100, 2, "-c:a flac");
    makeNoisyTone(ogg, 1.0, 44100, 2, "-c:a libvorbis");
    EXPECT_EQ(packetCopyRefusal(flac), "the program copies the packets of MP3, Ogg Vorbis and WMA files only");
    // Two recordings one after the other, each with its own codebooks.
    const std::string chain = folder / "chain.ogg", second = folder / "second.ogg";
    makeNoisyTone(second, 1.0, 44100, 2, "-c:a libvorbis -q:a 8");
    writeFileText(chain, readFileText(ogg) + readFileText(second));
    EXPECT_EQ(packetCopyRefusal(chain), "it is a chain of Ogg streams, each with its own headers");
    std::filesystem::remove(chain);
    std::filesystem::remove(second);
    EXPECT_THROW(writePacketCopy(ogg, 44100 * 2, 44100 * 3, out, {}), EngineError);
    EXPECT_FALSE(std::filesystem::exists(out));
    const auto files = std::distance(std::filesystem::directory_iterator(folder.path()), {});
    EXPECT_EQ(files, 2) << "a part file was left";
}
