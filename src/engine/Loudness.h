#pragma once

// Loudness as EBU R 128 measures it (through libebur128): a file's integrated loudness,
// loudness range, true and sample peak, from one decoding of every channel at the file's
// own rate; and an album's over several files. ReplayGain 2.0 gains refer to -18 LUFS.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct LoudnessFigures {
    double integratedLufs = 0; // -inf (as -HUGE_VAL) for a silent file
    double rangeLu = 0;
    double truePeak = 0;   // linear, 1.0 = full scale
    double samplePeak = 0; // linear

    // ReplayGain 2.0: the gain that brings it to -18 LUFS, in dB; the peak in dBTP.
    double replayGainDb() const { return -18.0 - integratedLufs; }
    double truePeakDb() const;
    // False for silence, which no gain brings to the reference.
    bool hasLoudness() const;
};

struct ReplayGainTags;
// The ReplayGain values of a track (and of its album, when given and not silent); nothing
// for a silent track.
std::optional<ReplayGainTags> replayGainTagsOf(const LoudnessFigures& track, const LoudnessFigures* album);

struct AudioBlock;
class TrackLoudness;

// A meter fed block by block (the blocks' channels taken as front channels, as a file's
// decoding for playback or a job gives them), for a stretch of a file or audio as an
// output holds it.
class LoudnessMeter {
public:
    // Raises EngineError when libebur128 cannot measure audio of the rate and channels.
    LoudnessMeter(int rateHz, int channels);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    void add(const AudioBlock& block);
    void add(const float* samples, size_t frames);
    LoudnessFigures figures() const;
    // The measurement as a track's (for an album's figures); the meter is left empty.
    std::unique_ptr<TrackLoudness> finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// One file's measurement; kept (a few KB) so that an album's can be made of several.
class TrackLoudness {
public:
    // Decodes and measures the file; progress(share) is called as it goes and stops it by
    // giving false (then measure gives nullptr). Raises EngineError when the file cannot be
    // read.
    static std::unique_ptr<TrackLoudness> measure(const std::string& path,
                                                  const std::function<bool(double share)>& progress = {});
    ~TrackLoudness();

    const LoudnessFigures& figures() const { return figures_; }

    // The album's figures over the tracks: loudness and range of all their audio as one
    // programme, peaks the highest of theirs.
    static LoudnessFigures album(const std::vector<const TrackLoudness*>& tracks);

private:
    friend class LoudnessMeter;
    struct State;
    explicit TrackLoudness(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
    LoudnessFigures figures_;
};
