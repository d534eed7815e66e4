#pragma once

// Owning handles of the FFmpeg objects the engine uses, and error texts.

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace Engine::FFmpeg {

struct InputFormatDeleter {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct OutputFormatDeleter {
    void operator()(AVFormatContext* context) const {
        if (context && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
struct CodecContextDeleter {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameDeleter {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ResamplerDeleter {
    void operator()(SwrContext* context) const { swr_free(&context); }
};
struct AudioFifoDeleter {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

using InputFormat = std::unique_ptr<AVFormatContext, InputFormatDeleter>;
using OutputFormat = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;
using CodecContext = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Resampler = std::unique_ptr<SwrContext, ResamplerDeleter>;
using AudioFifo = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// FFmpeg's own messages stay off the terminal: every failure the engine meets is
// reported with the file's name through its error codes and EngineError instead.
// Also, no single allocation of FFmpeg's may pass 256 MB: a broken header (a chunk of
// "2 GB" in a WAV file) then fails to open instead of taking the memory.
inline void quietLogging() {
    static const bool done = [] {
        av_log_set_level(AV_LOG_QUIET);
        av_max_alloc(256u << 20);
        return true;
    }();
    (void)done;
}

inline Packet makePacket() {
    return Packet(av_packet_alloc());
}
inline Frame makeFrame() {
    return Frame(av_frame_alloc());
}

// FFmpeg's text for an AVERROR code.
inline std::string errorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

// A channel layout of one or two channels (the default order).
inline AVChannelLayout layout(int channels) {
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, channels);
    return layout;
}

} // namespace Engine::FFmpeg
