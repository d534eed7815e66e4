#include <algorithm>
#include <csignal>
#include <filesystem>
#include <map>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "AudioTags.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

struct KindCase {
    const char* extension;
    const char* codec;
};
const KindCase kinds[] = {{"wav", "-c:a pcm_s16le"},
                          {"mp3", "-c:a libmp3lame"},
                          {"ogg", "-c:a libvorbis"},
                          {"wma", "-c:a wmav2"},
                          {"flac", "-c:a flac"}};

int framesOf(const std::string& path) {
    AudioFile file;
    file.openForRead(path);
    return file.errorCode() == 0 ? file.totalFrames() : -1;
}

} // namespace

namespace {

// An ID3v1 tag as old programs put it at a file's end: fixed fields padded with zeros.
std::string id3v1(const std::string& title, const std::string& artist) {
    auto field = [](const std::string& text, size_t size) { return (text + std::string(size, '\0')).substr(0, size); };
    return "TAG" + field(title, 30) + field(artist, 30) + field("", 30) + field("1999", 4) + field("", 30) +
           std::string(1, '\x08');
}

} // namespace

TEST(AudioTags, EveryFieldAndTheCoverRoundTripInEveryFormat) {
    TempFolder folder;
    const AudioTags tags = fullTags(true);
    for (const KindCase& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::string path = folder / (std::string("tone.") + kind.extension);
        makeTone(path, 1.5, 44100, 2, kind.codec);
        const std::vector<float> audioBefore = decodeWithFfmpeg(path);
        const int framesBefore = framesOf(path);
        const double durationBefore = probe(path).duration;

        writeAudioTags(path, tags);

        EXPECT_EQ(readAudioTags(path), tags);
        EXPECT_EQ(fieldsProbedWrong(path, tags), "");
        // FFmpeg finds a WMA file's pictures only among the attributes of up to 64 KB;
        // a larger one is in the metadata library, where the format keeps it.
        EXPECT_EQ(attachedPicture(path), std::string(kind.extension) == "wma" ? "" : tags.cover.data);
        // The audio is what it was, for the ffmpeg tool and for the engine.
        std::string errors;
        EXPECT_EQ(decodeWithFfmpeg(path, &errors), audioBefore);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(framesOf(path), framesBefore);
        EXPECT_DOUBLE_EQ(probe(path).duration, durationBefore);
        EXPECT_FALSE(std::filesystem::exists(path + ".tagging"));
    }
}

TEST(AudioTags, ASmallWmaCoverIsSeenByFfmpegToo) {
    TempFolder folder;
    const std::string path = folder / "small.wma";
    makeTone(path, 0.5, 44100, 1, "-c:a wmav2");
    AudioTags tags = fullTags(false);
    tags.cover = {"image/png", makeCoverPicture().substr(0, 40000)};
    writeAudioTags(path, tags);
    EXPECT_EQ(readAudioTags(path).cover, tags.cover);
    EXPECT_EQ(attachedPicture(path), tags.cover.data);
}

TEST(AudioTags, TagsOfOtherProgramsAreRead) {
    TempFolder folder;
    const struct {
        const char* name;
        const char* options;
    } cases[] = {
        {"info.wav", "-c:a pcm_s16le"},   {"id3v2.mp3", "-c:a libmp3lame"},
        {"vorbis.ogg", "-c:a libvorbis"}, {"asf.wma", "-c:a wmav2"},
        {"vorbis.flac", "-c:a flac"},     {"vorbis.opus", "-c:a libopus"},
        {"mp4.m4a", "-c:a aac"},          {"id3.aiff", "-c:a pcm_s16be -write_id3v2 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder / c.name;
        makeTone(path, 0.5, 44100, 1, std::string(c.options) + " -metadata title=Tuned -metadata artist=Someone");
        const AudioTags tags = readAudioTags(path);
        EXPECT_EQ(tags.title, "Tuned");
        EXPECT_EQ(tags.artist, "Someone");
        EXPECT_TRUE(tags.cover.data.empty());
    }
    // Covers as the ffmpeg tool attaches them: a FLAC picture block, an MP4 "covr" item.
    const std::string cover = makeCoverPicture();
    writeFileText(folder / "cover.png", cover);
    for (const char* name : {"covered.flac", "covered.m4a"}) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        makeTone(folder / "plain.wav", 0.5, 44100, 1, "-c:a pcm_s16le");
        runCommand("ffmpeg -v error -y -i " + shellQuoted(folder / "plain.wav") + " -i " +
                   shellQuoted(folder / "cover.png") + " -map 0 -map 1 -c:v copy -disposition:v attached_pic " +
                   shellQuoted(path));
        const CoverPicture read = readAudioTags(path).cover;
        EXPECT_EQ(read.mimeType, "image/png");
        EXPECT_EQ(read.data, cover);
    }
    const std::string old = folder / "id3v1.mp3";
    makeTone(old, 0.5, 44100, 1, "-c:a libmp3lame -id3v2_version 0");
    writeFileText(old, readFileText(old) + id3v1("Old Song", "Old Artist"));
    const AudioTags tags = readAudioTags(old);
    EXPECT_EQ(tags.title, "Old Song");
    EXPECT_EQ(tags.artist, "Old Artist");
    EXPECT_EQ(tags.date, "1999");
}

