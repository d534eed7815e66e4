#include "PacketDecoding.h"

#include <algorithm>
#include <numeric>

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

DecodedPackets decodeAll(const std::string& path, const DecodingProgress& progress) {
    InputFormat format;
    AVStream* stream = nullptr;
    if (const OpenResult opened = openContainer(path, format, stream); opened.status != EngineStatus::Ok)
        throw EngineError(opened.status, opened.error);
    PacketDecoder decoder(path, *stream);
    DecodedPackets packets;
    const double size = static_cast<double>(std::max<int64_t>(avio_size(format->pb), 1));
    const Packet packet = makePacket();
    while (av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == stream->index)
            packets.samples.push_back(decoder.samplesOf(*packet));
        av_packet_unref(packet.get());
        if (progress && !progress(std::clamp(static_cast<double>(avio_tell(format->pb)) / size, 0.0, 1.0)))
            throw CopyStopped();
    }
    packets.drained = decoder.drain();
    return packets;
}

} // namespace

int64_t DecodedPackets::total() const {
    return std::accumulate(samples.begin(), samples.end(), drained);
}

std::shared_ptr<const DecodedPackets> decodedPackets(const std::string& path, const DecodingProgress& progress) {
    static FileStampedCache<std::shared_ptr<const DecodedPackets>, 64> decoded;
    if (const auto known = decoded.find(path))
        return *known;
    auto packets = std::make_shared<const DecodedPackets>(decodeAll(path, progress));
    decoded.store(path, packets);
    return packets;
}

} // namespace Engine
