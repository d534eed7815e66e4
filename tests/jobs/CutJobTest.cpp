#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFixtures.h"
#include "CueSheet.h"
#include "CutJob.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "TagFixtures.h"
#include "TempFolder.h"

namespace {

struct CutRun {
    std::vector<std::pair<int, int>> reports;
    std::vector<std::string> created;
    JobEnd end = JobEnd::Finished;
};

CutRun cut(const std::string& source, const std::string& kind, CutJob job, int stopAfterReports = -1) {
    CutRun run;
    AudioFile in, out;
    Mp3EncoderSettings lame;
    AudioTransform transform;
    in.openForRead(source);
    EXPECT_EQ(in.errorCode(), 0) << in.errorText();
    prepareOutputFormat(out, lame, kind);
    job.kind = kind;
    job.createOutput = [&](const std::string& path) {
        run.created.push_back(path);
        out.createForWrite(path);
        if (out.errorCode() != 0)
            throw EngineError(EngineStatus::CreateFailed, out.errorText());
    };
    JobControl control;
    control.progress = [&](int item, int percent) { run.reports.emplace_back(item, percent); };
    control.stopRequested = [&] {
        return stopAfterReports >= 0 && static_cast<int>(run.reports.size()) >= stopAfterReports;
    };
    run.end = runCut(in, out, transform, job, control);
    out.close();
    return run;
}

std::vector<int16_t> frames16(const std::string& wav) {
    const std::string bytes = readFileText(wav);
    const size_t data = bytes.find("data") + 8;
    std::vector<int16_t> samples((bytes.size() - data) / 2);
    std::memcpy(samples.data(), bytes.data() + data, samples.size() * 2);
    return samples;
}

class CutJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        AppSettings::wavFreqHz = 44100;
        AppSettings::wavChannelCount = 2;
        AppSettings::wavBitsPerSample = 16;
    }
    TempFolder folder_;
};

} // namespace

TEST_F(CutJobTest, WavSectionsAreTheSourceFramesBitForBit) {
    const int rate = 44100;
    const std::vector<int16_t> source = testSignal16(rate * 7, 2, rate);
    writeWav16(folder_ / "song.wav", rate, 2, source);
    CutJob job;
    job.sections = {{0, 1234}, {1234, 2500}, {3734, 3266}}; // truncating each length would lose a frame
    job.outputFolder = folder_.path();
    job.baseName = "song";
    const CutRun run = cut(folder_ / "song.wav", "WAV", job);
    ASSERT_EQ(run.created.size(), 3u);
    EXPECT_EQ(run.created[1], folder_ / "song-Splitted1.wav");
    std::vector<int16_t> joined;
    for (size_t i = 0; i < 3; ++i) {
        const std::vector<int16_t> part = frames16(run.created[i]);
        const int64_t end = job.sections[i].start + job.sections[i].length;
        const size_t start = static_cast<size_t>(job.sections[i].start * rate / 1000) * 2;
        const size_t count = static_cast<size_t>(end * rate / 1000) * 2 - start;
        ASSERT_EQ(part.size(), count) << i;
        EXPECT_TRUE(std::equal(part.begin(), part.end(), source.begin() + static_cast<std::ptrdiff_t>(start))) << i;
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, source);
    // Every section ends with a report of 100, and the percentages only rise.
    for (int section = 0; section < 3; ++section) {
        std::vector<int> percents;
        for (const auto& [item, percent] : run.reports)
            if (item == section)
                percents.push_back(percent);
        ASSERT_FALSE(percents.empty());
        EXPECT_EQ(percents.back(), 100);
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    }
}

