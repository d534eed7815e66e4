// Feeds arbitrary bytes to the engine's readers as a file of each of the four kinds:
// reading the tags, opening, reading to the end and seeking must never crash, hang or
// leak, and a file never delivers more than the length it promised.

#include <cstdint>
#include <string>

#include "AudioFile.h"
#include "FuzzFile.h"
#include "AudioInfo.h"
#include "AudioTags.h"
#include "EngineError.h"

namespace {

void exercise(const std::string& path) {
    readAudioTags(path);
    try {
        AudioInfo info;
        info.open(path);
    } catch (const EngineError&) {
    }
    AudioFile file;
    file.openForRead(path);
    if (file.errorCode() != 0)
        return;
    const int promised = file.totalFrames();
    int read = 0;
    try {
        for (AudioBlock block = file.readBlock(4096); !block.empty() && read <= promised; block = file.readBlock(4096))
            read += block.frames();
    } catch (const EngineError&) {
        return; // damaged past resynchronising: told, not padded
    }
    // Never more than promised; where the decoder had to drop broken frames the length
    // becomes what was delivered, never padded.
    if (read > promised || read != file.totalFrames())
        __builtin_trap();
    try {
        file.seek(read / 2);
        file.readBlock(1000);
        file.seek(1);
        file.readBlock(10);
    } catch (const EngineError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const extensions[] = {".wav", ".mp3", ".ogg", ".wma"};
    withBytesAsFile(data, size, extensions[size % 4], exercise);
    return 0;
}
