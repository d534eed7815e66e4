#include "Mp3Gain.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "AudioTags.h"
#include "EngineError.h"
#include "Mp3FrameCopy.h"
#include "internal/CFile.h"
#include "internal/PartFile.h"

namespace {

// Big-endian bit fields of the side information.
unsigned readBits(const uint8_t* data, int at, int count) {
    unsigned value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 1 | ((data[(at + i) / 8] >> (7 - (at + i) % 8)) & 1);
    return value;
}

void writeBits(uint8_t* data, int at, int count, unsigned value) {
    for (int i = 0; i < count; ++i) {
        const int bit = at + i, shift = 7 - bit % 8;
        const unsigned one = (value >> (count - 1 - i)) & 1;
        data[bit / 8] = static_cast<uint8_t>((data[bit / 8] & ~(1u << shift)) | (one << shift));
    }
}

} // namespace

// In MPEG-1 the side information holds two granules of 59 bits per channel
// after main_data_begin, the private bits and scfsi; in MPEG-2 and 2.5 one granule of 63
// bits after main_data_begin and the private bits. global_gain lies 21 bits into each.
bool shiftMp3FrameGains(uint8_t* frame, int version, int channels, int steps0, int steps1) {
    const bool crc = (frame[1] & 1) == 0;
    uint8_t* side = frame + 4 + (crc ? 2 : 0);
    const bool mpeg1 = version == 1;
    int at = mpeg1 ? 9 + (channels == 1 ? 5 : 3) + 4 * channels : 8 + (channels == 1 ? 1 : 2);
    bool clamped = false;
    for (int granule = 0; granule < (mpeg1 ? 2 : 1); ++granule)
        for (int channel = 0; channel < channels; ++channel, at += mpeg1 ? 59 : 63) {
            const int gain = static_cast<int>(readBits(side, at + 21, 8)) + (granule == 0 ? steps0 : steps1);
            clamped = clamped || gain < 0 || gain > 255;
            writeBits(side, at + 21, 8, static_cast<unsigned>(std::clamp(gain, 0, 255)));
        }
    if (crc) {
        const uint16_t sum = mp3FrameCrc(frame, mp3SideInfoBytes(version, channels));
        frame[4] = static_cast<uint8_t>(sum >> 8);
        frame[5] = static_cast<uint8_t>(sum & 0xFF);
    }
    return clamped;
}

namespace {

[[noreturn]] void failChanging(const std::string& path, const std::string& cause) {
    throw EngineError(EngineStatus::WriteFailed, "Cannot change the gain of \"" + path + "\": " + cause);
}

// Changes the frames of the part file in place.
Mp3GainChange shiftFrames(const std::string& partPath, const std::string& path, const Mp3FrameIndex& index, int steps) {
    Engine::File file(std::fopen(partPath.c_str(), "r+b"));
    if (!file)
        failChanging(path, std::strerror(errno));
    Mp3GainChange change;
    const size_t head = static_cast<size_t>(6 + mp3SideInfoBytes(index.version, index.channels));
    std::vector<uint8_t> frame(head);
    for (const Mp3FrameIndex::Frame& at : index.frames) {
        if (std::fseek(file.get(), static_cast<long>(at.offset), SEEK_SET) != 0 ||
            std::fread(frame.data(), 1, head, file.get()) != head)
            failChanging(path, "it ended while being changed");
        change.clampedFrames += shiftMp3FrameGains(frame.data(), index.version, index.channels, steps, steps) ? 1 : 0;
        ++change.frames;
        if (std::fseek(file.get(), static_cast<long>(at.offset), SEEK_SET) != 0 ||
            std::fwrite(frame.data(), 1, head, file.get()) != head)
            failChanging(path, std::strerror(errno));
    }
    if (std::fclose(file.release()) != 0)
        failChanging(path, std::strerror(errno));
    return change;
}

} // namespace

int mp3GainSteps(double gainDb) {
    return static_cast<int>(std::lround(gainDb / 1.5));
}

int mp3GainStepsWithin(double gainDb) {
    return static_cast<int>(std::floor(gainDb / 1.5 + 1e-9));
}

Mp3GainChange applyMp3Gain(const std::string& path, int steps) {
    const Mp3FrameIndex index = indexMp3Frames(path);
    std::string partPath = Engine::Parts::partPathFor(path);
    std::error_code ec;
    std::filesystem::copy_file(path, partPath, ec);
    if (ec)
        failChanging(path, ec.message());
    Mp3GainChange change;
    try {
        change = shiftFrames(partPath, path, index, steps);
        writeMp3GainUndoAs(partPath, path, readMp3GainUndo(path) + steps);
        std::string name = path;
        Engine::Parts::commitPart(partPath, name, {}, true);
    } catch (...) {
        Engine::Parts::removePart(partPath);
        throw;
    }
    return change;
}

bool undoMp3Gain(const std::string& path) {
    const int applied = readMp3GainUndo(path);
    if (applied == 0)
        return false;
    applyMp3Gain(path, -applied);
    return true;
}
