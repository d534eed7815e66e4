#pragma once

// The text of a file a user gave the program (a CUE sheet, a command file) as UTF-8,
// whatever its encoding: a byte order mark tells UTF-8, UTF-16 or UTF-32; UTF-16 and
// UTF-32 without one show in their zero bytes; valid UTF-8 stays as it is; other 8-bit
// text is read in the encoding uchardet finds in it (Windows-1252 when it finds none).

#include <stdexcept>
#include <string>

namespace TextDecoding {

class UnknownEncoding : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The encoding the bytes are in, as iconv names it ("UTF-8", "UTF-16LE", "WINDOWS-1251").
std::string detectedEncoding(const std::string& bytes);

// The bytes as UTF-8 text without byte order mark, read in encoding (any name iconv
// knows; "" to detect it). Bytes the encoding cannot hold become U+FFFD. Raises
// UnknownEncoding for a name iconv does not know.
std::string asUtf8(const std::string& bytes, const std::string& encoding = {});

// The line ends of the text as "\n": "\r\n" and a lone "\r" too.
std::string withUnixLineEnds(const std::string& text);

} // namespace TextDecoding
