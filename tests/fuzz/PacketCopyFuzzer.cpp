// Feeds arbitrary bytes to the Ogg and ASF packet copier as a file of either kind: the
// refusal check and copies of a few ranges must never crash, hang or leak.

#include <cstdint>
#include <cstdio>
#include <string>

#include "EngineError.h"
#include "FuzzFile.h"
#include "PacketCopy.h"

namespace {

void exercise(const std::string& path, const char* extension) {
    if (!packetCopyRefusal(path).empty())
        return;
    const std::string out = fuzzPath(std::string("-copy") + extension);
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
    withBytesAsFile(data, size, extension, [extension](const std::string& path) { exercise(path, extension); });
    return 0;
}