TEST(AudioTags, NoTagsReadNoneAndWriteNothing) {
    TempFolder folder;
    for (const KindCase& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::string path = folder / (std::string("bare.") + kind.extension);
        makeTone(path, 0.5, 22050, 1, kind.codec);
        EXPECT_TRUE(readAudioTags(path).empty());
        const std::string before = readFileText(path);
        writeAudioTags(path, {});
        EXPECT_EQ(readFileText(path), before);
    }
    EXPECT_TRUE(readAudioTags(folder / "missing.mp3").empty());
    writeFileText(folder / "junk.ogg", std::string(5000, 'x'));
    EXPECT_TRUE(readAudioTags(folder / "junk.ogg").empty());
}

TEST(AudioTags, AFileBesideOfTheWorkingCopysNameIsLeftAlone) {
    TempFolder folder;
    const AudioTags tags = fullTags(false);
    const std::string song = folder / "song.ogg";
    makeTone(song, 0.5, 44100, 1, "-c:a libvorbis");
    writeFileText(song + ".tagging", "mine");
    writeAudioTags(song, tags);
    EXPECT_EQ(readAudioTags(song), tags);
    EXPECT_EQ(readFileText(song + ".tagging"), "mine");
    EXPECT_FALSE(std::filesystem::exists(song + ".tagging1"));
}

TEST(AudioTags, AFailedWriteNamesTheFileAndKeepsTheAudio) {
    TempFolder folder;
    const AudioTags tags = fullTags(true);
    auto expectFailure = [&](const std::string& path, const std::string& cause) {
        try {
            writeAudioTags(path, tags);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EngineError& error) {
            EXPECT_EQ(error.status(), EngineStatus::TagWriteFailed);
            const std::string text = error.what();
            EXPECT_NE(text.find("\"" + path + "\""), std::string::npos) << text;
            EXPECT_NE(text.find(cause), std::string::npos) << text;
        }
    };
    expectFailure(folder / "missing.mp3", "No such file");
    writeFileText(folder / "song.aiff", "FORM");
    expectFailure(folder / "song.aiff", "not a WAV, MP3, OGG, WMA, FLAC, Opus or M4A file");
    writeFileText(folder / "fake.wma", std::string(3000, 'z'));
    expectFailure(folder / "fake.wma", "not understood");

    // A disk that fills while the tags are written: the first file in the folder is
    // whole, no copy is left behind.
    for (const KindCase& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::string path = folder / (std::string("full.") + kind.extension);
        makeTone(path, 1, 44100, 2, kind.codec);
        const std::string before = readFileText(path);
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = before.size() + 200000; // room for the audio, not for the cover
        setrlimit(RLIMIT_FSIZE, &small);
        expectFailure(path, "File too large");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(readFileText(path), before);
        EXPECT_FALSE(std::filesystem::exists(path + ".tagging"));
    }
}

