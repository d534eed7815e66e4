#include "Mp3FrameCopy.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "EngineError.h"
#include "Mp3Gain.h"
#include "internal/CFile.h"
#include "internal/FileStampedCache.h"
#include "internal/PartFile.h"

using Engine::File;
using namespace Engine::Parts;

namespace {

// Samples a layer III decoder gives late: the delay of its filter bank.
constexpr int DecoderDelay = 529;
constexpr int MaxTagField = 4095; // the LAME tag's 12-bit delay and padding
constexpr int XingBytes = 120;    // "Xing", flags, frames, bytes, TOC, quality
constexpr int LameBytes = 36;

// FFmpeg takes an MP3 stream to start where a frame and the next agree in version,
// layer, rate, channel mode and their marks (copyright, original, emphasis), and skips
// what comes before as junk.
constexpr uint32_t StreamFields = 0xFFFE0CCF;
constexpr uint32_t Marks = 0xF;

[[noreturn]] void failReading(const std::string& path, const std::string& cause) {
    throw EngineError(EngineStatus::OpenFailed, "Cannot read \"" + path + "\": " + cause);
}

// One frame header's fields (layer III only).
struct Header {
    int version = 0; // 1, 2 or 25
    int bitRateIndex = 0;
    int sampleRate = 0;
    int channels = 0;
    int size = 0;
    int samplesPerFrame = 0;
    int sideInfo = 0;
    bool crc = false;

