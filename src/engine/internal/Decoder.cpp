#include "Decoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cmath>
#include <optional>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "EngineError.h"
#include "FileStampedCache.h"
#include "Mp3FrameCopy.h"
#include "PacketDecoding.h"

namespace Engine {

namespace {

using namespace FFmpeg;

constexpr int MaxConsecutiveErrors = 64;

// Ogg pages carry the exact sample position (granule) of their last packet, so the
// stream's length is known from the last page.
bool isOgg(const AVFormatContext& format) {
    return std::string(format.iformat->name) == "ogg";
}

bool isAsf(const AVFormatContext& format) {
    return std::string(format.iformat->name) == "asf";
}

bool isMp3(const AVFormatContext& format) {
    return std::string(format.iformat->name) == "mp3";
}

} // namespace

// Whether the file's last Ogg page belongs to another logical stream than its first: a
// chained file (several recordings one after another), whose length the container
// gives for its last link only. Reads the first and the last 64 KB.
bool isChainedOgg(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    auto serialAt = [](const std::string& bytes, size_t page) {
        uint32_t serial = 0;
        for (int i = 3; i >= 0; --i)
            serial = serial << 8 | static_cast<unsigned char>(bytes[page + 14 + i]);
        return serial;
    };
    std::string head(64, '\0'), tail(65536, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file));
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fseek(file, std::max(0L, size - static_cast<long>(tail.size())), SEEK_SET);
    tail.resize(std::fread(tail.data(), 1, tail.size(), file));
    std::fclose(file);
    const size_t last = tail.rfind("OggS");
    if (head.size() < 18 || head.compare(0, 4, "OggS") != 0 || last == std::string::npos || last + 18 > tail.size())
        return false;
    return serialAt(head, 0) != serialAt(tail, last);
}

namespace {

// The WAV container places packets of compressed codecs (ADPCM) only roughly in time.
bool placesFramesExactly(const AVFormatContext& format, const AVStream& stream) {
    return isPcm(stream.codecpar->codec_id) || std::string(format.iformat->name) != "wav";
}

} // namespace

namespace {

std::string codecText(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
    case AV_CODEC_ID_MP3: return "MPEG Layer 3";
    case AV_CODEC_ID_MP2: return "MPEG Layer 2";
    case AV_CODEC_ID_VORBIS: return "Ogg Vorbis";
    case AV_CODEC_ID_OPUS: return "Ogg Opus";
    case AV_CODEC_ID_WMAV1: return "Windows Media Audio 1";
    case AV_CODEC_ID_WMAV2: return "Windows Media Audio 2";
    case AV_CODEC_ID_PCM_F32LE:
    case AV_CODEC_ID_PCM_F64LE: return "PCM " + std::to_string(av_get_bits_per_sample(codec.codec_id)) + " bit float";
    default: break;
    }
    if (isPcm(codec.codec_id))
        return "PCM " + std::to_string(av_get_bits_per_sample(codec.codec_id)) + " bit";
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(codec.codec_id);
    return descriptor ? descriptor->long_name : "Unknown codec";
}

