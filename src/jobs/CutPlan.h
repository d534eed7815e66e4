#pragma once

// Cut points found for the user (at silences, at equal lengths, from a CUE sheet) before
// anything is written: the cutter shows them in its list, the batch program cuts them.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobControl.h"

struct FilePiece;

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

// Mean square of each millisecond of the input, channels mixed to one. Millisecond k
// holds the frames from k * rate / 1000 on (44 or 45 of them at 44.1 kHz); the first
// block added starts millisecond firstMs.
class MillisecondEnergies {
public:
    explicit MillisecondEnergies(int rate, int64_t firstMs = 0);
    void add(const AudioView& stretch);
    void finish(); // the last millisecond, when the input ends within it
    const std::vector<float>& energies() const { return energies_; }

private:
    int64_t boundary() const;
    void flush();

    int64_t rate_;
    int64_t firstMs_;
    int64_t frames_;
    int64_t boundary_; // the frame that ends the millisecond being summed
    int count_ = 0;
    double sum_ = 0;
    std::vector<float> energies_;
};

// The level of the silence search at millisecond k (at points to its energy, k counts from
// the file's start): the mean square of the 10 ms ending there (fewer at the start).
double windowMean(const float* at, int64_t k);

// The window levels of every millisecond of a file in half-decibel steps, kept as the
// waveform is computed: the silences below a threshold on that step are then told from
// them at once, exactly as reading the file again would tell them. A level is kept as its
// step from the one before in half a byte (a window shares 9 of its 10 milliseconds with
// the one before, so the steps are small), a larger step as a whole level after a mark.
class WindowLevels {
public:
    void reserve(int64_t milliseconds);
    // The energies of the next milliseconds, in the file's order.
    void append(const std::vector<float>& energies);
    int64_t milliseconds() const { return count_; }
    // Whether the silences below thresholdDb can be told from the levels.
    static bool tells(double thresholdDb);
    std::vector<Silence> silences(const SilenceOptions& options) const;

private:
    void push(uint8_t level);
    void pushHalf(uint8_t half);
    uint8_t half(size_t at) const { return (packed_[at / 2] >> (at % 2 * 4)) & 15; }

    std::vector<uint8_t> packed_;
    size_t halves_ = 0;
    int64_t count_ = 0;
    uint8_t last_ = 0;
    std::vector<float> tail_; // the last energies, which the next windows reach back into
};

// The millisecond energies of a piece of the file (placed at its first frame), read until
// stop() says so. Each stretch read, of whole 64-frame steps from the piece's start, is
// shown to see as well, when given.
std::vector<float> pieceEnergies(AudioFile& file, const FilePiece& piece, const std::function<bool()>& stop,
                                 const std::function<void(const AudioView& stretch)>& see = {});

// The millisecond energies of a file read on threads threads (0: one per core), reporting
// item 0 and the percentage read; what was read so far when stopped. Raises EngineError
// when the file cannot be read.
std::vector<float> millisecondEnergies(const std::string& path, int rate, int64_t totalFrames,
                                       const JobControl& control, int threads = 0);

// The silences of the opened input (read from its start to its end, in pieces on every
// core), reporting item 0 and the percentage read. Raises EngineError when the input
// cannot be read; returns JobEnd::Stopped, found holding what was found so far, when
// stopped.
JobEnd findSilences(AudioFile& input, const SilenceOptions& options, const JobControl& control,
                    std::vector<Silence>& found, int threads = 0);

// The plan the silences of a file of durationMs give: a cut at the middle of every silence
// between sounds, or (trim) the silences as unticked sections of their own.
CutPlan planFromSilences(const std::vector<Silence>& silences, int64_t durationMs, const SilenceOptions& options);

// Cuts every lengthMs, or into parts equal sections.
CutPlan planEvery(int64_t durationMs, int64_t lengthMs);
CutPlan planParts(int64_t durationMs, int parts);
// Each cut moved to the middle of the nearest silence within withinMs of it, if any.
CutPlan snappedToSilences(const CutPlan& plan, const std::vector<Silence>& silences, int64_t withinMs);
