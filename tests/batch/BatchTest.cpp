#include <fstream>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "AudioTags.h"
#include "CutJob.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace fs = std::filesystem;

namespace {

// Runs the batch program in a home folder of the test's own.
class Batch : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(home_ / "out");
        writeWav16(home_ / "song.wav", 44100, 2, testSignal16(44100 * 6, 2, 44100));
        makeTone(home_ / "tone.mp3", 3, 44100, 2, "-c:a libmp3lame -b:a 128k");
    }

    // shell: commands run before, in the same shell (limits, say).
    std::string run(const std::string& arguments, int* status, const std::string& shell = "") {
        return runCommand(shell + "HOME=" + shellQuoted(home_.path()) +
                              " XDG_CONFIG_HOME=" + shellQuoted(home_ / ".config") + " " ZELVO_BATCH_PATH " " +
                              arguments + " 2>" + shellQuoted(home_ / "stderr.txt"),
                          status);
    }
    std::string errors() const { return readFileText(home_ / "stderr.txt"); }

    TempFolder home_;
    std::string out_ = home_ / "out";
};

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(Batch, InfoAsTextAndJson) {
    const AudioTags tags = fullTags(true);
    writeAudioTags(home_ / "tone.mp3", tags);
    int status = -1;
    const std::string json =
        run("info --json " + shellQuoted(home_ / "song.wav") + " " + shellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_EQ(status, 0);
    const std::regex object(
        R"(\{"file":"[^"]+","format":"[^"]+","durationMs":\d+,"frames":\d+,"sampleRate":\d+,"channels":\d,"tags":\{.*\}\})");
    std::istringstream lines(json);
    std::string line;
    int objects = 0;
    while (std::getline(lines, line)) {
        EXPECT_TRUE(std::regex_match(line, object)) << line;
        ++objects;
    }
    EXPECT_EQ(objects, 2);
    EXPECT_NE(json.find("\"durationMs\":6000,\"frames\":264600,\"sampleRate\":44100,\"channels\":2"),
              std::string::npos);
    EXPECT_NE(json.find("\"channels\":2,\"tags\":{}}"), std::string::npos) << "the WAV file has no tags";
    const std::string cover =
        "\"cover\":{\"mimeType\":\"image/png\",\"bytes\":" + std::to_string(tags.cover.data.size());
    EXPECT_NE(json.find("\"tags\":{\"title\":\"" + tags.title + "\",\"artist\":\"" + tags.artist + "\",\"album\":\"" +
                        tags.album + "\",\"album_artist\":\"" + tags.albumArtist + "\",\"date\":\"" + tags.date +
                        "\",\"track\":\"" + tags.track + "\",\"genre\":\"" + tags.genre + "\",\"comment\":\"" +
                        tags.comment + "\",\"composer\":\"" + tags.composer + "\"," + cover + "}}}"),
              std::string::npos)
        << json;
    const std::string text = run("info " + shellQuoted(home_ / "tone.mp3"), &status);
    EXPECT_NE(text.find("MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"), std::string::npos);
    EXPECT_NE(text.find("\n  title: " + tags.title + "\n  artist: " + tags.artist + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n  cover: image/png, " + std::to_string(tags.cover.data.size()) + " bytes\n"),
              std::string::npos);

    // A file of six channels is said to have six, in the text and the JSON alike.
    makeTone(home_ / "six.flac", 1, 44100, 1, "-af 'pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0' -c:a flac");
    const std::string six = run("info " + shellQuoted(home_ / "six.flac"), &status) +
                            run("info --json " + shellQuoted(home_ / "six.flac"), &status);
    EXPECT_NE(six.find("44100 Hz, 6 channels, "), std::string::npos) << six;
    EXPECT_NE(six.find("frames, 44100 Hz, 6 channels\n"), std::string::npos) << six;
    EXPECT_NE(six.find("\"channels\":6,"), std::string::npos) << six;
}

// A file name in Latin-1: info --json stays valid UTF-8 JSON and gives the name's bytes;
// the file converts under the same bytes.
TEST_F(Batch, NamesThatAreNotUtf8) {
    const std::string name = home_ / "caf\xe9.wav";
    fs::copy_file(home_ / "song.wav", name);
    int status = -1;
    const std::string json = run("info --json " + shellQuoted(name), &status);
    EXPECT_EQ(status, 0);
    const std::string parsed =
        runCommand("printf '%s' " + shellQuoted(json) +
                       " | python3 -c 'import json,sys; d=json.loads(sys.stdin.buffer.read()"
                       ".decode(\"utf-8\")); print(d[\"file\"][-8:], d[\"nameBytesHex\"][-16:])'",
                   &status);
    EXPECT_EQ(status, 0) << json;
    EXPECT_EQ(parsed, "caf\xc3\xa9.wav 636166e92e776176\n"); // é read as Latin-1; c a f 0xE9 . w a v
    EXPECT_EQ(run("info --json " + shellQuoted(home_ / "song.wav"), &status).find("nameBytesHex"), std::string::npos);

    run("convert --to mp3 --out " + shellQuoted(out_) + " " + shellQuoted(name), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NEAR(probe(out_ + "/caf\xe9.mp3").duration, 6.0, 0.05);
}

TEST_F(Batch, AConversionWhoseTagsCannotBeWrittenKeepsItsAudio) {
    writeAudioTags(home_ / "song.wav", fullTags(true));
    int status = -1;
    // A file-size limit that the 6 s MP3 fits in and its 1 MB cover does not.
    const std::string printed =
        run("convert --to mp3 --out " + shellQuoted(out_) + " " + shellQuoted(home_ / "song.wav"), &status,
            "trap '' XFSZ; ulimit -f 400; ");
    EXPECT_EQ(status, 1);
    const std::string target = out_ + "/song.mp3";
    EXPECT_NE(errors().find("Cannot write the tags of \"" + target + "\" (its audio is kept): File too large"),
              std::string::npos)
        << errors();
    EXPECT_NE(printed.find(target), std::string::npos);
    EXPECT_NEAR(probe(target).duration, 6.0, 0.06);
    std::string errors;
    decodeWithFfmpeg(target, &errors);
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(readAudioTags(target).empty());
    EXPECT_FALSE(fs::exists(target + ".tagging"));
}

TEST_F(Batch, ExitStatusesAndMessages) {
    int status = -1;
    writeFileText(home_ / "junk.mp3", "not audio at all");
    run("info " + shellQuoted(home_ / "junk.mp3"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find("junk.mp3"), std::string::npos);
    run("convert --to aiff " + shellQuoted(home_ / "song.wav"), &status);
    EXPECT_EQ(status, 2);
    run("cut " + shellQuoted(home_ / "song.wav") + " --at soon", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors().find("Not a time"), std::string::npos);
    run("frobnicate", &status);
    EXPECT_EQ(status, 2);
    run("convert --to mp3 " + shellQuoted(home_ / "song.wav") + " --out " + shellQuoted(home_ / "missing"), &status);
    EXPECT_EQ(status, 2);
}

TEST_F(Batch, ConvertNamesLikeTheConverter) {
    int status = -1;
    const std::string args = "convert --to wav " + shellQuoted(home_ / "tone.mp3") + " --out " + shellQuoted(out_);
    EXPECT_EQ(run(args, &status), out_ + "/tone.wav\n");
    EXPECT_EQ(run(args, &status), out_ + "/tone New.wav\n");
    EXPECT_EQ(run(args + " --overwrite", &status), out_ + "/tone.wav\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run("--mp3-bitrate 64 --channels 1 convert --to mp3 " + shellQuoted(home_ / "song.wav") + " --out " +
                      shellQuoted(out_),
                  &status),
              out_ + "/song.mp3\n");
    const ProbedStream probed = probe(out_ + "/song.mp3");
    EXPECT_EQ(probed.channels, 1);
    EXPECT_NEAR(static_cast<double>(probed.bitRate), 64000, 2000);
}

// Many files are converted at once (-j): printed in the order given, each whole, and
// files of one name from two folders get two names, as one after the other would.
TEST_F(Batch, ConvertsFilesAtOnceInTheirOrder) {
    fs::create_directories(home_ / "a");
    fs::create_directories(home_ / "b");
    std::string inputs, expected;
    const std::vector<std::string> files{"a/x.wav", "b/x.wav", "a/y.wav", "b/z.wav", "a/broken.wav"};
    for (const std::string& file : files) {
        if (file == "a/broken.wav")
            std::ofstream(home_ / file) << "not audio";
        else
            writeWav16(home_ / file, 44100, 2, testSignal16(44100 * 2, 2, 44100));
        inputs += " " + shellQuoted(home_ / file);
    }
    int status = -1;
    const std::string printed = run("convert --to ogg -j 3 --out " + shellQuoted(out_) + inputs, &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed, out_ + "/x.ogg\n" + out_ + "/x New.ogg\n" + out_ + "/y.ogg\n" + out_ + "/z.ogg\n");
    EXPECT_NE(errors().find("broken.wav"), std::string::npos) << errors();
    for (const char* name : {"x.ogg", "x New.ogg", "y.ogg", "z.ogg"})
        EXPECT_NEAR(probe(out_ + "/" + name).duration, 2.0, 0.01) << name;
    run("convert --to ogg -j 0" + inputs, &status);
    EXPECT_EQ(status, 2);
}

// Kinds that are read but not written (AIFF) are cut into FLAC, losslessly and saying so; FLAC
// is written by every command.
TEST_F(Batch, ReadOnlyKindsAreCutIntoFlacAndFlacIsWritten) {
    int status = -1;
    struct Case {
        const char* name;
        const char* codec;
        bool noted;
    };
    const Case cases[] = {{"take.aiff", "-c:a pcm_s16be", true}, {"take.flac", "-c:a flac -sample_fmt s16", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(out_);
        fs::create_directories(out_);
        makeTone(home_ / c.name, 5, 44100, 2, c.codec);
        const std::string printed =
            run("cut " + shellQuoted(home_ / c.name) + " --at 2000 --out " + shellQuoted(out_), &status);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(printed, out_ + "/take-Splitted0.flac\n" + out_ + "/take-Splitted1.flac\n");
        EXPECT_EQ(errors().find("are written as FLAC (lossless)") != std::string::npos, c.noted) << errors();
        // The first section is the source's first two seconds, sample for sample.
        const std::vector<float> source = decodeWithFfmpeg(home_ / c.name);
        const std::vector<float> first = decodeWithFfmpeg(out_ + "/take-Splitted0.flac");
        ASSERT_EQ(first.size(), 2u * 88200);
        float worst = 0;
        for (size_t i = 0; i < first.size(); ++i)
            worst = std::max(worst, std::fabs(first[i] - source[i]));
        EXPECT_EQ(worst, 0.0f) << worst * 32768;
        EXPECT_EQ(probe(out_ + "/take-Splitted1.flac").durationTs, 3 * 44100);
    }
    makeTone(home_ / "take.m4a", 5, 44100, 2, "-c:a aac");
    const std::string files = shellQuoted(home_ / "take.m4a") + " " + shellQuoted(home_ / "song.wav");
    EXPECT_EQ(run("--flac-level 8 join --to flac " + files + " --out " + shellQuoted(out_), &status).empty(), false);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run("convert --to FLAC " + shellQuoted(home_ / "song.wav") + " --out " + shellQuoted(out_), &status),
              out_ + "/song.flac\n");
    EXPECT_EQ(decodeWithFfmpeg(out_ + "/song.flac"), decodeWithFfmpeg(home_ / "song.wav"));
}

// The ways of finding points: listed before anything is written, cut as listed, a CUE
// sheet's titles in the sections' tags; one way at a time.
TEST_F(Batch, CutPointsFoundAtSilencesPartsAndCueSheets) {
    int status = -1;
    const std::string file = home_ / "talk.wav";
    runCommand("ffmpeg -v error -y -f lavfi -i \"aevalsrc='if(lt(t,2)+gte(t,3.5), 0.5*sin(2*PI*440*t), 0)'"
               ":s=44100:d=6\" -ac 2 -metadata artist=Speaker " +
               shellQuoted(file));
    EXPECT_EQ(run("cut " + shellQuoted(file) + " --silence --list-only", &status),
              "0\t000 : 00 : 000\t000 : 02 : 750\tcut\n1\t000 : 02 : 750\t000 : 06 : 000\tcut\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(run("cut " + shellQuoted(file) + " --silence --trim --list-only --json --skip 2", &status),
              "{\"section\":0,\"startMs\":0,\"endMs\":2000,\"use\":true,\"title\":\"\",\"artist\":\"\"}\n"
              "{\"section\":1,\"startMs\":2000,\"endMs\":3500,\"use\":false,\"title\":\"\",\"artist\":\"\"}\n"
              "{\"section\":2,\"startMs\":3500,\"endMs\":6000,\"use\":false,\"title\":\"\",\"artist\":\"\"}\n");
    EXPECT_EQ(run("cut " + shellQuoted(file) + " --parts 3 --snap 1 --list-only", &status),
              "0\t000 : 00 : 000\t000 : 02 : 750\tcut\n1\t000 : 02 : 750\t000 : 04 : 000\tcut\n"
              "2\t000 : 04 : 000\t000 : 06 : 000\tcut\n");
    EXPECT_TRUE(fs::is_empty(out_));

    writeFileText(home_ / "talk.cue", "PERFORMER \"Band\"\nTITLE \"Live\"\nFILE \"talk.flac\" WAVE\n"
                                      "TRACK 01 AUDIO\nTITLE \"Hello\"\nINDEX 01 00:00:00\n"
                                      "TRACK 02 AUDIO\nTITLE \"Bye\"\nPERFORMER \"Guest\"\nINDEX 01 00:03:00\n");
    EXPECT_EQ(
        run("cut " + shellQuoted(file) + " --cue " + shellQuoted(home_ / "talk.cue") + " --out " + shellQuoted(out_),
            &status),
        out_ + "/talk-Splitted0.wav\n" + out_ + "/talk-Splitted1.wav\n");
    EXPECT_EQ(status, 0);
    const auto first = probeTags(out_ + "/talk-Splitted0.wav");
    EXPECT_EQ(first.at("title"), "Hello");
    EXPECT_EQ(first.at("artist"), "Band");
    EXPECT_EQ(first.at("album"), "Live");
    EXPECT_EQ(first.at("track"), "1");
    const auto second = probeTags(out_ + "/talk-Splitted1.wav");
    EXPECT_EQ(second.at("title"), "Bye");
    EXPECT_EQ(second.at("artist"), "Guest");
    EXPECT_NEAR(probe(out_ + "/talk-Splitted1.wav").duration, 3.0, 0.001);

    writeFileText(home_ / "bad.cue", "FILE \"talk.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 0:0\n");
    run("cut " + shellQuoted(file) + " --cue " + shellQuoted(home_ / "bad.cue"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find("bad.cue\": line 3: INDEX needs a time"), std::string::npos) << errors();
    run("cut " + shellQuoted(file) + " --silence --snap 2", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors().find("--snap goes with --every or --parts"), std::string::npos);
    // --every needs a length, and a plan of a sane size (a 20-second file in 1 ms pieces is not).
    for (const std::string every : {"0", "0:00.000"}) {
        run("cut " + shellQuoted(file) + " --every " + every + " --list-only", &status);
        EXPECT_EQ(status, 2) << every;
        EXPECT_NE(errors().find("--every " + every + ": the sections need a length above 0"), std::string::npos)
            << errors();
    }
    const std::string twenty = home_ / "twenty.wav";
    runCommand("ffmpeg -v error -y -f lavfi -i anullsrc=r=8000:cl=mono -t 20 " + shellQuoted(twenty));
    run("cut " + shellQuoted(twenty) + " --every 1 --list-only", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors().find("--every 1 would make 20000 sections; at most 10000 are cut at once"), std::string::npos)
        << errors();
    EXPECT_EQ(run("cut " + shellQuoted(twenty) + " --every 0:10 --list-only", &status).size() > 0, true);
    EXPECT_EQ(status, 0);
    for (const std::string& ways : {std::string("--silence --parts 2"), std::string("")}) {
        run("cut " + shellQuoted(file) + " " + ways, &status);
        EXPECT_EQ(status, 2) << ways;
        EXPECT_NE(errors().find("cut needs one of --at, --silence, --every, --parts, --cue, --chapters and --labels"),
                  std::string::npos);
    }
}

// A tag that holds terminal controls (set the window title, clear the screen) is shown
// escaped on a terminal, and as it is in a pipe or a file.
TEST_F(Batch, InfoShowsControlCharactersEscapedOnATerminal) {
    AudioTags tags;
    tags.title = "Song\x1b]0;owned\x07\x1b[2J\xc2\x9b end";
    writeAudioTags(home_ / "song.wav", tags);
    int status = -1;
    const std::string piped = run("info " + shellQuoted(home_ / "song.wav"), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(piped.find("  title: " + tags.title + "\n"), std::string::npos);
    // script(1) gives the program a terminal of its own.
    const std::string onTerminal = runCommand(
        "script -qec " + shellQuoted(std::string(ZELVO_BATCH_PATH) + " info " + shellQuoted(home_ / "song.wav")) +
            " /dev/null",
        &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(onTerminal.find("title: Song\\x1B]0;owned\\x07\\x1B[2J\\x9B end"), std::string::npos) << onTerminal;
    EXPECT_EQ(onTerminal.find('\x1b'), std::string::npos);

    // What the commands of a command file print, and the messages naming a file, too.
    const std::string badName = home_ / "gone\x1b[2J.wav";
    std::ofstream(home_ / "commands.txt")
        << "info " << shellQuoted(home_ / "song.wav") << "\ninfo " << shellQuoted(badName) << "\n";
    const std::string fromRun = runCommand(
        "script -qec " + shellQuoted(std::string(ZELVO_BATCH_PATH) + " run " + shellQuoted(home_ / "commands.txt")) +
            " /dev/null",
        &status);
    EXPECT_NE(fromRun.find("title: Song\\x1B]0;owned\\x07\\x1B[2J\\x9B end"), std::string::npos) << fromRun;
    EXPECT_NE(fromRun.find("gone\\x1B[2J.wav"), std::string::npos) << fromRun;
    EXPECT_EQ(fromRun.find('\x1b'), std::string::npos);
}

// Inputs as the world has them: a tag between an MP3's frames is passed by (a join
// keeps everything after it), frames that change rate on the way are not copied (the
// sections are encoded, and the reason said), and a damaged stretch of an Ogg file is
// left out with a warning that says where and how long.
TEST_F(Batch, DamagedAndChangingInputsAreSaidOrCopiedWhole) {
    makeTone(home_ / "a.mp3", 20, 44100, 2, "-c:a libmp3lame -b:a 128k");
    makeTone(home_ / "raw.mp3", 20, 44100, 2, "-c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0");
    makeTone(home_ / "low.mp3", 10, 22050, 1, "-c:a libmp3lame -b:a 64k -write_xing 0 -id3v2_version 0");
    std::string tag = std::string("ID3\x03\x00\x00\x00\x00\x08\x00", 10) + std::string(1024, '\0');
    writeFileText(home_ / "tagged.mp3", readFileText(home_ / "a.mp3") + tag + readFileText(home_ / "raw.mp3"));
    writeFileText(home_ / "changing.mp3", readFileText(home_ / "a.mp3") + readFileText(home_ / "low.mp3"));
    makeNoisyTone(home_ / "noisy.ogg", 30, 44100, 2, "-c:a libvorbis -q:a 4");
    std::string ogg = readFileText(home_ / "noisy.ogg");
    ogg.insert(ogg.size() / 2, std::string(20000, '\x55'));
    writeFileText(home_ / "noisy.ogg", ogg);

    int status = -1;
    const std::string joined = run("join --copy --to mp3 " + shellQuoted(home_ / "tagged.mp3") + " " +
                                       shellQuoted(home_ / "a.mp3") + " --out " + shellQuoted(out_),
                                   &status);
    EXPECT_EQ(status, 0) << errors();
    // The first file's Info frame counts its own frames only: decoders drop its padding
    // where those end, within the file, which no copy can; it is encoded, whole.
    EXPECT_NE(errors().find("encoded again"), std::string::npos) << errors();
    EXPECT_NE(errors().find("its Info frame counts"), std::string::npos) << errors();
    EXPECT_NEAR(probe(joined.substr(0, joined.size() - 1)).duration, 60.0, 0.25); // delays at the seams

    run("cut --copy " + shellQuoted(home_ / "changing.mp3") + " --at 15000 --out " + shellQuoted(out_), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NE(errors().find("encoded again: its frames change to 22050 Hz, 1 channel after 20"), std::string::npos)
        << errors();

    const std::string converted =
        run("convert --to wav " + shellQuoted(home_ / "noisy.ogg") + " --out " + shellQuoted(out_), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NE(errors().find("Warning: \"" + home_ / "noisy.ogg" + "\": it is damaged at 0:1"), std::string::npos)
        << errors();
    EXPECT_LT(probe(converted.substr(0, converted.size() - 1)).duration, 29.5);
}

// Options and texts as users write them: the output options before or after the
// command's name; a CUE sheet in a named encoding; a command file saved as UTF-16 with
// old Mac line ends.
TEST_F(Batch, OptionsAnywhereAndTextsInAnyEncoding) {
    const std::string song = shellQuoted(home_ / "song.wav"), out = " --out " + shellQuoted(out_);
    for (const std::string& command : {"--rate 22050 convert --to mp3 " + song + out + " --overwrite",
                                       "convert --to mp3 " + song + out + " --rate 22050 --overwrite",
                                       "convert --rate 22050 --to mp3 " + song + out + " --overwrite"}) {
        SCOPED_TRACE(command);
        int status = -1;
        run(command, &status);
        EXPECT_EQ(status, 0) << errors();
        EXPECT_EQ(probe(out_ + "/song.mp3").sampleRate, 22050);
    }
    int status = -1;
    run("run " + shellQuoted(home_ / "commands.txt") + " --rate 22050", &status);
    EXPECT_EQ(status, 2); // a command file's commands take the options given before "run"

    // "Песня" (a song) in KOI8-R, which a guess may take for another Cyrillic encoding.
    writeFileText(home_ / "song.cue", "FILE \"song.wav\" WAVE\nTRACK 01 AUDIO\nTITLE \"\xF0\xC5\xD3\xCE\xD1\"\n"
                                      "INDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 00:03:00\n");
    const std::string listed = run(
        "cut " + song + " --cue " + shellQuoted(home_ / "song.cue") + " --cue-encoding KOI8-R --list-only", &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NE(listed.find("\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F"), std::string::npos) << listed;

    const std::string line = "convert --to wav " + shellQuoted(home_ / "tone.mp3") + out + "\r";
    std::string utf16 = "\xFF\xFE";
    for (const char c : line + "info " + song + "\r")
        utf16 += std::string{c, '\0'};
    writeFileText(home_ / "commands16.txt", utf16);
    const std::string ran = run("run " + shellQuoted(home_ / "commands16.txt"), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NE(ran.find(out_ + "/tone.wav\n"), std::string::npos) << ran;
    EXPECT_NE(ran.find("song.wav"), std::string::npos) << ran;
}

// Pipes, devices and folders are not read as audio, CUE sheets or command files (reading
// one may never end); command texts have a size limit and no NUL.
TEST_F(Batch, InputsThatAreNotFilesAreRefusedAndTextsAreBounded) {
    const std::string fifo = home_ / "fifo", song = shellQuoted(home_ / "song.wav");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string pipe = shellQuoted(fifo);
    std::ofstream(home_ / "nul.txt") << "info " << song << "\ninfo a" << '\0' << "b\n";
    const struct {
        std::string command;
        int status;
        std::string message;
    } cases[] = {
        {"info " + pipe, 1, "it is not a file but a pipe"},
        {"convert --to mp3 " + pipe + " --out " + shellQuoted(out_), 1, "it is not a file but a pipe"},
        {"cut " + pipe + " --at 1000", 1, "it is not a file but a pipe"},
        {"info /dev/zero", 1, "it is not a file but a device"},
        {"cut " + song + " --cue " + pipe, 1, "it is not a file"},
        {"cut " + song + " --cue " + shellQuoted(home_.path()), 1, "it is a folder"},
        {"run " + pipe, 2, "it is not a file"},
        {"run /dev/zero", 2, "it is not a file"},
        {"run " + shellQuoted(home_ / "nul.txt"), 2, "line 2: it holds a NUL character"},
        {"run - < /dev/zero", 2, "they pass 16 MB"},
    };
    for (const auto& [command, expected, message] : cases) {
        SCOPED_TRACE(command);
        int status = -1;
        run(command, &status, "timeout -s KILL 60 env ");
        EXPECT_EQ(status, expected) << errors();
        EXPECT_NE(errors().find(message), std::string::npos) << errors();
    }
    const std::string endless = runCommand("yes | timeout -s KILL 60 " ZELVO_BATCH_PATH " run - 2>&1 >/dev/null");
    EXPECT_NE(endless.find("they pass 16 MB"), std::string::npos) << endless;
    EXPECT_TRUE(namesIn(out_).empty());
}

TEST_F(Batch, CutGivesTheCuttersFilesByteForByte) {
    int status = -1;
    const std::string printed =
        run("cut " + shellQuoted(home_ / "song.wav") + " --at 0:01.500 --at 4000 --skip 1 --out " + shellQuoted(out_),
            &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed, out_ + "/song-Splitted0.wav\n" + out_ + "/song-Splitted1.wav\n");
    // The same job through the windows' cutting code, with the settings' WAV format.
    AppSettings::wavFreqHz = 44100;
    AppSettings::wavChannelCount = 2;
    AppSettings::wavBitsPerSample = 16;
    CutJob job;
    job.sections = {{0, 1500}, {4000, 2000}};
    job.kind = "WAV";
    job.baseName = "song";
    job.outputFolder = home_ / "windows/";
    fs::create_directories(job.outputFolder);
    AudioFile in, out;
    Mp3EncoderSettings lame;
    AudioTransform transform;
    in.openForRead(home_ / "song.wav");
    prepareOutputFormat(out, lame, "WAV");
    job.createOutput = [&](const std::string& path) { out.createForWrite(path); };
    runCut(in, out, transform, job, {});
    for (const char* name : {"song-Splitted0.wav", "song-Splitted1.wav"})
        EXPECT_EQ(readFileText(out_ + "/" + name), readFileText(job.outputFolder + name)) << name;
}

TEST_F(Batch, SettingsFilesThatCannotBeUsedStopTheCommand) {
    writeFileText(home_ / "binary.ini", std::string("[OutputFormat]\n\0\x7f", 17));
    struct Case {
        std::string settings;
        int status;
        std::string says;
    };
    const Case cases[] = {
        {home_ / "binary.ini", 1, "Unable to read " + home_ / "binary.ini" + ": it holds binary data"},
        {home_ / "missing.ini", 2, "File does not exist: " + home_ / "missing.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        int status = -1;
        run("--settings " + shellQuoted(c.settings) + " convert --to mp3 --out " + shellQuoted(out_) + " " +
                shellQuoted(home_ / "song.wav"),
            &status);
        EXPECT_EQ(status, c.status);
        EXPECT_NE(errors().find(c.says), std::string::npos) << errors();
        EXPECT_TRUE(fs::is_empty(out_));
    }
}

TEST_F(Batch, JoinNamesLikeTheJoiner) {
    int status = -1;
    const std::string printed = run("join " + shellQuoted(home_ / "song.wav") + " " + shellQuoted(home_ / "tone.mp3") +
                                        " --to mp3 --out " + shellQuoted(out_),
                                    &status);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::regex_match(printed, std::regex(out_ + R"(/Merged \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.mp3\n)")))
        << printed;
    EXPECT_NEAR(probe(printed.substr(0, printed.size() - 1)).duration, 9.0, 0.06);
    run("join " + shellQuoted(home_ / "song.wav") + " --to mp3", &status);
    EXPECT_EQ(status, 1);
}

// --copy cuts MP3 sections and joins them back without encoding; what cannot be copied
// is encoded and a note says why.
TEST_F(Batch, CopyCutsAndJoinsMp3AndSaysWhenItCannot) {
    int status = -1;
    const std::string tone = shellQuoted(home_ / "tone.mp3");
    const std::string cut = run("cut --copy " + tone + " --at 1000 --out " + shellQuoted(out_), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_EQ(cut, out_ + "/tone-Splitted0.mp3\n" + out_ + "/tone-Splitted1.mp3\n");
    EXPECT_EQ(errors().find("Note"), std::string::npos) << errors();
    const std::vector<float> whole = decodeWithFfmpeg(home_ / "tone.mp3");
    const std::vector<float> first = decodeWithFfmpeg(out_ + "/tone-Splitted0.mp3");
    EXPECT_EQ(first.size(), 44100u * 2);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), whole.begin()));

    const std::string joined =
        run("join --copy --to mp3 --out " + shellQuoted(out_) + " " + shellQuoted(out_ + "/tone-Splitted0.mp3") + " " +
                shellQuoted(out_ + "/tone-Splitted1.mp3"),
            &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NE(errors().find("ms of encoder padding and delay stay at the 1 junctions"), std::string::npos) << errors();
    EXPECT_NEAR(probe(joined.substr(0, joined.size() - 1)).duration, 3.0, 0.2);

    run("cut --copy " + tone + " --at 1000 --fade-in 10 --overwrite --out " + shellQuoted(out_), &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(errors().find("\" are encoded again: a fade is shorter than the four MP3 granules"), std::string::npos)
        << errors();
    run("join --copy --to mp3 --out " + shellQuoted(out_) + " " + tone + " " + shellQuoted(home_ / "song.wav"),
        &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(errors().find("Note: the files are encoded again: Cannot read"), std::string::npos) << errors();
}

// However the output's folder is spelt, and through links, a job never writes into one of
// its own inputs: it fails, names the file, and leaves the input as it was.
TEST_F(Batch, NoJobWritesOverItsOwnInput) {
    fs::create_directories(home_ / "t2");
    fs::copy_file(home_ / "song.wav", home_ / "t2/x.wav");
    fs::create_symlink("x.wav", home_ / "t2/x-Splitted0.wav");
    const std::string cd = "cd " + shellQuoted(home_.path()) + " && ";
    struct Case {
        const char* arguments;
        const char* named;
    };
    const Case cases[] = {
        {"convert --to wav --overwrite --out \"$PWD/t2\" t2/x.wav", "x.wav"},
        {"convert --to wav --overwrite --out out/../t2 t2/x.wav", "x.wav"},
        {"cut t2/x.wav --at 1000 --overwrite --out \"$PWD/t2/\"", "x-Splitted0.wav\": it is the file being cut"},
    };
    const std::string original = readFileText(home_ / "song.wav");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        run(c.arguments, &status, cd);
        EXPECT_EQ(status, 1);
        EXPECT_NE(errors().find(c.named), std::string::npos) << errors();
        EXPECT_EQ(readFileText(home_ / "t2/x.wav"), original);
    }
}

// Times and section numbers that cannot be used are usage errors (status 2) that name the
// value; missing inputs are failed jobs (status 1) that name the file, and the command's
// other files are still done.
// A rate or bit rate MP3 does not have becomes the nearest it has, with a warning; other
// kinds take the rate as it is.
TEST_F(Batch, OutputFormatsMp3CannotWriteAreNamedAndReplaced) {
    struct Case {
        std::string flags, to;
        int rate;
        int64_t kbps; // 0: not checked
        const char* warning;
    };
    const Case cases[] = {
        {"--rate 96000 --mp3-bitrate 128", "mp3", 48000, 0, "MP3 output is written at 128 kbps, 48000 Hz"},
        {"--rate 8000 --mp3-bitrate 320", "mp3", 8000, 64, "MP3 has no 320 kbps at 8000 Hz"},
        {"--rate 22050 --mp3-bitrate 192", "mp3", 22050, 160, "written at 160 kbps, 22050 Hz"},
        {"--rate 44100 --mp3-bitrate 192", "mp3", 44100, 192, nullptr},
        {"--rate 96000", "wav", 96000, 0, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags + " " + c.to);
        int status = -1;
        run(c.flags + " convert --overwrite --to " + c.to + " --out " + shellQuoted(out_) + " " +
                shellQuoted(home_ / "song.wav"),
            &status);
        EXPECT_EQ(status, 0) << errors();
        if (c.warning)
            EXPECT_NE(errors().find(c.warning), std::string::npos) << errors();
        else
            EXPECT_EQ(errors().find("Warning"), std::string::npos) << errors();
        const ProbedStream probed = probe(out_ + "/song." + c.to);
        EXPECT_EQ(probed.sampleRate, c.rate);
        if (c.kbps > 0) {
            EXPECT_NEAR(probed.bitRate, c.kbps * 1000, 2000);
        }
    }
}

TEST_F(Batch, BadValuesAndMissingInputs) {
    struct Case {
        std::string arguments;
        int status;
        std::string message;
    };
    const std::string song = shellQuoted(home_ / "song.wav"); // 6 s
    const std::string missing = home_ / "missing.wav";
    const Case cases[] = {
        {"cut " + song + " --at 99:99:99", 2, "Not a time: \"99:99:99\""},
        {"cut " + song + " --at -5", 2, "Not a time: \"-5\""},
        {"cut " + song + " --at 1e3", 2, "Not a time: \"1e3\""},
        {"cut " + song + " --at ''", 2, "Not a time: \"\""},
        {"cut " + song + " --at 1:75", 2, "below 60"},
        {"cut " + song + " --at 99999999999999999999", 2, "(too large)"},
        {"cut " + song + " --at 6000", 2, "Cut point \"6000\" is at or beyond the end"},
        {"cut " + song + " --at 0:09", 2, "Cut point \"0:09\" is at or beyond the end"},
        {"cut " + song + " --at 1000 --skip 2", 2, "--skip 2 names no section"},
        {"cut " + shellQuoted(missing) + " --at 1000", 1, missing},
        {"info " + shellQuoted(missing), 1, missing},
        {"join " + song + " " + shellQuoted(missing) + " --to wav --out " + shellQuoted(out_), 1, missing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        int status = -1;
        run(c.arguments, &status);
        EXPECT_EQ(status, c.status);
        EXPECT_NE(errors().find(c.message), std::string::npos) << errors();
    }
    // Nothing was written by the failed cuts, nor by the join whose second input is missing.
    EXPECT_TRUE(fs::is_empty(out_));
    int status = -1;
    const std::string printed =
        run("convert --to mp3 " + shellQuoted(missing) + " " + song + " --out " + shellQuoted(out_), &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed, out_ + "/song.mp3\n");
    EXPECT_NE(errors().find(missing), std::string::npos);
}

// An output takes its name only when it is complete: a killed job leaves no file under
// that name (only its hidden part), and a failed --overwrite leaves the old file whole.
TEST_F(Batch, OutputsTakeTheirNamesOnlyWhenComplete) {
    writeWav16(home_ / "long.wav", 44100, 2, testSignal16(44100 * 240, 2, 44100));
    int status = -1;
    run("convert --to mp3 " + shellQuoted(home_ / "long.wav") + " --out " + shellQuoted(out_) +
            " >/dev/null & pid=$!; "
            "for i in $(seq 1 3000); do ls -a " +
            shellQuoted(out_) +
            " | grep -q '^\\.long\\.mp3\\..*\\.part$' && break; sleep 0.01; done; kill -9 $pid; wait $pid",
        &status);
    const std::vector<std::string> left = namesIn(out_);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(std::regex_match(left[0], std::regex(R"(\.long\.mp3\.zelvo-\d+-\d+\.part)"))) << left[0];
    fs::remove(out_ + "/" + left[0]);

    // The old file stays as it was when the job that should replace it fails.
    writeFileText(out_ + "/long.mp3", "the user's own file");
    run("convert --to wav --overwrite " + shellQuoted(home_ / "long.wav") + " --out " + shellQuoted(out_), &status,
        "trap '' XFSZ; ulimit -f 400; ");
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find(out_ + "/long.wav"), std::string::npos) << errors();
    run("convert --to mp3 --overwrite " + shellQuoted(home_ / "long.wav") + " --out " + shellQuoted(out_), &status,
        "trap '' XFSZ; ulimit -f 20; ");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(readFileText(out_ + "/long.mp3"), "the user's own file");
    EXPECT_EQ(namesIn(out_), std::vector<std::string>{"long.mp3"});
}

// A small file system that fills: each job fails with status 1 and the cause, lists only
// the files it finished, and leaves no part file behind.
TEST_F(Batch, AFullDiskFailsTheJobAndLeavesNothingHalfWritten) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    const std::string small = home_ / "small";
    fs::create_directory(small);
    int status = -1;
    runCommand("mount -t tmpfs -o size=256k tmpfs " + shellQuoted(small) + " 2>/dev/null", &status);
    if (status != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    struct Unmount {
        std::string path;
        ~Unmount() { runCommand("umount " + shellQuoted(path)); }
    } unmount{small};

    const std::string song = shellQuoted(home_ / "song.wav"); // 6 s, 1 MB as WAV
    struct Case {
        std::string arguments;
        size_t listed; // files finished before the disk was full
    };
    const Case cases[] = {
        {"convert --to wav " + song, 0},
        {"cut " + song + " --at 0:01", 1}, // the first second fits, the rest does not
        {"join --to wav " + song + " " + song, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const std::string printed = run(c.arguments + " --out " + shellQuoted(small), &status);
        EXPECT_EQ(status, 1);
        EXPECT_NE(errors().find("No space left on device"), std::string::npos) << errors();
        std::vector<std::string> listed;
        std::istringstream lines(printed);
        for (std::string line; std::getline(lines, line);)
            listed.push_back(line);
        ASSERT_EQ(listed.size(), c.listed) << printed;
        std::vector<std::string> expected;
        for (const std::string& path : listed) {
            EXPECT_NEAR(probe(path).duration, 1.0, 0.001);
            expected.push_back(fs::path(path).filename().string());
        }
        EXPECT_EQ(namesIn(small), expected);
        for (const std::string& path : listed)
            fs::remove(path);
    }
}

// Commands of one file that run at once and name their outputs alike each keep their own
// file: the name another one took meanwhile is not replaced but followed by " New".
TEST_F(Batch, CommandsRunningAtOnceNeverReplaceEachOthersFiles) {
    std::ofstream commands(home_ / "commands.txt");
    for (int i = 0; i < 6; ++i)
        commands << "convert --to mp3 " << shellQuoted(home_ / "song.wav") << " --out " << shellQuoted(out_) << "\n"
                 << "join " << shellQuoted(home_ / "song.wav") << " " << shellQuoted(home_ / "song.wav")
                 << " --to wav --out " << shellQuoted(out_) << "\n";
    commands.close();
    int status = -1;
    std::istringstream printed(run("run -j 2 " + shellQuoted(home_ / "commands.txt"), &status));
    EXPECT_EQ(status, 0) << errors();
    std::vector<std::string> listed;
    for (std::string line; std::getline(printed, line);)
        listed.push_back(fs::path(line).filename().string());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, namesIn(out_));
    EXPECT_EQ(listed.size(), 12u);
    for (const std::string& name : listed)
        EXPECT_NEAR(probe(out_ + "/" + name).duration, name.ends_with(".wav") ? 12.0 : 6.0, 0.1) << name;
}

// SIGTERM and SIGINT stop the job at its next block: the unfinished file is removed and
// the program ends with 128 + the signal's number.
TEST_F(Batch, SignalsStopTheJobAndLeaveNothing) {
    writeWav16(home_ / "long.wav", 44100, 2, testSignal16(44100 * 240, 2, 44100));
    for (const std::string overwrite : {"", " --overwrite"}) {
        const std::string convert =
            "convert --to mp3 " + shellQuoted(home_ / "long.wav") + " --out " + shellQuoted(out_) + overwrite;
        std::ofstream(home_ / "commands.txt") << convert << "\n" << convert << "\n";
        // The same conversion run directly and from a command file, whose commands are stopped too.
        for (const std::string& command : {convert, "run -j 1 " + shellQuoted(home_ / "commands.txt")}) {
            for (const auto& [signal, expected] : {std::pair{"TERM", 143}, std::pair{"INT", 130}}) {
                SCOPED_TRACE(command + " " + signal);
                writeFileText(out_ + "/long.mp3", "an earlier, complete file");
                int status = -1;
                const std::string printed =
                    run(command + " & pid=$!; for i in $(seq 1 3000); do ls -a " + shellQuoted(out_) +
                            " | grep -q '\\.part$' && break; sleep 0.01; done; kill -" + signal +
                            " $pid; wait $pid; echo $?",
                        &status);
                EXPECT_EQ(printed, std::to_string(expected) + "\n");
                EXPECT_EQ(namesIn(out_), std::vector<std::string>{"long.mp3"});
                EXPECT_EQ(readFileText(out_ + "/long.mp3"), "an earlier, complete file");
            }
        }
    }
}

namespace {

// The batch program with its progress reports going into a full pipe: its first report,
// made in the middle of the job, waits until the pipe is read. So a signal can be sent at
// a known point of any job, however fast the job would otherwise be.
class HeldJob {
public:
    HeldJob(const std::vector<std::string>& arguments, const std::string& home) {
        int ends[2];
        if (pipe(ends) != 0)
            throw std::runtime_error("no pipe");
        readEnd_ = ends[0];
        fcntl(ends[1], F_SETFL, O_NONBLOCK);
        const std::string block(4096, 'x');
        while (write(ends[1], block.data(), block.size()) > 0) {
        }
        fcntl(ends[1], F_SETFL, 0);
        fcntl(readEnd_, F_SETFL, O_NONBLOCK);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(ends[1], 3);
            const int errors = open((home + "/stderr.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(errors, STDERR_FILENO);
            const int nothing = open("/dev/null", O_WRONLY);
            dup2(nothing, STDOUT_FILENO);
            setenv("HOME", home.c_str(), 1);
            setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
            setenv("ZELVO_BATCH_PROGRESS", "1", 1);
            std::vector<char*> argv{const_cast<char*>(ZELVO_BATCH_PATH)};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(ZELVO_BATCH_PATH, argv.data());
            _exit(127);
        }
        close(ends[1]);
    }
    ~HeldJob() {
        if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(readEnd_);
    }

    // Whether the program came to wait on its progress report (write on descriptor 3).
    bool held() {
        for (int tries = 0; tries < 60000; ++tries) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) != 0) {
                pid_ = -1;
                return false; // it ended
            }
            std::ifstream call("/proc/" + std::to_string(pid_) + "/syscall");
            std::string number, descriptor;
            if (call >> number >> descriptor && number == "1" && descriptor == "0x3")
                return true;
            usleep(1000);
        }
        return false;
    }

    // Sends the signal, lets the reports go on and gives the exit status.
    int stop(int signal) {
        kill(pid_, signal);
        int status = 0;
        char buffer[65536];
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (read(readEnd_, buffer, sizeof buffer) <= 0)
                usleep(1000);
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
};

bool hasPartFile(const std::string& folder) {
    const std::vector<std::string> names = namesIn(folder);
    return std::any_of(names.begin(), names.end(), [](const std::string& name) { return name.ends_with(".part"); });
}

} // namespace

// SIGINT and SIGTERM stop every kind of job in the middle of its output: the part file
// goes, and a file the output was to replace (with --overwrite) or to sit beside (without)
// stays as it was.
TEST_F(Batch, SignalsStopEveryJobInTheMiddleAndLeaveEarlierFiles) {
    writeWav16(home_ / "long.wav", 44100, 2, testSignal16(44100 * 60, 2, 44100));
    makeTone(home_ / "tone2.mp3", 3, 44100, 2, "-c:a libmp3lame -b:a 128k");
    const std::string wav = home_ / "long.wav", mp3 = home_ / "tone.mp3", mp3b = home_ / "tone2.mp3";
    struct Job {
        const char* what;
        std::vector<std::string> arguments;
        std::string output; // the name the job writes first
    };
    const Job jobs[] = {
        {"convert", {"convert", "--to", "mp3", wav, "--out", out_}, "long.mp3"},
        {"cut", {"cut", wav, "--at", "30000", "--out", out_}, "long-Splitted0.wav"},
        {"join", {"join", wav, wav, "--to", "wav", "--out", out_}, ""},
        {"copy cut", {"cut", mp3, "--at", "1000", "--copy", "--out", out_}, "tone-Splitted0.mp3"},
        {"copy join", {"join", mp3, mp3b, "--to", "mp3", "--copy", "--out", out_}, ""},
    };
    for (const Job& job : jobs)
        for (const bool overwrite : {false, true})
            for (const auto& [signal, expected] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
                SCOPED_TRACE(std::string(job.what) + (overwrite ? " --overwrite " : " ") + std::to_string(signal));
                fs::remove_all(out_);
                fs::create_directories(out_);
                std::vector<std::string> arguments = job.arguments;
                if (overwrite)
                    arguments.push_back("--overwrite");
                // The join's name has the time in it: its first run tells it.
                std::string earlier = job.output;
                if (earlier.empty()) {
                    HeldJob naming(arguments, home_.path());
                    ASSERT_TRUE(naming.held()) << errors();
                    const std::vector<std::string> parts = namesIn(out_);
                    ASSERT_EQ(parts.size(), 1u);
                    naming.stop(SIGTERM);
                    earlier = parts[0].substr(1, parts[0].find(".zelvo-") - 1);
                }
                writeFileText(out_ + "/" + earlier, "an earlier, complete file");
                HeldJob held(arguments, home_.path());
                ASSERT_TRUE(held.held()) << errors();
                EXPECT_TRUE(hasPartFile(out_));
                EXPECT_EQ(held.stop(signal), expected) << errors();
                EXPECT_EQ(namesIn(out_), std::vector<std::string>{earlier});
                EXPECT_EQ(readFileText(out_ + "/" + earlier), "an earlier, complete file");
                EXPECT_NE(errors().find("Stopped"), std::string::npos) << errors();
            }
}

// A command file's commands run at once, with the options given before "run"; what they
// print comes in the file's order, and a failed one sets the exit status. A file that
// cannot be used runs none of its commands.
TEST_F(Batch, RunsTheCommandsOfAFileAtOnceInTheirOrder) {
    fs::copy_file(home_ / "song.wav", home_ / "live set.wav");
    std::ofstream(home_ / "commands.txt") << "# two jobs and one that fails\n\n"
                                          << "cut '" << (home_ / "live set.wav") << "' --at 2000 --out " << out_ << "\n"
                                          << "convert " << (home_ / "song.wav") << " --to mp3 --out " << out_ << "\n"
                                          << "info " << (home_ / "missing.wav") << "\n";
    int status = -1;
    const std::string printed = run("--rate 22050 run -j 2 " + shellQuoted(home_ / "commands.txt"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed, out_ + "/live set-Splitted0.wav\n" + out_ + "/live set-Splitted1.wav\n" + out_ + "/song.mp3\n");
    EXPECT_NE(errors().find("missing.wav"), std::string::npos) << errors();
    EXPECT_NE(errors().find("The command of line 5 ended with status 1"), std::string::npos) << errors();
    EXPECT_EQ(probe(out_ + "/song.mp3").sampleRate, 22050);
    EXPECT_NEAR(probe(out_ + "/live set-Splitted1.wav").duration, 4.0, 0.001);

    const std::pair<const char*, const char*> unusable[] = {
        {"cut 'open.wav --at 1000\n", "line 1: a quote is not closed"},
        {"convert a.wav --to mp3\nplay a.wav\n",
         "line 2: \"play\" is not a command (convert, cut, join, info or loudness)"},
    };
    for (const auto& [text, message] : unusable) {
        std::ofstream(home_ / "bad.txt") << text;
        run("run " + shellQuoted(home_ / "bad.txt"), &status);
        EXPECT_EQ(status, 2) << text;
        EXPECT_NE(errors().find(message), std::string::npos) << errors();
    }
}

// The loudness of an album's files, each and together, as loudgain measures them (it uses
// the same meter): track and album gains to the reference of -18 LUFS, and true peaks.
// A file that cannot be measured is said, and the others are measured.
TEST_F(Batch, LoudnessOfAnAlbumAgreesWithLoudgain) {
    const std::pair<const char*, const char*> tracks[] = {
        {"quiet.flac", "anoisesrc=d=6:c=pink:a=0.05"},
        {"loud.mp3", "anoisesrc=d=5:c=brown:a=0.9"},
        {"tone.ogg", "sine=f=500:d=4"},
    };
    std::string files;
    for (const auto& [name, filter] : tracks) {
        runCommand("ffmpeg -v error -y -f lavfi -i " + shellQuoted(filter) + " -ac 2 " + shellQuoted(home_ / name));
        files += " " + shellQuoted(home_ / name);
    }
    int status = -1;
    const std::string json = run("loudness --album --json" + files, &status);
    EXPECT_EQ(status, 0) << errors();
    const std::string table = runCommand("loudgain -q -a -O" + files + " 2>/dev/null");

    // loudgain's rows: file, loudness, range, true peak, true peak in dBTP, reference, will
    // clip, clip prevention, gain, ...
    static const std::regex loudgainRow(
        R"(([^\t\n]+)\t(-?[0-9.]+) LUFS\t[^\t]*\t[^\t]*\t(-?[0-9.]+) dBTP\t[^\t]*\t[^\t]*\t[^\t]*\t(-?[0-9.]+) dB)");
    static const std::regex ourRow(
        R"re("(?:file":"([^"]+)"|album":true).*?"truePeakDbtp":(-?[0-9.]+).*?"replayGainDb":(-?[0-9.]+))re");
    std::map<std::string, std::pair<double, double>> theirs, ours; // name: gain, peak
    for (auto it = std::sregex_iterator(table.begin(), table.end(), loudgainRow); it != std::sregex_iterator(); ++it) {
        const std::string name = fs::path((*it)[1].str()).filename().string();
        theirs[name == "Album" ? "album" : name] = {std::stod((*it)[4]), std::stod((*it)[3])};
    }
    for (auto it = std::sregex_iterator(json.begin(), json.end(), ourRow); it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1].matched ? fs::path((*it)[1].str()).filename().string() : "album";
        ours[name] = {std::stod((*it)[3]), std::stod((*it)[2])};
    }
    ASSERT_EQ(theirs.size(), 4u) << table;
    ASSERT_EQ(ours.size(), 4u) << json;
    for (const auto& [name, figures] : theirs) {
        SCOPED_TRACE(name);
        EXPECT_NEAR(ours[name].first, figures.first, 0.1);
        EXPECT_NEAR(ours[name].second, figures.second, 0.1);
    }
    // Louder files get lower gains; the album lies between its tracks.
    EXPECT_GT(ours["quiet.flac"].first, ours["album"].first);
    EXPECT_LT(ours["loud.mp3"].first, ours["album"].first);

    // Tagged: each file with its own gain and the album's.
    run("loudness --album --tag" + files, &status);
    EXPECT_EQ(status, 0) << errors();
    for (const auto& [name, filter] : tracks) {
        SCOPED_TRACE(name);
        const std::optional<ReplayGainTags> gain = readReplayGainTags(home_ / name);
        ASSERT_TRUE(gain);
        EXPECT_NEAR(gain->trackGainDb, ours[name].first, 0.006);
        EXPECT_NEAR(gain->albumGainDb.value_or(99), ours["album"].first, 0.006);
    }

    // The MP3 moved losslessly to the nearest step of -18 LUFS, and measured there.
    const std::string moved = run("loudness --apply-mp3-gain " + shellQuoted(home_ / "loud.mp3"), &status);
    EXPECT_EQ(status, 0) << errors();
    const int steps = static_cast<int>(std::lround(ours["loud.mp3"].first / 1.5));
    EXPECT_NE(moved.find("(" + std::to_string(steps) + " steps)"), std::string::npos) << moved;
    EXPECT_EQ(readMp3GainUndo(home_ / "loud.mp3"), steps);
    const std::string after = run("loudness --json " + shellQuoted(home_ / "loud.mp3"), &status);
    std::smatch gain;
    ASSERT_TRUE(std::regex_search(after, gain, std::regex(R"("replayGainDb":(-?[0-9.]+))"))) << after;
    EXPECT_NEAR(std::stod(gain[1]), ours["loud.mp3"].first - steps * 1.5, 0.05);

    writeFileText(home_ / "broken.mp3", "no audio here");
    const std::string text = run("loudness" + files + " " + shellQuoted(home_ / "broken.mp3"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find("\"" + (home_ / "broken.mp3") + "\""), std::string::npos) << errors();
    EXPECT_NE(text.find(" LUFS  range "), std::string::npos) << text;
    EXPECT_NE(text.find("quiet.flac"), std::string::npos) << text;
}

// --normalize brings a conversion to the settings' target or the one given; a join with
// --album keeps its files' levels to each other; a target that is no loudness is refused.
TEST_F(Batch, NormalizeBringsTheOutputToTheTarget) {
    makeFromFilter(home_ / "quiet.wav", "anoisesrc=d=4:c=pink:a=0.02:r=44100", "-ac 2");
    makeFromFilter(home_ / "loud.wav", "anoisesrc=d=4:c=pink:a=0.4:r=44100", "-ac 2");
    const double quiet = ffmpegLoudness(home_ / "quiet.wav").integratedLufs;
    const double loud = ffmpegLoudness(home_ / "loud.wav").integratedLufs;
    int status = -1;
    const std::string out = shellQuoted(out_);
    run("convert --to flac --out " + out + " --normalize " + shellQuoted(home_ / "quiet.wav"), &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NEAR(ffmpegLoudness(out_ + "/quiet.flac").integratedLufs, -18, 0.5);
    run("convert --to flac --out " + out + " --overwrite --normalize=-23.5 " + shellQuoted(home_ / "loud.wav"),
        &status);
    EXPECT_EQ(status, 0) << errors();
    EXPECT_NEAR(ffmpegLoudness(out_ + "/loud.flac").integratedLufs, -23.5, 0.5);

    const std::string joined = run("join --to wav --out " + out + " --normalize=-20 --album " +
                                       shellQuoted(home_ / "quiet.wav") + " " + shellQuoted(home_ / "loud.wav"),
                                   &status);
    EXPECT_EQ(status, 0) << errors();
    const std::string merged = joined.substr(0, joined.find('\n'));
    ASSERT_TRUE(fs::exists(merged)) << joined;
    EXPECT_NEAR(ffmpegLoudness(merged).integratedLufs, -20, 0.5);
    runCommand("ffmpeg -v error -y -i " + shellQuoted(merged) + " -t 4 " + shellQuoted(home_ / "first.wav"));
    runCommand("ffmpeg -v error -y -i " + shellQuoted(merged) + " -ss 4 " + shellQuoted(home_ / "second.wav"));
    EXPECT_NEAR(ffmpegLoudness(home_ / "second.wav").integratedLufs -
                    ffmpegLoudness(home_ / "first.wav").integratedLufs,
                loud - quiet, 0.3);

    run("convert --to flac --out " + out + " --normalize=loud " + shellQuoted(home_ / "quiet.wav"), &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors().find("--normalize=loud"), std::string::npos) << errors();
}

// Names from --name, a book joined into Opus with its chapters and cut back at them,
// Audacity labels, the playlist, and M4A and Opus written by every command.
TEST_F(Batch, NamesChaptersLabelsAndTheNewFormats) {
    int status = -1;
    std::string inputs;
    for (const char* name : {"Intro", "Middle", "Outro"}) {
        makeTone(home_ / (std::string(name) + ".flac"), 1.5, 48000, 2, "-c:a flac");
        AudioTags tags;
        tags.title = std::string(name) + " Title";
        tags.artist = "Reader";
        writeAudioTags(home_ / (std::string(name) + ".flac"), tags);
        inputs += " " + shellQuoted(home_ / (std::string(name) + ".flac"));
    }
    EXPECT_EQ(run("join --to opus" + inputs + " --out " + shellQuoted(out_) + " --name \"{artist}/Book of {count}\"",
                  &status),
              out_ + "/Reader/Book of 3.opus\n");
    EXPECT_EQ(status, 0) << errors();
    const std::string book = out_ + "/Reader/Book of 3.opus";
    EXPECT_EQ(decodeWithFfmpeg(book).size(), 3u * 72000 * 2);
    EXPECT_EQ(run("cut " + shellQuoted(book) + " --chapters --list-only", &status),
              "0\t000 : 00 : 000\t000 : 01 : 500\tcut\tIntro Title\n"
              "1\t000 : 01 : 500\t000 : 03 : 000\tcut\tMiddle Title\n"
              "2\t000 : 03 : 000\t000 : 04 : 500\tcut\tOutro Title\n");
    EXPECT_EQ(run("cut " + shellQuoted(book) + " --chapters --playlist --out " + shellQuoted(out_) +
                      " --name \"{n:02} {title} ({start:s}s)\"",
                  &status),
              out_ + "/01 Intro Title (0s).opus\n" + out_ + "/02 Middle Title (1.5s).opus\n" + out_ +
                  "/03 Outro Title (3s).opus\n" + out_ + "/Book of 3.m3u\n");
    EXPECT_EQ(decodeWithFfmpeg(out_ + "/02 Middle Title (1.5s).opus").size(), 72000u * 2);
    EXPECT_NE(readFileText(out_ + "/Book of 3.m3u").find("#EXTINF:2,Reader - Middle Title\n02 Middle"),
              std::string::npos);

    writeFileText(home_ / "labels.txt", "0.5\t0.5\tFirst\n2,25\t2,25\tSecond\n");
    EXPECT_EQ(run("cut " + shellQuoted(home_ / "Intro.flac") + " --labels " + shellQuoted(home_ / "labels.txt") +
                      " --list-only",
                  &status),
              "0\t000 : 00 : 000\t000 : 00 : 500\tskip\n1\t000 : 00 : 500\t000 : 01 : 500\tcut\tFirst\n");
    writeFileText(home_ / "bad labels.txt", "0.5\tx\tFirst\n");
    run("cut " + shellQuoted(home_ / "Intro.flac") + " --labels " + shellQuoted(home_ / "bad labels.txt"), &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find("Cannot use the labels \"" + home_ / "bad labels.txt\": line 1 is not a label"),
              std::string::npos)
        << errors();
    run("cut " + shellQuoted(home_ / "Intro.flac") + " --chapters", &status);
    EXPECT_EQ(status, 1);
    EXPECT_NE(errors().find("Intro.flac\" has no chapters"), std::string::npos) << errors();
    run("convert --to m4a " + shellQuoted(home_ / "Intro.flac") + " --name \"{bad\"", &status);
    EXPECT_EQ(status, 2);
    EXPECT_NE(errors().find("--name \"{bad\": a \"{\" is not closed"), std::string::npos) << errors();

    EXPECT_EQ(run("convert --to m4a" + inputs + " --out " + shellQuoted(out_) + " --name \"{n} of {count} {title}\"",
                  &status),
              out_ + "/1 of 3 Intro Title.m4a\n" + out_ + "/2 of 3 Middle Title.m4a\n" + out_ +
                  "/3 of 3 Outro Title.m4a\n");
    EXPECT_EQ(probe(out_ + "/2 of 3 Middle Title.m4a").durationTs, 66150); // the settings' 44100 Hz
    EXPECT_EQ(probeTags(out_ + "/2 of 3 Middle Title.m4a").at("title"), "Middle Title");
}
