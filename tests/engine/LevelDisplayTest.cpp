#include <cmath>

#include <QImage>
#include <QtTest>

#include "LevelDisplay.h"

namespace {

AudioBlock tone(double frequency, int frames, int rate) {
    AudioBlock block{std::vector<float>(static_cast<size_t>(frames) * 2), 2};
    for (int i = 0; i < frames; ++i)
        block.samples[2 * i] = block.samples[2 * i + 1] =
            static_cast<float>(0.8 * std::sin(2 * M_PI * frequency * i / rate));
    return block;
}

// Height of the painted bar in the picture: rows from the bottom not in the background colour.
int paintedHeight(const QImage& image, const QRect& bar, const QColor& background) {
    const int x = bar.center().x();
    int height = 0;
    for (int y = image.height() - 1; y >= 0 && image.pixelColor(x, y) != background; --y)
        ++height;
    return height;
}

// The bar (0-based) whose frequency range holds the frequency: bars are spaced
// logarithmically from 40 Hz to 16 kHz.
int barOf(double frequency) {
    return static_cast<int>(std::floor(std::log(frequency / 40.0) / std::log(16000.0 / 40.0) * LevelDisplay::BarCount));
}

} // namespace

class LevelDisplayTest : public QObject {
    Q_OBJECT

private slots:
    void pureToneHasItsHighestBarAtItsBand() {
        LevelDisplay display;
        display.resize(255, 113);
        display.setSampleRate(44100);
        for (const double frequency : {250.0, 1000.0, 5000.0}) {
            display.showData(tone(frequency, display.fftWindowsSize, 44100));
            const QImage image = display.grab().toImage();
            int tallest = -1, best = -1;
            for (int bar = 0; bar < LevelDisplay::BarCount; ++bar) {
                const int height = paintedHeight(image, display.barRect(bar), display.background);
                if (height > best) {
                    best = height;
                    tallest = bar;
                }
            }
            QCOMPARE(tallest, barOf(frequency));
            QVERIFY(best > image.height() / 2);
        }
    }

    // Low tones too light their own bar, not a smear of neighbours (and at most the next
    // one, for a tone on the edge between two); high bars follow the latest samples.
    void aToneLightsOnlyItsOwnBar() {
        LevelDisplay display;
        display.setSampleRate(44100);
        const double ratio = std::pow(16000.0 / 40.0, 1.0 / LevelDisplay::BarCount);
        for (const double frequency : {50.0, 100.0, 180.0, 250.0, 700.0, 1000.0, 5000.0, 12000.0}) {
            for (const double shift : {1.0, std::sqrt(ratio)}) { // inside a bar, on its edge
                const double f = frequency * shift;
                display.showData(tone(f, display.fftWindowsSize, 44100));
                QStringList lit;
                for (int bar = 0; bar < LevelDisplay::BarCount; ++bar)
                    if (display.levels()[static_cast<size_t>(bar)] > 0.02f)
                        lit << QString::number(bar);
                QVERIFY2(lit.size() <= 2 && lit.contains(QString::number(barOf(f))),
                         qPrintable(QString("%1 Hz lights bars %2").arg(f).arg(lit.join(" "))));
            }
        }
        AudioBlock late = tone(8000, display.fftWindowsSize, 44100);
        std::fill(late.samples.begin(), late.samples.end() - 2048, 0.0f);
        display.showData(late);
        QVERIFY(display.levels()[static_cast<size_t>(barOf(8000))] > 0.85f);
    }

    void emptyBlockClearsThePicture() {
        LevelDisplay display;
        display.resize(255, 113);
        display.showData(tone(1000, 1024, 44100));
        QVERIFY(display.grab().toImage() != QImage());
        display.showData(AudioBlock{});
        const QImage image = display.grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QCOMPARE(image.pixelColor(x, y), display.background);
    }

    void peaksFallAfterTheSoundStops() {
        LevelDisplay display;
        display.resize(255, 113);
        display.showData(tone(1000, display.fftWindowsSize, 44100));
        const QRect bar = display.barRect(barOf(1000));
        const QImage loud = display.grab().toImage();
        display.showData(AudioBlock{std::vector<float>(2048, 0.0f), 2});
        const QImage after = display.grab().toImage();
        // The bar is gone but its peak mark stays, a little lower.
        const int x = bar.center().x();
        int peakRow = -1;
        for (int y = 0; y < after.height(); ++y)
            if (after.pixelColor(x, y) == display.peakColor) {
                peakRow = y;
                break;
            }
        QVERIFY(peakRow >= 0);
        QVERIFY(peakRow < after.height() - 5);
        QCOMPARE(after.pixelColor(x, after.height() - 1), display.background);
        int loudPeak = -1;
        for (int y = 0; y < loud.height(); ++y)
            if (loud.pixelColor(x, y) == display.peakColor) {
                loudPeak = y;
                break;
            }
        QVERIFY(peakRow > loudPeak);
    }
};

QTEST_MAIN(LevelDisplayTest)
#include "LevelDisplayTest.moc"
