#include "FileNames.h"

#include "Utf8Text.h"

namespace Platform {

namespace {

constexpr char16_t StrayByteBase = 0xDC00;

} // namespace

QString pathFromBytes(const std::string& bytes) {
    QString path;
    path.reserve(static_cast<qsizetype>(bytes.size()));
    for (size_t at = 0; at < bytes.size();) {
        const size_t length = Utf8::sequenceLength(bytes, at);
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
