#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <QtTest>

#include "AppSettings.h"
#include "AudioFixtures.h"
#include "AudioTags.h"
#include "EngineEvents.h"
#include "PlaybackController.h"
#include "TempFolder.h"

// The controller played through SDL's disk driver: what reaches the device is read back.
class PlaybackControllerTest : public QObject {
    Q_OBJECT

private:
    TempFolder folder_;
    std::string capture_ = folder_ / "device.raw";

    // The level of what reached the device while path played, as RMS over the middle of
    // the sound (the device's silence around it left out). One controller plays them all;
    // the device's file is written anew for each play.
    double playedLevel(PlaybackController& controller, const std::string& path) {
        QSignalSpy ended(&controller, &PlaybackController::ended);
        if (!controller.play(QString::fromStdString(path), {}) || !ended.wait(20000))
            return -1;
        const std::string bytes = readFileText(capture_);
        std::vector<float> samples(bytes.size() / sizeof(float));
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
        const auto first = std::find_if(samples.begin(), samples.end(), [](float s) { return s != 0.0f; });
        const auto last = std::find_if(samples.rbegin(), samples.rend(), [](float s) { return s != 0.0f; }).base();
        const auto length = last - first;
        double sum = 0;
        size_t count = 0;
        for (auto it = first + length / 5; it < first + length * 3 / 5; ++it, ++count)
            sum += double{*it} * *it;
        return count > 0 ? std::sqrt(sum / static_cast<double>(count)) : 0;
    }

private slots:
    void initTestCase() {
        routeEngineEventsToTheWindows();
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QByteArray::fromStdString(capture_));
        makeFromFilter(folder_ / "plain.wav", "sine=f=440:d=1,volume=3", "-ac 2");
        std::filesystem::copy_file(folder_ / "plain.wav", folder_ / "tagged.wav");
        writeReplayGainTags(folder_ / "tagged.wav", {-6.0206, 0.5, -12.0412, 0.5});
        std::filesystem::copy_file(folder_ / "plain.wav", folder_ / "quiet.wav");
        writeReplayGainTags(folder_ / "quiet.wav", {12.0, 0.5, std::nullopt, std::nullopt});
    }

    // The track's or the album's gain as the settings choose; the peak keeps a gain from
    // passing full scale; files without tags, or with the gain off, play as they are.
    void playsWithTheChosenReplayGain() {
        using AppSettings::PlaybackGain;
        PlaybackController controller(100);
        controller.setVolume(65535);
        AppSettings::playbackGain = PlaybackGain::Off;
        const double plain = playedLevel(controller, folder_ / "plain.wav");
        QVERIFY2(plain > 0.1, qPrintable(QString::number(plain)));
        const struct {
            PlaybackGain mode;
            const char* file;
            double factor;
        } cases[] = {
            {PlaybackGain::Off, "tagged.wav", 1.0},    {PlaybackGain::Track, "tagged.wav", 0.5},
            {PlaybackGain::Album, "tagged.wav", 0.25}, {PlaybackGain::Track, "plain.wav", 1.0},
            {PlaybackGain::Album, "quiet.wav", 2.0}, // no album gain: the track's, held to 1 / peak
        };
        for (const auto& c : cases) {
            AppSettings::playbackGain = c.mode;
            const double level = playedLevel(controller, folder_ / c.file);
            QVERIFY2(std::abs(level / plain - c.factor) < 0.02 * c.factor,
                     qPrintable(QString("%1 in mode %2: %3").arg(c.file).arg(int(c.mode)).arg(level / plain)));
        }
        AppSettings::playbackGain = PlaybackGain::Track;
    }

    void cleanupTestCase() { stopRoutingEngineEvents(); }
};

QTEST_GUILESS_MAIN(PlaybackControllerTest)
#include "PlaybackControllerTest.moc"
