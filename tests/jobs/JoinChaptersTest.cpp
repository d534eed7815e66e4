#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AppSettings.h"
#include "AudioFixtures.h"
#include "AudioInfo.h"
#include "CutJob.h"
#include "MergeJob.h"
#include "OutputFormat.h"
#include "PointLists.h"
#include "TempFolder.h"

namespace {

struct Input {
    std::string name;
    double seconds;
    int rate, channels;
    std::string codec, title; // title "": none, the chapter takes the file's name
};

// Five files of the kinds, rates and channel counts the world has, some titled.
const std::vector<Input>& bookInputs() {
    static const std::vector<Input> inputs = {
        {"one.mp3", 2.3, 44100, 2, "-c:a libmp3lame", "Chapter One"},
        {"two.ogg", 1.7, 22050, 1, "-c:a libvorbis", "Zwei, mit Ümlaut"},
        {"three.flac", 3.1, 48000, 2, "-c:a flac", ""},
        {"four.wav", 1.25, 44100, 2, "-c:a pcm_s16le", "Four"},
        {"five.wma", 2.0, 44100, 2, "-c:a wmav2", "Five"},
    };
    return inputs;
}

// Each input's length as the engine decodes it, in ms.
double lengthMs(const std::string& path) {
    AudioInfo info;
    info.open(path);
    return info.totalFrames() * 1000.0 / info.sampleRate();
}

// Decoded samples per channel of a file, by the ffmpeg tool, in ms.
double decodedMs(const std::string& path) {
    const ProbedStream stream = probe(path);
    return decodeWithFfmpeg(path).size() * 1000.0 / stream.channels / stream.sampleRate;
}

class JoinChapters : public ::testing::Test {
protected:
    void SetUp() override {
        AppSettings::mp3VbrEnabled = false;
        AppSettings::mp3FreqHz = AppSettings::oggFreqHz = AppSettings::flacFreqHz = 44100;
        AppSettings::mp3ChannelCount = AppSettings::oggChannelCount = AppSettings::flacChannelCount = 2;
        AppSettings::mp3BitRateKbps = 128;
        AppSettings::flacBitsPerSample = 16;
        AppSettings::m4aFreqHz = 44100;
        AppSettings::m4aChannelCount = 2;
        for (const Input& input : bookInputs()) {
            makeTone(folder_ / input.name, input.seconds, input.rate, input.channels, input.codec);
            if (!input.title.empty()) {
                AudioTags tags;
                tags.title = input.title;
                writeAudioTags(folder_ / input.name, tags);
            }
            paths_.push_back(folder_ / input.name);
        }
    }
    TempFolder folder_;
    std::vector<std::string> paths_;
};

} // namespace

// A join writes one chapter per input that ffprobe reads at the inputs' starts (to the
// ms) with their titles or names; an edited title replaces the file's. Cutting the join
// at its chapters gives back five sections of the inputs' lengths.
TEST_F(JoinChapters, FiveFilesGiveFiveChaptersThatCutBackIntoThem) {
    std::vector<double> starts{0};
    for (const std::string& path : paths_)
        starts.push_back(starts.back() + lengthMs(path));
    for (const std::string kind : {"MP3", "OGG", "FLAC", "M4B"}) {
        SCOPED_TRACE(kind);
        const std::string joined = folder_ / ("book." + extensionOfKind(kind));
        AudioFile in, out;
        Mp3EncoderSettings lame;
        ASSERT_TRUE(prepareOutputFormat(out, lame, kind));
        out.createForWrite(joined);
        ASSERT_EQ(runMerge(in, out, paths_, {}, nullptr, {}, {"", "", "", "Edited Four", ""}), JobEnd::Finished);
        const std::vector<std::string> titles = {"Chapter One", "Zwei, mit Ümlaut", "three", "Edited Four", "Five"};
        const std::vector<ProbedChapter> probed = probeChapters(joined);
        ASSERT_EQ(probed.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(probed[i].startMs, starts[i], 1.0) << i;
            EXPECT_EQ(probed[i].title, titles[i]);
        }

        const int64_t duration = std::llround(lengthMs(joined));
        EXPECT_NEAR(duration, starts.back(), 2.0);
        CutSettings settings;
        settings.outputFolder = folder_ / ("cut " + kind + "/");
        settings.nameTemplate = "{n} {title}";
        std::filesystem::create_directories(settings.outputFolder);
        CutJob job = makeCutJob(joined, planFromChapters(readChapters(joined), duration), duration, settings);
        ASSERT_EQ(job.sections.size(), 5u);
        job.createOutput = [&out](const std::string& path) { out.createForWrite(path); };
        AudioTransform transform;
        in.openForRead(joined);
        ASSERT_TRUE(prepareOutputFormat(out, lame, job.kind));
        ASSERT_EQ(runCut(in, out, transform, job, {}), JobEnd::Finished);
        for (size_t i = 0; i < 5; ++i) {
            const std::string section =
                settings.outputFolder + std::to_string(i + 1) + " " + titles[i] + "." + extensionOfKind(kind);
            // (The ffmpeg tool keeps an AAC file's last frame whole: its length is the edit list's.)
            EXPECT_NEAR(kind == "M4B" ? lengthMs(section) : decodedMs(section), starts[i + 1] - starts[i], 2.0)
                << section;
        }
    }
}

// A WAV join has no chapters and, of untitled inputs, no tags at all.
TEST_F(JoinChapters, WavJoinsHoldNoChapters) {
    AppSettings::wavFreqHz = 44100;
    AppSettings::wavChannelCount = 2;
    AppSettings::wavBitsPerSample = 16;
    AudioFile in, out;
    Mp3EncoderSettings lame;
    ASSERT_TRUE(prepareOutputFormat(out, lame, "WAV"));
    out.createForWrite(folder_ / "book.wav");
    ASSERT_EQ(runMerge(in, out, {paths_[2], paths_[3]}, {}), JobEnd::Finished);
    EXPECT_TRUE(probeChapters(folder_ / "book.wav").empty());
    EXPECT_EQ(readFileText(folder_ / "book.wav").find("ID3"), std::string::npos);
}

// A copy join of MP3 files has a chapter per file where its own audio starts: after the
// earlier files and the encoder padding and delay left at each junction (under two and a
// half frames each, the decoder's delay counted in).
TEST_F(JoinChapters, CopyJoinsHaveChaptersWhereEachFileStarts) {
    std::vector<std::string> mp3s;
    for (int i = 0; i < 5; ++i) {
        mp3s.push_back(folder_ / ("part" + std::to_string(i) + ".mp3"));
        makeTone(mp3s.back(), 1.0 + 0.37 * i, 44100, 2, "-c:a libmp3lame -b:a 128k");
    }
    const CopyMerge merge = planCopyMerge(mp3s, "MP3");
    ASSERT_EQ(merge.refusal, "");
    const CopyMergeResult result = runCopyMerge(merge, folder_ / "copied.mp3", false, {});
    ASSERT_EQ(result.end, JobEnd::Finished);
    const std::vector<ProbedChapter> probed = probeChapters(result.fileName);
    ASSERT_EQ(probed.size(), 5u);
    double before = 0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(probed[i].title, "part" + std::to_string(i));
        EXPECT_GE(probed[i].startMs, before - 1);
        EXPECT_LE(probed[i].startMs, before + i * 2.5 * 1152 * 1000 / 44100 + 1);
        before += lengthMs(mp3s[i]);
    }
    EXPECT_NEAR(probed.back().endMs, decodedMs(result.fileName), 1.0);
}
