#pragma once

#include <string>

// The user's special folders, each ending in "/".
namespace Platform {

std::string HomeFolder();
std::string DocumentsFolder();
std::string ConfigFolder();
std::string ExecutableFolder();

// Creates the folder and any missing parents; true when it exists afterwards.
bool CreateFolderWithParents(const std::string& folder);
bool FolderExists(const std::string& folder);

} // namespace Platform
