// Feeds arbitrary bytes to the readers of the text files users give the program: the
// text decoding (any encoding, any line ends), the CUE sheet reader and the settings
// reader must never crash, hang or leak; they read the text or raise their own error.

#include <cstdint>
#include <string>

#include "CueSheet.h"
#include "FuzzFile.h"
#include "OptionValues.h"
#include "SettingsStore.h"
#include "TextDecoding.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TextDecoding::withUnixLineEnds(TextDecoding::asUtf8(bytes));
    try {
        const CueSheet sheet = parseCueSheet(bytes, "album.wav", 3600000);
        cueSheetText("album.wav", sheet.sections);
    } catch (const CueSheetError&) {
    }
    withBytesAsFile(data, size, ".ini", [](const std::string& path) {
        OptionValues values;
        try {
            loadSettings(values, path, path + ".missing");
        } catch (const SettingsReadError&) {
        }
    });
    return 0;
}