// A position as minutes, seconds and milliseconds: "3:07.250".
std::string timeText(int64_t frame, int rate) {
    const int64_t ms = rate > 0 ? frame * 1000 / rate : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

std::string channelText(int channels) {
    if (channels == 1)
        return "Mono";
    if (channels == 2)
        return "Stereo";
    return std::to_string(channels) + " channels";
}

int64_t framesOf(int64_t duration, AVRational timeBase, int rate) {
    return av_rescale_q(duration, timeBase, {1, rate});
}

// Length of a PCM stream: the header's, but no more than the file holds.
int64_t countPcmFrames(AVFormatContext& format, const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    const Packet packet = makePacket();
    int64_t dataStart = -1;
    while (av_read_frame(&format, packet.get()) >= 0) {
        const bool ours = packet->stream_index == stream.index;
        dataStart = packet->pos;
        av_packet_unref(packet.get());
        if (ours)
            break;
    }
    const int64_t fileSize = avio_size(format.pb);
    int64_t frames = stream.duration > 0 ? framesOf(stream.duration, stream.time_base, codec.sample_rate) : -1;
    if (codec.block_align > 0 && dataStart >= 0 && fileSize > dataStart) {
        const int64_t held = (fileSize - dataStart) / codec.block_align;
        frames = frames < 0 ? held : std::min(frames, held);
    }
    return std::max<int64_t>(frames, 0);
}

// What the packets tell of a stream's length: their durations, at the rate the stream
// starts with, less the samples the decoder is told to drop (encoder delay at the start,
// padding at the end; never more than the packet holds). Unknown when a packet has no
// duration, or when the stream changes its rate or channels on the way (a later part's
// packets then count at another rate, and its timestamps may restart): only decoding
// tells such a length.
struct PacketCount {
    int64_t frames = 0;
    bool known = true;
    bool formatChanges = false;
};

// The frames every packet of the codec decodes to, or 0 where they vary: a packet stated
// longer (the last of an M4A whose edit list ends after it) gives no more than that.
int fixedFrameSize(const AVCodecParameters& codec) {
    switch (codec.codec_id) {
    case AV_CODEC_ID_AAC:
    case AV_CODEC_ID_MP3:
    case AV_CODEC_ID_MP2:
    case AV_CODEC_ID_AC3: return codec.frame_size;
    default: return 0;
    }
}

// The frames a packet of duration frames decodes to, as FFmpeg's decoding trims them:
// the start's skip taken first (what the packet lacks carries on to the next one), the
// end's padding only when the packet still holds that much.
int64_t framesKept(const AVPacket& packet, int64_t duration, int64_t& pendingSkip) {
    size_t size = 0;
    int64_t padding = 0;
    if (const uint8_t* skip = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size); skip && size >= 8) {
        pendingSkip = AV_RL32(skip);
        padding = AV_RL32(skip + 4);
    }
    const int64_t skipped = std::min(pendingSkip, duration);
    pendingSkip -= skipped;
    duration -= skipped;
    return padding > 0 && padding <= duration ? duration - padding : duration;
}

PacketCount countPacketFrames(AVFormatContext& format, const AVStream& stream) {
    const AVCodecParameters& codec = *stream.codecpar;
    const int rate = codec.sample_rate, channels = codec.ch_layout.nb_channels;
    const Packet packet = makePacket();
    PacketCount count;
    int64_t pendingSkip = 0;
    while (av_read_frame(&format, packet.get()) >= 0) {
        if (packet->stream_index == stream.index) {
            count.formatChanges =
                count.formatChanges || codec.sample_rate != rate || codec.ch_layout.nb_channels != channels;
            int64_t duration = packet->duration > 0 ? framesOf(packet->duration, stream.time_base, rate) : 0;
            if (duration <= 0)
                duration = av_get_audio_frame_duration2(const_cast<AVCodecParameters*>(&codec), packet->size);
            if (const int most = fixedFrameSize(codec); most > 0)
                duration = std::min<int64_t>(duration, most);
            count.known = count.known && duration > 0;
            count.frames += framesKept(*packet, duration, pendingSkip);
        }
        av_packet_unref(packet.get());
    }
    count.known = count.known && !count.formatChanges;
    return count;
}

int64_t estimatedFrames(const AVFormatContext& format, const AVStream& stream, int rate) {
    if (stream.duration > 0)
        return framesOf(stream.duration, stream.time_base, rate);
    if (format.duration > 0)
        return av_rescale(format.duration, rate, AV_TIME_BASE);
    return 0;
}

