#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "JobControl.h"
#include "Normalizing.h"
#include "Mp3FrameCopy.h"

// Appends each input, decoded, to the created output (each may have its own rate and
// channel count), reporting item i with the percentage of input i written. After a stop
// the output is abandoned (no part of the join is kept); a finished one gets the first
// input's tags (mergedTags) and output.fileName() gives the name it took. Raises EngineError naming the file when an
// input cannot be opened or a write fails; failedItem then tells which input (-1 for the output's tags). Joining by
// copying the inputs' compressed frames instead of decoding and encoding: MP3 inputs of one MPEG version, rate and
// channel count that tell their encoder delay and padding, into an MP3 output of that rate and channel count.
struct CopyMerge {
    std::string refusal; // why the inputs cannot be joined so ("" when they can)
    std::vector<Mp3JoinPart> parts;
};
CopyMerge planCopyMerge(const std::vector<std::string>& paths, const std::string& kind);
// Writes the join as fileName with the first input's tags, as runMerge does, reporting
// the share written; a file at the name is replaced only when overwrite; a stop leaves
// no file.
struct CopyMergeResult {
    JobEnd end = JobEnd::Finished;
    std::string fileName;   // the name it took (see AudioFile::close)
    int64_t junctionMs = 0; // padding and delay left at the junctions
};
// Normalizing moves each input's frames (or, as an album, all) by the steps of 1.5 dB that
// come nearest below the target (measured first: the first half of the progress).
// The join has a chapter per input (titled by chapterTitles, see joinChapters).
CopyMergeResult runCopyMerge(const CopyMerge& merge, const std::string& fileName, bool overwrite,
                             const JobControl& control, const Normalizing& normalizing = {},
                             const std::vector<std::string>& chapterTitles = {});

// The joined file's name in folder: the template filled in with the first input's tags and
// name, the count of inputs, and the prefix, date, time and suffix rule of the settings
// ({merged}) at now.
std::string joinOutputName(const std::vector<std::string>& paths, const std::string& folder, const std::string& kind,
                           bool overwrite, const std::string& nameTemplate, const std::tm& now);

// Normalizing measures every input first (the first half of each item's progress) and
// brings each to the target (or, as an album, the whole).
// The join has a chapter per input (titled by chapterTitles, see joinChapters), where
// the output's format keeps chapters.
JobEnd runMerge(AudioFile& input, AudioFile& output, const std::vector<std::string>& paths, const JobControl& control,
                int* failedItem = nullptr, const Normalizing& normalizing = {},
                const std::vector<std::string>& chapterTitles = {});