    int dataStart() const { return 4 + (crc ? 2 : 0) + sideInfo; }
};

constexpr std::array<int, 15> Mpeg1Rates{0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 15> Mpeg2Rates{0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

int sideInfoBytes(int version, int channels) {
    return version == 1 ? (channels == 1 ? 17 : 32) : (channels == 1 ? 9 : 17);
}

int frameBytes(int version, int kbps, int rate, int padding) {
    return (version == 1 ? 144000 : 72000) * kbps / rate + padding;
}

// The header at bytes, or nothing when they do not start a layer III frame.
std::optional<Header> parseHeader(const uint8_t* b) {
    const uint32_t h = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
    const int versionBits = (h >> 19) & 3, layerBits = (h >> 17) & 3;
    const int rateIndex = (h >> 12) & 15, freqIndex = (h >> 10) & 3;
    if ((h & 0xFFE00000u) != 0xFFE00000u || versionBits == 1 || layerBits != 1 || rateIndex == 0 || rateIndex == 15 ||
        freqIndex == 3)
        return std::nullopt;
    Header header;
    header.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const int base = std::array<int, 3>{44100, 48000, 32000}[static_cast<size_t>(freqIndex)];
    header.sampleRate = header.version == 1 ? base : header.version == 2 ? base / 2 : base / 4;
    header.bitRateIndex = rateIndex;
    header.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    const auto& rates = header.version == 1 ? Mpeg1Rates : Mpeg2Rates;
    header.size = frameBytes(header.version, rates[static_cast<size_t>(rateIndex)], header.sampleRate, (h >> 9) & 1);
    header.samplesPerFrame = header.version == 1 ? 1152 : 576;
    header.sideInfo = sideInfoBytes(header.version, header.channels);
    header.crc = ((h >> 16) & 1) == 0;
    return header;
}

uint32_t bigEndian32(const uint8_t* b) {
    return uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
}

void putBigEndian32(uint8_t* b, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

// Reads a file from front to back through a window of 1 MB, with short looks ahead.
class FrameReader {
public:
    explicit FrameReader(const std::string& path) : path_(path), file_(std::fopen(path.c_str(), "rb")) {
        if (!file_)
            failReading(path, std::strerror(errno));
    }
    // Up to count bytes at offset (fewer at the end of the file).
    size_t read(int64_t offset, uint8_t* into, size_t count) {
        if (count > Window)
            return readDirect(offset, into, count);
        if (offset < windowStart_ || offset + static_cast<int64_t>(count) > windowStart_ + windowSize_) {
            window_.resize(Window);
            windowStart_ = offset;
            windowSize_ = static_cast<int64_t>(readDirect(offset, window_.data(), Window));
        }
        const int64_t available =
            std::clamp<int64_t>(windowStart_ + windowSize_ - offset, 0, static_cast<int64_t>(count));
        std::memcpy(into, window_.data() + (offset - windowStart_), static_cast<size_t>(available));
        return static_cast<size_t>(available);
    }
    // The count bytes at offset (at most the window's size) as they lie in the window, or
    // nothing when the file ends before them: a look without copying.
    const uint8_t* view(int64_t offset, size_t count) {
        if (offset < windowStart_ || offset + static_cast<int64_t>(count) > windowStart_ + windowSize_) {
            window_.resize(Window);
            windowStart_ = offset;
            windowSize_ = static_cast<int64_t>(readDirect(offset, window_.data(), Window));
        }
        if (offset + static_cast<int64_t>(count) > windowStart_ + windowSize_)
            return nullptr;
        return window_.data() + (offset - windowStart_);
    }
    int64_t size() {
        if (std::fseek(file_.get(), 0, SEEK_END) != 0)
            failReading(path_, std::strerror(errno));
        return std::ftell(file_.get());
    }

private:
    static constexpr size_t Window = 1 << 20;

    size_t readDirect(int64_t offset, uint8_t* into, size_t count) {
        if (std::fseek(file_.get(), static_cast<long>(offset), SEEK_SET) != 0)
            failReading(path_, std::strerror(errno));
        const size_t got = std::fread(into, 1, count, file_.get());
        if (std::ferror(file_.get()))
            failReading(path_, std::strerror(errno));
        return got;
    }

    std::string path_;
    File file_;
    std::vector<uint8_t> window_;
    int64_t windowStart_ = 0, windowSize_ = 0;
};

// Where the audio goes on: after any ID3v2 tags at offset.
int64_t afterId3v2(FrameReader& reader, int64_t offset = 0) {
    uint8_t b[10];
    while (reader.read(offset, b, 10) == 10 && std::memcmp(b, "ID3", 3) == 0) {
        const int64_t size = (b[6] & 0x7F) << 21 | (b[7] & 0x7F) << 14 | (b[8] & 0x7F) << 7 | (b[9] & 0x7F);
        offset += 10 + size + ((b[5] & 0x10) ? 10 : 0);
    }
    return offset;
}

// The first offset from start where a frame is followed by another of the same kind.
int64_t firstFrame(FrameReader& reader, int64_t start, const std::string& path) {
    std::vector<uint8_t> bytes(65536 + 4);
    const size_t got = reader.read(start, bytes.data(), bytes.size());
    for (size_t at = 0; at + 4 <= got; ++at) {
        const auto header = parseHeader(&bytes[at]);
        if (!header)
            continue;
        uint8_t next[4];
        if (reader.read(start + static_cast<int64_t>(at) + header->size, next, 4) < 4)
            continue;
        const auto following = parseHeader(next);
        if (following && following->version == header->version && following->sampleRate == header->sampleRate)
            return start + static_cast<int64_t>(at);
    }
    failReading(path, "it holds no MPEG layer III frames");
}

// Takes the gapless fields of an Info, Xing (or VBRI) tag in the first frame; true when
// the frame is such a tag and no audio.
bool readTagFrame(const std::vector<uint8_t>& frame, const Header& header, Mp3FrameIndex& index) {
    const size_t at = static_cast<size_t>(header.dataStart());
    if (frame.size() >= 4 + 32 + 4 && std::memcmp(&frame[4 + 32], "VBRI", 4) == 0)
        return true;
    if (frame.size() < at + 8 || (std::memcmp(&frame[at], "Xing", 4) != 0 && std::memcmp(&frame[at], "Info", 4) != 0))
        return false;
    const uint32_t flags = bigEndian32(&frame[at + 4]);
    size_t lame = at + 8;
    for (const uint32_t flag : {1u, 2u})
        lame += (flags & flag) ? 4 : 0;
    lame += (flags & 4) ? 100 : 0;
    lame += (flags & 8) ? 4 : 0;
    if (frame.size() >= lame + LameBytes &&
        (std::memcmp(&frame[lame], "LAME", 4) == 0 || std::memcmp(&frame[lame], "Lavf", 4) == 0 ||
         std::memcmp(&frame[lame], "Lavc", 4) == 0)) {
        const uint32_t fields = uint32_t{frame[lame + 21]} << 16 | uint32_t{frame[lame + 22]} << 8 | frame[lame + 23];
        index.gapless = true;
        index.encoderDelay = static_cast<int>(fields >> 12);
        index.encoderPadding = static_cast<int>(fields & 0xFFF);
        index.lameFields.assign(frame.begin() + static_cast<long>(lame),
                                frame.begin() + static_cast<long>(lame) + LameBytes);
    }
    if (flags & 1)
        index.statedFrames = bigEndian32(&frame[at + 8]);
    return true;
}

// Why the frames end at offset, before the end of the file: "" when only tags follow
// (ID3v1, APE, Lyrics3) or less than a frame header.
std::string whyFramesEnd(FrameReader& reader, int64_t offset, const std::optional<Header>& header,
                         const Mp3FrameIndex& index) {
    const int64_t samples = static_cast<int64_t>(index.frames.size()) * index.samplesPerFrame;
    const std::string at =
        index.sampleRate > 0 ? " after " + std::to_string(samples * 1000 / index.sampleRate) + " ms" : "";
    if (header)
        return "its frames change to " + std::to_string(header->sampleRate) + " Hz, " +
               std::to_string(header->channels) + (header->channels == 1 ? " channel" : " channels") + at;
    uint8_t head[11] = {};
    const size_t got = reader.read(offset, head, sizeof head);
    for (const char* tag : {"TAG", "APETAGEX", "LYRICSBEGIN"})
        if (got >= std::strlen(tag) && std::memcmp(head, tag, std::strlen(tag)) == 0)
            return {};
    return got < 4 ? std::string() : "it holds bytes that are not MP3 frames" + at;
}

int mainDataBegin(const uint8_t* frame, const Header& header) {
    const uint8_t* side = frame + 4 + (header.crc ? 2 : 0);
    return header.version == 1 ? (side[0] << 1 | side[1] >> 7) : side[0];
}

} // namespace

int64_t Mp3FrameIndex::skippedSamples() const {
    return gapless ? encoderDelay + DecoderDelay : 0;
}

int64_t Mp3FrameIndex::totalSamples() const {
    return samplesOf(static_cast<int64_t>(frames.size()));
}

int64_t Mp3FrameIndex::samplesOf(int64_t frameCount) const {
    const int64_t raw = frameCount * samplesPerFrame;
    const int64_t end = gapless ? std::min(raw, raw - encoderPadding + DecoderDelay) : raw;
    return std::max<int64_t>(0, end - skippedSamples());
}

bool Mp3FrameIndex::trimsAsDecoded(int64_t frameCount) const {
    return !gapless || (encoderPadding <= samplesPerFrame + DecoderDelay &&
                        frameCount * samplesPerFrame > skippedSamples() + encoderPadding + samplesPerFrame);
}

bool Mp3FrameIndex::countsAsDecoded() const {
    return copyRefusal().empty() && trimsAsDecoded(static_cast<int64_t>(frames.size()));
}

std::string Mp3FrameIndex::copyRefusal() const {
    if (!breakReason.empty())
        return breakReason;
    if (gapless && statedFrames >= 0 && statedFrames != static_cast<int64_t>(frames.size()))
        return "its Info frame counts " + std::to_string(statedFrames) + " frames, but it holds " +
               std::to_string(frames.size());
    return {};
}

namespace {

// Where the audio of a file ends: before the ID3v1 and APE tags at its end.
int64_t audioEnd(FrameReader& reader) {
    int64_t end = reader.size();
    for (;;) {
        uint8_t b[32];
        if (end >= 128 && reader.read(end - 128, b, 3) == 3 && std::memcmp(b, "TAG", 3) == 0) {
            end -= 128;
        } else if (end >= 32 && reader.read(end - 32, b, 32) == 32 && std::memcmp(b, "APETAGEX", 8) == 0) {
            const int64_t size = b[12] | b[13] << 8 | b[14] << 16 | int64_t{b[15]} << 24; // footer and items
            end -= size + ((b[23] & 0x80) ? 32 : 0);                                      // and a header
        } else {
            return end;
        }
    }
}

// The frame and byte counts an Info, Xing or VBRI frame states (-1 where it has none).
struct StatedCounts {
    int64_t frames = -1, bytes = -1;
    bool constantBitRate = false; // LAME's "Info": every frame of the first's bit rate
};

StatedCounts statedCounts(const uint8_t* frame, size_t size, const Header& header) {
    StatedCounts counts;
    const size_t at = static_cast<size_t>(header.dataStart());
    if (size >= 4 + 32 + 18 && std::memcmp(frame + 4 + 32, "VBRI", 4) == 0) {
        counts.bytes = bigEndian32(frame + 4 + 32 + 10);
        counts.frames = bigEndian32(frame + 4 + 32 + 14);
    } else if (size >= at + 16 &&
               (std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0)) {
        const uint32_t flags = bigEndian32(frame + at + 4);
        counts.constantBitRate = std::memcmp(frame + at, "Info", 4) == 0;
        if ((flags & 3) == 3) {
            counts.frames = bigEndian32(frame + at + 8);
            counts.bytes = bigEndian32(frame + at + 12);
        }
    }
    return counts;
}

// Whether frames of the stream's kind can fill bytes: each between the sizes of the lowest
// and the highest bit rate, or all of the first audio frame's rate for a constant one.
bool framesFill(int64_t frames, int64_t bytes, const Header& first, bool constantBitRate) {
    const auto& rates = first.version == 1 ? Mpeg1Rates : Mpeg2Rates;
    const int kbps = rates[static_cast<size_t>(first.bitRateIndex)];
    const int least = frameBytes(first.version, constantBitRate ? kbps : rates[1], first.sampleRate, 0);
    const int most = frameBytes(first.version, constantBitRate ? kbps : rates[14], first.sampleRate, 1);
    return frames > 0 && frames * least <= bytes && bytes <= frames * most;
}

} // namespace

Mp3StatedLength mp3SamplesFromTag(const std::string& path) {
    try {
        FrameReader reader(path);
        const int64_t start = firstFrame(reader, afterId3v2(reader), path);
        const auto header = parseHeader(reader.view(start, 4));
        const uint8_t* frame = header ? reader.view(start, static_cast<size_t>(header->size)) : nullptr;
        const uint8_t* next = frame ? reader.view(start + header->size, 4) : nullptr;
        const auto first = next ? parseHeader(next) : std::nullopt;
        Mp3FrameIndex index;
        if (!first || !readTagFrame(std::vector<uint8_t>(frame, frame + header->size), *header, index))
            return {};
        const StatedCounts stated = statedCounts(frame, static_cast<size_t>(header->size), *header);
        const int64_t span = audioEnd(reader) - start, audio = span - header->size;
        index.samplesPerFrame = first->samplesPerFrame;
        if ((stated.bytes != span && stated.bytes != audio) ||
            !framesFill(stated.frames, audio, *first, stated.constantBitRate) || !index.trimsAsDecoded(stated.frames))
            return {std::nullopt, stated.frames >= 0};
        return {index.samplesOf(stated.frames), true};
    } catch (const EngineError&) {
        return {};
    }
}

namespace {

// The frames before the first that agrees with its next one in the stream's fields are
// what FFmpeg skips as junk: they are not the file's audio, and the index leaves them out.
void leaveOutJunkFrames(Mp3FrameIndex& index) {
    auto& frames = index.frames;
    size_t start = 0;
    while (start + 1 < frames.size() && ((frames[start].header ^ frames[start + 1].header) & StreamFields) != 0)
        ++start;
    if (start == 0 || start + 1 >= frames.size())
        return;
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(start));
    index.firstHeader = frames.front().header;
}

void addFrame(Mp3FrameIndex& index, int64_t offset, const uint8_t* frame, const Header& header) {
    const uint32_t bits = bigEndian32(frame);
    if (index.frames.empty()) {
        index.firstHeader = bits;
        index.version = header.version;
        index.sampleRate = header.sampleRate;
        index.channels = header.channels;
        index.samplesPerFrame = header.samplesPerFrame;
    }
    index.sameBitRate = index.sameBitRate && header.bitRateIndex == static_cast<int>((index.firstHeader >> 12) & 15);
    index.frames.push_back({offset, header.size, mainDataBegin(frame, header), header.size - header.dataStart(), bits});
}

} // namespace

namespace {

Mp3FrameIndex readMp3Frames(const std::string& path) {
    FrameReader reader(path);
    Mp3FrameIndex index;
    int64_t offset = firstFrame(reader, afterId3v2(reader), path);
    std::optional<Header> kind; // the first frame's, which every other must share
    for (;;) {
        const uint8_t* head = reader.view(offset, 4);
        if (head && head[0] == 'I' && head[1] == 'D' && head[2] == '3') {
            offset = afterId3v2(reader, offset); // decoders pass tags between frames by
            head = reader.view(offset, 4);
        }
        const auto header = head ? parseHeader(head) : std::nullopt;
        if (!head || !header ||
            (kind && (header->version != kind->version || header->sampleRate != kind->sampleRate ||
                      header->channels != kind->channels))) {
            index.breakReason = head ? whyFramesEnd(reader, offset, header, index) : std::string();
            break;
        }
        const uint8_t* frame = reader.view(offset, static_cast<size_t>(header->size));
        if (!frame)
            break; // a frame cut short at the end
        const bool isTag = !kind && readTagFrame(std::vector<uint8_t>(frame, frame + header->size), *header, index);
        if (!isTag)
            addFrame(index, offset, frame, *header);
        kind = header;
        offset += header->size;
    }
    if (index.frames.empty())
        failReading(path, "it holds no MPEG layer III frames");
    leaveOutJunkFrames(index);
    return index;
}

} // namespace

// The last files' frames are kept while the files stay as they are: a file without an Info
// frame is read for its length when it opens, and again for a copy or a join. Kept only
// up to a few hours' frames (an hour's take 4 MB).
Mp3FrameIndex indexMp3Frames(const std::string& path) {
    constexpr size_t MostFramesKept = 500000;
    static Engine::FileStampedCache<std::shared_ptr<const Mp3FrameIndex>, 2> kept;
    if (const auto known = kept.find(path))
        return **known;
    auto index = std::make_shared<const Mp3FrameIndex>(readMp3Frames(path));
    if (index->frames.size() <= MostFramesKept)
        kept.store(path, index);
    return *index;
}

namespace {

// The first frame to copy for a range whose first sample is in frame target. The two
// granules before that frame must decode whole, as their overlap and the filter bank's
// state carry into it: one MPEG-1 frame (two granules) or two MPEG-2 frames. So must
// every later frame, whose main data may begin up to 511 (MPEG-1) or 255 bytes before
// its own area: the copy starts at the frame whose area holds the earliest such byte.
size_t firstFrameToCopy(const Mp3FrameIndex& index, size_t target) {
    const size_t before = index.version == 1 ? 1 : 2;
    if (target <= before)
        return 0;
    const size_t decodedWhole = target - before;
    const int64_t maxBackstep = index.version == 1 ? 511 : 255;
    // Byte positions in the main data: 0 where frame decodedWhole's own area starts.
    int64_t area = 0, earliest = 0;
    for (size_t j = decodedWhole; j < index.frames.size() && area - maxBackstep < earliest; ++j) {
        earliest = std::min(earliest, area - index.frames[j].mainDataBegin);
        area += index.frames[j].mainDataSize;
    }
    size_t from = decodedWhole;
    for (int64_t start = 0; from > 0 && start > earliest;)
        start -= index.frames[--from].mainDataSize;
    return from;
}

} // namespace

namespace {

// How the copy is made to start a stream where its first two frames differ: the first
// frame takes the next one's marks (they play no part in decoding), and its channel mode
// too where it is there only for the bytes its followers' main data begins in (its own
// decoding is dropped). Otherwise a silent frame of the first one's kind goes before it.
void markStreamStart(const Mp3FrameIndex& index, Mp3CopyRange& range, bool firstDecodesWhole) {
    const size_t from = range.firstFrame;
    if (range.silentLead || from + 1 >= index.frames.size())
        return;
    const uint32_t first = index.frames[from].header, next = index.frames[from + 1].header;
    constexpr uint32_t ModeAndMarks = 0xFF;
    if (((first ^ next) & StreamFields) == 0)
        return;
    if (((first ^ next) & StreamFields & ~Marks) == 0)
        range.firstHeader = (first & ~Marks) | (next & Marks);
    else if (!firstDecodesWhole)
        range.firstHeader = (first & ~ModeAndMarks) | (next & ModeAndMarks);
    else
        range.silentLead = true;
}

} // namespace

std::optional<Mp3CopyRange> planMp3Copy(const Mp3FrameIndex& index, int64_t first, int64_t end, std::string* why) {
    const auto refused = [why](const char* reason) -> std::optional<Mp3CopyRange> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    end = std::min(end, index.totalSamples());
    if (first < 0 || first >= end)
        return refused("it is empty");
    const int64_t perFrame = index.samplesPerFrame;
    const int64_t rawFirst = first + index.skippedSamples(), rawEnd = end + index.skippedSamples();
    const size_t target = static_cast<size_t>(rawFirst / perFrame);
    const size_t from = firstFrameToCopy(index, target);
    Mp3CopyRange range;
    range.firstFrame = from;
    range.endFrame = static_cast<size_t>((rawEnd - 1) / perFrame) + 1;
    // A range within one frame needs both ends trimmed from the same frame, which
    // FFmpeg's decoding does not do (the end's trim ends the start's).
    if (range.endFrame - 1 == target)
        return refused("it is shorter than one MP3 frame");
    int64_t delay = rawFirst - static_cast<int64_t>(from) * perFrame - DecoderDelay;
    range.silentLead = delay < 0 && from == 0;
    // A silent frame would give the first frame's main data bytes that FFmpeg's decoding
    // of the file does not have (the junk it skips).
    if (range.silentLead && index.frames[0].mainDataBegin > 0)
        return refused("its first frame's data begins in bytes before it that decoders skip");
    markStreamStart(index, range, from + (index.version == 1 ? 1 : 2) >= target);
    if (range.silentLead)
        delay += perFrame;
    const int64_t padding = static_cast<int64_t>(range.endFrame) * perFrame + DecoderDelay - rawEnd;
    if (delay < 0 || delay > MaxTagField || padding < 0 || padding > MaxTagField)
        return refused("its start needs more frames before it than an MP3 tag can skip");
    range.delay = static_cast<int>(delay);
    range.padding = static_cast<int>(padding);
    return range;
}

namespace {
int64_t granuleSamples(const Mp3FrameIndex& index) {
    return index.version == 1 ? index.samplesPerFrame / 2 : index.samplesPerFrame;
}
} // namespace

Mp3GainRamp mp3FadeRamp(const Mp3FrameIndex& index, const Mp3CopyRange& range, int64_t length, int64_t fadeIn,
                        int64_t fadeOut, int steps) {
    const int64_t granule = granuleSamples(index), perFrame = index.samplesPerFrame;
    const int64_t start = range.delay + DecoderDelay; // the copy's first sample
    // A step every two granules at most: the decoder overlaps each granule with the next,
    // which makes steps in granules next to each other look steeper than 1.5 dB.
    const auto depth = [granule](int64_t fade) { return std::min<int64_t>(fade / (granule * 2), 40); };
    const int64_t inDepth = depth(fadeIn), outDepth = depth(fadeOut), outStart = length - fadeOut;
    return [=](size_t frame, int part) {
        const int64_t middle = static_cast<int64_t>(frame) * perFrame + part * granule + granule / 2 - start;
        int64_t down = 0;
        if (fadeIn > 0 && middle < fadeIn)
            down = (inDepth * (fadeIn - std::max<int64_t>(middle, 0)) + fadeIn - 1) / fadeIn;
        if (fadeOut > 0 && middle > outStart)
            down = std::max(down, (outDepth * (std::min(middle, length) - outStart) + fadeOut - 1) / fadeOut);
        return steps - static_cast<int>(down);
    };
}

uint16_t mp3FrameCrc(const uint8_t* frame, int sideInfoBytes) {
    uint16_t crc = 0xFFFF;
    const auto add = [&crc](uint8_t byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool carry = ((crc >> 15) ^ (byte >> bit)) & 1;
            crc = static_cast<uint16_t>(crc << 1) ^ (carry ? 0x8005 : 0);
        }
    };
    add(frame[2]);
    add(frame[3]);
    for (int i = 0; i < sideInfoBytes; ++i)
        add(frame[6 + i]);
    return crc;
}

int mp3SideInfoBytes(int version, int channels) {
    return sideInfoBytes(version, channels);
}

uint16_t lameCrc16(const uint8_t* data, size_t size, uint16_t crc) {
    // Eight tables: table[k][b] is the CRC of byte b followed by k zero bytes, so that
    // eight bytes are taken at a time.
    static const auto tables = [] {
        std::array<std::array<uint16_t, 256>, 8> t{};
        for (unsigned byte = 0; byte < 256; ++byte) {
            unsigned value = byte;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 1) ? (value >> 1) ^ 0xA001 : value >> 1;
            t[0][byte] = static_cast<uint16_t>(value);
        }
        for (size_t k = 1; k < 8; ++k)
            for (unsigned byte = 0; byte < 256; ++byte)
                t[k][byte] = static_cast<uint16_t>((t[k - 1][byte] >> 8) ^ t[0][t[k - 1][byte] & 0xFF]);
        return t;
    }();
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const unsigned b0 = (data[i] ^ crc) & 0xFF, b1 = (data[i + 1] ^ (crc >> 8)) & 0xFF;
        crc = static_cast<uint16_t>(tables[7][b0] ^ tables[6][b1] ^ tables[5][data[i + 2]] ^ tables[4][data[i + 3]] ^
                                    tables[3][data[i + 4]] ^ tables[2][data[i + 5]] ^ tables[1][data[i + 6]] ^
                                    tables[0][data[i + 7]]);
    }
    for (; i < size; ++i)
        crc = static_cast<uint16_t>((crc >> 8) ^ tables[0][(crc ^ data[i]) & 0xFF]);
    return crc;
}

