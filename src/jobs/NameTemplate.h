#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "AudioTags.h"

// What the fields of a name template stand for, for one file a job writes.
struct NameFields {
    int number = 1;                        // the section's (or file's) number, from 1
    int count = 1;                         // how many the job writes
    std::string title, artist;             // the section's own (a join's: its first file's)
    AudioTags source;                      // the source's tags (a join's: its first file's)
    std::string stem;                      // the source's file name without folder and extension
    std::optional<int64_t> startMs, endMs; // a section's bounds in the source
    std::string merged;                    // the joined file's name by the prefix, date, time and suffix rule
    std::tm now{};
};

// The fields a template can hold, for a help text: "{n} {index} {count} …".
std::string nameTemplateFields();

// What is wrong with a template ("unknown field {foo}", "a \"{\" is not closed"), or "".
std::string nameTemplateError(const std::string& nameTemplate);

// The template, or fallback when it is not one (a hand-edited settings file).
std::string usableNameTemplate(const std::string& nameTemplate, const char* fallback);

// The template filled in: a relative path without extension, "/" between its folders.
// Numbers take a width ({n:02} gives "07"), times are 12m30s or, with ":s", seconds
// ({start:s} gives "750.5"). Characters a file name cannot hold (\ / : * ? " < > |) are
// replaced by "_" in what the fields give and in the template's own text; control
// characters are left out, and so are empty folders; folders "." and ".." become "_".
// A template that gives nothing gives the source's name.
std::string expandNameTemplate(const std::string& nameTemplate, const NameFields& fields);

// The local time of a moment, safely from any thread (jobs name their files on theirs).
std::tm localTimeOf(std::time_t moment);

// The fields of a sample file, for showing what a template gives.
NameFields sampleNameFields(const std::tm& now);
