#include "Writers.h"

#include "CFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>
#include <sys/types.h>

#include <lame/lame.h>

#include "EngineError.h"
#include "FFmpeg.h"

namespace Engine {

namespace {

std::string quotedPath(const std::string& path) {
    return "\"" + path + "\"";
}

[[noreturn]] void failWrite(const std::string& path, const std::string& cause) {
    throw EngineError(EngineStatus::WriteFailed, "Cannot write " + quotedPath(path) + ": " + cause);
}

File createFile(const std::string& path, const char* mode = "wb") {
    File file(std::fopen(path.c_str(), mode));
    if (!file)
        throw EngineError(EngineStatus::CreateFailed,
                          "Cannot create " + quotedPath(path) + ": " + std::strerror(errno));
    return file;
}

void writeBytes(std::FILE* file, const void* data, size_t size, const std::string& path) {
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        failWrite(path, std::strerror(errno));
}

void closeFile(File& file, const std::string& path) {
    std::FILE* raw = file.release();
    if (std::fflush(raw) != 0) {
        const int error = errno;
        std::fclose(raw);
        failWrite(path, std::strerror(error));
    }
    if (std::fclose(raw) != 0)
        failWrite(path, std::strerror(errno));
}

void put16(std::vector<uint8_t>& out, uint16_t value) {
    for (int i = 0; i < 2; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void put32(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void put64(std::vector<uint8_t>& out, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void putTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

// Moves the bytes after `from` forward by `by`, from the end back, so the header in
// front can grow without a second copy of the data.
void shiftTail(std::FILE* file, uint64_t from, uint64_t length, uint64_t by, const std::string& path) {
    std::vector<uint8_t> chunk(1 << 20);
    uint64_t remaining = length;
    while (remaining > 0) {
        const uint64_t size = std::min<uint64_t>(remaining, chunk.size());
        const uint64_t at = from + remaining - size;
        if (fseeko(file, static_cast<off_t>(at), SEEK_SET) != 0 || std::fread(chunk.data(), 1, size, file) != size)
            failWrite(path, std::strerror(errno));
        if (fseeko(file, static_cast<off_t>(at + by), SEEK_SET) != 0)
            failWrite(path, std::strerror(errno));
        writeBytes(file, chunk.data(), size, path);
        remaining -= size;
    }
}

// RIFF WAVE with PCM samples, unsigned 8-bit or signed 16-bit; the sizes in the header
// are written when the file is finished. A file too large for RIFF's 32-bit sizes
// becomes RF64: its data moves back to make room for the ds64 chunk.
// A sample as 16 bits, rounded to the nearest (ties to even, as lrintf) and held to the
// range: adding 1.5 * 2^23 leaves the float's rounding to the FPU's own, so the loop
// needs no library call and vectorises.
inline int16_t roundedToInt16(float sample) {
    constexpr float Shift = 12582912.0f;
    const float scaled = std::clamp(sample * 32768.0f, -32768.0f, 32767.0f);
    return static_cast<int16_t>(static_cast<int32_t>((scaled + Shift) - Shift));
}

class WavWriter final : public IAudioWriter {
public:
    WavWriter(const std::string& path, const OutputFormat& format, uint64_t riffLimit)
        : path_(path), channels_(format.channels), rate_(format.sampleRate), bits_(format.bitsPerSample),
          riffLimit_(riffLimit), file_(createFile(path, "w+b")) {
        writeHeader(0);
    }

    void write(const float* samples, int frames) override {
        const size_t count = static_cast<size_t>(frames) * channels_;
        scratch_.resize(count * (bits_ / 8));
        if (bits_ == 8) {
            for (size_t i = 0; i < count; ++i)
                scratch_[i] = static_cast<uint8_t>(std::clamp(std::lrintf(samples[i] * 128.0f) + 128L, 0L, 255L));
        } else {
            for (size_t i = 0; i < count; ++i) {
                const auto value = static_cast<uint16_t>(roundedToInt16(samples[i]));
                scratch_[2 * i] = static_cast<uint8_t>(value & 0xFF);
                scratch_[2 * i + 1] = static_cast<uint8_t>(value >> 8);
            }
        }
        writeBytes(file_.get(), scratch_.data(), scratch_.size(), path_);
        dataBytes_ += scratch_.size();
    }

    void finish() override {
        if (dataBytes_ % 2 != 0) {
            const uint8_t pad = 0;
            writeBytes(file_.get(), &pad, 1, path_);
        }
        const std::vector<uint8_t> header = wavHeader(dataBytes_, channels_, rate_, bits_, riffLimit_);
        if (header.size() > PlainWavHeaderBytes)
            shiftTail(file_.get(), PlainWavHeaderBytes, dataBytes_ + dataBytes_ % 2,
                      header.size() - PlainWavHeaderBytes, path_);
        if (std::fseek(file_.get(), 0, SEEK_SET) != 0)
            failWrite(path_, std::strerror(errno));
        writeBytes(file_.get(), header.data(), header.size(), path_);
        closeFile(file_, path_);
    }

private:
    void writeHeader(uint64_t dataBytes) {
        const std::vector<uint8_t> header = wavHeader(dataBytes, channels_, rate_, bits_, riffLimit_);
        writeBytes(file_.get(), header.data(), header.size(), path_);
    }

    std::string path_;
    int channels_, rate_, bits_;
    uint64_t riffLimit_;
    File file_;
    uint64_t dataBytes_ = 0;
    std::vector<uint8_t> scratch_;
};

// An Info frame for a CBR MP3 that LAME left without one (its frames are too small for the
// tag at low bit rates): a frame of the file's MPEG version, rate and mode, at the lowest
// bit rate that holds the Xing fields and the LAME tag with the encoder delay and
// padding, so that gapless decoders play exactly the encoded audio.
struct Mp3Stream {
    int sampleRate, channels, audioFrames, delay, padding;
    uint64_t audioBytes;
};

uint16_t lameTagCrc(const uint8_t* data, size_t size) {
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

std::vector<uint8_t> mp3InfoFrame(const Mp3Stream& stream) {
    static const int mpeg1Rates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2Rates[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    const int rate = stream.sampleRate;
    const bool mpeg1 = rate >= 32000, mpeg25 = rate < 16000;
    const int versionBits = mpeg1 ? 3 : mpeg25 ? 0 : 2;
    const int base = mpeg1 ? 32000 : mpeg25 ? 8000 : 16000;
    const int rateIndex = rate == base ? 2 : (rate == base * 441 / 320 ? 0 : 1);
    const size_t sideInfo = mpeg1 ? (stream.channels == 1 ? 17 : 32) : (stream.channels == 1 ? 9 : 17);
    const size_t needed = 4 + sideInfo + 120 + 36;
    int bitRateIndex = 1;
    size_t frameBytes = 0;
    for (; bitRateIndex < 15; ++bitRateIndex) {
        const int kbps = (mpeg1 ? mpeg1Rates : mpeg2Rates)[bitRateIndex];
        frameBytes = static_cast<size_t>((mpeg1 ? 144000 : 72000) * kbps / rate);
        if (frameBytes >= needed)
            break;
    }
    std::vector<uint8_t> frame(frameBytes, 0);
    frame[0] = 0xFF;
    frame[1] = static_cast<uint8_t>(0xE0 | versionBits << 3 | 1 << 1 | 1);
    frame[2] = static_cast<uint8_t>(bitRateIndex << 4 | rateIndex << 2);
    frame[3] = static_cast<uint8_t>((stream.channels == 1 ? 3 : 1) << 6);
    size_t at = 4 + sideInfo;
    auto put = [&](uint64_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            frame[at++] = static_cast<uint8_t>(value >> (8 * i));
    };
    auto text = [&](const char* chars, size_t count) {
        std::memcpy(frame.data() + at, chars, count);
        at += count;
    };
    const uint64_t fileBytes = stream.audioBytes + frameBytes;
    text("Info", 4);
    put(0x0F, 4); // frames, bytes, seek table and quality follow
    put(static_cast<uint64_t>(stream.audioFrames), 4);
    put(fileBytes, 4);
    for (int i = 0; i < 100; ++i)
        put(static_cast<uint64_t>(i * 256 / 100), 1); // constant bit rate: a straight line
    put(0, 4);
    const size_t lameStart = at;
    text("LAME3.100", 9);
    put(0x01, 1);                // tag revision 0, constant bit rate
    at += 1 + 4 + 2 + 2 + 1 + 1; // lowpass, peak, replay gains, flags, bit rate
    put(static_cast<uint64_t>(std::clamp(stream.delay, 0, 4095)) << 12 |
            static_cast<uint64_t>(std::clamp(stream.padding, 0, 4095)),
        3);
    at += 1 + 1 + 2; // misc, mp3 gain, preset
    put(fileBytes, 4);
    put(0, 2); // music CRC, not kept
    const uint16_t crc = lameTagCrc(frame.data(), lameStart + 34);
    put(crc, 2);
    return frame;
}

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LameHandle = std::unique_ptr<lame_global_flags, LameCloser>;

// MP3 through LAME: CBR with the LAME Info tag, or VBR with the Xing/LAME header when
// asked for. The tag frame is written over the first frame when the file is finished.
class Mp3Writer final : public IAudioWriter {
public:
    Mp3Writer(const std::string& path, const OutputFormat& format) : path_(path), channels_(format.channels) {
        lame_.reset(lame_init());
        lame_global_flags* gf = lame_.get();
        const Mp3EncoderSettings& settings = format.lame;
        lame_set_num_channels(gf, channels_);
        lame_set_in_samplerate(gf, format.sampleRate);
        lame_set_out_samplerate(gf, format.sampleRate);
        lame_set_mode(gf, channels_ == 1 ? MONO : JOINT_STEREO);
        lame_set_quality(gf, std::clamp<int>(settings.encoderQuality, 0, 9));
        if (settings.constantBitRate) {
            lame_set_VBR(gf, vbr_off);
            lame_set_brate(gf, format.bitRateKbps);
            writeTag_ = constantBitRate_ = true;
        } else {
            lame_set_VBR(gf, vbr_default);
            lame_set_VBR_quality(gf, static_cast<float>(std::clamp<int>(settings.vbrQuality, 0, 9)));
            lame_set_VBR_max_bitrate_kbps(gf, settings.vbrMaxBitRateKbps);
            writeTag_ = settings.writeVbrHeader;
        }
        lame_set_bWriteVbrTag(gf, writeTag_ ? 1 : 0);
        if (lame_init_params(gf) < 0)
            throw EngineError(EngineStatus::EncoderFailed,
                              "Cannot create " + quotedPath(path) + ": the MP3 encoder refuses this format");
        file_ = createFile(path, "w+b");
    }

    void write(const float* samples, int frames) override {
        constexpr int Chunk = 8192;
        for (int done = 0; done < frames; done += Chunk) {
            const int n = std::min(Chunk, frames - done);
            const float* at = samples + static_cast<size_t>(done) * channels_;
            output_.resize(static_cast<size_t>(n) * 5 / 4 + 7200);
            const int size =
                channels_ == 1
                    ? lame_encode_buffer_ieee_float(lame_.get(), at, at, n, output_.data(), capacity())
                    : lame_encode_buffer_interleaved_ieee_float(lame_.get(), at, n, output_.data(), capacity());
            emit(size);
        }
    }

    void finish() override {
        output_.resize(7200);
        emit(lame_encode_flush(lame_.get(), output_.data(), capacity()));
        if (writeTag_) {
            std::vector<unsigned char> tag(lame_get_lametag_frame(lame_.get(), nullptr, 0));
            const size_t size = lame_get_lametag_frame(lame_.get(), tag.data(), tag.size());
            if (size > 0) {
                if (std::fseek(file_.get(), 0, SEEK_SET) != 0)
                    failWrite(path_, std::strerror(errno));
                writeBytes(file_.get(), tag.data(), size, path_);
            } else if (constantBitRate_) {
                prependInfoFrame();
            }
        }
        closeFile(file_, path_);
    }

private:
    int capacity() const { return static_cast<int>(output_.size()); }

    void prependInfoFrame() {
        lame_global_flags* gf = lame_.get();
        const std::vector<uint8_t> frame =
            mp3InfoFrame({lame_get_out_samplerate(gf), channels_, lame_get_frameNum(gf), lame_get_encoder_delay(gf),
                          lame_get_encoder_padding(gf), bytesWritten_});
        shiftTail(file_.get(), 0, bytesWritten_, frame.size(), path_);
        if (std::fseek(file_.get(), 0, SEEK_SET) != 0)
            failWrite(path_, std::strerror(errno));
        writeBytes(file_.get(), frame.data(), frame.size(), path_);
    }

    void emit(int size) {
        if (size < 0)
            throw EngineError(EngineStatus::EncoderFailed,
                              "Cannot write " + quotedPath(path_) + ": the MP3 encoder failed");
        writeBytes(file_.get(), output_.data(), static_cast<size_t>(size), path_);
        bytesWritten_ += static_cast<uint64_t>(size);
    }

    std::string path_;
    int channels_;
    LameHandle lame_;
    File file_;
    bool writeTag_ = false;
    bool constantBitRate_ = false;
    uint64_t bytesWritten_ = 0;
    std::vector<unsigned char> output_;
};

class RemoveOnFailure {
public:
    void arm(const std::string& path) { path_ = path; }
    void keep() { path_.clear(); }
    ~RemoveOnFailure() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove(path_, ec);
    }

private:
    std::string path_;
};

// What FFmpeg writes each kind with.
struct FFmpegTarget {
    const char* container;
    const char* encoder;
    AVSampleFormat sampleFormat;
};

FFmpegTarget targetOf(const OutputFormat& format) {
    switch (format.kind) {
    case OutputFormat::Kind::Ogg: return {"ogg", "libvorbis", AV_SAMPLE_FMT_FLTP};
    case OutputFormat::Kind::Flac:
        return {"flac", "flac", format.bitsPerSample > 16 ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_S16};
    case OutputFormat::Kind::Opus: return {"opus", "libopus", AV_SAMPLE_FMT_FLT};
    case OutputFormat::Kind::M4a: return {"ipod", "aac", AV_SAMPLE_FMT_FLTP};
    default: return {"asf", "wmav2", AV_SAMPLE_FMT_FLTP};
    }
}

// A sample as 24 bits, rounded and held to the range.
int32_t roundedToInt24(float sample) {
    constexpr float Scale = 8388608.0f;
    return static_cast<int32_t>(std::clamp(std::lrintf(sample * Scale), -8388608L, 8388607L));
}

// OGG Vorbis (libvorbis), WMA (wmav2 in ASF), FLAC, Opus (libopus in Ogg) and M4A (FFmpeg's
// AAC in MP4) through FFmpeg. Opus and AAC tell their encoder delay and the last frame's
// length in the container (Opus's pre-skip and end granule, MP4's edit list), so that
// decoders give back exactly the samples written.
class FFmpegWriter final : public IAudioWriter {
public:
    FFmpegWriter(const std::string& path, const OutputFormat& format)
        : path_(path), channels_(format.channels), bits_(format.bitsPerSample), target_(targetOf(format)) {
        AVFormatContext* context = nullptr;
        if (avformat_alloc_output_context2(&context, nullptr, target_.container, path.c_str()) < 0)
            refuse("the container cannot be made");
        format_.reset(context);
        const AVCodec* encoder = avcodec_find_encoder_by_name(target_.encoder);
        if (!encoder)
            refuse(std::string("the encoder ") + target_.encoder + " is missing");
        stream_ = avformat_new_stream(context, nullptr);
        codec_.reset(avcodec_alloc_context3(encoder));
        AVCodecContext& c = *codec_;
        c.sample_rate = format.sampleRate;
        c.ch_layout = FFmpeg::layout(channels_);
        c.sample_fmt = target_.sampleFormat;
        c.time_base = {1, format.sampleRate};
        if (format.kind == OutputFormat::Kind::Ogg) {
            c.flags |= AV_CODEC_FLAG_QSCALE;
            c.global_quality = static_cast<int>(std::lround(format.vorbisQuality * 10.0 * FF_QP2LAMBDA));
        } else if (format.kind == OutputFormat::Kind::Flac) {
            c.compression_level = format.flacLevel;
            c.bits_per_raw_sample = bits_;
        } else {
            c.bit_rate = static_cast<int64_t>(format.bitRateKbps) * 1000;
        }
        if (context->oformat->flags & AVFMT_GLOBALHEADER)
            c.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (const int error = avcodec_open2(&c, encoder, nullptr); error < 0)
            refuse(FFmpeg::errorText(error));
        avcodec_parameters_from_context(stream_->codecpar, &c);
        stream_->time_base = c.time_base;
        frameSize_ = c.frame_size > 0 ? c.frame_size : 1024;
        smallLastFrame_ =
            (encoder->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;

        if (const int error = avio_open(&context->pb, path.c_str(), AVIO_FLAG_WRITE); error < 0)
            throw EngineError(EngineStatus::CreateFailed,
                              "Cannot create " + quotedPath(path) + ": " + FFmpeg::errorText(error));
        createdFile_.arm(path);
        // The edit list that trims AAC's priming and padding counts in the movie's time
        // scale: at the sample rate it is exact to the sample.
        AVDictionary* options = nullptr;
        if (format.kind == OutputFormat::Kind::M4a)
            av_dict_set_int(&options, "movie_timescale", format.sampleRate, 0);
        const int headerError = avformat_write_header(context, &options);
        av_dict_free(&options);
        if (headerError < 0)
            refuse(FFmpeg::errorText(headerError));
        frame_ = FFmpeg::makeFrame();
        frame_->format = target_.sampleFormat;
        frame_->nb_samples = frameSize_;
        frame_->sample_rate = format.sampleRate;
        av_channel_layout_copy(&frame_->ch_layout, &c.ch_layout);
        if (av_frame_get_buffer(frame_.get(), 0) < 0)
            refuse("out of memory");
        packet_ = FFmpeg::makePacket();
        // The WMA decoder gives nothing for the first frame it decodes: a frame of silence
        // ahead of the audio takes that place, so the audio starts at its first frame.
        if (format.kind == OutputFormat::Kind::Wma) {
            const std::vector<float> silence(static_cast<size_t>(frameSize_) * channels_, 0.0f);
            sendFrame(silence.data(), frameSize_);
        }
        createdFile_.keep();
    }

    void write(const float* samples, int frames) override {
        pending_.insert(pending_.end(), samples, samples + static_cast<size_t>(frames) * channels_);
        const size_t frameSamples = static_cast<size_t>(frameSize_) * channels_;
        size_t used = 0;
        while (pending_.size() - used >= frameSamples) {
            sendFrame(pending_.data() + used, frameSize_);
            used += frameSamples;
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
    }

    void setChapters(const std::vector<Chapter>& chapters) override {
        if (target_.container != std::string("ipod"))
            return;
        for (size_t i = 0; i < chapters.size(); ++i) {
            AVChapter* chapter = addChapter(static_cast<int64_t>(i), chapters[i]);
            if (!chapter)
                failWrite(path_, "out of memory");
        }
    }

    void finish() override {
        const int rest = static_cast<int>(pending_.size()) / channels_;
        if (rest > 0) {
            if (!smallLastFrame_)
                pending_.resize(static_cast<size_t>(frameSize_) * channels_, 0.0f);
            sendFrame(pending_.data(), smallLastFrame_ ? rest : frameSize_);
        }
        encode(nullptr);
        if (const int error = av_write_trailer(format_.get()); error < 0)
            failWrite(path_, FFmpeg::errorText(error));
        avio_flush(format_->pb);
        const int ioError = format_->pb->error;
        const int closeError = avio_closep(&format_->pb);
        if (ioError < 0 || closeError < 0)
            failWrite(path_, FFmpeg::errorText(ioError < 0 ? ioError : closeError));
    }

private:
    [[noreturn]] void refuse(const std::string& cause) {
        throw EngineError(EngineStatus::EncoderFailed, "Cannot create " + quotedPath(path_) + ": " + cause);
    }

    // A chapter added to the container (its muxer writes them into the file's index).
    AVChapter* addChapter(int64_t id, const Chapter& source) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return nullptr;
        chapter->id = id;
        chapter->time_base = {1, 1000};
        chapter->start = source.startMs;
        chapter->end = source.endMs;
        av_dict_set(&chapter->metadata, "title", source.title.c_str(), 0);
        if (av_dynarray_add_nofree(&format_->chapters, reinterpret_cast<int*>(&format_->nb_chapters), chapter) < 0) {
            av_dict_free(&chapter->metadata);
            av_free(chapter);
            return nullptr;
        }
        return chapter;
    }

    void sendFrame(const float* interleaved, int frames) {
        if (av_frame_make_writable(frame_.get()) < 0)
            failWrite(path_, "out of memory");
        frame_->nb_samples = frames;
        fillFrame(interleaved, frames);
        frame_->pts = samplesSent_;
        samplesSent_ += frames;
        encode(frame_.get());
    }

    void fillFrame(const float* interleaved, int frames) {
        const size_t count = static_cast<size_t>(frames) * channels_;
        if (target_.sampleFormat == AV_SAMPLE_FMT_S16) {
            auto* out = reinterpret_cast<int16_t*>(frame_->data[0]);
            for (size_t i = 0; i < count; ++i)
                out[i] = roundedToInt16(interleaved[i]);
        } else if (target_.sampleFormat == AV_SAMPLE_FMT_S32) {
            // FFmpeg's 24-bit FLAC takes the samples in the top bits of 32.
            auto* out = reinterpret_cast<int32_t*>(frame_->data[0]);
            for (size_t i = 0; i < count; ++i)
                out[i] = static_cast<int32_t>(static_cast<uint32_t>(roundedToInt24(interleaved[i])) << 8);
        } else if (target_.sampleFormat == AV_SAMPLE_FMT_FLT) {
            std::memcpy(frame_->data[0], interleaved, count * sizeof(float));
        } else {
            for (int ch = 0; ch < channels_; ++ch) {
                auto* plane = reinterpret_cast<float*>(frame_->extended_data[ch]);
                for (int i = 0; i < frames; ++i)
                    plane[i] = interleaved[static_cast<size_t>(i) * channels_ + ch];
            }
        }
    }

    void encode(AVFrame* frame) {
        if (const int error = avcodec_send_frame(codec_.get(), frame); error < 0)
            failWrite(path_, FFmpeg::errorText(error));
        while (avcodec_receive_packet(codec_.get(), packet_.get()) == 0) {
            av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
            packet_->stream_index = stream_->index;
            const int error = av_interleaved_write_frame(format_.get(), packet_.get());
            if (error < 0 || format_->pb->error < 0)
                failWrite(path_, FFmpeg::errorText(error < 0 ? error : format_->pb->error));
        }
    }

    // Declared first, so that it goes last: a file the constructor created and then
    // failed to set up is removed after the container has closed it.
    RemoveOnFailure createdFile_;
    std::string path_;
    int channels_;
    int bits_;
    FFmpegTarget target_;
    FFmpeg::OutputFormat format_;
    FFmpeg::CodecContext codec_;
    FFmpeg::Frame frame_;
    FFmpeg::Packet packet_;
    AVStream* stream_ = nullptr;
    int frameSize_ = 1024;
    bool smallLastFrame_ = false;
    int64_t samplesSent_ = 0;
    std::vector<float> pending_;
};

} // namespace

std::vector<uint8_t> wavHeader(uint64_t dataBytes, int channels, int rate, int bits, uint64_t riffLimit) {
    const uint64_t padded = dataBytes + dataBytes % 2;
    const auto blockAlign = static_cast<uint16_t>(channels * bits / 8);
    const bool rf64 = 36 + padded > riffLimit;
    std::vector<uint8_t> out;
    putTag(out, rf64 ? "RF64" : "RIFF");
    put32(out, rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(36 + padded));
    putTag(out, "WAVE");
    if (rf64) {
        putTag(out, "ds64");
        put32(out, 28);
        put64(out, 72 + padded);
        put64(out, dataBytes);
        put64(out, blockAlign > 0 ? dataBytes / blockAlign : 0);
        put32(out, 0);
    }
    putTag(out, "fmt ");
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<uint16_t>(channels));
    put32(out, static_cast<uint32_t>(rate));
    put32(out, static_cast<uint32_t>(rate) * blockAlign);
    put16(out, blockAlign);
    put16(out, static_cast<uint16_t>(bits));
    putTag(out, "data");
    put32(out, rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(dataBytes));
    return out;
}

std::unique_ptr<IAudioWriter> createWavWriter(const std::string& path, const OutputFormat& format, uint64_t riffLimit) {
    return std::make_unique<WavWriter>(path, format, riffLimit);
}

std::unique_ptr<IAudioWriter> createWriter(const std::string& path, const OutputFormat& format) {
    FFmpeg::quietLogging();
    switch (format.kind) {
    case OutputFormat::Kind::Wav: return createWavWriter(path, format, RiffSizeLimit);
    case OutputFormat::Kind::Mp3: return std::make_unique<Mp3Writer>(path, format);
    case OutputFormat::Kind::Ogg:
    case OutputFormat::Kind::Wma:
    case OutputFormat::Kind::Flac:
    case OutputFormat::Kind::Opus:
    case OutputFormat::Kind::M4a: return std::make_unique<FFmpegWriter>(path, format);
    case OutputFormat::Kind::None: break;
    }
    throw EngineError(EngineStatus::InvalidFormat,
                      "Cannot create " + quotedPath(path) + ": no output format was prepared");
}

} // namespace Engine
