#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "AppSettings.h"
#include "AudioFile.h"
#include "AudioTransform.h"
#include "CutPlan.h"
#include "JobControl.h"
#include "NameTemplate.h"
#include "Normalizing.h"

struct CutSection {
    int64_t start = 0;                   // ms from the start of the file
    int64_t length = 0;                  // ms
    std::string title = {}, artist = {}; // for the tags; empty: the numbered title, the source's artist
};

struct CutJob {
    std::vector<CutSection> sections;
    int64_t fadeInMs = 0;
    int64_t fadeOutMs = 0;
    std::string outputFolder; // ends in "/"
    std::string kind;         // "WAV", "MP3", "OGG", "WMA" or "FLAC": the output's format and extension
    std::string baseName;     // the source's name without folder and extension
    std::string nameTemplate = AppSettings::defaultSplitNameTemplate; // each section's file name (NameTemplate.h)
    AudioTags album; // album fields given for every section (a CUE sheet's)
    // Copy the source's compressed frames or packets instead of decoding and encoding (MP3,
    // fading by steps of gain; Ogg Vorbis and WMA without fades; at the source's rate and
    // channels); where a section cannot be copied it is encoded, and reencoded is told why.
    bool keepEncoding = false;
    std::function<void(int section, const std::string& why)> reencoded; // section -1: all of them
    // A section's file was copied; note tells how far its bounds lie from those asked for
    // when whole Ogg or WMA packets were copied ("it starts 12 ms early and ends 30 ms
    // late"), "" when they are exact.
    std::function<void(int section, const std::string& path, const std::string& note)> copied;
    // An encoded section's file was written (under path: the " New" name when another
    // process took its name meanwhile).
    std::function<void(int section, const std::string& path)> written;
    // A section's name was taken by another process while it was written: it was
    // written as taken instead (nameTakenNote says so).
    std::function<void(const std::string& asked, const std::string& taken)> nameTaken;
    // Each section brought to one loudness (measured before it is written; copied MP3
    // sections by whole steps of their frames' gain), or with album the whole source.
    Normalizing normalizing;
    bool overwrite = false; // may an existing file of a section's name be overwritten?
    // A finished cut also writes an M3U playlist of its files, named after the source in
    // the output folder, and says where.
    bool writesPlaylist = false;
    std::function<void(const std::string& path)> playlistWritten;
    std::vector<size_t> planRows; // the plan row of each section
    // Creates the output file of a section (the window does it on its own thread);
    // raises EngineError when it cannot.
    std::function<void(const std::string& path)> createOutput;
};

// What a cut takes from the settings, as they were when it was prepared: a running cut
// reads no program-wide setting.
struct CutSettings {
    std::string outputFolder;    // the folder of cut files (ends in "/")
    bool toSourceFolder = false; // write beside the source instead
    bool overwrite = false;
    bool keepEncoding = false;
    Normalizing normalizing;
    std::string nameTemplate = AppSettings::defaultSplitNameTemplate;
    bool writesPlaylist = false;
};
// The settings as last applied.
CutSettings currentCutSettings();

// The job that cuts the ticked sections of plan (on a source of durationMs): each
// section to the next one's start or the end, written in the format the source's kind
// gets, named after the source, into the settings' folder. The window or the batch
// program adds the fades, the album and what it is told.
CutJob makeCutJob(const std::string& source, const CutPlan& plan, int64_t durationMs, const CutSettings& settings);

// Why no section of the opened input can keep its encoding ("" when they can).
std::string keepEncodingRefusal(const AudioFile& input, const CutJob& job);

// A section's file name: folder + the job's template filled in with the section's fields
// and those of the source's tags, " New" as often as needed (also for a name an earlier
// section of the run took).
std::string cutOutputName(const CutJob& job, int index, const AudioTags& sourceTags = {},
                          const std::vector<std::string>& takenInRun = {});

// Writes each section of the opened input into its own file through output (prepared
// for the output format), with the fades at its ends, reporting item = section index
// and the section's percentage (100 when it is done). A stop between blocks ends the
// run; the section being written is abandoned, the finished ones stay. Fades longer than a section
// are shortened to it (the fade-in first). Each finished section's file gets the
// source's tags, titled and numbered after the section (sectionTags). Raises EngineError when anything fails;
// *failedSection then names the section.
JobEnd runCut(AudioFile& input, AudioFile& output, AudioTransform& transform, const CutJob& job,
              const JobControl& control, int* failedSection = nullptr);