TEST_F(CutJobTest, FadesRampAndAreLimitedToShortSections) {
    const int rate = 22050;
    std::vector<int16_t> loud(static_cast<size_t>(rate) * 3, 16000);
    writeWav16(folder_ / "mono.wav", rate, 1, loud);
    AppSettings::wavFreqHz = rate;
    AppSettings::wavChannelCount = 1;
    CutJob job;
    job.sections = {{0, 2000}, {2000, 300}};
    job.fadeInMs = 500;
    job.fadeOutMs = 500;
    job.outputFolder = folder_.path();
    job.baseName = "mono";
    const CutRun run = cut(folder_ / "mono.wav", "WAV", job);
    const std::vector<int16_t> first = frames16(run.created[0]);
    ASSERT_EQ(first.size(), 2u * rate);
    EXPECT_EQ(first.front(), 0);                       // silent at the very start
    EXPECT_NEAR(first[rate / 4], 8000, 40);            // half way up the fade-in
    EXPECT_EQ(first[rate], 16000);                     // full level in the middle
    EXPECT_NEAR(first[2 * rate - rate / 4], 8000, 40); // half way down the fade-out
    EXPECT_EQ(first.back(), 0);
    // A 300 ms section with two 500 ms fades: the file has the section's length.
    EXPECT_EQ(frames16(run.created[1]).size(), static_cast<size_t>(300 * rate / 1000));
    for (const auto& [item, percent] : run.reports) {
        EXPECT_GE(percent, 0);
        EXPECT_LE(percent, 100);
    }
    // Mono: the fade-in reports within its share [0, 25] first.
    EXPECT_EQ(run.reports.front(), std::make_pair(0, 0));
    EXPECT_LE(run.reports[1].second, 25);
}

TEST_F(CutJobTest, StopAbandonsTheCurrentSectionAndStartsNoLaterOne) {
    const int rate = 44100;
    writeWav16(folder_ / "long.wav", rate, 2, testSignal16(rate * 30, 2, rate));
    CutJob job;
    job.sections = {{0, 5000}, {5000, 20000}, {25000, 5000}};
    job.outputFolder = folder_.path();
    job.baseName = "long";
    // Section 0 gives a handful of reports; stop a few blocks into section 1.
    const CutRun run = cut(folder_ / "long.wav", "WAV", job, 8);
    EXPECT_EQ(run.end, JobEnd::Stopped);
    ASSERT_EQ(run.created.size(), 2u);
    EXPECT_EQ(run.reports.back().first, 1);
    EXPECT_LT(run.reports.back().second, 100);
    // The finished section stays; the one stopped in is gone, part file and all.
    EXPECT_TRUE(std::filesystem::exists(run.created[0]));
    EXPECT_FALSE(std::filesystem::exists(run.created[1]));
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
        EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}

TEST_F(CutJobTest, RepeatedCutsGetNewNames) {
    writeWav16(folder_ / "s.wav", 8000, 1, testSignal16(8000 * 2, 1, 8000));
    AppSettings::wavFreqHz = 8000;
    CutJob job;
    job.sections = {{0, 500}, {1000, 500}};
    job.outputFolder = folder_.path();
    job.baseName = "s";
    cut(folder_ / "s.wav", "WAV", job);
    const CutRun second = cut(folder_ / "s.wav", "WAV", job);
    const CutRun third = cut(folder_ / "s.wav", "WAV", job);
    EXPECT_EQ(second.created,
              (std::vector<std::string>{folder_ / "s-Splitted0 New.wav", folder_ / "s-Splitted1 New.wav"}));
    EXPECT_EQ(third.created[1], folder_ / "s-Splitted1 New New.wav");
    job.overwrite = true;
    EXPECT_EQ(cut(folder_ / "s.wav", "WAV", job).created[0], folder_ / "s-Splitted0.wav");
}

TEST_F(CutJobTest, Mp3SectionsHaveTheirLengths) {
    makeNoisyTone(folder_ / "song.mp3", 12, 44100, 2, "-c:a libmp3lame -b:a 128k");
    AppSettings::mp3VbrEnabled = false;
    AppSettings::mp3BitRateKbps = 128;
    CutJob job;
    job.sections = {{0, 3000}, {3000, 4500}, {7500, 4000}};
    job.fadeInMs = 200;
    job.outputFolder = folder_.path();
    job.baseName = "song";
    const CutRun run = cut(folder_ / "song.mp3", "MP3", job);
    for (size_t i = 0; i < 3; ++i) {
        const ProbedStream probed = probe(run.created[i]);
        EXPECT_EQ(probed.codec, "mp3");
        // ffprobe counts the encoder delay in: within a frame or so of the section.
        EXPECT_NEAR(probed.duration, job.sections[i].length / 1000.0, 1152.0 * 2 / 44100) << i;
        std::string errors;
        decodeWithFfmpeg(run.created[i], &errors);
        EXPECT_EQ(errors, "");
    }
}

