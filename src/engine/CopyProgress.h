#pragma once

#include <exception>
#include <functional>

// How a copy of compressed frames or packets reports and is stopped: called with the
// share written so far (0 to 1) after each stretch; answering false stops the copy, which
// then leaves no file and raises CopyStopped.
using CopyProgress = std::function<bool(double share)>;

class CopyStopped : public std::exception {
public:
    const char* what() const noexcept override { return "the copy was stopped"; }
};
