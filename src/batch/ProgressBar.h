#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include <unistd.h>

#include "AppSettings.h"

// A progress bar with the percentage and the time left, on a terminal only. A command run
// from a command file reports its progress to the running program instead: with the
// variable ReportVariable set, as a line of thousandths on ReportDescriptor.
class ProgressBar {
public:
    static constexpr int ReportDescriptor = 3;
    static constexpr const char* ReportVariable = "ZELVO_BATCH_PROGRESS";

    explicit ProgressBar(std::string label)
        : label_(std::move(label)), reporting_(std::getenv(ReportVariable) != nullptr),
          shown_(!reporting_ && isatty(STDERR_FILENO) != 0) {}
    ~ProgressBar() {
        if (shown_ && drawn_)
            std::fprintf(stderr, "\n");
    }

    void show(double fraction) {
        if (reporting_)
            return report(fraction);
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
    void report(double fraction) {
        const int permille = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000);
        if (permille == last_)
            return;
        last_ = permille;
        const std::string line = std::to_string(permille) + "\n";
        [[maybe_unused]] const ssize_t written = write(ReportDescriptor, line.data(), line.size());
    }

    std::string label_;
    bool reporting_;
    bool shown_;
    bool drawn_ = false;
    int last_ = -1;
    std::time_t start_ = std::time(nullptr);
};
