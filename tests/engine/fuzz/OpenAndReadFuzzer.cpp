// Feeds arbitrary bytes to the engine's readers as a file of each of the four kinds:
// reading the tags, opening, reading to the end and seeking must never crash, hang or
// leak.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "AudioFile.h"
#include "AudioInfo.h"
#include "AudioTags.h"

namespace {

std::string TemporaryPath(const char* extension) {
    return "/tmp/zelvo-fuzz-" + std::to_string(getpid()) + extension;
}

void Exercise(const std::string& path) {
    ReadAudioTags(path);
    try {
        TAudioInformation2 info;
        info.Open(path);
    } catch (const EngineError&) {
    }
    TAudioFile2 file;
    file.OpenForRead(path);
    if (file.GetErrorCode() != 0)
        return;
    const int total = file.GetTotalSamples();
    int read = 0;
    for (TAudioBlock block = file.ReadBlock(4096); !block.Empty() && read <= total; block = file.ReadBlock(4096))
        read += block.Frames();
    if (read != total)
        __builtin_trap(); // the length promised is the length delivered
    file.Seek(total / 2);
    file.ReadBlock(1000);
    file.Seek(1);
    file.ReadBlock(10);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const extensions[] = {".wav", ".mp3", ".ogg", ".wma"};
    const std::string path = TemporaryPath(extensions[size % 4]);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        Exercise(path);
        std::remove(path.c_str());
    }
    return 0;
}