// ReplayGain values are written beside a file's other tags as rsgain and loudgain write
// them (what FFmpeg reads back under their names), the tags and audio it had stay, and a
// later measurement replaces the earlier values, album ones included.
// The tags ffprobe reads, their names in capitals.
std::map<std::string, std::string> probedTagsInCapitals(const std::string& path) {
    std::map<std::string, std::string> probed;
    for (const auto& [key, value] : probeTags(path)) {
        std::string upper = key;
        std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
        probed[upper] = value;
    }
    return probed;
}

// Opus and M4A files, whose other tags the program does not write, take ReplayGain values
// too: Vorbis comments with Opus's own R128 gains (Q7.8 dB to -23 LUFS), and iTunes'
// freeform items; the audio and the encoder's tag stay.
TEST(AudioTags, ReplayGainIsWrittenIntoOpusAndM4a) {
    TempFolder folder;
    for (const char* name : {"song.opus", "song.m4a"}) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        makeTone(path, 1.5, 48000, 2, std::string(name).ends_with("opus") ? "-c:a libopus" : "-c:a aac");
        const std::vector<float> audio = decodeWithFfmpeg(path);
        writeReplayGainTags(path, {-3.214, 0.9888314, 1.5, 1.0});
        const std::optional<ReplayGainTags> read = readReplayGainTags(path);
        ASSERT_TRUE(read);
        EXPECT_DOUBLE_EQ(read->trackGainDb, -3.21);
        EXPECT_EQ(read->albumPeak, 1.0);
        EXPECT_EQ(decodeWithFfmpeg(path), audio);
        std::map<std::string, std::string> probed = probedTagsInCapitals(path);
        EXPECT_EQ(probed["REPLAYGAIN_TRACK_GAIN"], "-3.21 dB");
        EXPECT_NE(probed["ENCODER"], "");
        if (std::string(name).ends_with("opus")) {
            EXPECT_EQ(probed["R128_TRACK_GAIN"], "-2103"); // (-3.214 - 5) * 256
            EXPECT_EQ(probed["R128_ALBUM_GAIN"], "-896");  // (1.5 - 5) * 256
            writeReplayGainTags(path, {2.0, 0.5, std::nullopt, std::nullopt});
            EXPECT_EQ(probedTagsInCapitals(path).count("R128_ALBUM_GAIN"), 0u);
        }
    }
}

TEST(AudioTags, ReplayGainIsWrittenBesideTheOtherTags) {
    TempFolder folder;
    const AudioTags tags = fullTags(true);
    for (const KindCase& kind : kinds) {
        SCOPED_TRACE(kind.extension);
        const std::string path = folder / (std::string("song.") + kind.extension);
        makeTone(path, 1.5, 44100, 2, kind.codec);
        writeAudioTags(path, tags);
        const std::vector<float> audio = decodeWithFfmpeg(path);

        writeReplayGainTags(path, {-3.214, 0.9888314, 1.5, 1.0});
        const std::optional<ReplayGainTags> read = readReplayGainTags(path);
        ASSERT_TRUE(read);
        EXPECT_DOUBLE_EQ(read->trackGainDb, -3.21);
        EXPECT_DOUBLE_EQ(read->trackPeak, 0.988831);
        EXPECT_EQ(read->albumGainDb, 1.5);
        EXPECT_EQ(read->albumPeak, 1.0);
        EXPECT_EQ(readAudioTags(path), tags);
        EXPECT_EQ(decodeWithFfmpeg(path), audio);
        if (std::string(kind.extension) != "wav") { // FFmpeg reads a WAV file's RIFF INFO only
            std::map<std::string, std::string> probed = probedTagsInCapitals(path);
            EXPECT_EQ(probed["REPLAYGAIN_TRACK_GAIN"], "-3.21 dB");
            EXPECT_EQ(probed["REPLAYGAIN_ALBUM_PEAK"], "1.000000");
        }

        writeReplayGainTags(path, {2.0, 0.5, std::nullopt, std::nullopt});
        const std::optional<ReplayGainTags> again = readReplayGainTags(path);
        ASSERT_TRUE(again);
        EXPECT_DOUBLE_EQ(again->trackGainDb, 2.0);
        EXPECT_FALSE(again->albumGainDb);
        EXPECT_EQ(readAudioTags(path), tags);
    }
}
