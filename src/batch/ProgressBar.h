#pragma once

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>

#include <unistd.h>

#include "AppSettings.h"

// A progress bar with the percentage and the time left, on a terminal only.
class ProgressBar {
public:
    explicit ProgressBar(std::string label) : label_(std::move(label)), shown_(isatty(STDERR_FILENO) != 0) {}
    ~ProgressBar() {
        if (shown_ && drawn_)
            std::fprintf(stderr, "\n");
    }

    void show(double fraction) {
        if (!shown_)
            return;
        const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100);
        if (percent == last_)
            return;
        last_ = percent;
        drawn_ = true;
        const double elapsed = std::difftime(std::time(nullptr), start_);
        const long left = fraction > 0.01 ? static_cast<long>(elapsed / fraction - elapsed) : -1;
        const int filled = percent * 30 / 100;
        std::fprintf(
            stderr, "\r%-24.24s [%s%s] %3d%% %s", label_.c_str(), std::string(filled, '#').c_str(),
            std::string(30 - filled, '.').c_str(), percent,
            left >= 0 ? (std::to_string(left / 60) + ":" + AppSettings::zeroPad(left % 60, 2) + " left").c_str() : "");
        std::fflush(stderr);
    }

private:
    std::string label_;
    bool shown_;
    bool drawn_ = false;
    int last_ = -1;
    std::time_t start_ = std::time(nullptr);
};
