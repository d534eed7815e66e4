#include "Waveform.h"

#include <algorithm>
#include <cmath>

#include "AudioFile.h"
#include "PieceReading.h"

namespace {

Peak envelopeOf(const AudioBlock& block) {
    if (block.samples.empty())
        return {};
    const auto [low, high] = std::minmax_element(block.samples.begin(), block.samples.end());
    return {*low, *high};
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
    constexpr int BlockFrames = PeakLevels::BaseFrames * 1024;
    const auto stride = static_cast<size_t>(PeakLevels::BaseFrames * file.channels());
    PieceFindings found;
    MillisecondEnergies energies(file.sampleRate(), piece.first * 1000 / file.sampleRate());
    for (int64_t at = piece.first; at < piece.end && !stop();) {
        const AudioBlock block = file.readBlock(static_cast<int>(std::min<int64_t>(piece.end - at, BlockFrames)));
        if (block.empty())
            break;
        for (size_t i = 0; i < block.samples.size(); i += stride) {
            const auto end = block.samples.begin() + static_cast<ptrdiff_t>(std::min(i + stride, block.samples.size()));
            const auto [low, high] = std::minmax_element(block.samples.begin() + static_cast<ptrdiff_t>(i), end);
            found.peaks.push_back({*low, *high});
        }
        energies.add(block);
        at += block.frames();
    }
    energies.finish();
    found.energies = energies.energies();
    return found;
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
        std::vector<Peak> places;
        for (int i = 0; i < sketchColumns && !stop(); ++i) {
            file.seek(total * i / sketchColumns);
            places.push_back(envelopeOf(file.readBlock(1152)));
        }
        sketch(std::move(places));
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
