#pragma once

#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobControl.h"
#include "Normalizing.h"

// Copies the opened input into the created output block by block, reporting item 1
// with the percentage done; closes both at the end (the output finished, also after a
// stop). A finished output gets the input's tags. Raises EngineError on a read or write
// failure (TagWriteFailed when only the tags could not be written). Its chapters go along
// where the output's format keeps them. Normalizing measures
// the input first (the first half of the progress) and scales what is written.
// The name of source converted into kind in folder, by the template (number: the file's
// place among count files converted at once; takenInRun: names given to earlier ones).
std::string convertOutputName(const std::string& source, const std::string& folder, const std::string& kind,
                              bool overwrite, const std::string& nameTemplate, int number = 1, int count = 1,
                              const std::vector<std::string>& takenInRun = {});

JobEnd runConvert(AudioFile& input, AudioFile& output, const JobControl& control, const Normalizing& normalizing = {});
