#pragma once

#include <memory>
#include <vector>

#include <QColor>
#include <QWidget>

#include "AudioBlock.h"

namespace Engine {
class Spectrum;
}

// The level display: a spectrum of the latest samples, drawn as bars with falling peaks.
class LevelDisplay : public QWidget {
    Q_OBJECT

public:
    static constexpr int BarCount = 24;

    explicit LevelDisplay(QWidget* parent = nullptr);
    ~LevelDisplay() override;

    // The sample count the player is asked for: the longest window the bars are taken from.
    int fftWindowsSize = 16384;
    // The rate of the samples shown (for the bars' frequencies).
    void setSampleRate(int rateHz) { sampleRate_ = rateHz > 0 ? rateHz : 44100; }

    // Draws the spectrum of the block; an empty block clears the picture.
    void showData(const AudioBlock& block);

    const std::vector<float>& levels() const { return levels_; }
    // The horizontal place of bar i in the widget.
    QRect barRect(int bar) const;

    QColor background{16, 24, 40};
    QColor barColor{88, 200, 120};
    QColor peakColor{230, 240, 255};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Engine::Spectrum> spectrum_;
    int sampleRate_ = 44100;
    std::vector<float> levels_, peaks_;
};