namespace {

// The header of the tag's frame: the stream's, without CRC or padding, at the stream's
// bit rate when the tag fits (so that a CBR file stays all of one size), else the
// lowest that holds it.
std::pair<uint32_t, int> tagFrameHeader(const Mp3FrameIndex& index, int needed) {
    const auto& rates = index.version == 1 ? Mpeg1Rates : Mpeg2Rates;
    const int streamRate = static_cast<int>((index.firstHeader >> 12) & 15);
    auto bytesAt = [&](int rateIndex) {
        return frameBytes(index.version, rates[static_cast<size_t>(rateIndex)], index.sampleRate, 0);
    };
    int chosen = index.sameBitRate && bytesAt(streamRate) >= needed ? streamRate : 14;
    if (chosen != streamRate)
        for (int rateIndex = 1; rateIndex <= 14; ++rateIndex)
            if (bytesAt(rateIndex) >= needed) {
                chosen = rateIndex;
                break;
            }
    const uint32_t header =
        (index.firstHeader & ~(0xFu << 12) & ~(1u << 9)) | (1u << 16) | static_cast<uint32_t>(chosen) << 12;
    return {header, bytesAt(chosen)};
}

} // namespace

std::vector<uint8_t> mp3InfoFrame(const Mp3FrameIndex& index, const std::vector<int>& frameSizes, int delay,
                                  int padding, uint16_t musicCrc) {
    const int sideInfo = sideInfoBytes(index.version, index.channels);
    const size_t xing = 4 + static_cast<size_t>(sideInfo);
    const auto [header, size] = tagFrameHeader(index, static_cast<int>(xing) + XingBytes + LameBytes);
    std::vector<uint8_t> frame(static_cast<size_t>(size), 0);
    putBigEndian32(frame.data(), header);
    std::memcpy(&frame[xing], index.sameBitRate ? "Info" : "Xing", 4);
    putBigEndian32(&frame[xing + 4], 0xF); // frames, bytes, TOC and quality follow
    putBigEndian32(&frame[xing + 8], static_cast<uint32_t>(frameSizes.size()));
    int64_t total = size;
    for (const int bytes : frameSizes)
        total += bytes;
    putBigEndian32(&frame[xing + 12], static_cast<uint32_t>(total));
    // The TOC: where each hundredth of the duration starts, in 256ths of the bytes.
    int64_t before = size;
    size_t counted = 0;
    for (size_t percent = 0; percent < 100; ++percent) {
        const size_t at = percent * frameSizes.size() / 100;
        for (; counted < at; ++counted)
            before += frameSizes[counted];
        frame[xing + 16 + percent] = static_cast<uint8_t>(std::min<int64_t>(255, before * 256 / total));
    }
    uint8_t* lame = &frame[xing + XingBytes];
    if (index.lameFields.size() == LameBytes) {
        std::memcpy(lame, index.lameFields.data(), LameBytes);
        std::memset(lame + 11, 0, 8); // the source's ReplayGain is not the section's
    } else {
        std::memcpy(lame, "LAME3.100", 9);
        lame[9] = index.sameBitRate ? 1 : 4; // tag revision 0; CBR or VBR
    }
    lame[21] = static_cast<uint8_t>(delay >> 4);
    lame[22] = static_cast<uint8_t>((delay & 15) << 4 | padding >> 8);
    lame[23] = static_cast<uint8_t>(padding & 0xFF);
    putBigEndian32(lame + 28, static_cast<uint32_t>(total));
    lame[32] = static_cast<uint8_t>(musicCrc >> 8);
    lame[33] = static_cast<uint8_t>(musicCrc & 0xFF);
    const uint16_t tagCrc = lameCrc16(frame.data(), static_cast<size_t>(lame + 34 - frame.data()));
    lame[34] = static_cast<uint8_t>(tagCrc >> 8);
    lame[35] = static_cast<uint8_t>(tagCrc & 0xFF);
    return frame;
}