// The stream's format as it starts (reading packets may move the parameters to a later
// part's, where the stream changes on the way).
void describeFormat(const AVStream& stream, StreamInfo& info) {
    const AVCodecParameters& codec = *stream.codecpar;
    info.sampleRate = codec.sample_rate;
    info.channels = std::min(codec.ch_layout.nb_channels, 2);
    info.fileChannels = codec.ch_layout.nb_channels;
    info.bitRate = codec.bit_rate;
    info.formatText = codecText(codec) + ", " + std::to_string(codec.sample_rate) + " Hz, " +
                      channelText(codec.ch_layout.nb_channels);
}

void describeBitRate(const AVFormatContext& format, StreamInfo& info) {
    if (info.bitRate <= 0)
        info.bitRate = format.bit_rate;
    if (info.bitRate <= 0 && info.totalFrames > 0 && format.pb)
        info.bitRate = avio_size(format.pb) * 8 * info.sampleRate / info.totalFrames;
    if (info.bitRate > 0)
        info.formatText += ", " + std::to_string((info.bitRate + 500) / 1000) + " kbps";
}

// A stream that holds no frame at all (only its headers, or tags) is no audio to work on.
OpenResult holdsAudio(const std::string& path, const StreamInfo& info) {
    if (info.totalIsExact && info.totalFrames <= 0)
        return {EngineStatus::NotAudio, "Cannot read " + quotedPath(path) + ": it holds no audio"};
    return {};
}

// A length counted before, by packets or by decoding, and whether the stream's format
// changes on the way.
struct CountedLength {
    int64_t frames = 0;
    bool formatChanges = false;
};

// What an earlier open of the file counted, while the file stays as it was.
std::optional<CountedLength> lengthCountedBefore(const std::string& path);
void keepCountedLength(const std::string& path, CountedLength length);

// The packets' frames, counted once per file: a file listed and then cut or played is
// read through once.
int64_t countedPacketFrames(const std::string& path, AVFormatContext& format, const AVStream& stream,
                            StreamInfo& info) {
    if (const std::optional<CountedLength> known = lengthCountedBefore(path)) {
        info.formatChanges = known->formatChanges;
        return known->frames;
    }
    const PacketCount counted = countPacketFrames(format, stream);
    info.formatChanges = counted.formatChanges;
    if (counted.known)
        keepCountedLength(path, {counted.frames, false});
    return counted.known ? counted.frames : -1;
}

// An MP3 file's length from its Info or Xing frame where its counts fit the file, else
// from its frames read without decoding where they go on to its end (where they change
// their kind or junk comes, FFmpeg's packets count it, watching for the change); -1 where
// it is to be counted by decoding.
int64_t countedMp3Frames(const std::string& path, AVFormatContext& format, const AVStream& stream, StreamInfo& info) {
    const Mp3StatedLength stated = mp3SamplesFromTag(path);
    if (stated.samples)
        return *stated.samples;
    // A tag that does not fit its file moves where FFmpeg drops the padding, and a tag
    // frame within the audio decodes to nothing: only decoding tells such a length.
    if (stated.stated)
        return -1;
    if (lengthCountedBefore(path))
        return countedPacketFrames(path, format, stream, info);
    try {
        const Mp3FrameIndex frames = indexMp3Frames(path);
        if (frames.countsAsDecoded()) {
            keepCountedLength(path, {frames.totalSamples(), false});
            return frames.totalSamples();
        }
    } catch (const EngineError&) {
        // FFmpeg found frames where the index does not: its packets tell.
    }
    return countedPacketFrames(path, format, stream, info);
}

