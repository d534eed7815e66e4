#include "Waveform.h"

#include <algorithm>
#include <cmath>
#include <future>
#include <span>

#ifdef __SSE__
#include <xmmintrin.h>
#endif

#include "AudioFile.h"
#include "PieceReading.h"

namespace {

// The lowest and highest sample; four at a time where the processor has SSE (every x86-64
// one), a comparison the compiler would not turn into vector code by itself.
Peak envelopeOf(std::span<const float> samples) {
    if (samples.empty())
        return {};
    float low = samples[0], high = samples[0];
    size_t i = 0;
#ifdef __SSE__
    if (samples.size() >= 4) {
        __m128 lows = _mm_loadu_ps(samples.data()), highs = lows;
        for (i = 4; i + 4 <= samples.size(); i += 4) {
            const __m128 four = _mm_loadu_ps(samples.data() + i);
            lows = _mm_min_ps(lows, four);
            highs = _mm_max_ps(highs, four);
        }
        alignas(16) float lanes[2][4];
        _mm_store_ps(lanes[0], lows);
        _mm_store_ps(lanes[1], highs);
        low = *std::min_element(lanes[0], lanes[0] + 4);
        high = *std::max_element(lanes[1], lanes[1] + 4);
    }
#endif
    for (; i < samples.size(); ++i) {
        low = std::min(low, samples[i]);
        high = std::max(high, samples[i]);
    }
    return {low, high};
}

} // namespace

PeakLevels::StoredPeak PeakLevels::StoredPeak::of(const Peak& peak) {
    auto step = [](double steps) { return static_cast<int8_t>(std::clamp(steps, -127.0, 127.0)); };
    return {step(std::floor(peak.low * 127.0)), step(std::ceil(peak.high * 127.0))};
}

Peak PeakLevels::StoredPeak::peak() const {
    return {static_cast<float>(low) / 127.0f, static_cast<float>(high) / 127.0f};
}

void PeakLevels::StoredPeak::include(const StoredPeak& other) {
    low = std::min(low, other.low);
    high = std::max(high, other.high);
}

PeakLevels::PeakLevels(int64_t totalFrames, int sampleRate)
    : totalFrames_(std::max<int64_t>(totalFrames, 0)), levels_(1) {
    // Room for all from the start: growing by doubling would hold up to three times as much.
    levels_[0].reserve(static_cast<size_t>(peaksAt(0)));
    if (sampleRate > 0)
        windowLevels_.reserve(totalFrames_ * 1000 / sampleRate + 1);
}

int64_t PeakLevels::peaksAt(size_t level) const {
    int64_t span = BaseFrames;
    for (size_t i = 0; i < level; ++i)
        span *= Factor;
    return (totalFrames_ + span - 1) / span;
}

int64_t PeakLevels::computedFrames() const {
    return std::min(totalFrames_, static_cast<int64_t>(levels_[0].size()) * BaseFrames);
}

void PeakLevels::setSketch(std::vector<Peak> sketch) {
    sketch_ = std::move(sketch);
}

void PeakLevels::append(const std::vector<Peak>& basePeaks, const std::vector<float>& energies) {
    windowLevels_.append(energies);
    for (const Peak& peak : basePeaks)
        levels_[0].push_back(StoredPeak::of(peak));
    // Each level gets the peaks whose Factor peaks below are all there.
    for (size_t level = 1; levels_[level - 1].size() >= Factor; ++level) {
        if (levels_.size() <= level) {
            levels_.emplace_back(); // before the references: it may move the levels
            levels_.back().reserve(static_cast<size_t>(peaksAt(level)));
        }
        const std::vector<StoredPeak>& below = levels_[level - 1];
        std::vector<StoredPeak>& here = levels_[level];
        for (size_t i = here.size() * Factor; i + Factor <= below.size(); i += Factor) {
            StoredPeak peak = below[i];
            for (size_t j = 1; j < Factor; ++j)
                peak.include(below[i + j]);
            here.push_back(peak);
        }
    }
}

Peak PeakLevels::sketchOf(int64_t first, int64_t end) const {
    if (sketch_.empty() || totalFrames_ <= 0)
        return {};
    const auto count = static_cast<int64_t>(sketch_.size());
    const int64_t from = std::clamp<int64_t>(first * count / totalFrames_, 0, count - 1);
    const int64_t to = std::clamp<int64_t>((end * count + totalFrames_ - 1) / totalFrames_, from + 1, count);
    Peak peak = sketch_[static_cast<size_t>(from)];
    for (int64_t i = from + 1; i < to; ++i)
        peak.include(sketch_[static_cast<size_t>(i)]);
    return peak;
}

