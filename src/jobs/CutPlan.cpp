#include "CutPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "PieceReading.h"

namespace {

constexpr int WindowMs = 10; // the level is the RMS over this many 1-ms steps

} // namespace

MillisecondEnergies::MillisecondEnergies(int rate, int64_t firstMs)
    : rate_(std::max(1000, rate)), firstMs_(firstMs), frames_(firstMs * rate_ / 1000),
      boundary_((firstMs + 1) * rate_ / 1000) {}

namespace {

// The frames' mean squares (the channels mixed to one), added one frame after another;
// a count of channels known when compiling lets the mixing be unrolled.
template <class ChannelCount>
double addSquares(double sum, const float* samples, size_t frames, ChannelCount channels) {
    for (size_t i = 0; i < frames; ++i) {
        double frame = 0;
        for (size_t ch = 0; ch < channels; ++ch)
            frame += samples[i * channels + ch];
        frame /= static_cast<double>(channels);
        sum += frame * frame;
    }
    return sum;
}

double addSquares(double sum, const float* samples, size_t frames, size_t channels) {
    if (channels == 1)
        return addSquares(sum, samples, frames, std::integral_constant<size_t, 1>());
    if (channels == 2)
        return addSquares(sum, samples, frames, std::integral_constant<size_t, 2>());
    return addSquares<size_t>(sum, samples, frames, channels);
}

} // namespace

void MillisecondEnergies::add(const AudioView& stretch) {
    const auto channels = static_cast<size_t>(std::max(1, stretch.channels));
    const size_t frames = stretch.samples.size() / channels;
    const float* samples = stretch.samples.data();
    for (size_t i = 0; i < frames;) {
        // The frames up to the millisecond's end at once, added frame by frame however
        // the frames come in stretches.
        const size_t run = std::min<size_t>(frames - i, static_cast<size_t>(boundary_ - frames_));
        sum_ = addSquares(sum_, samples + i * channels, run, channels);
        i += run;
        count_ += static_cast<int>(run);
        frames_ += static_cast<int64_t>(run);
        if (frames_ == boundary_)
            flush();
    }
}

void MillisecondEnergies::finish() {
    if (count_ > 0)
        flush();
}

int64_t MillisecondEnergies::boundary() const {
    return (firstMs_ + static_cast<int64_t>(energies_.size()) + 1) * rate_ / 1000;
}

void MillisecondEnergies::flush() {
    energies_.push_back(static_cast<float>(sum_ / count_));
    sum_ = 0;
    count_ = 0;
    boundary_ = boundary();
}

double windowMean(const float* at, int64_t k) {
    const int64_t count = std::min<int64_t>(k + 1, WindowMs);
    double sum = 0;
    for (int64_t i = 1 - count; i <= 0; ++i)
        sum += at[i];
    return sum / static_cast<double>(count);
}

namespace {

// A level's byte: floor(2 * dB) + 255, so that a level is below a threshold T on the
// half-decibel step exactly when its byte is below 2 * T + 255 (0 holds all below -127.5 dB).
uint8_t levelCode(double meanSquare) {
    if (meanSquare <= 0)
        return 0;
    const double code = std::floor(20.0 * std::log10(meanSquare)) + 255;
    return static_cast<uint8_t>(std::clamp(code, 0.0, 255.0));
}

} // namespace

constexpr uint8_t WholeLevel = 15; // the half-byte that marks a whole level in the next two
constexpr int LargestStep = 7;

void WindowLevels::reserve(int64_t milliseconds) {
    packed_.reserve(static_cast<size_t>(milliseconds / 2 + milliseconds / 16 + 16));
}

void WindowLevels::pushHalf(uint8_t half) {
    if (halves_ % 2 == 0)
        packed_.push_back(half);
    else
        packed_.back() = static_cast<uint8_t>(packed_.back() | half << 4);
    ++halves_;
}

void WindowLevels::push(uint8_t level) {
    const int step = level - last_;
    if (std::abs(step) <= LargestStep) {
        pushHalf(static_cast<uint8_t>(step + LargestStep));
    } else {
        pushHalf(WholeLevel);
        pushHalf(level & 15);
        pushHalf(static_cast<uint8_t>(level >> 4));
    }
    last_ = level;
    ++count_;
}