OpenResult probeWith(const std::string& path, InputFormat& format, StreamInfo& info) {
    AVStream* stream = nullptr;
    OpenResult result = openContainer(path, format, stream);
    if (result.status != EngineStatus::Ok)
        return result;
    describeFormat(*stream, info);
    int64_t counted = 0;
    if (isPcm(stream->codecpar->codec_id))
        counted = countPcmFrames(*format, *stream);
    else if (isOgg(*format) && stream->duration > 0 && stream->start_time == 0 && !isChainedOgg(path))
        // The pages' granules, less what an Opus decoder drops at the start (its pre-skip).
        // A stream whose granules start later (cut from a longer one) is counted by decoding.
        counted = framesOf(stream->duration, stream->time_base, info.sampleRate) -
                  std::max(stream->codecpar->initial_padding, 0);
    else if (isOgg(*format) || isAsf(*format))
        counted = -1; // a chain, a late start, or ASF's times in whole milliseconds: counted by decoding
    else if (isMp3(*format))
        counted = countedMp3Frames(path, *format, *stream, info);
    else
        counted = countedPacketFrames(path, *format, *stream, info);
    info.totalIsExact = counted >= 0;
    info.totalFrames = counted >= 0 ? counted : estimatedFrames(*format, *stream, info.sampleRate);
    describeBitRate(*format, info);
    return holdsAudio(path, info);
}

// Lengths found by decoding or by counting packets, by file: a file listed and then
// played, cut or converted is counted once. A file whose size or time changed is counted again.
FileStampedCache<CountedLength, 4096>& countedLengths() {
    static FileStampedCache<CountedLength, 4096> lengths;
    return lengths;
}

std::optional<CountedLength> lengthCountedBefore(const std::string& path) {
    return countedLengths().find(path);
}

void keepCountedLength(const std::string& path, CountedLength length) {
    countedLengths().store(path, length);
}

} // namespace

OpenResult probeFile(const std::string& path, StreamInfo& info) {
    InputFormat format;
    const OpenResult result = probeWith(path, format, info);
    if (result.status != EngineStatus::Ok || info.totalIsExact)
        return result;
    // Nothing but decoding tells the length: the decoder counts it as it opens.
    OpenResult decoded;
    if (const auto decoder = Decoder::open(path, decoded))
        info.totalFrames = decoder->info().totalFrames;
    info.totalIsExact = decoded.status == EngineStatus::Ok;
    return decoded.status == EngineStatus::NotAudio ? decoded : result;
}

Decoder::Decoder(std::string path) : path_(std::move(path)), packet_(makePacket()), frame_(makeFrame()) {}

Decoder::~Decoder() {
    av_channel_layout_uninit(&readLayout_);
}

std::unique_ptr<Decoder> Decoder::open(const std::string& path, OpenResult& result, Counting counting,
                                       Channels channels) {
    std::unique_ptr<Decoder> decoder(new Decoder(path));
    {
        InputFormat probe;
        result = probeWith(path, probe, decoder->info_);
    }
    decoder->allChannels_ = channels == Channels::All;
    if (decoder->allChannels_)
        decoder->info_.channels = decoder->info_.fileChannels;
    if (result.status == EngineStatus::Ok)
        result = decoder->openStreams();
    if (result.status != EngineStatus::Ok)
        return nullptr;
    decoder->takeReadLayout();
    try {
        if (!decoder->info_.totalIsExact && counting == Counting::WhenOpening)
            decoder->countLength();
        if (result = holdsAudio(path, decoder->info_); result.status != EngineStatus::Ok)
            return nullptr;
        // The first frame tells where the timestamps start; seeking relies on it.
        decoder->decodeFrame();
    } catch (const EngineError& error) {
        result = {error.status(), error.what()};
        return nullptr;
    }
    return decoder;
}

namespace {

// FLAC's decoder refuses every block larger than the largest its STREAMINFO states, and
// some encoders state it wrong: the decoder is told the largest FLAC allows instead.
void allowAnyFlacBlockSize(AVCodecContext& codec) {
    constexpr int StreamInfoSize = 34;
    if (codec.codec_id == AV_CODEC_ID_FLAC && codec.extradata && codec.extradata_size >= StreamInfoSize) {
        codec.extradata[2] = 0xFF;
        codec.extradata[3] = 0xFF;
    }
}

} // namespace

