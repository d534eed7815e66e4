#pragma once

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

// The batch program's commands: the program's own cut, merge and conversion work on
// files named on the command line. Each returns the exit status: 0 when every job
// succeeded, 1 when one failed (its message, naming the file and the cause, went to
// standard error).

// A value on the command line that cannot be used (exit status 2); the message says which
// value and what is wrong with it.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Set by Ctrl-C (SIGINT) and SIGTERM: the running job stops at its next block, and the
// program ends with 128 + the signal's number.
extern std::atomic<bool> stopRequested;
extern std::atomic<int> stopSignal;

struct BatchOutput {
    std::string folder;     // "" for the settings' folder
    bool overwrite = false; // in addition to the settings' rule
    // --normalize: "" when not given, "default" for the settings' target, else a LUFS value
    // (in addition to the settings' choice for the job).
    std::string normalize;
    std::string nameTemplate; // --name: the files' names (else the settings' template)
    bool album = false;       // normalizing keeps the files' (a cut: the sections') levels to each other
};

int infoCommand(const std::vector<std::string>& files, bool json);
// Measures the files' loudness (EBU R 128: integrated, range, true peak, and the ReplayGain
// 2.0 gain to -18 LUFS), jobs at once (0: one per core); album: also of all of them as one;
// tag: writes each file's ReplayGain tags (the album's too); applyGain: moves each MP3
// file's gain losslessly by the nearest steps of 1.5 dB to the reference (album or track).
int loudnessCommand(const std::vector<std::string>& files, bool album, bool json, unsigned jobs = 0, bool tag = false,
                    bool applyGain = false);
// jobs: files converted at once (0: one per core).
int convertCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output,
                   unsigned jobs = 0);
// Where a cut's points come from: given times, or found at silences, at equal lengths or
// in a CUE sheet; one way only.
struct CutRequest {
    std::vector<std::string> times;
    bool silence = false;
    double thresholdDb = -40;
    double minSilenceSeconds = 1.0;
    double minSectionSeconds = 0;
    bool trim = false;
    std::string every; // a time
    int parts = 0;
    double snapSeconds = 0;   // --every and --parts: to the nearest silence this near
    std::string cueSheet;     // a file
    std::string cueEncoding;  // its text encoding; "" to find it from the bytes
    bool chapters = false;    // at the file's chapters, titled as they are
    std::string labels;       // an Audacity label file
    bool playlist = false;    // also an M3U playlist of the files written
    std::vector<int> skipped; // rows left out
    int64_t fadeInMs = 0, fadeOutMs = 0;
    bool copy = false;     // keep the source's encoding where it can be copied
    bool listOnly = false; // print the sections instead of cutting
    bool json = false;
};
int cutCommand(const std::string& file, const CutRequest& request, const BatchOutput& output);
// copy: join MP3 files by copying their frames where they allow it.
int joinCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output,
                bool copy = false);

// A time as m:ss.mmm, ss.mmm or plain milliseconds (seconds below 60 after minutes);
// raises UsageError naming the text when it is not one or is too large.
int64_t parseTime(const std::string& text);
