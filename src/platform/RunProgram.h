#pragma once

#include <optional>
#include <string>
#include <vector>

namespace Platform {

// Runs a program found on the PATH with the given arguments, without a shell, and
// waits for it. Returns its exit status, or nothing when it cannot be started.
std::optional<int> runProgram(const std::string& program, const std::vector<std::string>& args);

} // namespace Platform