// The layout the frames are converted to: the stream's own where every channel is read
// (as it starts: a later part with other channels is mixed to it), else mono or stereo.
void Decoder::takeReadLayout() {
    const AVChannelLayout& stream = stream_->codecpar->ch_layout;
    if (allChannels_ && stream.nb_channels == info_.channels)
        av_channel_layout_copy(&readLayout_, &stream);
    else
        readLayout_ = layout(info_.channels);
}

OpenResult Decoder::openStreams() {
    format_.reset();
    codec_.reset();
    converter_.reset();
    converterFormat_ = -1;
    OpenResult result = openContainer(path_, format_, stream_);
    if (result.status != EngineStatus::Ok)
        return result;
    const AVCodec* decoder = avcodec_find_decoder(stream_->codecpar->codec_id);
    if (!decoder)
        return {EngineStatus::NotAudio, "Cannot decode " + quotedPath(path_) + ": no decoder for its audio"};
    codec_.reset(avcodec_alloc_context3(decoder));
    avcodec_parameters_to_context(codec_.get(), stream_->codecpar);
    codec_->pkt_timebase = stream_->time_base;
    allowAnyFlacBlockSize(*codec_);
    if (const int error = avcodec_open2(codec_.get(), decoder, nullptr); error < 0)
        return {EngineStatus::NotAudio, "Cannot decode " + quotedPath(path_) + ": " + errorText(error)};
    buffer_.clear();
    bufferStart_ = 0;
    position_ = decodedEnd_ = 0;
    inputEnded_ = draining_ = placeByTimestamp_ = false;
    dropUntil_ = 0;
    consecutiveErrors_ = 0;
    openedSize_ = format_->pb ? avio_size(format_->pb) : -1;
    return result;
}

void Decoder::fail(EngineStatus status, const std::string& cause) const {
    throw EngineError(status, "Cannot read " + quotedPath(path_) + ": " + cause);
}

int64_t Decoder::buffered() const {
    return static_cast<int64_t>(buffer_.size() - bufferStart_) / std::max(info_.channels, 1);
}

bool Decoder::feedPacket() {
    while (!draining_) {
        const int error = av_read_frame(format_.get(), packet_.get());
        if (error < 0) {
            // The end of the file, or a read error, which ends the input there.
            draining_ = true;
            avcodec_send_packet(codec_.get(), nullptr);
            return true;
        }
        if (packet_->stream_index != stream_->index) {
            av_packet_unref(packet_.get());
            continue;
        }
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sent >= 0 || sent == AVERROR(EAGAIN))
            return true;
        // A broken packet is skipped; too many in a row end the input.
        if (++consecutiveErrors_ > MaxConsecutiveErrors) {
            draining_ = true;
            return false;
        }
    }
    return false;
}

bool Decoder::receiveFrame() {
    while (true) {
        const int error = avcodec_receive_frame(codec_.get(), frame_.get());
        if (error == 0) {
            consecutiveErrors_ = 0;
            return true;
        }
        if (error == AVERROR_EOF)
            return false;
        if (error == AVERROR(EAGAIN)) {
            if (draining_ || !feedPacket())
                return false;
            continue;
        }
        if (++consecutiveErrors_ > MaxConsecutiveErrors)
            return false;
    }
}

// Decodes one more frame into the buffer; false at the end of the input.
bool Decoder::decodeFrame() {
    if (inputEnded_)
        return false;
    if (!receiveFrame()) {
        inputEnded_ = true;
        return false;
    }
    appendFrame(*frame_);
    av_frame_unref(frame_.get());
    return true;
}

// The decoder moves a frame's pts past the samples it drops; best_effort may not follow.
static int64_t frameTimestamp(const AVFrame& frame) {
    return frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
}