void WindowLevels::append(const std::vector<float>& energies) {
    std::vector<float> reach = tail_;
    reach.insert(reach.end(), energies.begin(), energies.end());
    const size_t before = tail_.size();
    for (size_t i = 0; i < energies.size(); ++i)
        push(levelCode(windowMean(&reach[before + i], milliseconds())));
    const size_t keep = std::min<size_t>(reach.size(), WindowMs - 1);
    tail_.assign(reach.end() - static_cast<std::ptrdiff_t>(keep), reach.end());
}

bool WindowLevels::tells(double thresholdDb) {
    return thresholdDb <= 0 && thresholdDb >= -127 && std::abs(thresholdDb * 2 - std::round(thresholdDb * 2)) < 1e-9;
}

namespace {

// The silent stretches: runs of milliseconds whose window is silent, at least
// minSilenceMs long. A sound ending at T leaves the windows from T + 9 on, so a run first
// found at k started at k - 9; it ends where a window reaches sound again.
template <typename Silent>
std::vector<Silence> silentRuns(int64_t total, int64_t minSilenceMs, Silent silent) {
    std::vector<Silence> found;
    int64_t runStart = -1;
    auto close = [&](int64_t end) {
        if (runStart >= 0 && end - runStart >= minSilenceMs)
            found.push_back({runStart, end});
        runStart = -1;
    };
    for (int64_t k = 0; k < total; ++k) {
        const bool quiet = silent(k);
        if (quiet && runStart < 0)
            runStart = std::max<int64_t>(0, k - WindowMs + 1);
        else if (!quiet && runStart >= 0)
            close(k);
    }
    close(total);
    return found;
}

// The silences of the energies: where the window's mean square (each computed afresh,
// so that every way of computing the energies gives the same) is below the threshold.
std::vector<Silence> silentStretches(const std::vector<float>& energies, const SilenceOptions& options) {
    const double threshold = std::pow(10.0, options.thresholdDb / 10.0);
    return silentRuns(static_cast<int64_t>(energies.size()), options.minSilenceMs,
                      [&](int64_t k) { return windowMean(&energies[static_cast<size_t>(k)], k) < threshold; });
}

} // namespace

std::vector<Silence> WindowLevels::silences(const SilenceOptions& options) const {
    const int below = static_cast<int>(std::lround(options.thresholdDb * 2)) + 255;
    // The levels are read in order, one for each millisecond asked.
    size_t at = 0;
    int level = 0;
    return silentRuns(milliseconds(), options.minSilenceMs, [&](int64_t) {
        const uint8_t step = half(at++);
        if (step == WholeLevel) {
            level = half(at) | half(at + 1) << 4;
            at += 2;
        } else {
            level += step - LargestStep;
        }
        return level < below;
    });
}

namespace {

// Merges neighbouring sections with the same tick (their shared point goes).
CutPlan mergedAlike(const CutPlan& plan) {
    CutPlan merged;
    for (const PlannedSection& section : plan)
        if (merged.empty() || merged.back().use != section.use)
            merged.push_back(section);
    return merged;
}

int64_t endOf(const CutPlan& plan, size_t i, int64_t durationMs) {
    return i + 1 < plan.size() ? plan[i + 1].start : durationMs;
}

} // namespace

std::vector<float> pieceEnergies(AudioFile& file, const FilePiece& piece, const std::function<bool()>& stop,
                                 const std::function<void(const AudioView& stretch)>& see) {
    constexpr int StretchFrames = 65536;
    const int rate = file.sampleRate();
    MillisecondEnergies found(rate, piece.first * 1000 / rate);
    for (int64_t at = piece.first; at < piece.end && !stop();) {
        const AudioView stretch = file.readInPlace(static_cast<int>(std::min<int64_t>(piece.end - at, StretchFrames)));
        if (stretch.empty())
            break;
        found.add(stretch);
        if (see)
            see(stretch);
        at += stretch.frames();
    }
    found.finish();
    return found.energies();
}

