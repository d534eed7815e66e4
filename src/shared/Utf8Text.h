#pragma once

// UTF-8 checks, and the reading of text that older programs wrote in Windows-1252.

#include <cstddef>
#include <string>

namespace Utf8 {

// The length of the valid UTF-8 sequence at text[at], 0 when the byte there starts none.
size_t sequenceLength(const std::string& text, size_t at);
bool isValid(const std::string& text);

// Windows-1252 (Latin-1 with printable characters at 0x80..0x9F) as UTF-8; the five
// bytes it leaves undefined become U+FFFD.
std::string fromWindows1252(const std::string& text);
// The text itself when it is valid UTF-8, else its Windows-1252 reading.
std::string fromUtf8OrWindows1252(const std::string& text);

} // namespace Utf8
