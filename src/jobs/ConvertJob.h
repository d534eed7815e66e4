#pragma once

#include "AudioFile.h"
#include "JobControl.h"
#include "Normalizing.h"

// Copies the opened input into the created output block by block, reporting item 1
// with the percentage done; closes both at the end (the output finished, also after a
// stop). A finished output gets the input's tags. Raises EngineError on a read or write
// failure (TagWriteFailed when only the tags could not be written). Normalizing measures
// the input first (the first half of the progress) and scales what is written.
JobEnd runConvert(AudioFile& input, AudioFile& output, const JobControl& control, const Normalizing& normalizing = {});
