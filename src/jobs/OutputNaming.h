#pragma once

#include <ctime>
#include <string>
#include <vector>

// The naming rule of every new file: folder + relative + "." + extension, relative being a
// name or a path of folders below folder ("Album/01 Intro"), which are made. Each part is
// cut to the 255 bytes of a file name (the last keeping its extension and its " New"s).
// " New" is appended to the name as long as a file of that name exists (unless overwrite
// is allowed) or an earlier file of the same run (takenInRun) has it.
std::string uniqueOutputName(const std::string& folder, const std::string& relative, const std::string& extension,
                             bool overwrite, const std::vector<std::string>& takenInRun = {});

// What a job says when another process made a file of its output's name while it wrote
// it, so that it took the next free name.
std::string nameTakenNote(const std::string& asked, const std::string& taken);

// The merged file's name without folder and extension: prefix, the date (when used) and
// the time, and the suffix, joined by blanks, trimmed; characters a file name cannot hold
// are left out of prefix and suffix.
std::string mergedFileStem(const std::string& prefix, const std::string& suffix, bool useDate, const std::tm& now);

// The input that is the same file as output (the same device and inode, whatever the
// path text: links, "..", another spelling of the folder), or "" when none is.
std::string inputThatIsOutput(const std::string& output, const std::vector<std::string>& inputs);

// Leaves out the characters \ / : * ? " < > | (and control characters).
std::string withoutNameBreakers(const std::string& text);

// Parts of a path: "/a/b/" and "song" for "/a/b/song.mp3".
std::string folderOf(const std::string& path);
std::string stemOf(const std::string& path);
