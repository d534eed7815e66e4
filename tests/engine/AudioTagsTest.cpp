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

struct TKindCase {
    const char* Extension;
    const char* Codec;
};
const TKindCase Kinds[] = {
    {"wav", "-c:a pcm_s16le"}, {"mp3", "-c:a libmp3lame"}, {"ogg", "-c:a libvorbis"}, {"wma", "-c:a wmav2"}};

int FramesOf(const std::string& path) {
    TAudioFile2 file;
    file.OpenForRead(path);
    return file.GetErrorCode() == 0 ? file.GetTotalSamples() : -1;
}

} // namespace

namespace {

// An ID3v1 tag as old programs put it at a file's end: fixed fields padded with zeros.
std::string Id3v1(const std::string& title, const std::string& artist) {
    auto field = [](const std::string& text, size_t size) { return (text + std::string(size, '\0')).substr(0, size); };
    return "TAG" + field(title, 30) + field(artist, 30) + field("", 30) + field("1999", 4) + field("", 30) +
           std::string(1, '\x08');
}

} // namespace

TEST(AudioTags, EveryFieldAndTheCoverRoundTripInEveryFormat) {
    TempFolder folder;
    const TAudioTags tags = FullTags(true);
    for (const TKindCase& kind : Kinds) {
        SCOPED_TRACE(kind.Extension);
        const std::string path = folder / (std::string("tone.") + kind.Extension);
        MakeTone(path, 1.5, 44100, 2, kind.Codec);
        const std::vector<float> audioBefore = DecodeWithFfmpeg(path);
        const int framesBefore = FramesOf(path);
        const double durationBefore = Probe(path).Duration;

        WriteAudioTags(path, tags);

        EXPECT_EQ(ReadAudioTags(path), tags);
        EXPECT_EQ(FieldsProbedWrong(path, tags), "");
        // FFmpeg finds a WMA file's pictures only among the attributes of up to 64 KB;
        // a larger one is in the metadata library, where the format keeps it.
        EXPECT_EQ(AttachedPicture(path), std::string(kind.Extension) == "wma" ? "" : tags.Cover.Data);
        // The audio is what it was, for the ffmpeg tool and for the engine.
        std::string errors;
        EXPECT_EQ(DecodeWithFfmpeg(path, &errors), audioBefore);
        EXPECT_EQ(errors, "");
        EXPECT_EQ(FramesOf(path), framesBefore);
        EXPECT_DOUBLE_EQ(Probe(path).Duration, durationBefore);
        EXPECT_FALSE(std::filesystem::exists(path + ".tagging"));
    }
}

TEST(AudioTags, ASmallWmaCoverIsSeenByFfmpegToo) {
    TempFolder folder;
    const std::string path = folder / "small.wma";
    MakeTone(path, 0.5, 44100, 1, "-c:a wmav2");
    TAudioTags tags = FullTags(false);
    tags.Cover = {"image/png", MakeCoverPicture().substr(0, 40000)};
    WriteAudioTags(path, tags);
    EXPECT_EQ(ReadAudioTags(path).Cover, tags.Cover);
    EXPECT_EQ(AttachedPicture(path), tags.Cover.Data);
}

