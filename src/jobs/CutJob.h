#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "AudioTransform.h"
#include "JobControl.h"

struct TCutSection {
    int64_t Start = 0;  // ms from the start of the file
    int64_t Length = 0; // ms
};

struct TCutJob {
    std::vector<TCutSection> Sections;
    int64_t FadeInMs = 0;
    int64_t FadeOutMs = 0;
    std::string OutputFolder; // ends in "/"
    std::string Kind;         // "WAV", "MP3", "OGG" or "WMA": the output's format and extension
    std::string BaseName;     // the source's name without folder and extension
    // Asked once per section: may an existing file of the section's name be overwritten?
    std::function<bool()> Overwrite;
    // Creates the output file of a section (the window does it on its own thread);
    // raises EngineError when it cannot.
    std::function<void(const std::string& path)> CreateOutput;
};

// A section's file name: folder + base + "-Splitted" + index, " New" as often as needed.
std::string CutOutputName(const TCutJob& job, int index);

// Writes each section of the opened input into its own file through output (prepared
// for the output format), with the fades at its ends, reporting item = section index
// and the section's percentage (100 when it is done). A stop between blocks ends the
// run with the current section's file as far as it got. Fades longer than a section
// are shortened to it (the fade-in first). Each finished section's file gets the
// source's tags, titled and numbered after the section (SectionTags). Raises EngineError when anything fails;
// *failedSection then names the section.
TJobEnd RunCut(TAudioFile2& input, TAudioFile2& output, TAudioTransform2& transform, const TCutJob& job,
               const TJobControl& control, int* failedSection = nullptr);
