#include "TagStream.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Engine {

namespace {
constexpr long MoveBlock = 1 << 20;
}

TagFileStream::TagFileStream(const std::string& path, bool writable) : path_(path), writable_(writable) {
    fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd_ < 0)
        noteFailure();
}

TagFileStream::~TagFileStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool TagFileStream::finish() {
    if (fd_ >= 0 && ::close(fd_) != 0)
        noteFailure();
    fd_ = -1;
    return !failed();
}

void TagFileStream::noteFailure() {
    if (cause_.empty())
        cause_ = std::generic_category().message(errno);
}

bool TagFileStream::readAt(long offset, char* data, long size) {
    while (size > 0) {
        const ssize_t got = ::pread(fd_, data, static_cast<size_t>(size), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got < 0)
                noteFailure();
            return false;
        }
        data += got;
        offset += got;
        size -= got;
    }
    return true;
}

bool TagFileStream::writeAt(long offset, const char* data, long size) {
    // After one failed write the file is left alone: the caller throws the copy away.
    if (failed() || !writable_)
        return false;
    while (size > 0) {
        const ssize_t put = ::pwrite(fd_, data, static_cast<size_t>(size), offset);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            if (put == 0)
                errno = ENOSPC;
            noteFailure();
            return false;
        }
        data += put;
        offset += put;
        size -= put;
    }
    return true;
}

TagLib::ByteVector TagFileStream::readBlock(unsigned long length) {
    const long available = std::max(0L, this->length() - position_);
    const long size = std::min(static_cast<long>(length), available);
    TagLib::ByteVector data(static_cast<unsigned int>(size), 0);
    if (size > 0 && !readAt(position_, data.data(), size))
        return {};
    position_ += size;
    return data;
}

void TagFileStream::writeBlock(const TagLib::ByteVector& data) {
    if (writeAt(position_, data.data(), data.size()))
        position_ += data.size();
}

void TagFileStream::moveTail(long from, long to) {
    const long end = length();
    if (from == to)
        return;
    if (from >= end) { // nothing after the block: a block removed from the end is cut off
        if (to < end)
            truncate(to);
        return;
    }
    std::vector<char> buffer(static_cast<size_t>(std::min(MoveBlock, end - from)));
    if (to > from) {
        // Growing: the last block first, so that nothing is overwritten before it moved.
        for (long at = end; at > from;) {
            const long size = std::min(MoveBlock, at - from);
            at -= size;
            if (!readAt(at, buffer.data(), size) || !writeAt(at + (to - from), buffer.data(), size))
                return;
        }
        return;
    }
    for (long at = from; at < end; at += MoveBlock) {
        const long size = std::min(MoveBlock, end - at);
        if (!readAt(at, buffer.data(), size) || !writeAt(at - (from - to), buffer.data(), size))
            return;
    }
    truncate(end - (from - to));
}

void TagFileStream::insert(const TagLib::ByteVector& data, unsigned long start, unsigned long replace) {
    const long at = static_cast<long>(start);
    moveTail(at + static_cast<long>(replace), at + static_cast<long>(data.size()));
    if (writeAt(at, data.data(), data.size()))
        position_ = at + data.size();
}

void TagFileStream::removeBlock(unsigned long start, unsigned long length) {
    moveTail(static_cast<long>(start + length), static_cast<long>(start));
}

void TagFileStream::seek(long offset, Position p) {
    const long base = p == Beginning ? 0 : p == Current ? position_ : length();
    position_ = std::max(0L, base + offset);
}

long TagFileStream::length() {
    struct stat status {};
    return fd_ >= 0 && ::fstat(fd_, &status) == 0 ? static_cast<long>(status.st_size) : 0;
}

void TagFileStream::truncate(long length) {
    if (failed() || !writable_)
        return;
    if (::ftruncate(fd_, length) != 0)
        noteFailure();
}

} // namespace Engine
