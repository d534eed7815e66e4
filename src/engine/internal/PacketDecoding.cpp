#include "PacketDecoding.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <future>
#include <numeric>
#include <optional>
#include <thread>
#include <utility>

#include "Container.h"
#include "CopyProgress.h"
#include "EngineError.h"
#include "FFmpeg.h"
#include "FileStampedCache.h"

namespace Engine {

using namespace FFmpeg;

namespace {

// Decodes packets one by one, telling how many samples each gives.
class PacketDecoder {
public:
    PacketDecoder(const std::string& path, const AVStream& stream) {
        const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
        decoder_.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
        if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), stream.codecpar) < 0 ||
            avcodec_open2(decoder_.get(), codec, nullptr) < 0)
            throw EngineError(EngineStatus::InvalidFormat, "Cannot read \"" + path + "\": no decoder for its audio");
        frame_ = makeFrame();
    }

    int64_t samplesOf(const AVPacket& packet) {
        if (avcodec_send_packet(decoder_.get(), &packet) < 0)
            return 0; // a broken packet: the decoder gives nothing for it either
        return receivedSamples();
    }

    int64_t drain() {
        if (avcodec_send_packet(decoder_.get(), nullptr) < 0)
            return 0;
        return receivedSamples();
    }

private:
    int64_t receivedSamples() {
        int64_t samples = 0;
        while (avcodec_receive_frame(decoder_.get(), frame_.get()) >= 0) {
            samples += frame_->nb_samples;
            av_frame_unref(frame_.get());
        }
        return samples;
    }

    CodecContext decoder_;
    Frame frame_;
};

// The packets whose place in the file lies in [first, end) bytes; the last range has end -1.
struct ByteRange {
    int64_t first = 0, end = -1;
};

// A decoder that starts within the file settles after a few packets: WMA's only state
// between packets is the part of a frame the packet before carried over (a packet that
// ends no frame hands that on), and a fresh decoder gives nothing for its first two.
constexpr size_t SettlingPackets = 6;

struct RangeCount {
    std::vector<int64_t> settling; // the samples of the packets just before the range, as counted here
    std::vector<int64_t> samples;  // of the range's packets
    int64_t drained = 0;           // after the file's last packet (the last range only)
    bool orderly = true;           // every packet had its place, each after the one before
};

// Counts the samples of the range's packets, decoding the few packets before it first to
// settle. progress (on the calling thread only) tells the part of the range read.
RangeCount countRange(const std::string& path, ByteRange range, const DecodingProgress& progress,
                      const std::atomic<bool>& stopped) {
    InputFormat format;
    AVStream* stream = nullptr;
    if (const OpenResult opened = openContainer(path, format, stream); opened.status != EngineStatus::Ok)
        throw EngineError(opened.status, opened.error);
    PacketDecoder decoder(path, *stream);
    RangeCount count;
    std::deque<Packet> before; // the last packets before the range, kept to settle the decoder
    const int64_t size = std::max<int64_t>(avio_size(format->pb), 1);
    const double end = static_cast<double>(range.end < 0 ? size : range.end);
    Packet packet = makePacket();
    int64_t lastPosition = -1;
    while (!stopped && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream->index) {
            count.orderly = count.orderly && packet->pos >= std::max<int64_t>(lastPosition, 0);
            lastPosition = packet->pos;
        }
        if (packet->stream_index != stream->index) {
            av_packet_unref(packet.get());
        } else if (range.first > 0 && packet->pos < range.first) {
            before.push_back(std::exchange(packet, makePacket()));
            if (before.size() > SettlingPackets)
                before.pop_front();
        } else if (range.end < 0 || packet->pos < range.end) {
            for (const Packet& settling : before)
                count.settling.push_back(decoder.samplesOf(*settling));
            before.clear();
            count.samples.push_back(decoder.samplesOf(*packet));
            av_packet_unref(packet.get());
        } else {
            break; // the next range's
        }
        if (progress && !progress(std::clamp(static_cast<double>(avio_tell(format->pb)) / end, 0.0, 1.0)))
            throw CopyStopped();
    }
    if (range.end < 0)
        count.drained = decoder.drain();
    return count;
}

// The ranges' counts in the file's order, or nothing where a range's decoder had not
// settled: its last settling packets must count as the range before counted them.
std::optional<DecodedPackets> joined(const std::vector<RangeCount>& ranges) {
    constexpr size_t Agreeing = 2;
    DecodedPackets packets;
    for (size_t i = 0; i < ranges.size(); ++i) {
        const RangeCount& range = ranges[i];
        const std::vector<int64_t>& settling = range.settling;
        if (!range.orderly ||
            (i > 0 && (settling.size() < Agreeing || packets.samples.size() < Agreeing ||
                       !std::equal(settling.end() - Agreeing, settling.end(), packets.samples.end() - Agreeing))))
            return std::nullopt;
        packets.samples.insert(packets.samples.end(), range.samples.begin(), range.samples.end());
        packets.drained = range.drained;
    }
    packets.stretches = static_cast<int>(ranges.size());
    return packets;
}

DecodedPackets inOnePass(const std::string& path, const DecodingProgress& progress) {
    const std::atomic<bool> never = false;
    RangeCount count = countRange(path, {}, progress, never);
    return {std::move(count.samples), count.drained, 1};
}

} // namespace

// Another codec, a small file, or ranges that did not settle: in one pass.
DecodedPackets countDecodedPackets(const std::string& path, int ranges, const DecodingProgress& progress) {
    InputFormat format;
    AVStream* stream = nullptr;
    if (const OpenResult opened = openContainer(path, format, stream); opened.status != EngineStatus::Ok)
        throw EngineError(opened.status, opened.error);
    const AVCodecID codec = stream->codecpar->codec_id;
    const int64_t size = avio_size(format->pb);
    format.reset();
    constexpr int64_t SmallestRange = 128 << 10;
    const int64_t rangeCount = (codec == AV_CODEC_ID_WMAV1 || codec == AV_CODEC_ID_WMAV2)
                                   ? std::clamp<int64_t>(size / SmallestRange, 1, std::max(ranges, 1))
                                   : 1;
    if (rangeCount == 1)
        return inOnePass(path, progress);
    std::atomic<bool> stopped = false;
    auto rangeOf = [&](int64_t k) -> ByteRange {
        return {size * k / rangeCount, k + 1 < rangeCount ? size * (k + 1) / rangeCount : -1};
    };
    std::vector<std::future<RangeCount>> later;
    for (int64_t k = 1; k < rangeCount; ++k)
        later.push_back(std::async(std::launch::async, [&, k] { return countRange(path, rangeOf(k), {}, stopped); }));
    std::vector<RangeCount> counts;
    try {
        counts.push_back(countRange(path, rangeOf(0), progress, stopped));
        for (std::future<RangeCount>& range : later)
            counts.push_back(range.get());
    } catch (...) {
        stopped = true; // the futures left wait for their threads as they go
        throw;
    }
    if (std::optional<DecodedPackets> packets = joined(counts))
        return std::move(*packets);
    return inOnePass(path, progress);
}

int64_t DecodedPackets::total() const {
    return std::accumulate(samples.begin(), samples.end(), drained);
}

std::shared_ptr<const DecodedPackets> decodedPackets(const std::string& path, const DecodingProgress& progress) {
    static FileStampedCache<std::shared_ptr<const DecodedPackets>, 64> decoded;
    if (const auto known = decoded.find(path))
        return *known;
    const auto cores = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
    auto packets = std::make_shared<const DecodedPackets>(countDecodedPackets(path, cores, progress));
    decoded.store(path, packets);
    return packets;
}

} // namespace Engine
