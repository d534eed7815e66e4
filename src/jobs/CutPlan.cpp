#include "CutPlan.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int WindowMs = 10; // the level is the RMS over this many 1-ms steps

// Mean square of each millisecond of the input, channels mixed to one. Millisecond k
// holds the frames from k * rate / 1000 on (44 or 45 of them at 44.1 kHz).
class MillisecondEnergies {
public:
    explicit MillisecondEnergies(int rate) : rate_(std::max(1000, rate)) {}

    void add(const AudioBlock& block) {
        const int channels = std::max(1, block.channels);
        for (size_t at = 0; at + static_cast<size_t>(channels) <= block.samples.size();
             at += static_cast<size_t>(channels)) {
            double frame = 0;
            for (int ch = 0; ch < channels; ++ch)
                frame += block.samples[at + static_cast<size_t>(ch)];
            frame /= channels;
            sum_ += frame * frame;
            ++count_;
            if (++frames_ == boundary())
                flush();
        }
    }
    void finish() {
        if (count_ > 0)
            flush();
    }
    const std::vector<float>& energies() const { return energies_; }

private:
    int64_t boundary() const { return (static_cast<int64_t>(energies_.size()) + 1) * rate_ / 1000; }
    void flush() {
        energies_.push_back(static_cast<float>(sum_ / count_));
        sum_ = 0;
        count_ = 0;
    }

    int64_t rate_;
    int64_t frames_ = 0;
    int count_ = 0;
    double sum_ = 0;
    std::vector<float> energies_;
};

// The silent stretches: runs of milliseconds where the 10-ms window ending there has a
// mean square below the threshold. A sound ending at T leaves the windows from T + 9 on,
// so a run first found at k started at k - 9; it ends where a window reaches sound again.
std::vector<Silence> silentStretches(const std::vector<float>& energies, const SilenceOptions& options) {
    const double threshold = std::pow(10.0, options.thresholdDb / 10.0);
    const auto total = static_cast<int64_t>(energies.size());
    std::vector<Silence> found;
    double window = 0;
    int64_t runStart = -1;
    auto close = [&](int64_t end) {
        if (runStart >= 0 && end - runStart >= options.minSilenceMs)
            found.push_back({runStart, end});
        runStart = -1;
    };
    for (int64_t k = 0; k < total; ++k) {
        window += energies[static_cast<size_t>(k)];
        if (k >= WindowMs)
            window -= energies[static_cast<size_t>(k - WindowMs)];
        const bool silent = window / static_cast<double>(std::min<int64_t>(k + 1, WindowMs)) < threshold;
        if (silent && runStart < 0)
            runStart = std::max<int64_t>(0, k - WindowMs + 1);
        else if (!silent && runStart >= 0)
            close(k);
    }
    close(total);
    return found;
}

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

JobEnd findSilences(AudioFile& input, const SilenceOptions& options, const JobControl& control,
                    std::vector<Silence>& found) {
    MillisecondEnergies energies(input.sampleRate());
    const int64_t total = std::max<int64_t>(1, input.totalFrames());
    int64_t read = 0;
    int lastPercent = -1;
    input.seek(0);
    for (AudioBlock block = input.readBlock(65536); !block.empty(); block = input.readBlock(65536)) {
        if (control.stopping()) {
            energies.finish();
            found = silentStretches(energies.energies(), options);
            return JobEnd::Stopped;
        }
        energies.add(block);
        read += block.frames();
        if (const int percent = static_cast<int>(read * 100 / total); percent != lastPercent && percent < 100)
            control.report(0, lastPercent = percent);
    }
    energies.finish();
    found = silentStretches(energies.energies(), options);
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
