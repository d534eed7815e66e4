#include <gtest/gtest.h>

#include "AppSettings.h"
#include "AudioFixtures.h"
#include "AudioInfo.h"
#include "ConvertJob.h"
#include "CutJob.h"
#include "MergeJob.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

// Samples per channel of a file as the ffmpeg tool decodes it.
int64_t decodedFrames(const std::string& path) {
    return static_cast<int64_t>(decodeWithFfmpeg(path).size()) / probe(path).channels;
}

int64_t engineFrames(const std::string& path) {
    AudioInfo info;
    info.open(path);
    return info.totalFrames();
}

// The length of an output checked as its format allows: Opus to the sample as the ffmpeg
// tool decodes it (its end granule trims the last frame), M4A by the edit list that
// ffprobe and the program read (the ffmpeg tool's decoder trims the priming but keeps
// the last AAC frame's padding: under 1024 samples).
void expectLength(const std::string& path, int64_t frames) {
    if (path.ends_with(".opus")) {
        EXPECT_EQ(decodedFrames(path), frames) << path;
    } else {
        EXPECT_EQ(probe(path).durationTs, frames) << path;
        EXPECT_GE(decodedFrames(path), frames) << path;
        EXPECT_LT(decodedFrames(path), frames + 1024) << path;
    }
    EXPECT_EQ(engineFrames(path), frames) << path;
}

class OpusAndM4aOutput : public ::testing::Test {
protected:
    void SetUp() override {
        AppSettings::opusChannelCount = AppSettings::m4aChannelCount = 2;
        AppSettings::opusBitRateKbps = 64;
        AppSettings::m4aFreqHz = 48000;
        AppSettings::m4aBitRateKbps = 128;
    }
    TempFolder folder_;
};

} // namespace

// Converted files keep every frame, their tags and their cover.
TEST_F(OpusAndM4aOutput, ConversionsAreExactAndKeepTagsAndCover) {
    const std::string source = folder_ / "source.flac";
    makeTone(source, 2.5003, 48000, 2, "-c:a flac");
    const AudioTags tags = fullTags(true);
    writeAudioTags(source, tags);
    for (const std::string kind : {"OPUS", "M4A"}) {
        SCOPED_TRACE(kind);
        const std::string output = folder_ / ("converted." + extensionOfKind(kind));
        AudioFile in, out;
        Mp3EncoderSettings lame;
        ASSERT_TRUE(prepareOutputFormat(out, lame, kind));
        in.openForRead(source);
        out.createForWrite(output);
        ASSERT_EQ(runConvert(in, out, {}), JobEnd::Finished);
        EXPECT_EQ(probe(output).codec, kind == "OPUS" ? "opus" : "aac");
        EXPECT_EQ(probe(output).sampleRate, 48000);
        expectLength(output, 120014);
        EXPECT_EQ(readAudioTags(output), tags);
        EXPECT_EQ(fieldsProbedWrong(output, tags), "");
        EXPECT_EQ(attachedPicture(output), tags.cover.data);
    }
}

// Sections of Opus and M4A files (the world's: made by the ffmpeg tool) stay in their
// format, each of its length.
TEST_F(OpusAndM4aOutput, CutSectionsKeepTheirFormat) {
    for (const auto& [name, codec] :
         {std::pair{"talk.opus", "-c:a libopus -b:a 48k"}, std::pair{"song.m4a", "-c:a aac -b:a 128k"}}) {
        SCOPED_TRACE(name);
        const std::string source = folder_ / name;
        makeTone(source, 3.2, 48000, 2, codec);
        const int64_t total = engineFrames(source);
        CutSettings settings;
        settings.outputFolder = folder_.path();
        const CutPlan plan = {{0, true, {}, {}}, {1250, true, {}, {}}};
        CutJob job = makeCutJob(source, plan, total * 1000 / 48000, settings);
        EXPECT_EQ(job.kind, std::string(name).ends_with("opus") ? "OPUS" : "M4A");
        AudioFile in, out;
        Mp3EncoderSettings lame;
        AudioTransform transform;
        ASSERT_TRUE(prepareOutputFormat(out, lame, job.kind));
        job.createOutput = [&out](const std::string& path) { out.createForWrite(path); };
        std::vector<std::string> written;
        job.written = [&written](int, const std::string& path) { written.push_back(path); };
        in.openForRead(source);
        ASSERT_EQ(runCut(in, out, transform, job, {}), JobEnd::Finished);
        ASSERT_EQ(written.size(), 2u);
        expectLength(written[0], 60000);
        // The last section runs to the end the ms of the plan allow.
        expectLength(written[1], job.sections[1].length * 48);
    }
}

// Joins into Opus and M4A have the inputs one after another, the first one's tags and
// cover, and a chapter per input.
TEST_F(OpusAndM4aOutput, JoinsHoldEveryInput) {
    std::vector<std::string> inputs;
    int64_t total = 0;
    for (const auto& [name, seconds] : {std::pair{"a.wav", 1.3}, std::pair{"b.flac", 0.77}, std::pair{"c.wav", 2.0}}) {
        inputs.push_back(folder_ / name);
        makeTone(inputs.back(), seconds, 48000, 2, name[2] == 'w' ? "-c:a pcm_s16le" : "-c:a flac");
        total += engineFrames(inputs.back());
    }
    AudioTags first = fullTags(true);
    writeAudioTags(inputs.front(), first);
    for (const std::string kind : {"OPUS", "M4A"}) {
        SCOPED_TRACE(kind);
        const std::string output = folder_ / ("joined." + extensionOfKind(kind));
        AudioFile in, out;
        Mp3EncoderSettings lame;
        ASSERT_TRUE(prepareOutputFormat(out, lame, kind));
        out.createForWrite(output);
        ASSERT_EQ(runMerge(in, out, inputs, {}), JobEnd::Finished);
        expectLength(output, total);
        const AudioTags tags = readAudioTags(output);
        EXPECT_EQ(tags.title, "joined");
        EXPECT_EQ(tags.artist, first.artist);
        EXPECT_EQ(attachedPicture(output), first.cover.data);
        EXPECT_EQ(probeChapters(output).size(), 3u);
    }
}
