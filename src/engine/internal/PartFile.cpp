#include "PartFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>

#include <unistd.h>

namespace Engine::Parts {

// The hidden name an output is written under: in the output's folder, so that taking the
// final name is one rename on the same file system.
std::string partPathFor(const std::string& fileName) {
    static std::atomic<unsigned> counter{0};
    const auto slash = fileName.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
    const std::string name = fileName.substr(folder.size());
    return folder + "." + name + "." + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".part";
}

namespace {

// The process id in a part file's name (".song.mp3.1234-5.part"), or 0 when it is not one.
pid_t writerOfPart(const std::string& name) {
    const std::string suffix = ".part";
    if (name.size() < 10 || name[0] != '.' || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return 0;
    const std::string rest = name.substr(0, name.size() - suffix.size());
    const auto dash = rest.find_last_of('-');
    const auto dot = rest.find_last_of('.', dash);
    if (dash == std::string::npos || dot == std::string::npos || dot == 0 || dash <= dot + 1 || dash + 1 == rest.size())
        return 0;
    const std::string pid = rest.substr(dot + 1, dash - dot - 1), serial = rest.substr(dash + 1);
    const auto digits = [](const std::string& text) {
        return text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(pid) && digits(serial) ? static_cast<pid_t>(std::stol(pid)) : 0;
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

void commitPart(std::string& partPath, const std::string& fileName, const AudioTags& tags) {
    std::optional<EngineError> tagFailure;
    try {
        writeAudioTagsAs(partPath, fileName, tags);
    } catch (const EngineError& error) {
        tagFailure = underOwnName(error, partPath, fileName);
    }
    std::error_code ec;
    std::filesystem::rename(partPath, fileName, ec);
    if (ec) {
        removePart(partPath);
        throw EngineError(EngineStatus::WriteFailed, "Cannot write \"" + fileName + "\": " + ec.message());
    }
    partPath.clear();
    if (tagFailure)
        throw *tagFailure;
}

} // namespace Engine::Parts
