#include "ParallelJobs.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

#include "BatchCommands.h"
#include "ProgressBar.h"
#include "TerminalText.h"

namespace {

struct Slot {
    JobReport report;
    int status = 0;
    bool done = false;
};

} // namespace

unsigned coreCount() {
    return std::max(1u, std::thread::hardware_concurrency());
}

int runInParallel(size_t count, unsigned threads, const std::string& label,
                  const std::function<int(size_t, JobReport&)>& job) {
    std::vector<std::unique_ptr<Slot>> slots;
    for (size_t i = 0; i < count; ++i)
        slots.push_back(std::make_unique<Slot>());
    std::mutex mutex;
    std::condition_variable finished;
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t i; !stopRequested && (i = next++) < count;) {
            int status = 1;
            try {
                status = job(i, slots[i]->report);
            } catch (const std::exception& error) {
                slots[i]->report.err << error.what() << "\n";
            }
            const std::lock_guard lock(mutex);
            slots[i]->status = status;
            slots[i]->done = true;
            finished.notify_one();
        }
    };
    std::vector<std::jthread> workers;
    for (unsigned t = 0; t < std::clamp<size_t>(threads, 1, std::max<size_t>(count, 1)); ++t)
        workers.emplace_back(work);

    int status = 0;
    ProgressBar bar(label);
    size_t printed = 0;
    std::unique_lock lock(mutex);
    while (printed < count) {
        // Redrawn every fifth of a second; a finished job wakes it at once.
        finished.wait_for(lock, std::chrono::milliseconds(200));
        for (; printed < count && slots[printed]->done; ++printed) {
            std::cout << forDescriptor(STDOUT_FILENO, slots[printed]->report.out.str()) << std::flush;
            std::cerr << forDescriptor(STDERR_FILENO, slots[printed]->report.err.str());
            status = std::max(status, slots[printed]->status);
        }
        // After a stop, the jobs that never started are left out once the others ended.
        if (stopRequested && printed < count && printed >= std::min<size_t>(next, count)) {
            status = std::max(status, 1);
            break;
        }
        long permille = 0;
        for (const auto& slot : slots)
            permille += slot->done ? 1000 : slot->report.permille.load();
        bar.show(static_cast<double>(permille) / (1000.0 * static_cast<double>(count)));
    }
    lock.unlock();
    return status; // the workers are joined here, as they end
}
