#pragma once

// Loudness as EBU R 128 measures it (through libebur128): a file's integrated loudness,
// loudness range, true and sample peak, from one decoding of every channel at the file's
// own rate; and an album's over several files. ReplayGain 2.0 gains refer to -18 LUFS.

#include <functional>
#include <memory>
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
    struct State;
    explicit TrackLoudness(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
    LoudnessFigures figures_;
};
