#pragma once

#include <string>

#include <taglib/tiostream.h>

namespace Engine {

// A file as TagLib reads and writes it, over a POSIX descriptor that it owns. TagLib
// ignores failed writes; this stream remembers them (Failed, Cause), so that a tag
// write on a full disk is reported instead of being taken for done.
class TagFileStream : public TagLib::IOStream {
public:
    TagFileStream(const std::string& path, bool writable);
    ~TagFileStream() override;
    TagFileStream(const TagFileStream&) = delete;
    TagFileStream& operator=(const TagFileStream&) = delete;

    TagLib::FileName name() const override { return path_.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector& data) override;
    void insert(const TagLib::ByteVector& data, unsigned long start = 0, unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return !writable_; }
    bool isOpen() const override { return fd_ >= 0; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return position_; }
    long length() override;
    void truncate(long length) override;

    // Closes the descriptor (a failure to close is a failed write too); false when any
    // write failed.
    bool finish();
    bool failed() const { return !cause_.empty(); }
    const std::string& cause() const { return cause_; }

private:
    bool readAt(long offset, char* data, long size);
    bool writeAt(long offset, const char* data, long size);
    // Moves the bytes from `from` to the end of the file so that they start at `to`.
    void moveTail(long from, long to);
    void noteFailure();

    std::string path_;
    bool writable_;
    int fd_ = -1;
    long position_ = 0;
    std::string cause_;
};

} // namespace Engine
