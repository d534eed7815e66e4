#include "TextDecoding.h"

#include <cerrno>
#include <memory>
#include <string_view>

#include <iconv.h>
#include <uchardet.h>

#include "Utf8Text.h"

namespace TextDecoding {

namespace {

struct ByteOrderMark {
    std::string_view bytes;
    const char* encoding;
};
// UTF-32LE's mark begins with UTF-16LE's: it is looked for first.
constexpr ByteOrderMark Marks[] = {{{"\xFF\xFE\x00\x00", 4}, "UTF-32LE"},
                                   {{"\x00\x00\xFE\xFF", 4}, "UTF-32BE"},
                                   {{"\xEF\xBB\xBF", 3}, "UTF-8"},
                                   {{"\xFF\xFE", 2}, "UTF-16LE"},
                                   {{"\xFE\xFF", 2}, "UTF-16BE"}};

const ByteOrderMark* markOf(const std::string& bytes) {
    for (const ByteOrderMark& mark : Marks)
        if (std::string_view(bytes).starts_with(mark.bytes))
            return &mark;
    return nullptr;
}

// UTF-16 and UTF-32 without a mark: no 8-bit text has zero bytes. In UTF-32 the two high
// bytes of every character are zero (the letters of all living scripts are below
// U+10000); in UTF-16 the high byte of every Latin letter, digit and blank is.
const char* wideEncodingOf(const std::string& bytes) {
    size_t zeros[4] = {};
    const size_t length = bytes.size() / 4 * 4;
    for (size_t i = 0; i < length; ++i)
        zeros[i % 4] += bytes[i] == '\0' ? 1 : 0;
    const size_t units = length / 4;
    if ((zeros[2] + zeros[3]) * 10 >= units * 2 * 9)
        return "UTF-32LE";
    if ((zeros[0] + zeros[1]) * 10 >= units * 2 * 9)
        return "UTF-32BE";
    // A stray zero byte in 8-bit text is not enough: a good share of the characters must
    // have one (blanks, digits and the sheet's or command's Latin words do).
    const size_t even = zeros[0] + zeros[2], odd = zeros[1] + zeros[3], characters = units * 2;
    if (odd * 4 >= characters && odd > even * 2)
        return "UTF-16LE";
    if (even * 4 >= characters && even > odd * 2)
        return "UTF-16BE";
    return nullptr;
}

std::string uchardetGuess(const std::string& bytes) {
    const std::unique_ptr<std::remove_pointer_t<uchardet_t>, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                                                  uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), bytes.data(), bytes.size()) != 0)
        return {};
    uchardet_data_end(detector.get());
    return uchardet_get_charset(detector.get());
}

// The bytes in encoding as UTF-8, with U+FFFD for what cannot be read.
std::string converted(const std::string& bytes, const std::string& encoding) {
    iconv_t converter = iconv_open("UTF-8", encoding.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw UnknownEncoding("the text encoding \"" + encoding + "\" is not known");
    std::string out;
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* to = buffer;
        size_t toLeft = sizeof buffer;
        const size_t done = iconv(converter, &in, &inLeft, &to, &toLeft);
        out.append(buffer, static_cast<size_t>(to - buffer));
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            out += "\xEF\xBF\xBD"; // a byte it cannot read, or a sequence cut short at the end
            ++in;
            --inLeft;
        }
    }
    iconv_close(converter);
    return out;
}

} // namespace

std::string detectedEncoding(const std::string& bytes) {
    if (const ByteOrderMark* mark = markOf(bytes))
        return mark->encoding;
    if (const char* wide = wideEncodingOf(bytes))
        return wide;
    if (Utf8::isValid(bytes))
        return "UTF-8";
    const std::string guess = uchardetGuess(bytes);
    // uchardet answers "ASCII" only for 7-bit text, which is valid UTF-8 and taken above.
    return guess.empty() || guess == "ASCII" ? "WINDOWS-1252" : guess;
}

std::string asUtf8(const std::string& bytes, const std::string& encoding) {
    const std::string from = encoding.empty() ? detectedEncoding(bytes) : encoding;
    const ByteOrderMark* mark = markOf(bytes);
    const std::string body =
        mark && from.starts_with(std::string(mark->encoding).substr(0, 6)) ? bytes.substr(mark->bytes.size()) : bytes;
    if (from == "UTF-8")
        return Utf8::isValid(body) ? body : converted(body, from);
    return converted(body, from);
}

std::string withUnixLineEnds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            out += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            out += '\n';
    }
    return out;
}

} // namespace TextDecoding
