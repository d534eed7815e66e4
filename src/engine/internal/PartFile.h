#pragma once

// Outputs are written under a hidden name beside their own ("." + name + ".zelvo-<process>-<n>.part")
// and take their name only when complete, so that a failed, abandoned or killed job leaves
// no file under the output's name.

#include <string>

#include "AudioTags.h"
#include "EngineError.h"

namespace Engine::Parts {

// The hidden name an output is written under, in the output's folder.
std::string partPathFor(const std::string& fileName);
// Removes the part files of killed writers in the folder, the first time it is asked.
void removeStaleParts(const std::string& folder);
// The error with the part file's name replaced by the output's own.
EngineError underOwnName(const EngineError& error, const std::string& partPath, const std::string& fileName);
// Removes the part file (if any) and clears partPath.
void removePart(std::string& partPath);
// Writes the tags into the complete part file and gives it its name; clears partPath and
// sets fileName to the name taken. A file at the name is replaced only when mayReplace
// (the job chose to overwrite); otherwise it stays (another process may have made it
// meanwhile) and the output takes the next free name by the " New" rule. When only the tags fail, the file is kept
// under its name and TagWriteFailed raised.
void commitPart(std::string& partPath, std::string& fileName, const AudioTags& tags, bool mayReplace);
// Whether a file (or a link, even a broken one) has the name.
bool nameIsTaken(const std::string& fileName);

} // namespace Engine::Parts
