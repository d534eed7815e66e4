#include "TerminalText.h"

#include <cstdio>

#include <unistd.h>

std::string escapedControls(const std::string& text, bool keepLines) {
    std::string shown;
    char escaped[8];
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if ((byte < 0x20 && !(keepLines && byte == '\n')) || byte == 0x7F || c1) {
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c1 ? static_cast<unsigned char>(text[++i]) : byte);
            shown += escaped;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

std::string forDescriptor(int descriptor, const std::string& text, bool keepLines) {
    return isatty(descriptor) != 0 ? escapedControls(text, keepLines) : text;
}