int64_t Decoder::framePosition(const AVFrame& frame) const {
    const int64_t timestamp = frameTimestamp(frame);
    if (timestamp == AV_NOPTS_VALUE || firstTimestamp_ == AV_NOPTS_VALUE)
        return -1;
    const int rate = info_.sampleRate;
    int64_t position = av_rescale_q(timestamp, stream_->time_base, {1, rate}) - firstTimestamp_;
    // Containers that count time in coarse units (ASF: milliseconds) place frames only
    // roughly; the codec's frames are all of one size, so the grid gives the exact place.
    if (stream_->time_base.den < rate && frame.nb_samples > 0)
        position = std::llround(static_cast<double>(position) / frame.nb_samples) * frame.nb_samples;
    return position;
}

void Decoder::appendFrame(const AVFrame& frame) {
    const int channels = info_.channels;
    if (!converter_ || frame.format != converterFormat_ || frame.sample_rate != converterRate_ ||
        frame.ch_layout.nb_channels != converterChannels_) {
        SwrContext* context = nullptr;
        AVChannelLayout out = readLayout_;
        AVChannelLayout in = frame.ch_layout;
        // A downmix keeps ffmpeg's channel weights, scaled so that no output can clip. A
        // chained file's later link of another rate is brought to the first link's.
        if (swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLT, info_.sampleRate, &in,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr) < 0 ||
            (in.nb_channels > channels && av_opt_set_double(context, "rematrix_maxval", 1.0, 0) < 0) ||
            swr_init(context) < 0) {
            swr_free(&context);
            fail(EngineStatus::DecodeFailed, "its sample format cannot be converted");
        }
        converter_.reset(context);
        converterFormat_ = frame.format;
        converterRate_ = frame.sample_rate;
        converterChannels_ = frame.ch_layout.nb_channels;
    }

    if (firstTimestamp_ == AV_NOPTS_VALUE && frameTimestamp(frame) != AV_NOPTS_VALUE && decodedEnd_ == 0 &&
        !placeByTimestamp_)
        firstTimestamp_ = av_rescale_q(frameTimestamp(frame), stream_->time_base, {1, info_.sampleRate});
    if (frame.sample_rate != info_.sampleRate || frame.ch_layout.nb_channels != info_.fileChannels)
        info_.formatChanges = true;

    noteDroppedStretch(frame);
    int64_t start = decodedEnd_;
    if (placeByTimestamp_) {
        start = framePosition(frame);
        if (start < 0)
            return; // no place for it yet: the pre-roll covers it
        placeByTimestamp_ = false;
    }

    const size_t oldSize = buffer_.size();
    const int capacity = std::max(swr_get_out_samples(converter_.get(), frame.nb_samples), 0);
    buffer_.resize(oldSize + static_cast<size_t>(capacity) * channels);
    uint8_t* out = reinterpret_cast<uint8_t*>(buffer_.data() + oldSize);
    const int converted = swr_convert(converter_.get(), &out, capacity,
                                      const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
    buffer_.resize(oldSize + static_cast<size_t>(std::max(converted, 0)) * channels);
    decodedEnd_ = start + std::max(converted, 0);

    // Frames before the seek target are dropped as they arrive.
    const int64_t bufferedStart = decodedEnd_ - buffered();
    if (dropUntil_ > bufferedStart) {
        const int64_t drop = std::min(dropUntil_ - bufferedStart, buffered());
        bufferStart_ += static_cast<size_t>(drop) * channels;
    }
    dropReadFrames();
}

// A frame whose timestamp lies further on than the audio decoded so far ends (and the
// stretches already left out) follows a stretch the demuxer dropped (pages or frames that
// failed their checks): the stretch is left out, and said. Containers that place frames only roughly (ASF) tell nothing
// here.
void Decoder::noteDroppedStretch(const AVFrame& frame) {
    // A stream that changes its format on the way may start its timestamps again.
    const int rate = info_.sampleRate;
    if (placeByTimestamp_ || decodedEnd_ == 0 || stream_->time_base.den < rate || info_.formatChanges)
        return;
    const int64_t placed = framePosition(frame);
    const int64_t missing = placed - missingFrames_ - decodedEnd_; // the stretches left out earlier moved it
    if (placed < 0 || missing <= std::max<int64_t>(frame.nb_samples, rate / 100))
        return;
    if (gapCount_++ == 0)
        firstGapAt_ = decodedEnd_;
    missingFrames_ += missing;
}

