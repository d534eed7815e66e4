#pragma once

#include <functional>

#include <QString>

#include "AudioBlock.h"

class AudioFile;
class QObject;

// The next block for the player. A file that cannot be read further while it plays
// (cut short or damaged) ends the playback there: the block comes back empty, and the
// cause goes to showProblem once the player's event has returned.
AudioBlock readBlockForPlayback(AudioFile& file, int frames, QObject* window,
                                const std::function<void(const QString&)>& showProblem);
