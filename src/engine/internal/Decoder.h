#pragma once

// Decoding of any file FFmpeg reads into interleaved float at the file's own rate,
// one or two channels (more are mixed down to stereo), with an exact length and
// sample-accurate seeking.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Container.h"
#include "EngineError.h"
#include "FFmpeg.h"
#include "UninitializedAllocator.h"

namespace Engine {

// What the headers and packets of a file tell, without decoding it.
struct StreamInfo {
    int sampleRate = 0;
    int channels = 0;        // as delivered: 1 or 2
    int fileChannels = 0;    // as the file holds them (more are mixed down to 2)
    int64_t totalFrames = 0; // exact where the packets tell it, otherwise the container's estimate
    bool totalIsExact = false;
    bool formatChanges = false; // its rate or channels change on the way (read as its start's)
    int64_t bitRate = 0;        // bits per second, 0 when unknown
    std::string formatText;     // "MPEG Layer 3, 44100 Hz, Stereo, 128 kbps"
};

// Whether an Ogg file is a chain of logical streams (several recordings one after another).
bool isChainedOgg(const std::string& path);

// Reads the stream's description and length from headers and packets only.
OpenResult probeFile(const std::string& path, StreamInfo& info);

class Decoder {
public:
    // How a length that only decoding tells (WMA, chained Ogg) is found: by a decoding pass
    // as the file opens, or, for a reader that goes once from start to end, as it reads
    // (until then info().totalFrames is the container's estimate).
    enum class Counting { WhenOpening, WhileReading };
    // Files of more than two channels are mixed down to stereo, or (for measuring) read
    // with every channel, in the file's order (channelLayout()).
    enum class Channels { AtMostTwo, All };

    // Opens the file for decoding; nullptr with the reason in result when it cannot.
    static std::unique_ptr<Decoder> open(const std::string& path, OpenResult& result,
                                         Counting counting = Counting::WhenOpening,
                                         Channels channels = Channels::AtMostTwo);
    ~Decoder();

    const StreamInfo& info() const { return info_; }
    // The channels read, as the file's stream names them at its start.
    const AVChannelLayout& channelLayout() const { return readLayout_; }
    int64_t position() const { return position_; }
    // Whether a seek goes to its place through the container's timestamps (otherwise it
    // decodes from the start up to it: a stream that changes its format, or compressed
    // audio in WAV).
    bool seeksDirectly() const;

    // Appends up to frames frames at the read position to out; fewer only at the end.
    // The input delivers exactly Info().totalFrames frames from start to end (counted
    // while reading: as many as it decodes, and totalFrames then becomes that).
    void read(int frames, std::vector<float>& out);
    // The same frames in place, valid until the next read, seek or close.
    std::span<const float> readInPlace(int frames);

    // The next Read starts with frame n (clamped to the input's length).
    void seek(int64_t frame);

    // What reading found damaged: stretches the demuxer dropped (their place and length
    // in frames, as the timestamps after them tell), and whether the audio ended before
    // the length the file states. "" when nothing was.
    std::string damage() const;

private:
    explicit Decoder(std::string path);
    OpenResult openStreams();
    void takeReadLayout();
    bool decodeFrame();
    bool receiveFrame();
    bool feedPacket();
    void appendFrame(const AVFrame& frame);
    void noteDroppedStretch(const AVFrame& frame);
    int64_t framePosition(const AVFrame& frame) const;
    void rewind();
    bool seekByTimestamp(int64_t target, int64_t preroll);
    void skipDecoded(int64_t frames);
    void countLength();
    void endedEarly(int64_t end);
    int64_t buffered() const;
    void dropReadFrames();
    [[noreturn]] void fail(EngineStatus status, const std::string& cause) const;

    std::string path_;
    StreamInfo info_;
    FFmpeg::InputFormat format_;
    FFmpeg::CodecContext codec_;
    FFmpeg::Resampler converter_;
    FFmpeg::Packet packet_;
    FFmpeg::Frame frame_;
    AVStream* stream_ = nullptr;
    int converterFormat_ = -1, converterRate_ = 0, converterChannels_ = 0;
    bool allChannels_ = false;
    AVChannelLayout readLayout_{}; // of the frames read

    // Decoded frames not yet read (the last ones read in place stay until the next read).
    // Growing it leaves the new room uninitialised: the decoder's conversion fills it.
    std::vector<float, UninitializedAllocator<float>> buffer_;
    size_t bufferStart_ = 0; // in samples
    int64_t position_ = 0;   // frame index of the next frame Read delivers
    int64_t decodedEnd_ = 0; // frame index just after the buffer's last frame
    bool inputEnded_ = false;
    bool draining_ = false;
    bool placeByTimestamp_ = false;           // after a seek: the next frame's place comes from its timestamp
    int64_t dropUntil_ = 0;                   // after a seek: decoded frames before this are dropped
    int64_t firstTimestamp_ = AV_NOPTS_VALUE; // timestamp (in frames) of the first decoded frame
    int consecutiveErrors_ = 0;
    int64_t gapCount_ = 0, firstGapAt_ = 0, missingFrames_ = 0; // stretches dropped as damaged
    int64_t endedShortAt_ = -1, statedLength_ = 0;              // audio that ended before its length
    int64_t openedSize_ = -1;                                   // bytes, when the file was opened
};

} // namespace Engine