TEST_F(CutJobTest, FailureNamesTheSectionAndKeepsEarlierFiles) {
    writeWav16(folder_ / "s.wav", 8000, 1, testSignal16(8000 * 3, 1, 8000));
    AppSettings::wavFreqHz = 8000;
    CutJob job;
    job.sections = {{0, 1000}, {1000, 1000}};
    job.outputFolder = folder_.path();
    job.baseName = "s";
    AudioFile in, out;
    Mp3EncoderSettings lame;
    AudioTransform transform;
    in.openForRead(folder_ / "s.wav");
    prepareOutputFormat(out, lame, "WAV");
    job.kind = "WAV";
    int created = 0;
    job.createOutput = [&](const std::string& path) {
        out.createForWrite(++created == 2 ? folder_ / "missing/x.wav" : path);
        if (out.errorCode() != 0)
            throw EngineError(EngineStatus::CreateFailed, out.errorText());
    };
    int failed = -5;
    EXPECT_THROW(runCut(in, out, transform, job, {}, &failed), EngineError);
    EXPECT_EQ(failed, 1);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "s-Splitted0.wav"));
}

TEST_F(CutJobTest, SectionsCarryTheSourceTagsTitledAndNumbered) {
    AudioTags titled = fullTags(true);
    titled.title = "Song";
    titled.track = "9/12";
    AudioTags untitled = fullTags(false);
    untitled.title.clear();
    const struct {
        const char* name;
        AudioTags tags;
        const char* title; // of the sections, before " (n)"; nullptr: no tags at all
    } cases[] = {{"song", titled, "Song"}, {"lecture", untitled, "lecture"}, {"bare", {}, nullptr}};
    AppSettings::oggFreqHz = 44100;
    AppSettings::oggChannelCount = 2;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = folder_ / (std::string(c.name) + ".mp3");
        makeTone(source, 3.2, 44100, 2, "-c:a libmp3lame");
        writeAudioTags(source, c.tags);
        CutJob job;
        job.sections = {{0, 1000}, {1000, 1000}, {2000, 1000}};
        job.outputFolder = folder_.path();
        job.baseName = c.name;
        const CutRun run = cut(source, "OGG", job);
        ASSERT_EQ(run.created.size(), 3u);
        for (int n = 1; n <= 3; ++n) {
            const std::string& section = run.created[static_cast<size_t>(n - 1)];
            if (!c.title) {
                EXPECT_TRUE(readAudioTags(section).empty());
                EXPECT_EQ(probeTags(section).count("title"), 0u);
                continue;
            }
            AudioTags expected = c.tags;
            expected.title = std::string(c.title) + " (" + std::to_string(n) + ")";
            expected.track = std::to_string(n);
            EXPECT_EQ(readAudioTags(section), expected);
            EXPECT_EQ(fieldsProbedWrong(section, expected), "");
            EXPECT_EQ(attachedPicture(section), c.tags.cover.data);
        }
    }
}

