// Feeds arbitrary bytes to the batch program's reader of command files, and the time
// values of its options: any encoding, any line ends, quotes left open, NUL characters.
// It must never crash, hang or leak; it reads the commands or raises its own error.

#include <cstdint>
#include <string>

#include "BatchCommands.h"
#include "CommandFile.h"
#include "FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        parseTime(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const UsageError&) {
    }
    withBytesAsFile(data, size, ".txt", [](const std::string& path) {
        try {
            readCommandFile(path);
        } catch (const UsageError&) {
        }
    });
    return 0;
}
