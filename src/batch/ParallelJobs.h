#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <sstream>
#include <string>

// What one job of a parallel run prints and how far it is, kept until it is its turn to
// be printed.
struct JobReport {
    std::ostringstream out, err;
    std::atomic<int> permille{0};
};

// Runs job(i, report) for i in [0, count) on up to threads threads at once (no new job
// starts once a stop was asked for). Each job's standard output and error are printed in
// the order of i, as soon as it and every job before it have finished, under one progress
// bar labelled label. Returns the highest status a job returned (1 when a stop left jobs
// out).
int runInParallel(size_t count, unsigned threads, const std::string& label,
                  const std::function<int(size_t, JobReport&)>& job);

// The number of jobs a machine runs at once by default: one per core.
unsigned coreCount();
