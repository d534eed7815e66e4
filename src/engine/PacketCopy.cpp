#include "PacketCopy.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <optional>
#include <tuple>

#include "EngineError.h"
#include "internal/Decoder.h"
#include "internal/FFmpeg.h"
#include "internal/PacketDecoding.h"
#include "internal/PartFile.h"

using namespace Engine;
using namespace Engine::FFmpeg;
using namespace Engine::Parts;

namespace {

bool isVorbisInOgg(const AVFormatContext& format, const AVStream& stream) {
    return std::string(format.iformat->name) == "ogg" && stream.codecpar->codec_id == AV_CODEC_ID_VORBIS;
}

bool isWmaInAsf(const AVFormatContext& format, const AVStream& stream) {
    const AVCodecID codec = stream.codecpar->codec_id;
    return std::string(format.iformat->name) == "asf" && (codec == AV_CODEC_ID_WMAV1 || codec == AV_CODEC_ID_WMAV2);
}

struct Input {
    InputFormat format;
    AVStream* stream = nullptr;
};

std::string refusalOf(const Input& input, const std::string& path) {
    if (isVorbisInOgg(*input.format, *input.stream))
        return isChainedOgg(path) ? "it is a chain of Ogg streams, each with its own headers" : "";
    if (isWmaInAsf(*input.format, *input.stream))
        return {};
    return "the program copies the packets of MP3, Ogg Vorbis and WMA files only";
}

Input openInput(const std::string& path) {
    Input input;
    if (const OpenResult opened = openContainer(path, input.format, input.stream); opened.status != EngineStatus::Ok)
        throw EngineError(opened.status, opened.error);
    return input;
}

// Reads the next packet of the input's audio stream; false at its end.
bool readPacket(Input& input, AVPacket& packet) {
    while (av_read_frame(input.format.get(), &packet) >= 0) {
        if (packet.stream_index == input.stream->index)
            return true;
        av_packet_unref(&packet);
    }
    return false;
}

// Where each packet's samples lie in the source's decode. Vorbis packets say it with their
// timestamps and durations (the first packet of a stream, which gives no samples, lies
// before 0); WMA's whole milliseconds cannot, so its packets are decoded and counted.
class PacketTimeline {
public:
    PacketTimeline(const std::string& path, const Input& input, const CopyProgress& progress) : stream_(*input.stream) {
        const AVRational rate{1, stream_.codecpar->sample_rate};
        if (stream_.start_time != AV_NOPTS_VALUE)
            origin_ = std::max<int64_t>(av_rescale_q(stream_.start_time, stream_.time_base, rate), 0);
        if (stream_.codecpar->codec_id != AV_CODEC_ID_VORBIS)
            decoded_ = decodedPackets(path, [&progress](double read) { return !progress || progress(0, read); });
    }

    // The samples [start, start + count) of the next packet; count 0 for one that gives none.
    std::pair<int64_t, int64_t> place(const AVPacket& packet) {
        const int64_t start = next_;
        if (decoded_) {
            next_ += read_ < decoded_->samples.size() ? decoded_->samples[read_++] : 0;
            return {start, next_ - start};
        }
        const AVRational rate{1, stream_.codecpar->sample_rate};
        const int64_t duration = av_rescale_q(packet.duration, stream_.time_base, rate);
        if (packet.pts != AV_NOPTS_VALUE)
            next_ = av_rescale_q(packet.pts, stream_.time_base, rate) - origin_;
        const int64_t placed = next_;
        next_ += duration;
        return {placed, duration};
    }

    // What the decoder gives at the end of the stream (WMA: the last frame's overlap).
    int64_t drain() const { return decoded_ ? decoded_->drained : 0; }

private:
    const AVStream& stream_;
    int64_t origin_ = 0;
    int64_t next_ = 0;
    std::shared_ptr<const DecodedPackets> decoded_;
    size_t read_ = 0;
};

// The new file under its part name, with the source stream's parameters.
class PacketWriter {
public:
    PacketWriter(const AVFormatContext& source, const AVStream& stream, const std::string& partPath,
                 const std::string& fileName)
        : fileName_(fileName), timeBase_(stream.time_base) {
        AVFormatContext* context = nullptr;
        avformat_alloc_output_context2(&context, nullptr, source.iformat->name, partPath.c_str());
        output_.reset(context);
        if (!output_)
            fail("the container cannot be written");
        output_->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
        stream_ = avformat_new_stream(output_.get(), nullptr);
        if (!stream_ || avcodec_parameters_copy(stream_->codecpar, stream.codecpar) < 0)
            fail("out of memory");
        stream_->codecpar->codec_tag = 0;
        stream_->time_base = timeBase_;
        check(avio_open(&output_->pb, partPath.c_str(), AVIO_FLAG_WRITE));
        check(avformat_write_header(output_.get(), nullptr));
    }

    // Writes the packet at start of the copy, lasting duration (both in the source's time base).
    void write(const AVPacket& packet, int64_t start, int64_t duration) {
        const Packet copy(av_packet_clone(&packet));
        if (!copy)
            fail("out of memory");
        copy->stream_index = 0;
        copy->pts = copy->dts = start;
        copy->duration = duration;
        copy->pos = -1;
        av_packet_rescale_ts(copy.get(), timeBase_, stream_->time_base);
        check(av_write_frame(output_.get(), copy.get()));
    }

