// Times the cutter's waveform of a long file: from opening it to the first overview of
// the whole file (the sketch), and to the peaks of every frame.
//   overview-bench [FILE]   (default: a 60-minute 128 kbps MP3 made with ffmpeg)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include "CutterWindow.h"
#include "PositionBar.h"
#include "Waveform.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication app(argc, argv);
    QTemporaryDir folder;
    QString file = argc > 1 ? QString::fromLocal8Bit(argv[1]) : folder.path() + "/hour.mp3";
    if (argc <= 1) {
        const std::string make = "ffmpeg -v error -f lavfi -i 'sine=f=220:d=3600' -f lavfi -i "
                                 "'anoisesrc=d=3600:a=0.1' -filter_complex amix=inputs=2 -ac 2 -b:a 128k '" +
                                 file.toStdString() + "'";
        if (std::system(make.c_str()) != 0)
            return 1;
    }
    CutterWindow cutter;
    QElapsedTimer clock;
    clock.start();
    cutter.openFile(file);
    cutter.show();
    double sketched = -1, complete = -1;
    while (complete < 0 && clock.elapsed() < 600000) {
        // Woken by the waveform's steps (or the timer), not spinning beside the readers.
        QTimer::singleShot(100, [] {});
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const PeakLevels* peaks = cutter.findChild<PositionBar*>("Bar")->peaks();
        if (sketched < 0 && peaks && peaks->sketched())
            sketched = clock.elapsed() / 1000.0;
        if (peaks && peaks->complete())
            complete = clock.elapsed() / 1000.0;
    }
    std::printf("first overview %.2f s, every frame's peaks %.2f s\n", sketched, complete);
    return complete >= 0 ? 0 : 1;
}
