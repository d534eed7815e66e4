#pragma once

#include <memory>
#include <vector>

#include <QColor>
#include <QWidget>

#include "AudioBlock.h"

namespace Engine {
class TSpectrum;
}

// The level display: a spectrum of the latest samples, drawn as bars with falling peaks.
class TAudioDisplay2 : public QWidget {
    Q_OBJECT

public:
    static constexpr int BarCount = 24;

    explicit TAudioDisplay2(QWidget* parent = nullptr);
    ~TAudioDisplay2() override;

    // The sample count the player is asked for.
    int FFTWindowsSize = 1024;
    // The rate of the samples shown (for the bars' frequencies).
    void SetSampleRate(int rateHz) { sampleRate_ = rateHz > 0 ? rateHz : 44100; }

    // Draws the spectrum of the block; an empty block clears the picture.
    void ShowData(const TAudioBlock& block);

    const std::vector<float>& Levels() const { return levels_; }
    // The horizontal place of bar i in the widget.
    QRect BarRect(int bar) const;

    QColor Background{16, 24, 40};
    QColor BarColor{88, 200, 120};
    QColor PeakColor{230, 240, 255};

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<Engine::TSpectrum> spectrum_;
    int sampleRate_ = 44100;
    std::vector<float> levels_, peaks_;
};