namespace {

[[noreturn]] void failWriting(const std::string& fileName, const std::string& cause) {
    throw EngineError(EngineStatus::WriteFailed, "Cannot write \"" + fileName + "\": " + cause);
}

// Frames [first, end) of one file.
struct FrameRun {
    const std::string& source;
    const Mp3FrameIndex& index;
    size_t first, end;
    Mp3GainRamp gain = {};       // none: the frames are copied byte for byte
    size_t firstOutputFrame = 0; // the copy's number of the run's first frame, for gain
};

// Where the copy of one run stands: bytes of its frames written of all, and whom to tell.
struct CopyCount {
    size_t part = 0;
    int64_t written = 0, total = 0;
    const CopyProgress& progress;

    void add(int64_t bytes) {
        written += bytes;
        if (progress && !progress(part, total > 0 ? static_cast<double>(written) / static_cast<double>(total) : 1.0))
            throw CopyStopped();
    }
};

// Copies the frames of the run, stretch by stretch of frames that follow each other in
// the file (a tag between frames is left out).
// Copies the frames of the run one by one, their granules' gains moved.
void copyRunWithGain(const FrameRun& run, std::FILE* out, uint16_t& crc, const std::string& fileName,
                     CopyCount& count) {
    FrameReader reader(run.source);
    std::vector<uint8_t> frame;
    for (size_t i = run.first; i < run.end; ++i) {
        const Mp3FrameIndex::Frame& at = run.index.frames[i];
        frame.resize(static_cast<size_t>(at.size));
        if (reader.read(at.offset, frame.data(), frame.size()) < frame.size())
            failReading(run.source, "it ended while being copied");
        const size_t number = run.firstOutputFrame + (i - run.first);
        shiftMp3FrameGains(frame.data(), run.index.version, run.index.channels, run.gain(number, 0),
                           run.gain(number, 1));
        crc = lameCrc16(frame.data(), frame.size(), crc);
        if (std::fwrite(frame.data(), 1, frame.size(), out) != frame.size())
            failWriting(fileName, std::strerror(errno));
        count.add(at.size);
    }
}

void copyRun(const FrameRun& run, std::FILE* out, uint16_t& crc, const std::string& fileName, size_t part,
             const CopyProgress& progress) {
    FrameReader reader(run.source);
    std::vector<uint8_t> buffer(1 << 20);
    const auto& frames = run.index.frames;
    CopyCount count{part, 0, 0, progress};
    for (size_t i = run.first; i < run.end; ++i)
        count.total += frames[i].size;
    if (run.gain)
        return copyRunWithGain(run, out, crc, fileName, count);
    for (size_t first = run.first; first < run.end;) {
        size_t last = first;
        while (last + 1 < run.end && frames[last + 1].offset == frames[last].offset + frames[last].size)
            ++last;
        int64_t offset = frames[first].offset;
        const int64_t end = frames[last].offset + frames[last].size;
        while (offset < end) {
            const size_t bytes =
                static_cast<size_t>(std::min<int64_t>(end - offset, static_cast<int64_t>(buffer.size())));
            if (reader.read(offset, buffer.data(), bytes) < bytes)
                failReading(run.source, "it ended while being copied");
            crc = lameCrc16(buffer.data(), bytes, crc);
            if (std::fwrite(buffer.data(), 1, bytes, out) != bytes)
                failWriting(fileName, std::strerror(errno));
            offset += static_cast<int64_t>(bytes);
            count.add(static_cast<int64_t>(bytes));
        }
        first = last + 1;
    }
}

// The file is made in an order that never moves the frames: the tag's frame first (with
// blank fields), then the ID3v2 tag is put before it while the file is small, then the
// frames are appended, and last the tag's frame is filled in (its fields need the
// frames' CRC). kind gives the tag frame's header and LAME fields.
// A failure of the tags alone is given back: the audio is kept, as for encoded files.
// lead, when not empty, is a frame put before the runs' frames.
std::optional<EngineError> writeFrames(const std::vector<FrameRun>& runs, const std::vector<uint8_t>& lead,
                                       const Mp3FrameIndex& kind, int delay, int padding, const std::string& partPath,
                                       const std::string& fileName, const AudioTags& tags,
                                       const CopyProgress& progress) {
    std::vector<int> sizes;
    if (!lead.empty())
        sizes.push_back(static_cast<int>(lead.size()));
    for (const FrameRun& run : runs)
        for (size_t i = run.first; i < run.end; ++i)
            sizes.push_back(run.index.frames[i].size);
    const std::vector<uint8_t> blank = mp3InfoFrame(kind, sizes, delay, padding, 0);
    File out(std::fopen(partPath.c_str(), "wbx"));
    if (!out)
        throw EngineError(EngineStatus::CreateFailed, "Cannot create \"" + fileName + "\": " + std::strerror(errno));
    if (std::fwrite(blank.data(), 1, blank.size(), out.get()) != blank.size() || std::fclose(out.release()) != 0)
        failWriting(fileName, std::strerror(errno));
    std::optional<EngineError> tagFailure;
    try {
        writeAudioTagsAs(partPath, fileName, tags);
    } catch (const EngineError& error) {
        tagFailure = underOwnName(error, partPath, fileName);
    }
    out.reset(std::fopen(partPath.c_str(), "r+b"));
    if (!out || std::fseek(out.get(), 0, SEEK_END) != 0)
        failWriting(fileName, std::strerror(errno));
    const long tagAt = std::ftell(out.get()) - static_cast<long>(blank.size());
    uint16_t crc = lameCrc16(lead.data(), lead.size());
    if (std::fwrite(lead.data(), 1, lead.size(), out.get()) != lead.size())
        failWriting(fileName, std::strerror(errno));
    for (size_t part = 0; part < runs.size(); ++part)
        copyRun(runs[part], out.get(), crc, fileName, part, progress);
    const std::vector<uint8_t> tag = mp3InfoFrame(kind, sizes, delay, padding, crc);
    if (std::fseek(out.get(), tagAt, SEEK_SET) != 0 ||
        std::fwrite(tag.data(), 1, tag.size(), out.get()) != tag.size() || std::fflush(out.get()) != 0)
        failWriting(fileName, std::strerror(errno));
    if (std::fclose(out.release()) != 0)
        failWriting(fileName, std::strerror(errno));
    return tagFailure;
}

// A frame of the header's kind (without a CRC) that decodes to silence and leaves the
// decoder as it starts: side information and main data all zero.
std::vector<uint8_t> silentFrame(uint32_t header) {
    header |= 1u << 16;
    std::vector<uint8_t> frame(4);
    putBigEndian32(frame.data(), header);
    frame.resize(static_cast<size_t>(parseHeader(frame.data())->size), 0);
    return frame;
}

// A frame of the file as it is, but under another header of its kind (its CRC made anew).
std::vector<uint8_t> frameWithHeader(const std::string& source, const Mp3FrameIndex::Frame& at, uint32_t header) {
    std::vector<uint8_t> frame(static_cast<size_t>(at.size));
    if (FrameReader(source).read(at.offset, frame.data(), frame.size()) < frame.size())
        failReading(source, "it ended while being copied");
    putBigEndian32(frame.data(), header);
    const std::optional<Header> kind = parseHeader(frame.data());
    if (kind && kind->crc) {
        const uint16_t crc = mp3FrameCrc(frame.data(), kind->sideInfo);
        frame[4] = static_cast<uint8_t>(crc >> 8);
        frame[5] = static_cast<uint8_t>(crc & 0xFF);
    }
    return frame;
}

// Writes the runs as fileName, complete or not at all; gives the name it took.
std::string writeCopyFile(const std::vector<FrameRun>& runs, const std::vector<uint8_t>& lead,
                          const Mp3FrameIndex& kind, int delay, int padding, const std::string& fileName,
                          const AudioTags& tags, bool mayReplace, const CopyProgress& progress) {
    std::string partPath = partPathFor(fileName);
    removeStaleParts(partPath.substr(0, partPath.find_last_of('/') + 1));
    std::optional<EngineError> tagFailure;
    try {
        tagFailure = writeFrames(runs, lead, kind, delay, padding, partPath, fileName, tags, progress);
    } catch (...) {
        removePart(partPath);
        throw;
    }
    std::string written = fileName;
    commitPart(partPath, written, {}, mayReplace);
    if (tagFailure)
        throw *tagFailure;
    return written;
}

} // namespace