// Keeping the encoding: MP3 sections are copied and decode to the source's own samples
// (their tags as on encoded sections); a fade too short for steps of gain or another
// output format encodes them again and says why, once.
TEST_F(CutJobTest, KeptEncodingCopiesMp3SectionsOrSaysWhyNot) {
    AppSettings::mp3FreqHz = 44100;
    AppSettings::mp3ChannelCount = 2;
    AppSettings::mp3VbrEnabled = false;
    AppSettings::mp3BitRateKbps = 128;
    const std::string source = folder_ / "live.mp3";
    makeNoisyTone(source, 7.0, 44100, 2, "-c:a libmp3lame -b:a 160k -metadata artist=Band");
    const std::vector<float> whole = decodeWithFfmpeg(source);
    const int64_t total = static_cast<int64_t>(whole.size() / 2);

    struct Case {
        const char* name;
        int64_t fadeInMs;
        int rate;
        std::string why; // "" when the sections are copied
    };
    const Case cases[] = {
        {"copied", 0, 44100, ""},
        {"faded", 20, 44100, "a fade is shorter than the four MP3 granules a copied fade needs"},
        {"resampled", 0, 32000, "the output format (32000 Hz, 2 channels) is not the source's (44100 Hz, 2 channels)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppSettings::mp3FreqHz = c.rate;
        const std::string out = folder_ / c.name;
        std::filesystem::create_directory(out);
        CutJob job;
        job.sections = {{0, 2500}, {2500, 1500}, {4000, 3000}};
        job.outputFolder = out + "/";
        job.baseName = "live";
        job.fadeInMs = c.fadeInMs;
        job.keepEncoding = true;
        std::vector<std::string> notes, copied;
        job.reencoded = [&](int section, const std::string& why) { notes.push_back(std::to_string(section) + why); };
        job.copied = [&](int, const std::string& path, const std::string&) { copied.push_back(path); };
        const CutRun run = cut(source, "MP3", job);
        if (!c.why.empty()) {
            EXPECT_EQ(notes, std::vector<std::string>{"-1" + c.why});
            EXPECT_TRUE(copied.empty());
            EXPECT_EQ(run.created.size(), 3u);
            EXPECT_EQ(probe(run.created[0]).sampleRate, c.rate);
            continue;
        }
        EXPECT_TRUE(notes.empty());
        ASSERT_EQ(copied.size(), 3u);
        EXPECT_TRUE(run.created.empty());
        const int64_t bounds[] = {0, 2500 * 441 / 10, 4000 * 441 / 10, total};
        for (size_t i = 0; i < 3; ++i) {
            const std::vector<float> section = decodeWithFfmpeg(copied[i]);
            const std::vector<float> expected(whole.begin() + bounds[i] * 2, whole.begin() + bounds[i + 1] * 2);
            EXPECT_EQ(section.size(), expected.size());
            EXPECT_TRUE(section == expected) << "section " << i;
            const AudioTags tags = readAudioTags(copied[i]);
            EXPECT_EQ(tags.artist, "Band");
            EXPECT_EQ(tags.track, std::to_string(i + 1));
        }
        EXPECT_EQ(run.reports.back(), (std::pair<int, int>{2, 100}));
    }
    AppSettings::mp3FreqHz = 44100;
}

// A copied MP3 section fades by steps of its granules' gain: it stays copied (the frames
// between the fades are the source's bytes), and its level against the source's rises
// over the fade-in and falls over the fade-out, by at most 1.6 dB from one granule to the
// next.
TEST_F(CutJobTest, CopiedMp3SectionsFadeInStepsOfGain) {
    AppSettings::mp3FreqHz = 44100;
    AppSettings::mp3ChannelCount = 2;
    for (const char* mpeg : {"44100", "22050"}) {
        SCOPED_TRACE(mpeg);
        AppSettings::mp3FreqHz = std::stoi(mpeg);
        const std::string source = folder_ / (std::string("faded") + mpeg + ".mp3");
        makeNoisyTone(source, 8.0, std::stoi(mpeg), 2, "-c:a libmp3lame -b:a 96k");
        const int rate = std::stoi(mpeg);
        const std::vector<float> whole = decodeWithFfmpeg(source);
        const std::string out = folder_ / (std::string("out") + mpeg);
        std::filesystem::create_directory(out);
        CutJob job;
        job.sections = {{500, 6500}};
        job.outputFolder = out + "/";
        job.baseName = "faded";
        job.fadeInMs = 2000;
        job.fadeOutMs = 1000;
        job.keepEncoding = true;
        std::vector<std::string> copied;
        job.reencoded = [](int, const std::string& why) { ADD_FAILURE() << why; };
        job.copied = [&](int, const std::string& path, const std::string&) { copied.push_back(path); };
        cut(source, "MP3", job);
        ASSERT_EQ(copied.size(), 1u);

        const std::vector<float> section = decodeWithFfmpeg(copied[0]);
        const int64_t first = int64_t{500} * rate / 1000, frames = int64_t{6500} * rate / 1000;
        ASSERT_EQ(section.size(), static_cast<size_t>(frames * 2));
        // The level against the source's, window by window of one granule.
        std::vector<double> levels;
        for (int64_t at = 0; at + 576 <= frames; at += 576) {
            double ours = 0, theirs = 0;
            for (int64_t i = at * 2; i < (at + 576) * 2; ++i) {
                ours += double{section[i]} * section[i];
                theirs += double{whole[(first * 2) + i]} * whole[(first * 2) + i];
            }
            levels.push_back(10 * std::log10((ours + 1e-12) / (theirs + 1e-12)));
        }
        const size_t fadeInEnd = static_cast<size_t>(2 * rate / 576), fadeOutStart = levels.size() - rate / 576 - 1;
        EXPECT_LT(levels.front(), -40);
        EXPECT_LT(levels.back(), -20);
        for (size_t i = 1; i < levels.size(); ++i) {
            SCOPED_TRACE(i);
            if (std::min(levels[i], levels[i - 1]) < -45)
                continue; // too far down for the source's noise to tell the level
            if (i <= fadeInEnd) {
                EXPECT_GE(levels[i], levels[i - 1] - 0.3);
                EXPECT_LE(levels[i] - levels[i - 1], 1.6);
            } else if (i > fadeOutStart + 1) {
                EXPECT_LE(levels[i], levels[i - 1] + 0.3);
                EXPECT_GE(levels[i] - levels[i - 1], -1.6);
            } else if (i > fadeInEnd + 2 && i + 2 < fadeOutStart) {
                EXPECT_NEAR(levels[i], 0, 0.01);
            }
        }
        // Ten frames from the middle are the source's bytes.
        const Mp3Frames frameList = readMp3Frames(source);
        const size_t middle = static_cast<size_t>(4 * rate / (rate >= 32000 ? 1152 : 576));
        const std::string bytes = readFileText(source);
        const std::string run =
            bytes.substr(frameList.offsets[middle], frameList.offsets[middle + 10] - frameList.offsets[middle]);
        EXPECT_NE(readFileText(copied[0]).find(run), std::string::npos);
    }
    AppSettings::mp3FreqHz = 44100;
}

// Ogg Vorbis and WMA sections are copied packet by packet: each holds its section's
// samples from its packet bounds on, which the note tells; a WAV source is encoded, and
// the reason said.
TEST_F(CutJobTest, KeptEncodingCopiesOggAndWmaPackets) {
    AppSettings::oggFreqHz = 44100;
    AppSettings::oggChannelCount = 2;
    AppSettings::wmaProfile = 15; // 44100 Hz, stereo
    AppSettings::wavFreqHz = 44100;
    AppSettings::wavChannelCount = 2;
    struct Case {
        const char* kind;
        const char* options;
        bool copied;
    };
    const Case cases[] = {{"OGG", "-c:a libvorbis -metadata artist=Band", true},
                          {"WMA", "-c:a wmav2 -b:a 128k -metadata artist=Band", true},
                          {"WAV", "-c:a pcm_s16le", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        const std::string source = folder_ / ("live." + extensionOfKind(c.kind));
        makeNoisyTone(source, 4.0, 44100, 2, c.options);
        const double sourceSeconds = static_cast<double>(decodeWithFfmpeg(source).size()) / 2 / 44100;
        const std::string out = folder_ / c.kind;
        std::filesystem::create_directory(out);
        CutJob job;
        job.sections = {{0, 1500}, {1500, 2500}};
        job.outputFolder = out + "/";
        job.baseName = "live";
        job.keepEncoding = true;
        std::vector<std::string> reasons, copied, notes;
        job.reencoded = [&](int, const std::string& why) { reasons.push_back(why); };
        job.copied = [&](int, const std::string& path, const std::string& note) {
            copied.push_back(path);
            notes.push_back(note);
        };
        const CutRun run = cut(source, c.kind, job);
        if (!c.copied) {
            EXPECT_EQ(reasons,
                      std::vector<std::string>{"the program copies the frames of MP3, Ogg Vorbis and WMA files only"});
            EXPECT_EQ(run.created.size(), 2u);
            continue;
        }
        EXPECT_TRUE(reasons.empty());
        ASSERT_EQ(copied.size(), 2u);
        // The first section starts with the file: only its end can lie on a later packet bound.
        EXPECT_EQ(notes[0].find("early"), std::string::npos) << notes[0];
        for (size_t i = 0; i < 2; ++i) {
            // The decoded length is the section's and the milliseconds the note names.
            int early = 0, late = 0;
            std::sscanf(notes[i].c_str(), "it starts %d ms early and ends %d ms late", &early, &late);
            std::sscanf(notes[i].c_str(), "it ends %d ms late", &late);
            // (the last section ends with the file, a few ms before 4 s in WMA).
            const double seconds = static_cast<double>(decodeWithFfmpeg(copied[i]).size()) / 2 / 44100;
            const double end = std::min((job.sections[i].start + job.sections[i].length) / 1000.0, sourceSeconds);
            EXPECT_NEAR(seconds, end - job.sections[i].start / 1000.0 + (early + late) / 1000.0, 0.0015) << notes[i];
            EXPECT_EQ(readAudioTags(copied[i]).track, std::to_string(i + 1));
        }
    }
}

// An album image cut by its CUE sheet, the files named by the tracks' numbers, performers
// and titles; a title with "/" stays one name, a playlist lists the tracks.
TEST_F(CutJobTest, AlbumByCueSheetNamedByTemplate) {
    makeTone(folder_ / "image.flac", 9, 44100, 2, "-c:a flac");
    const std::string sheet = "PERFORMER \"Sheet Band\"\nTITLE \"Best Of\"\nREM DATE 1999\n"
                              "FILE \"image.flac\" WAVE\n"
                              "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    PERFORMER \"Ann\"\n    INDEX 01 00:00:00\n"
                              "  TRACK 02 AUDIO\n    TITLE \"AC/DC Cover\"\n    INDEX 01 00:03:00\n"
                              "  TRACK 03 AUDIO\n    TITLE \"Ende: Zugabe\"\n    PERFORMER \"Jörg\"\n"
                              "    INDEX 01 00:06:37\n";
    const CueSheet cue = parseCueSheet(sheet, folder_ / "image.flac", 9000);
    CutSettings settings;
    settings.outputFolder = folder_ / "out/";
    settings.nameTemplate = "{album}/{n:02} - {artist} - {title}";
    settings.writesPlaylist = true;
    CutJob job = makeCutJob(folder_ / "image.flac", cue.sections, 9000, settings);
    job.album = cue.album;
    std::string playlist;
    job.playlistWritten = [&playlist](const std::string& path) { playlist = path; };
    const CutRun run = cut(folder_ / "image.flac", "FLAC", job);
    ASSERT_EQ(run.end, JobEnd::Finished);
    const std::string album = folder_ / "out/Best Of/";
    const struct {
        std::string file, title, artist;
        double seconds;
    } tracks[] = {{"01 - Ann - Opening.flac", "Opening", "Ann", 3.0},
                  {"02 - Sheet Band - AC_DC Cover.flac", "AC/DC Cover", "Sheet Band", 6 + 37 / 75.0 - 3},
                  {"03 - Jörg - Ende_ Zugabe.flac", "Ende: Zugabe", "Jörg", 9 - (6 + 37 / 75.0)}};
    ASSERT_EQ(run.created.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(tracks[i].file);
        EXPECT_EQ(run.created[i], album + tracks[i].file);
        const AudioTags tags = readAudioTags(album + tracks[i].file);
        EXPECT_EQ(tags.title, tracks[i].title);
        EXPECT_EQ(tags.artist, tracks[i].artist);
        EXPECT_EQ(tags.album, "Best Of");
        EXPECT_EQ(tags.track, std::to_string(i + 1));
        EXPECT_NEAR(probe(album + tracks[i].file).duration, tracks[i].seconds, 0.002);
    }
    EXPECT_EQ(playlist, folder_ / "out/image.m3u");
    EXPECT_EQ(readFileText(playlist), "#EXTM3U\n#EXTINF:3,Ann - Opening\nBest Of/01 - Ann - Opening.flac\n"
                                      "#EXTINF:3,Sheet Band - AC/DC Cover\nBest Of/02 - Sheet Band - AC_DC Cover.flac\n"
                                      "#EXTINF:3,Jörg - Ende: Zugabe\nBest Of/03 - Jörg - Ende_ Zugabe.flac\n");

    // The same cut again: every name is taken, so each gets " New"; the playlist too.
    const CutRun again = cut(folder_ / "image.flac", "FLAC", job);
    ASSERT_EQ(again.created.size(), 3u);
    EXPECT_EQ(again.created[0], album + "01 - Ann - Opening New.flac");
    EXPECT_EQ(playlist, folder_ / "out/image New.m3u");
}

// Sections that the template gives one name get " New" within the run, even where
// overwriting is allowed: no section replaces another.
TEST_F(CutJobTest, SectionsOfOneNameDoNotReplaceEachOther) {
    makeTone(folder_ / "talk.wav", 3, 44100, 2, "-c:a pcm_s16le");
    CutJob job;
    job.sections = {{0, 1000, "Same"}, {1000, 1000, "Same"}, {2000, 1000, "Other"}};
    job.outputFolder = folder_.path();
    job.baseName = "talk";
    job.overwrite = true;
    job.nameTemplate = "{title}";
    const CutRun run = cut(folder_ / "talk.wav", "WAV", job);
    EXPECT_EQ(run.created,
              (std::vector<std::string>{folder_ / "Same.wav", folder_ / "Same New.wav", folder_ / "Other.wav"}));
}
