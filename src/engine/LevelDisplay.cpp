#include "LevelDisplay.h"

#include <algorithm>

#include <QPainter>

#include "internal/Spectrum.h"

namespace {
constexpr float PeakFall = 0.02f; // per picture
constexpr int Gap = 2;
} // namespace

LevelDisplay::LevelDisplay(QWidget* parent) : QWidget(parent), levels_(BarCount, 0.0f), peaks_(BarCount, 0.0f) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

LevelDisplay::~LevelDisplay() = default;

void LevelDisplay::showData(const AudioBlock& block) {
    if (block.empty()) {
        std::fill(levels_.begin(), levels_.end(), 0.0f);
        std::fill(peaks_.begin(), peaks_.end(), 0.0f);
    } else {
        if (!spectrum_ || spectrum_->size() != fftWindowsSize)
            spectrum_ = std::make_unique<Engine::Spectrum>(fftWindowsSize);
        // Several channels are shown as their mean.
        std::vector<float> mono(static_cast<size_t>(block.frames()));
        for (size_t i = 0; i < mono.size(); ++i) {
            float sum = 0;
            for (int ch = 0; ch < block.channels; ++ch)
                sum += block.samples[i * static_cast<size_t>(block.channels) + static_cast<size_t>(ch)];
            mono[i] = sum / static_cast<float>(block.channels);
        }
        levels_ = spectrum_->bars(mono.data(), static_cast<int>(mono.size()), sampleRate_, BarCount);
        for (int i = 0; i < BarCount; ++i)
            peaks_[static_cast<size_t>(i)] =
                std::max(levels_[static_cast<size_t>(i)], peaks_[static_cast<size_t>(i)] - PeakFall);
    }
    update();
}

QRect LevelDisplay::barRect(int bar) const {
    const int slot = std::max(1, width() / BarCount);
    const int left = (width() - slot * BarCount) / 2 + bar * slot;
    return {left, 0, std::max(1, slot - Gap), height()};
}

void LevelDisplay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background);
    const int usable = height() - 2;
    for (int i = 0; i < BarCount; ++i) {
        const QRect slot = barRect(i);
        const int barHeight = static_cast<int>(levels_[static_cast<size_t>(i)] * usable);
        if (barHeight > 0)
            painter.fillRect(slot.left(), height() - barHeight, slot.width(), barHeight, barColor);
        const int peak = static_cast<int>(peaks_[static_cast<size_t>(i)] * usable);
        if (peak > 0)
            painter.fillRect(slot.left(), height() - peak - 2, slot.width(), 2, peakColor);
    }
}
