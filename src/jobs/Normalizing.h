#pragma once

// Bringing what a job writes to one loudness: each output (or each input of a join) is
// measured as EBU R 128 does and scaled to the target, never so far that its true peak
// passes the ceiling, so nothing clips; silence stays as it is.

#include <functional>
#include <optional>
#include <string>

#include "AudioFile.h"
#include "JobControl.h"
#include "Loudness.h"

struct Normalizing {
    bool on = false;
    double targetLufs = -18.0;
    double ceilingDbtp = -1.0;
    // A join: the inputs keep their levels to each other and the whole reaches the target
    // (without it each input is brought to the target). A cut: the whole source instead
    // of each section.
    bool album = false;
    // A gain already known (an album's, measured over a run's files), used instead of
    // measuring.
    std::optional<double> fixedGainDb;
    // Told the gain given to a file or section and the loudness it reaches (below the
    // target when the ceiling held it back).
    std::function<void(const std::string& what, double gainDb, double reachedLufs)> applied;
};

// The settings' target and ceiling, on for a job when on.
Normalizing settingsNormalizing(bool on);

// The gain in dB that brings audio of the figures to the target within the ceiling; 0
// for silence.
double normalizingGainDb(const LoudnessFigures& figures, const Normalizing& normalizing);
// The factor of an amplitude for a gain in dB.
float amplitudeFactor(double gainDb);

// The same control with each item's percent mapped into [from, to] of the job's report.
JobControl progressWithin(const JobControl& control, int from, int to);

// What output would hold of the opened input's frames from first to end (-1: its end), as
// the output's prepared format holds it, reporting item's progress; nullptr after a stop.
// Raises EngineError when the input cannot be read.
std::unique_ptr<TrackLoudness> measureAsWritten(AudioFile& input, const AudioFile& output, int item,
                                                const JobControl& control, int64_t first = 0, int64_t end = -1);

// The gains (dB) that bring the files, written as output writes them (without output: as
// they are), to the target: each
// its own, or with album one for all (or the fixed gain for all); measured one after
// another with item i's progress; nullopt after a stop. Raises EngineError naming the
// file when one cannot be read.
std::optional<std::vector<double>> normalizingGains(const std::vector<std::string>& paths,
                                                    const Normalizing& normalizing, const AudioFile* output,
                                                    const JobControl& control);

// Says the gain given to what through normalizing.applied.
void tellApplied(const Normalizing& normalizing, const std::string& what, const LoudnessFigures& figures,
                 double gainDb);
