#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "CutPlan.h"

// The peak envelope of a file for the cutter's time line: the lowest and highest sample
// (of all channels) of stretches of frames.
struct Peak {
    float low = 0, high = 0;

    void include(const Peak& other) {
        low = low < other.low ? low : other.low;
        high = high > other.high ? high : other.high;
    }
};

// A file's peaks at several resolutions, so that any zoom is drawn from the level just
// finer than a pixel without reading the file again: level 0 holds one peak per
// BaseFrames frames, each next level one per Factor peaks of the one below. Peaks are
// appended in the file's order as they are computed; until then a sketch (a few frames
// read at evenly spaced places) stands for the part not computed yet. They are kept in
// steps of 1/127 (a byte each, widened outwards: a drawing cannot show finer), so that a
// ten-hour file's take little memory; with them, the levels of its silence search.
class PeakLevels {
public:
    static constexpr int BaseFrames = 64;
    static constexpr int Factor = 8;

    explicit PeakLevels(int64_t totalFrames = 0, int sampleRate = 0);

    int64_t totalFrames() const { return totalFrames_; }
    // Frames [0, computedFrames()) have their own peaks.
    int64_t computedFrames() const;
    bool complete() const { return computedFrames() >= totalFrames_; }
    bool sketched() const { return !sketch_.empty(); }

    void setSketch(std::vector<Peak> sketch);
    // The next level-0 peaks and the energies of the milliseconds they cover.
    void append(const std::vector<Peak>& basePeaks, const std::vector<float>& energies = {});

    // The envelope of frames [first, end) (empty stretches give a zero peak).
    Peak peakOf(int64_t first, int64_t end) const;
    // The silence search's levels of the milliseconds computed so far.
    const WindowLevels& windowLevels() const { return windowLevels_; }

private:
    struct StoredPeak {
        int8_t low = 0, high = 0;
        static StoredPeak of(const Peak& peak);
        Peak peak() const;
        void include(const StoredPeak& other);
    };
    struct Envelope {
        Peak peak;
        bool any = false;
        void add(const Peak& more) {
            any ? peak.include(more) : void(peak = more);
            any = true;
        }
    };
    Peak sketchOf(int64_t first, int64_t end) const;
    int64_t peaksAt(size_t level) const; // the peaks the level holds when complete
    void gather(size_t level, int64_t first, int64_t end, Envelope& envelope) const;

    int64_t totalFrames_ = 0;
    std::vector<std::vector<StoredPeak>> levels_; // levels_[0]: one per BaseFrames frames
    std::vector<Peak> sketch_;
    WindowLevels windowLevels_;
};

// Computes the file's peaks: first a sketch of sketchColumns places, handed to sketch,
// then the level-0 peaks and the millisecond energies, read in pieces on threads threads
// (0: one per core) and handed to ready in the file's order (on the calling thread).
// stop() ends the work early. A file that cannot be read gives nothing; the length comes
// to opened first.
using PeaksReady = std::function<void(std::vector<Peak> basePeaks, std::vector<float> energies)>;
void computePeaks(const std::string& path, int sketchColumns,
                  const std::function<void(int64_t totalFrames, int rate)>& opened,
                  const std::function<void(std::vector<Peak> sketch)>& sketch, const PeaksReady& ready,
                  const std::function<bool()>& stop, int threads = 0);