    // Ends the page: a demuxer finds where the stream starts from its first page's
    // granule only when that page is not also the last one.
    void endPage() { check(av_write_frame(output_.get(), nullptr)); }

    void finish() {
        check(av_write_trailer(output_.get()));
        check(avio_closep(&output_->pb));
    }

private:
    void check(int error) const {
        if (error < 0)
            fail(errorText(error));
    }
    [[noreturn]] void fail(const std::string& cause) const {
        throw EngineError(EngineStatus::WriteFailed, "Cannot write \"" + fileName_ + "\": " + cause);
    }

    std::string fileName_;
    AVRational timeBase_;
    OutputFormat output_;
    AVStream* stream_ = nullptr;
};

// A packet read, with its place in the source's decode.
struct PlacedPacket {
    Packet packet;
    int64_t start = 0, length = 0;
    int64_t index = 0; // of the stream's packets
};

// How many packets before the one holding a copy's first sample it needs: a Vorbis
// decoder overlaps each packet with the one before; a WMA decoder gives the samples of a
// packet only from the second packet after the one it starts with (frames run across
// packets), unless it starts with the stream's first packet.
int packetsBefore(AVCodecID codec) {
    return codec == AV_CODEC_ID_VORBIS ? 1 : 2;
}

// Reads the source's packets and writes those of the range into writer.
PacketCopyResult copyPackets(const std::string& source, Input& input, int64_t first, int64_t end, PacketWriter& writer,
                             const CopyProgress& progress) {
    const bool vorbis = input.stream->codecpar->codec_id == AV_CODEC_ID_VORBIS;
    const size_t before = static_cast<size_t>(packetsBefore(input.stream->codecpar->codec_id));
    PacketTimeline timeline(source, input, progress);
    std::deque<PlacedPacket> held; // the packets before the range's first, as many as it needs
    std::optional<PacketCopyResult> copied;
    const AVRational samples{1, input.stream->codecpar->sample_rate}, timeBase = input.stream->time_base;
    int64_t timestamp = 0;
    auto write = [&](const PlacedPacket& placed, int64_t start, int64_t length) {
        // Vorbis packets are placed by their samples; WMA packets keep their own spacing.
        const int64_t duration = vorbis ? av_rescale_q(length, samples, timeBase) : placed.packet->duration;
        writer.write(*placed.packet, vorbis ? av_rescale_q(start, samples, timeBase) : timestamp, duration);
        timestamp += duration;
    };
    for (int64_t index = 0;; ++index) {
        PlacedPacket placed{makePacket()};
        if (!readPacket(input, *placed.packet))
            break;
        std::tie(placed.start, placed.length) = timeline.place(*placed.packet);
        if (progress && !progress(0, std::min(1.0, static_cast<double>(placed.start) / static_cast<double>(end))))
            throw CopyStopped();
        placed.index = index;
        if (!copied && placed.start + placed.length <= first) {
            held.push_back(std::move(placed));
            if (held.size() > before)
                held.pop_front();
            continue;
        }
        if (!copied) {
            const bool fromStreamStart = !held.empty() && held.front().index == 0;
            copied = PacketCopyResult{vorbis || !fromStreamStart ? placed.start : 0, 0, 0, {}};
            if (!vorbis) {
                for (const PlacedPacket& earlier : held)
                    write(earlier, 0, earlier.length);
            } else if (!held.empty()) {
                write(held.back(), -held.back().length, held.back().length);
                writer.endPage();
            }
        }
        const bool last = placed.start + placed.length >= end;
        const int64_t kept = vorbis && last ? end - placed.start : placed.length;
        write(placed, placed.start - copied->firstSample, kept);
        copied->endSample = placed.start + kept;
        if (last) {
            copied->tailSamples = vorbis ? 0 : placed.length;
            return *copied;
        }
    }
    if (copied && !vorbis)
        copied->endSample += timeline.drain(); // the decoder's last samples, which the copy ends with as well
    if (!copied || copied->endSample < end)
        throw EngineError(EngineStatus::InvalidFormat,
                          "Cannot copy from \"" + source + "\": it has no packets for the range asked for");
    return *copied;
}

} // namespace

std::string packetCopyRefusal(const std::string& path) {
    try {
        return refusalOf(openInput(path), path);
    } catch (const EngineError& error) {
        return error.what();
    }
}

PacketCopyResult writePacketCopy(const std::string& source, int64_t first, int64_t end, const std::string& fileName,
                                 const AudioTags& tags, bool mayReplace, const CopyProgress& progress) {
    Input input = openInput(source);
    if (const std::string refusal = refusalOf(input, source); !refusal.empty())
        throw EngineError(EngineStatus::InvalidFormat, "Cannot copy from \"" + source + "\": " + refusal);
    if (first < 0 || end <= first)
        throw EngineError(EngineStatus::InvalidFormat, "Cannot write \"" + fileName + "\": the range is empty");
    std::string partPath = partPathFor(fileName);
    removeStaleParts(partPath.substr(0, partPath.find_last_of('/') + 1));
    PacketCopyResult result;
    try {
        PacketWriter writer(*input.format, *input.stream, partPath, fileName);
        result = copyPackets(source, input, first, end, writer, progress);
        writer.finish();
    } catch (...) {
        removePart(partPath);
        throw;
    }
    result.fileName = fileName;
    commitPart(partPath, result.fileName, tags, mayReplace);
    return result;
}