std::string writeMp3Copy(const std::string& source, const Mp3FrameIndex& index, const Mp3CopyRange& range,
                         const std::string& fileName, const AudioTags& tags, bool mayReplace,
                         const CopyProgress& progress, const Mp3GainRamp& gain) {
    if (range.firstFrame >= range.endFrame || range.endFrame > index.frames.size())
        throw EngineError(EngineStatus::InvalidFormat, "Cannot write \"" + fileName + "\": no frames to copy");
    size_t first = range.firstFrame;
    std::vector<uint8_t> lead;
    if (range.silentLead)
        lead = silentFrame(index.frames[first].header);
    else if (range.firstHeader != 0)
        lead = frameWithHeader(source, index.frames[first++], range.firstHeader);
    if (gain && range.firstHeader != 0 && !range.silentLead)
        shiftMp3FrameGains(lead.data(), index.version, index.channels, gain(0, 0), gain(0, 1));
    return writeCopyFile({{source, index, first, range.endFrame, gain, lead.empty() ? 0u : 1u}}, lead, index,
                         range.delay, range.padding, fileName, tags, mayReplace, progress);
}

std::string mp3JoinRefusal(const std::vector<Mp3JoinPart>& parts) {
    for (const Mp3JoinPart& part : parts) {
        const Mp3FrameIndex& first = parts.front().index;
        if (const std::string refusal = part.index.copyRefusal(); !refusal.empty())
            return "\"" + part.path + "\" cannot be copied whole: " + refusal;
        if (!part.index.gapless)
            return "\"" + part.path + "\" does not tell its encoder delay and padding";
        if (part.index.version != first.version || part.index.sampleRate != first.sampleRate ||
            part.index.channels != first.channels)
            return "\"" + part.path + "\" (" + std::to_string(part.index.sampleRate) + " Hz, " +
                   std::to_string(part.index.channels) + " channels) is not of the first file's kind (" +
                   std::to_string(first.sampleRate) + " Hz, " + std::to_string(first.channels) + " channels)";
    }
    return {};
}

