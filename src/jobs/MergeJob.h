#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobControl.h"

// Appends each input, decoded, to the created output (each may have its own rate and
// channel count), reporting item i with the percentage of input i written. After a stop
// the output is finished with what was written; a finished one gets the first input's
// tags (mergedTags). Raises EngineError naming the file when an input cannot be opened
// or a write fails; failedItem then tells which input (-1 for the output's tags).
JobEnd runMerge(AudioFile& input, AudioFile& output, const std::vector<std::string>& paths, const JobControl& control,
                int* failedItem = nullptr);
