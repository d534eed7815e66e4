#pragma once

#include <functional>

// How a job reports and is stopped: progress(item, percent) after each step (100 when
// an item is finished), stopRequested() asked between blocks.
struct JobControl {
    std::function<void(int item, int percent)> progress;
    std::function<bool()> stopRequested;

    void report(int item, int percent) const {
        if (progress)
            progress(item, percent);
    }
    bool stopping() const { return stopRequested && stopRequested(); }
};

// How a job ended.
enum class JobEnd { Finished, Stopped };
