#pragma once

#include <string>

namespace Platform {

// Opens a folder or document with the desktop's default program; false when that failed.
bool ShellOpen(const std::string& path);

} // namespace Platform
