#pragma once

// The fuzzers read their inputs as files, as the program does.

#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

// A path of this process's own in the temporary folder, ending in suffix.
inline std::string fuzzPath(const std::string& suffix) {
    return "/tmp/zelvo-fuzz-" + std::to_string(getpid()) + suffix;
}

// Writes the bytes to a file ending in suffix, runs exercise on its path, removes it.
template <class Exercise>
void withBytesAsFile(const uint8_t* data, size_t size, const std::string& suffix, Exercise exercise) {
    const std::string path = fuzzPath(suffix);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        exercise(path);
        std::remove(path.c_str());
    }
}
