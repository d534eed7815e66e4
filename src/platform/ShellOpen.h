#pragma once

#include <string>

namespace Platform {

// Opens a folder or document with the desktop's default program; false when that failed.
bool shellOpen(const std::string& path);
// The message for a path that shellOpen could not open.
std::string shellOpenFailure(const std::string& path);

} // namespace Platform