std::string Decoder::damage() const {
    const int rate = info_.sampleRate;
    std::string text;
    if (gapCount_ > 0)
        text = "it is damaged at " + timeText(firstGapAt_, rate) +
               (gapCount_ > 1 ? " and " + std::to_string(gapCount_ - 1) + " more places" : std::string()) + ": " +
               timeText(missingFrames_, rate) + " could not be decoded and is left out";
    const int64_t unexplained = statedLength_ - endedShortAt_ - missingFrames_;
    if (endedShortAt_ >= 0 && unexplained > rate / 100)
        text += (text.empty() ? "its audio" : "; its audio") + std::string(" ends at ") +
                timeText(endedShortAt_, rate) + ", before its stated length of " + timeText(statedLength_, rate);
    return text;
}

void Decoder::read(int frames, std::vector<float>& out) {
    const std::span<const float> taken = readInPlace(frames);
    out.insert(out.end(), taken.begin(), taken.end());
}

std::span<const float> Decoder::readInPlace(int frames) {
    dropReadFrames();
    const int channels = info_.channels;
    const int64_t limit = info_.totalIsExact ? info_.totalFrames : INT64_MAX;
    const int64_t wanted = std::clamp<int64_t>(std::min<int64_t>(frames, limit - position_), 0, INT32_MAX);
    while (buffered() < wanted && decodeFrame()) {
    }
    if (wanted > 0 && buffered() == 0 && !info_.totalIsExact) {
        info_.totalFrames = position_; // counted to the end
        info_.totalIsExact = true;
        keepCountedLength(path_, {position_, info_.formatChanges});
    } else if (wanted > 0 && buffered() == 0) {
        endedEarly(position_);
    }
    const int64_t taken = std::min(wanted, buffered());
    const std::span<const float> view(buffer_.data() + bufferStart_, static_cast<size_t>(taken * channels));
    bufferStart_ += view.size();
    position_ += taken;
    return view;
}

// The frames read or skipped are let go (a read in place shows them until the next read
// starts); the buffer is moved up only now and then.
void Decoder::dropReadFrames() {
    if (bufferStart_ == buffer_.size()) {
        buffer_.clear();
        bufferStart_ = 0;
    } else if (bufferStart_ > (1u << 20)) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(bufferStart_));
        bufferStart_ = 0;
    }
}

// The decoder ran out before the counted length. A file cut short while it is read, or
// one damaged past resynchronising, fails: nothing is made up for the rest. A decoder
// that read to the file's end and only dropped broken frames ends where its audio ends.
void Decoder::endedEarly(int64_t end) {
    const int64_t sizeNow = format_->pb ? avio_size(format_->pb) : -1;
    const bool cutShort = sizeNow >= 0 && openedSize_ >= 0 && sizeNow < openedSize_;
    // Most of a file that cannot be decoded is not a file with a damaged stretch.
    const bool damaged = consecutiveErrors_ > MaxConsecutiveErrors || end < info_.totalFrames / 2;
    const std::string counted = timeText(info_.totalFrames, info_.sampleRate);
    if (end < info_.totalFrames) {
        endedShortAt_ = end;
        statedLength_ = info_.totalFrames;
    }
    info_.totalFrames = end; // later reads find the end instead of failing again
    if (!cutShort && !damaged)
        return;
    fail(EngineStatus::DecodeFailed, "it ends at " + timeText(end, info_.sampleRate) + ", before its length of " +
                                         counted +
                                         (cutShort ? " (the file was cut short while being read)"
                                                   : " (it is damaged there and cannot be decoded further)"));
}

