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

// Fills the folder part of the shared state (program, settings and default output
// folders) and creates the folders that are missing.
void FillSharedFolders();

// The user guide: beside the program, or in the data folder of an installed one.
std::string HelpDocumentPath();

} // namespace Platform
