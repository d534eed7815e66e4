#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AudioFile.h"
#include "AudioFixtures.h"
#include "CutPlan.h"
#include "PieceReading.h"
#include "TempFolder.h"
#include "Waveform.h"

namespace {

// 40 s of tone bursts over a noise floor, with silences across the pieces' bounds (16 s
// and 32 s at 44.1 kHz).
void makeLongBursts(const std::string& path, const std::string& options) {
    makeFromFilter(path,
                   "aevalsrc='if(between(t,1,15.5)+between(t,17.2,31)+between(t,33.5,40), "
                   "0.5*sin(2*PI*440*t), 0) + 0.001*(2*random(0)-1)':s=44100:d=40",
                   "-ac 2 " + options);
}

struct Waveform {
    std::vector<Peak> peaks;
    std::vector<float> energies;
};

Waveform waveformOf(const std::string& path, int threads) {
    Waveform found;
    computePeaks(
        path, 16, [](int64_t, int) {}, [](std::vector<Peak>) {},
        [&](std::vector<Peak> peaks, std::vector<float> energies) {
            found.peaks.insert(found.peaks.end(), peaks.begin(), peaks.end());
            found.energies.insert(found.energies.end(), energies.begin(), energies.end());
        },
        [] { return false; }, threads);
    return found;
}

bool samePeaks(const std::vector<Peak>& a, const std::vector<Peak>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](const Peak& x, const Peak& y) {
               return x.low == y.low && x.high == y.high;
           });
}

} // namespace

// Read in pieces on several threads, a file gives exactly the peaks, the millisecond
// energies and so the silences of one reading from its start, in every format; the
// silences the waveform's levels tell are those of the search.
TEST(PieceReading, PiecesOnEveryCoreGiveWhatOneReadingGives) {
    TempFolder folder;
    const std::pair<const char*, const char*> formats[] = {
        {"bursts.mp3", "-c:a libmp3lame -b:a 128k"},
        {"bursts.ogg", "-c:a libvorbis -q:a 4"},
        {"bursts.wma", "-c:a wmav2 -b:a 128k"},
        {"bursts.flac", "-c:a flac"},
        {"bursts.wav", "-c:a pcm_s16le"},
    };
    for (const auto& [name, codec] : formats) {
        SCOPED_TRACE(name);
        const std::string path = folder / name;
        makeLongBursts(path, codec);
        AudioFile file;
        file.openForRead(path);
        ASSERT_EQ(file.errorCode(), 0) << file.errorText();
        ASSERT_TRUE(file.seeksDirectly());
        const int64_t total = file.totalFrames();

        const Waveform serial = waveformOf(path, 1), parallel = waveformOf(path, 3);
        EXPECT_EQ(static_cast<int64_t>(serial.peaks.size()),
                  (total + PeakLevels::BaseFrames - 1) / PeakLevels::BaseFrames);
        EXPECT_TRUE(samePeaks(serial.peaks, parallel.peaks));
        EXPECT_EQ(serial.energies, parallel.energies);
        EXPECT_EQ(static_cast<int64_t>(serial.energies.size()), (total * 1000 + 44099) / 44100);

        const JobControl control;
        EXPECT_EQ(millisecondEnergies(path, 44100, total, control, 1), serial.energies);
        EXPECT_EQ(millisecondEnergies(path, 44100, total, control, 2), serial.energies);

        // WMA's decoder starts 46 ms late, after a little noise: its first silence is shorter.
        SilenceOptions options;
        options.minSilenceMs = 800;
        std::vector<Silence> searched;
        ASSERT_EQ(findSilences(file, options, control, searched, 3), JobEnd::Finished);
        ASSERT_EQ(searched.size(), 3u);
        EXPECT_NEAR(searched[0].end, 1000, 60);
        EXPECT_NEAR(searched[1].start, 15500, 60);
        EXPECT_NEAR(searched[2].end, 33500, 60);
        PeakLevels levels(total, 44100);
        levels.append(parallel.peaks, parallel.energies);
        EXPECT_EQ(levels.windowLevels().silences(options), searched);
    }
}

// Pieces are whole seconds and whole stretches of the alignment; a stop ends the reading
// with the pieces read so far handed on in order, and a file that cannot be read says why.
TEST(PieceReading, PiecesAreAlignedStopAndFailInWords) {
    EXPECT_EQ(pieceFramesFor(44100, 64), 705600);
    EXPECT_EQ(pieceFramesFor(48000, 64), 48000 * 16);
    EXPECT_EQ(pieceFramesFor(22050, 64), 705600);
    EXPECT_EQ(pieceFramesFor(8000, 1), 8000 * 16);

    TempFolder folder;
    const std::string path = folder / "tone.flac";
    makeTone(path, 10.0, 44100, 2, "-c:a flac");
    std::vector<size_t> handedOn;
    PieceReading reading;
    reading.path = path;
    reading.totalFrames = 441000;
    reading.pieceFrames = 44100;
    reading.threads = 2;
    reading.work = [](AudioFile& file, const FilePiece& piece) {
        EXPECT_EQ(file.readBlock(static_cast<int>(piece.end - piece.first)).frames(), piece.end - piece.first);
    };
    reading.done = [&](const FilePiece& piece) { handedOn.push_back(piece.index); };
    reading.stop = [&] { return handedOn.size() >= 4; };
    readInPieces(reading);
    ASSERT_GE(handedOn.size(), 4u);
    EXPECT_LT(handedOn.size(), 10u);
    for (size_t i = 0; i < handedOn.size(); ++i)
        EXPECT_EQ(handedOn[i], i);

    reading.path = folder / "missing.flac";
    try {
        readInPieces(reading);
        ADD_FAILURE() << "a missing file was read";
    } catch (const EngineError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.flac"), std::string::npos) << error.what();
    }
}