void PeakLevels::gather(size_t level, int64_t first, int64_t end, Envelope& envelope) const {
    if (end <= first)
        return;
    int64_t span = BaseFrames;
    for (size_t i = 0; i < level; ++i)
        span *= Factor;
    const std::vector<StoredPeak>& peaks = levels_[level];
    if (level == 0) {
        // The finest peaks: those the stretch touches.
        const auto to = std::min(peaks.size(), static_cast<size_t>((end + span - 1) / span));
        for (auto i = static_cast<size_t>(first / span); i < to; ++i)
            envelope.add(peaks[i].peak());
        return;
    }
    // The peaks of this level inside the stretch, and its ends from the level below.
    const int64_t innerFirst = (first + span - 1) / span * span;
    const int64_t innerEnd = std::min(end / span, static_cast<int64_t>(peaks.size())) * span;
    if (innerFirst >= innerEnd)
        return gather(level - 1, first, end, envelope);
    gather(level - 1, first, innerFirst, envelope);
    for (int64_t i = innerFirst / span; i < innerEnd / span; ++i)
        envelope.add(peaks[static_cast<size_t>(i)].peak());
    gather(level - 1, innerEnd, end, envelope);
}

Peak PeakLevels::peakOf(int64_t first, int64_t end) const {
    first = std::max<int64_t>(first, 0);
    end = std::min(end, totalFrames_);
    if (end <= first)
        return {};
    const int64_t computed = computedFrames();
    if (first >= computed)
        return sketchOf(first, end);
    // The coarsest level whose peaks are no longer than the stretch: a few peaks to join.
    int64_t span = BaseFrames;
    size_t level = 0;
    while (level + 1 < levels_.size() && span * Factor <= end - first) {
        span *= Factor;
        ++level;
    }
    Envelope envelope;
    gather(level, first, std::min(end, computed), envelope);
    if (end > computed)
        envelope.add(sketchOf(computed, end));
    return envelope.peak;
}

namespace {

// The level-0 peaks and the millisecond energies of a piece of the file.
struct PieceFindings {
    std::vector<Peak> peaks;
    std::vector<float> energies;
};

PieceFindings readPiece(AudioFile& file, const FilePiece& piece, const std::function<bool()>& stop) {
    PieceFindings found;
    const auto step = static_cast<size_t>(PeakLevels::BaseFrames * file.channels());
    found.energies = pieceEnergies(file, piece, stop, [&](const AudioView& stretch) {
        for (size_t i = 0; i < stretch.samples.size(); i += step)
            found.peaks.push_back(envelopeOf(stretch.samples.subspan(i, std::min(step, stretch.samples.size() - i))));
    });
    return found;
}

// A first look at the whole file: the envelope of one MP3 frame's length at each column,
// the columns' halves read on two threads where the file seeks directly.
std::vector<Peak> sketchPeaks(AudioFile& file, const std::string& path, int columns,
                              const std::function<bool()>& stop) {
    std::vector<Peak> places(static_cast<size_t>(std::max(columns, 0)));
    const int64_t total = file.totalFrames();
    auto look = [&](AudioFile& reader, int first, int end) {
        for (int i = first; i < end && !stop(); ++i) {
            reader.seek(total * i / columns);
            places[static_cast<size_t>(i)] = envelopeOf(reader.readInPlace(1152).samples);
        }
    };
    AudioFile second;
    if (file.seeksDirectly() && columns >= 2)
        second.openForRead(path);
    if (!second.isReading()) {
        look(file, 0, columns);
        return places;
    }
    std::future<void> secondHalf = std::async(std::launch::async, [&] { look(second, columns / 2, columns); });
    look(file, 0, columns / 2);
    secondHalf.get();
    return places;
}

} // namespace

void computePeaks(const std::string& path, int sketchColumns,
                  const std::function<void(int64_t totalFrames, int rate)>& opened,
                  const std::function<void(std::vector<Peak> sketch)>& sketch, const PeaksReady& ready,
                  const std::function<bool()>& stop, int threads) {
    AudioFile file;
    file.openForRead(path);
    if (file.errorCode() != 0 || file.totalFrames() == 0)
        return;
    const int64_t total = file.totalFrames();
    const int rate = file.sampleRate();
    opened(total, rate);
    try {
        sketch(sketchPeaks(file, path, sketchColumns, stop));
        file.close();
        PieceReading reading;
        reading.path = path;
        reading.totalFrames = total;
        reading.pieceFrames = pieceFramesFor(rate, PeakLevels::BaseFrames);
        reading.threads = threads;
        std::vector<PieceFindings> pieces(static_cast<size_t>((total + reading.pieceFrames - 1) / reading.pieceFrames));
        reading.work = [&](AudioFile& reader, const FilePiece& piece) {
            pieces[piece.index] = readPiece(reader, piece, stop);
        };
        reading.done = [&](const FilePiece& piece) {
            PieceFindings found = std::move(pieces[piece.index]);
            ready(std::move(found.peaks), std::move(found.energies));
        };
        reading.stop = stop;
        readInPieces(reading);
    } catch (const EngineError&) {
        // A file that breaks off while being read shows what was read.
    }
}