Mp3JoinWritten writeMp3Join(const std::vector<Mp3JoinPart>& parts, const std::string& fileName, const AudioTags& tags,
                            bool mayReplace, const CopyProgress& progress) {
    if (parts.empty())
        throw EngineError(EngineStatus::InvalidFormat, "Cannot write \"" + fileName + "\": no files to join");
    if (const std::string refusal = mp3JoinRefusal(parts); !refusal.empty())
        throw EngineError(EngineStatus::InvalidFormat, "Cannot join into \"" + fileName + "\": " + refusal);
    Mp3FrameIndex kind = parts.front().index;
    std::vector<FrameRun> runs;
    const Mp3JoinLayout layout = mp3JoinLayout(parts);
    for (size_t i = 0; i < parts.size(); ++i) {
        const Mp3FrameIndex& index = parts[i].index;
        const size_t end = layout.frameEnds[i];
        kind.sameBitRate =
            kind.sameBitRate && index.sameBitRate && ((index.firstHeader ^ kind.firstHeader) & (0xFu << 12)) == 0;
        Mp3GainRamp gain;
        if (const int steps = parts[i].gainSteps; steps != 0)
            gain = [steps](size_t, int) { return steps; };
        runs.push_back({parts[i].path, index, 0, end, gain});
    }
    const std::string written = writeCopyFile(runs, {}, kind, kind.encoderDelay, parts.back().index.encoderPadding,
                                              fileName, tags, mayReplace, progress);
    return {written, layout.junctionSamples};
}

Mp3JoinLayout mp3JoinLayout(const std::vector<Mp3JoinPart>& parts) {
    Mp3JoinLayout layout;
    for (size_t i = 0; i < parts.size(); ++i) {
        const Mp3FrameIndex& index = parts[i].index;
        const int64_t perFrame = index.samplesPerFrame;
        size_t end = index.frames.size();
        layout.startSamples.push_back(layout.totalSamples);
        layout.totalSamples += index.totalSamples();
        if (i + 1 < parts.size()) {
            const int64_t realEnd = index.skippedSamples() + index.totalSamples();
            end = std::min(end, static_cast<size_t>((realEnd - 1) / perFrame) + 1);
            const int64_t junction =
                static_cast<int64_t>(end) * perFrame - realEnd + parts[i + 1].index.skippedSamples();
            layout.junctionSamples += junction;
            layout.totalSamples += junction;
        }
        layout.frameEnds.push_back(end);
    }
    return layout;
}
