#pragma once

#include <cstddef>
#include <exception>
#include <functional>

// How a copy of compressed frames or packets reports and is stopped: called with the part
// being copied (the input of a join; 0 for one source) and the share of it written so far
// (0 to 1, 1 when the part is done) after each stretch; answering false stops the copy,
// which then leaves no file and raises CopyStopped.
using CopyProgress = std::function<bool(size_t part, double share)>;

class CopyStopped : public std::exception {
public:
    const char* what() const noexcept override { return "the copy was stopped"; }
};
