#include "PlaybackRead.h"

#include <QTimer>

#include "AudioFile.h"
#include "EngineError.h"

AudioBlock readBlockForPlayback(AudioFile& file, int frames, QObject* window,
                                const std::function<void(const QString&)>& showProblem) {
    try {
        return file.readBlock(frames);
    } catch (const EngineError& error) {
        const QString text = QString::fromUtf8(error.what());
        QTimer::singleShot(0, window, [showProblem, text] { showProblem(text); });
        AudioBlock end;
        end.channels = file.channels();
        return end;
    }
}
