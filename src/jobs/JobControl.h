#pragma once

#include <functional>

// How a job reports and is stopped: progress(item, percent) after each step (100 when
// an item is finished), stopRequested() asked between blocks.
struct TJobControl {
    std::function<void(int item, int percent)> Progress;
    std::function<bool()> StopRequested;

    void Report(int item, int percent) const {
        if (Progress)
            Progress(item, percent);
    }
    bool Stopping() const { return StopRequested && StopRequested(); }
};

// How a job ended.
enum class TJobEnd { Finished, Stopped };
