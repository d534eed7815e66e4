#include "PartFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>

#include <fcntl.h>
#include <stdio.h>
#include <system_error>
#include <unistd.h>

#include "AudioFile.h"

namespace Engine::Parts {

namespace {

constexpr const char* PartMarker = ".zelvo-";
constexpr const char* PartSuffix = ".part";
constexpr size_t NameLimit = 255; // bytes of one name in the file systems the program writes to

} // namespace

// The hidden name an output is written under: in the output's folder, so that taking the
// final name is one rename on the same file system. The output's name is shortened where
// the part's would pass the limit of a name; the marker and the writer's process id make
// it a name only this program gives.
std::string partPathFor(const std::string& fileName) {
    static std::atomic<unsigned> counter{0};
    const auto slash = fileName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
    const std::string suffix = PartMarker + std::to_string(::getpid()) + "-" + std::to_string(++counter) + PartSuffix;
    const std::string name = nameCutToBytes(fileName.substr(folder.size()), NameLimit - 1 - suffix.size());
    return folder + "." + name + suffix;
}

} // namespace Engine::Parts

std::string nameCutToBytes(const std::string& name, size_t bytes) {
    if (name.size() <= bytes)
        return name;
    size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80)
        --end;
    return name.substr(0, end);
}

std::string firstFreeName(const std::string& fileName) {
    using Engine::Parts::nameIsTaken;
    const auto slash = fileName.find_last_of('/');
    const auto dot = fileName.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string extension = hasExtension ? fileName.substr(dot) : "";
    std::string name = fileName;
    while (nameIsTaken(name))
        name = name.substr(0, name.size() - extension.size()) + " New" + extension;
    return name;
}

namespace Engine::Parts {

bool nameIsTaken(const std::string& fileName) {
    std::error_code ec;
    const auto status = std::filesystem::symlink_status(fileName, ec);
    if (ec == std::errc::filename_too_long)
        return false; // no file has it, and making one fails saying why
    return status.type() != std::filesystem::file_type::not_found;
}

namespace {

// The process id in a part file's name (".song.mp3.zelvo-1234-5.part"), or 0 when it is not one.
pid_t writerOfPart(const std::string& name) {
    const std::string suffix = PartSuffix, marker = PartMarker;
    if (name.size() < 2 + marker.size() + suffix.size() || name[0] != '.' ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string rest = name.substr(0, name.size() - suffix.size());
    const auto dash = rest.find_last_of('-');
    const auto at = dash == std::string::npos ? std::string::npos : rest.rfind(marker, dash);
    if (at == std::string::npos || at == 0 || at + marker.size() > dash || dash + 1 == rest.size())
        return 0;
    const std::string pid = rest.substr(at + marker.size(), dash - at - marker.size()), serial = rest.substr(dash + 1);
    const auto digits = [](const std::string& text) {
        return text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return !pid.empty() && !serial.empty() && digits(pid) && digits(serial) ? static_cast<pid_t>(std::stol(pid)) : 0;
}

} // namespace

// Part files left by a writer that was killed: removed the first time this process writes
// into their folder. A part whose process still runs (another copy's job) is left alone.
void removeStaleParts(const std::string& folder) {
    static std::mutex mutex;
    static std::set<std::string> cleaned;
    {
        const std::lock_guard lock(mutex);
        if (!cleaned.insert(folder).second)
            return;
    }
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const pid_t writer = writerOfPart(it->path().filename().string());
        if (writer > 0 && writer != ::getpid() && ::kill(writer, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            std::filesystem::remove(it->path(), ignored);
        }
    }
}

// The writers name the file they write; the user knows the output's own name.
EngineError underOwnName(const EngineError& error, const std::string& partPath, const std::string& fileName) {
    std::string message = error.what();
    for (auto at = message.find(partPath); at != std::string::npos; at = message.find(partPath, at + fileName.size()))
        message.replace(at, partPath.size(), fileName);
    return EngineError(error.status(), message);
}

void removePart(std::string& partPath) {
    std::error_code ec;
    if (!partPath.empty())
        std::filesystem::remove(partPath, ec);
    partPath.clear();
}

namespace {

// Renames without replacing a file that has the name; false when one has it.
bool renameIfFree(const std::string& from, const std::string& to) {
    const auto failed = [] {
        if (errno != EEXIST)
            throw std::system_error(errno, std::generic_category());
        return false;
    };
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return failed();
    // A file system without the flag: a link fails the same way on a taken name.
    if (::link(from.c_str(), to.c_str()) != 0)
        return failed();
    ::unlink(from.c_str());
    return true;
}

// Gives the part the name, or the next free one by the " New" rule when another process
// took the name meanwhile; only a name the job chose to replace is replaced.
std::string takeName(const std::string& partPath, const std::string& fileName, bool mayReplace) {
    if (mayReplace) {
        std::filesystem::rename(partPath, fileName);
        return fileName;
    }
    for (std::string name = fileName;; name = firstFreeName(name))
        if (renameIfFree(partPath, name))
            return name;
}

} // namespace

void commitPart(std::string& partPath, std::string& fileName, const AudioTags& tags, bool mayReplace) {
    std::optional<EngineError> tagFailure;
    try {
        writeAudioTagsAs(partPath, fileName, tags);
    } catch (const EngineError& error) {
        tagFailure = underOwnName(error, partPath, fileName);
    }
    try {
        fileName = takeName(partPath, fileName, mayReplace);
    } catch (const std::system_error& error) {
        removePart(partPath);
        throw EngineError(EngineStatus::WriteFailed, "Cannot write \"" + fileName + "\": " + error.code().message());
    }
    partPath.clear();
    if (tagFailure)
        throw *tagFailure;
}

} // namespace Engine::Parts
