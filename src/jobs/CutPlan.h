#pragma once

// Cut points found for the user (at silences, at equal lengths, from a CUE sheet) before
// anything is written: the cutter shows them in its list, the batch program cuts them.

#include <cstdint>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobControl.h"

// A section of a plan: where it starts, whether it is cut, and its own title and artist
// for the output's tags (empty: the usual numbered title, the source's artist).
struct PlannedSection {
    int64_t start = 0; // ms
    bool use = true;
    std::string title, artist;

    bool operator==(const PlannedSection&) const = default;
};
// Sections in order, the first at 0; each runs to the next one's start, the last to the
// file's end.
using CutPlan = std::vector<PlannedSection>;

struct Silence {
    int64_t start = 0, end = 0; // ms

    int64_t middle() const { return (start + end) / 2; }
    bool operator==(const Silence&) const = default;
};

struct SilenceOptions {
    double thresholdDb = -40;    // dBFS: a stretch whose level (RMS over 10 ms) stays below is silent
    int64_t minSilenceMs = 1000; // shorter quiet stretches are not silences
    int64_t minSectionMs = 0;    // sections shorter than this are merged into their neighbours
    bool trim = false;           // silences become unticked sections instead of cuts at their middles
};

// The silences of the opened input (read from its start to its end), reporting item 0 and
// the percentage read. Raises EngineError when the input cannot be read; returns
// JobEnd::Stopped, found holding what was found so far, when stopped.
JobEnd findSilences(AudioFile& input, const SilenceOptions& options, const JobControl& control,
                    std::vector<Silence>& found);

// The plan the silences of a file of durationMs give: a cut at the middle of every silence
// between sounds, or (trim) the silences as unticked sections of their own.
CutPlan planFromSilences(const std::vector<Silence>& silences, int64_t durationMs, const SilenceOptions& options);

// Cuts every lengthMs, or into parts equal sections.
CutPlan planEvery(int64_t durationMs, int64_t lengthMs);
CutPlan planParts(int64_t durationMs, int parts);
// Each cut moved to the middle of the nearest silence within withinMs of it, if any.
CutPlan snappedToSilences(const CutPlan& plan, const std::vector<Silence>& silences, int64_t withinMs);