TEST(AudioTags, TagsOfOtherProgramsAreRead) {
    TempFolder folder;
    const struct {
        const char* Name;
        const char* Options;
    } cases[] = {
        {"info.wav", "-c:a pcm_s16le"},
        {"id3v2.mp3", "-c:a libmp3lame"},
        {"vorbis.ogg", "-c:a libvorbis"},
        {"asf.wma", "-c:a wmav2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = folder / c.Name;
        MakeTone(path, 0.5, 44100, 1, std::string(c.Options) + " -metadata title=Tuned -metadata artist=Someone");
        const TAudioTags tags = ReadAudioTags(path);
        EXPECT_EQ(tags.Title, "Tuned");
        EXPECT_EQ(tags.Artist, "Someone");
        EXPECT_TRUE(tags.Cover.Data.empty());
    }
    const std::string old = folder / "id3v1.mp3";
    MakeTone(old, 0.5, 44100, 1, "-c:a libmp3lame -id3v2_version 0");
    WriteFileText(old, ReadFileText(old) + Id3v1("Old Song", "Old Artist"));
    const TAudioTags tags = ReadAudioTags(old);
    EXPECT_EQ(tags.Title, "Old Song");
    EXPECT_EQ(tags.Artist, "Old Artist");
    EXPECT_EQ(tags.Date, "1999");
}

TEST(AudioTags, NoTagsReadNoneAndWriteNothing) {
    TempFolder folder;
    for (const TKindCase& kind : Kinds) {
        SCOPED_TRACE(kind.Extension);
        const std::string path = folder / (std::string("bare.") + kind.Extension);
        MakeTone(path, 0.5, 22050, 1, kind.Codec);
        EXPECT_TRUE(ReadAudioTags(path).Empty());
        const std::string before = ReadFileText(path);
        WriteAudioTags(path, {});
        EXPECT_EQ(ReadFileText(path), before);
    }
    EXPECT_TRUE(ReadAudioTags(folder / "missing.mp3").Empty());
    WriteFileText(folder / "junk.ogg", std::string(5000, 'x'));
    EXPECT_TRUE(ReadAudioTags(folder / "junk.ogg").Empty());
}

TEST(AudioTags, AFileBesideOfTheWorkingCopysNameIsLeftAlone) {
    TempFolder folder;
    const TAudioTags tags = FullTags(false);
    const std::string song = folder / "song.ogg";
    MakeTone(song, 0.5, 44100, 1, "-c:a libvorbis");
    WriteFileText(song + ".tagging", "mine");
    WriteAudioTags(song, tags);
    EXPECT_EQ(ReadAudioTags(song), tags);
    EXPECT_EQ(ReadFileText(song + ".tagging"), "mine");
    EXPECT_FALSE(std::filesystem::exists(song + ".tagging1"));
}

TEST(AudioTags, AFailedWriteNamesTheFileAndKeepsTheAudio) {
    TempFolder folder;
    const TAudioTags tags = FullTags(true);
    auto expectFailure = [&](const std::string& path, const std::string& cause) {
        try {
            WriteAudioTags(path, tags);
            ADD_FAILURE() << "no failure for " << path;
        } catch (const EngineError& error) {
            EXPECT_EQ(error.Status(), EngineStatus::TagWriteFailed);
            const std::string text = error.what();
            EXPECT_NE(text.find("\"" + path + "\""), std::string::npos) << text;
            EXPECT_NE(text.find(cause), std::string::npos) << text;
        }
    };
    expectFailure(folder / "missing.mp3", "No such file");
    WriteFileText(folder / "song.flac", "fLaC");
    expectFailure(folder / "song.flac", "not a WAV, MP3, OGG or WMA file");
    WriteFileText(folder / "fake.wma", std::string(3000, 'z'));
    expectFailure(folder / "fake.wma", "not understood");

    // A disk that fills while the tags are written: the first file in the folder is
    // whole, no copy is left behind.
    for (const TKindCase& kind : Kinds) {
        SCOPED_TRACE(kind.Extension);
        const std::string path = folder / (std::string("full.") + kind.Extension);
        MakeTone(path, 1, 44100, 2, kind.Codec);
        const std::string before = ReadFileText(path);
        signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = before.size() + 200000; // room for the audio, not for the cover
        setrlimit(RLIMIT_FSIZE, &small);
        expectFailure(path, "File too large");
        setrlimit(RLIMIT_FSIZE, &saved);
        EXPECT_EQ(ReadFileText(path), before);
        EXPECT_FALSE(std::filesystem::exists(path + ".tagging"));
    }
}
