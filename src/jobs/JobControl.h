#pragma once

#include <cstddef>
#include <functional>
#include <string>

// How a job reports and is stopped: progress(item, percent) after each step (100 when
// an item is finished), stopRequested() asked between blocks.
struct JobControl {
    std::function<void(int item, int percent)> progress;
    std::function<bool()> stopRequested;
    // An input was read with damaged stretches left out (see AudioFile::damage): said to
    // the user with the job's result.
    std::function<void(const std::string& file, const std::string& damage)> damaged;

    void report(int item, int percent) const {
        if (progress)
            progress(item, percent);
    }
    bool stopping() const { return stopRequested && stopRequested(); }
    template <typename Input>
    void noteDamage(const Input& input) const {
        if (const std::string damage = input.damage(); !damage.empty() && damaged)
            damaged(input.fileName(), damage);
    }
};

// How a job ended.
enum class JobEnd { Finished, Stopped };

// A copy's parts reported as items from firstItem on, and the job's stop as the copy's.
inline std::function<bool(size_t, double)> copyProgress(const JobControl& control, int firstItem = 0) {
    return [&control, firstItem](size_t part, double share) {
        control.report(firstItem + static_cast<int>(part), static_cast<int>(share * 100));
        return !control.stopping();
    };
}