std::vector<float> millisecondEnergies(const std::string& path, int rate, int64_t totalFrames,
                                       const JobControl& control, int threads) {
    const int64_t pieceFrames = pieceFramesFor(rate, 1);
    std::vector<std::vector<float>> pieces(static_cast<size_t>((totalFrames + pieceFrames - 1) / pieceFrames));
    std::vector<float> energies;
    int lastPercent = -1;
    PieceReading reading;
    reading.path = path;
    reading.totalFrames = totalFrames;
    reading.pieceFrames = pieceFrames;
    reading.threads = threads;
    reading.work = [&](AudioFile& file, const FilePiece& piece) {
        pieces[piece.index] = pieceEnergies(file, piece, [&] { return control.stopping(); });
    };
    reading.done = [&](const FilePiece& piece) {
        std::vector<float>& found = pieces[piece.index];
        energies.insert(energies.end(), found.begin(), found.end());
        std::vector<float>().swap(found);
        if (const int percent = static_cast<int>(piece.end * 100 / std::max<int64_t>(totalFrames, 1));
            percent != lastPercent && percent < 100)
            control.report(0, lastPercent = percent);
    };
    reading.stop = [&] { return control.stopping(); };
    readInPieces(reading);
    return energies;
}

JobEnd findSilences(AudioFile& input, const SilenceOptions& options, const JobControl& control,
                    std::vector<Silence>& found, int threads) {
    const std::vector<float> energies =
        millisecondEnergies(input.fileName(), input.sampleRate(), input.totalFrames(), control, threads);
    found = silentStretches(energies, options);
    if (control.stopping())
        return JobEnd::Stopped;
    control.report(0, 100);
    return JobEnd::Finished;
}

CutPlan planFromSilences(const std::vector<Silence>& silences, int64_t durationMs, const SilenceOptions& options) {
    CutPlan plan{{0, true, {}, {}}};
    for (const Silence& silence : silences) {
        if (options.trim) {
            if (silence.start > 0)
                plan.push_back({silence.start, false, {}, {}});
            else
                plan.front().use = false;
            if (silence.end < durationMs)
                plan.push_back({silence.end, true, {}, {}});
        } else if (silence.start > 0 && silence.end < durationMs) {
            plan.push_back({silence.middle(), true, {}, {}});
        }
    }
    if (options.minSectionMs <= 0)
        return plan;
    if (options.trim) {
        // A short sound between silences (a click, a cough) goes with them.
        for (size_t i = 0; i < plan.size(); ++i)
            if (plan[i].use && endOf(plan, i, durationMs) - plan[i].start < options.minSectionMs)
                plan[i].use = false;
        return mergedAlike(plan);
    }
    CutPlan kept{plan.front()};
    for (size_t i = 1; i < plan.size(); ++i)
        if (plan[i].start - kept.back().start >= options.minSectionMs)
            kept.push_back(plan[i]);
    if (kept.size() > 1 && durationMs - kept.back().start < options.minSectionMs)
        kept.pop_back();
    return kept;
}

CutPlan planEvery(int64_t durationMs, int64_t lengthMs) {
    CutPlan plan{{0, true, {}, {}}};
    for (int64_t at = lengthMs; lengthMs > 0 && at < durationMs; at += lengthMs)
        plan.push_back({at, true, {}, {}});
    return plan;
}

CutPlan planParts(int64_t durationMs, int parts) {
    CutPlan plan{{0, true, {}, {}}};
    for (int i = 1; i < parts; ++i)
        if (const int64_t at = (durationMs * i + parts / 2) / parts; at > plan.back().start && at < durationMs)
            plan.push_back({at, true, {}, {}});
    return plan;
}

CutPlan snappedToSilences(const CutPlan& plan, const std::vector<Silence>& silences, int64_t withinMs) {
    CutPlan snapped{plan.front()};
    for (size_t i = 1; i < plan.size(); ++i) {
        PlannedSection section = plan[i];
        const auto nearest =
            std::min_element(silences.begin(), silences.end(), [&](const Silence& a, const Silence& b) {
                return std::llabs(a.middle() - section.start) < std::llabs(b.middle() - section.start);
            });
        if (nearest != silences.end() && std::llabs(nearest->middle() - section.start) <= withinMs)
            section.start = nearest->middle();
        if (section.start > snapped.back().start)
            snapped.push_back(section);
    }
    return snapped;
}
