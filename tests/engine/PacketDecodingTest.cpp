#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "TempFolder.h"
#include "internal/PacketDecoding.h"

namespace {

// Overwrites count bytes of the file from at with a pattern, as a bad sector or a broken
// download leaves it.
void damage(const std::string& path, std::streamoff at, size_t count) {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(at);
    const std::string junk(count, '\x5a');
    file.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

} // namespace

// WMA's packets counted in stretches on several threads give exactly the one pass's count
// of every packet, and their sum is the length ffmpeg decodes: low and high bit rates
// (frames carried over more or fewer packets), mono at 22.05 kHz, 48 kHz, WMA 1, and a
// file damaged across the middle, where the stretches meet (counted in stretches or, where
// they do not settle, in one pass).
TEST(PacketDecoding, StretchesOnEveryThreadCountAsOnePass) {
    TempFolder folder;
    struct Case {
        std::string name;
        int rate, channels;
        std::string codec;
        bool damaged = false;
    };
    const std::vector<Case> cases = {
        {"128k.wma", 44100, 2, "-c:a wmav2 -b:a 128k"},  {"32k.wma", 44100, 2, "-c:a wmav2 -b:a 32k"},
        {"mono22.wma", 22050, 1, "-c:a wmav2 -b:a 48k"}, {"48k.wma", 48000, 2, "-c:a wmav2 -b:a 192k"},
        {"v1.wma", 44100, 2, "-c:a wmav1 -b:a 96k"},     {"damaged.wma", 44100, 2, "-c:a wmav2 -b:a 128k", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        makeNoisyTone(path, 80.0, c.rate, c.channels, c.codec);
        if (c.damaged)
            damage(path, static_cast<std::streamoff>(std::filesystem::file_size(path) / 2 - 3000), 6000);
        const Engine::DecodedPackets once = Engine::countDecodedPackets(path, 1);
        ASSERT_GT(once.samples.size(), 100u);
        for (int ranges : {2, 3, 4}) {
            const Engine::DecodedPackets split = Engine::countDecodedPackets(path, ranges);
            EXPECT_EQ(split.samples, once.samples) << ranges << " stretches";
            EXPECT_EQ(split.drained, once.drained) << ranges << " stretches";
            if (!c.damaged) {
                EXPECT_GT(split.stretches, 1) << "the stretches did not settle";
            }
        }
        if (!c.damaged) {
            EXPECT_EQ(once.total() * c.channels, static_cast<int64_t>(decodeWithFfmpeg(path).size()));
        }
    }
}
