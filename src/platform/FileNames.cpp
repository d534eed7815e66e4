#include "FileNames.h"

namespace Platform {

namespace {

constexpr char16_t StrayByteBase = 0xDC00;

bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

size_t utf8SequenceLength(const std::string& text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    size_t length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!isContinuation(byte(i)))
            return 0;
        code = code << 6 | (byte(i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

bool isValidUtf8(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        const size_t length = utf8SequenceLength(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

QString pathFromBytes(const std::string& bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = utf8SequenceLength(bytes, at);
        if (length == 0) {
            path += QChar(static_cast<char16_t>(StrayByteBase + static_cast<unsigned char>(bytes[at])));
            ++at;
        } else {
            path += QString::fromUtf8(bytes.data() + at, static_cast<qsizetype>(length));
            at += length;
        }
    }
    return path;
}

std::string pathBytes(const QString& path) {
    std::string bytes;
    bytes.reserve(static_cast<size_t>(path.size()));
    qsizetype runStart = 0;
    const auto flushRun = [&](qsizetype end) {
        if (end > runStart)
            bytes += path.mid(runStart, end - runStart).toStdString();
    };
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path[i].unicode();
        const bool paired = i > 0 && path[i - 1].isHighSurrogate(); // the second half of a character
        if (unit >= StrayByteBase + 0x80 && unit <= StrayByteBase + 0xFF && !paired) {
            flushRun(i);
            bytes += static_cast<char>(unit - StrayByteBase);
            runStart = i + 1;
        }
    }
    flushRun(path.size());
    return bytes;
}

} // namespace Platform
