#pragma once

#include <string>

// The user's special folders, each ending in "/".
namespace Platform {

std::string homeFolder();
std::string documentsFolder();
std::string configFolder();
std::string executableFolder();

// Creates the folder and any missing parents; true when it exists afterwards.
bool createFolderWithParents(const std::string& folder);
bool folderExists(const std::string& folder);

// Fills the folder part of the shared state (program, settings and default output
// folders) and creates the folders that are missing.
void fillSharedFolders();

// A folder nobody but this user can enter or have made (owned by the user, no access for
// anyone else), for the program's lock, socket and passing files: the desktop's runtime
// folder ($XDG_RUNTIME_DIR) when it is one, else one the program makes in the user's
// cache folder. "" when neither can be had; the reason is then given in why.
std::string privateRuntimeFolder(std::string* why = nullptr);

// The user guide: beside the program, or in the data folder of an installed one.
std::string helpDocumentPath();

} // namespace Platform
