#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>

namespace Engine {

// What was found out about files by reading them, kept by path while the file stays as
// it was: an entry of a file whose size or time has changed since is not found. Holds at
// most MaxFiles entries (it starts over when full). Safe to use from several threads.
template <typename Value, size_t MaxFiles>
class FileStampedCache {
public:
    std::optional<Value> find(const std::string& path) {
        const std::optional<Stamp> stamp = stampOf(path);
        const std::lock_guard lock(mutex_);
        const auto found = entries_.find(path);
        if (!stamp || found == entries_.end() || !(found->second.stamp == *stamp))
            return std::nullopt;
        return found->second.value;
    }

    void store(const std::string& path, Value value) {
        const std::optional<Stamp> stamp = stampOf(path);
        if (!stamp)
            return;
        const std::lock_guard lock(mutex_);
        if (entries_.size() >= MaxFiles)
            entries_.clear();
        entries_[path] = {*stamp, std::move(value)};
    }

private:
    struct Stamp {
        uintmax_t size;
        int64_t modified;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp stamp;
        Value value;
    };
    static std::optional<Stamp> stampOf(const std::string& path) {
        std::error_code sizeError, timeError;
        const uintmax_t size = std::filesystem::file_size(path, sizeError);
        const auto modified = std::filesystem::last_write_time(path, timeError);
        if (sizeError || timeError)
            return std::nullopt;
        return Stamp{size, static_cast<int64_t>(modified.time_since_epoch().count())};
    }

    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

} // namespace Engine
