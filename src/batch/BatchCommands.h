#pragma once

#include <atomic>
#include <string>
#include <vector>

// The batch program's commands: the program's own cut, merge and conversion work on
// files named on the command line. Each returns the exit status: 0 when every job
// succeeded, 1 when one failed (its message, naming the file and the cause, went to
// standard error).

// Set by Ctrl-C: the running job stops at its next block.
extern std::atomic<bool> stopRequested;

struct BatchOutput {
    std::string folder;     // "" for the settings' folder
    bool overwrite = false; // in addition to the settings' rule
};

int infoCommand(const std::vector<std::string>& files, bool json);
int convertCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output);
int cutCommand(const std::string& file, const std::vector<std::string>& times, const std::vector<int>& skipped,
               int64_t fadeInMs, int64_t fadeOutMs, const BatchOutput& output);
int joinCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output);

// A time as m:ss.mmm, ss.mmm or plain milliseconds; -1 when it is not one.
int64_t parseTime(const std::string& text);