// The packets do not tell the length: it is counted by decoding once per file.
void Decoder::countLength() {
    if (const std::optional<CountedLength> known = lengthCountedBefore(path_)) {
        info_.totalFrames = known->frames;
    } else if (isAsf(*format_) && !info_.formatChanges) {
        // The packets' decoded samples, which a copy of its packets places by as well.
        info_.totalFrames = decodedPackets(path_)->total();
        keepCountedLength(path_, {info_.totalFrames, false});
    } else {
        info_.totalFrames = INT64_MAX;
        skipDecoded(INT64_MAX);
        info_.totalFrames = decodedEnd_;
        keepCountedLength(path_, {decodedEnd_, info_.formatChanges});
        rewind();
    }
    info_.totalIsExact = true;
}

void Decoder::skipDecoded(int64_t frames) {
    const int64_t target = position_ + frames;
    while (position_ < target && !(inputEnded_ && buffered() == 0)) {
        if (buffered() == 0 && !decodeFrame())
            continue;
        const int64_t drop = std::min(target - position_, buffered());
        bufferStart_ += static_cast<size_t>(drop) * info_.channels;
        position_ += drop;
        dropReadFrames();
    }
}

void Decoder::rewind() {
    const OpenResult result = openStreams();
    if (result.status != EngineStatus::Ok)
        throw EngineError(result.status, result.error);
}

bool Decoder::seekByTimestamp(int64_t target, int64_t preroll) {
    const int rate = info_.sampleRate;
    const int64_t from = std::max<int64_t>(target - preroll, 0) + firstTimestamp_;
    const int64_t timestamp = av_rescale_q(from, {1, rate}, stream_->time_base);
    if (avformat_seek_file(format_.get(), stream_->index, INT64_MIN, timestamp, timestamp, 0) < 0)
        return false;
    avcodec_flush_buffers(codec_.get());
    buffer_.clear();
    bufferStart_ = 0;
    inputEnded_ = draining_ = false;
    placeByTimestamp_ = true;
    dropUntil_ = target;
    decodedEnd_ = 0;
    // Decode until the target is in the buffer; a first frame placed after it means the
    // seek went too far, and the caller tries again from further back.
    while (placeByTimestamp_ || decodedEnd_ <= target) {
        if (!decodeFrame())
            break;
        if (!placeByTimestamp_ &&
            decodedEnd_ - (static_cast<int64_t>(buffer_.size() - bufferStart_) / info_.channels) > target)
            return false;
    }
    dropUntil_ = 0;
    if (placeByTimestamp_)
        return false;
    position_ = target;
    return true;
}

bool Decoder::seeksDirectly() const {
    return isPcm(stream_->codecpar->codec_id) ||
           (firstTimestamp_ != AV_NOPTS_VALUE && placesFramesExactly(*format_, *stream_) && !info_.formatChanges);
}

void Decoder::seek(int64_t frame) {
    const int64_t target = std::clamp<int64_t>(frame, 0, info_.totalFrames);
    if (target == position_)
        return;
    const bool exactFormat = isPcm(stream_->codecpar->codec_id);
    // Enough decoded audio before the target for a lossy decoder to settle: MP3's bit
    // reservoir reaches a few frames back, and every transform codec overlaps frames.
    // Ogg places the packets of a page from the page's end, which the last page of a
    // stream (trimmed to the stream's length) misstates: start from an earlier page.
    int64_t preroll = exactFormat ? 0 : std::max<int64_t>(8192, info_.sampleRate / 5);
    if (isOgg(*format_))
        preroll = info_.sampleRate * 5 / 2;
    if (target > preroll && firstTimestamp_ != AV_NOPTS_VALUE && placesFramesExactly(*format_, *stream_) &&
        !info_.formatChanges) {
        for (int attempt = 0; attempt < 3; ++attempt)
            if (seekByTimestamp(target, preroll << (2 * attempt)))
                return;
    }
    rewind();
    skipDecoded(target);
    position_ = target;
}

} // namespace Engine
