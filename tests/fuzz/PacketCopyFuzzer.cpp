// Feeds arbitrary bytes to the Ogg and ASF packet copier as a file of either kind: the
// refusal check and copies of a few ranges must never crash, hang or leak.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "EngineError.h"
#include "PacketCopy.h"

namespace {

std::string temporaryPath(const char* extension) {
    return "/tmp/zelvo-fuzz-" + std::to_string(getpid()) + extension;
}

void exercise(const std::string& path, const char* extension) {
    if (!packetCopyRefusal(path).empty())
        return;
    const std::string out = temporaryPath((std::string("-copy") + extension).c_str());
    for (const auto& [first, end] : {std::pair<int64_t, int64_t>{0, 4410}, {2000, 30000}, {44100, 44101}}) {
        try {
            const PacketCopyResult copied = writePacketCopy(path, first, end, out, {}, true);
            if (copied.firstSample > first)
                __builtin_trap(); // a copy that starts after the range asked for
        } catch (const EngineError&) {
        }
        std::remove(out.c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* extension = size % 2 == 0 ? ".ogg" : ".wma";
    const std::string path = temporaryPath(extension);
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        exercise(path, extension);
        std::remove(path.c_str());
    }
    return 0;
}
