#include "Container.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace Engine {

namespace {

using namespace FFmpeg;
namespace fs = std::filesystem;

constexpr int MaxChannels = 64;
constexpr int MaxSampleRate = 768000;

// The container a file's first bytes name beyond doubt (WAV, RF64, Ogg, ASF), so that
// FFmpeg need not try every format on its data; nullptr leaves the guess to FFmpeg.
const AVInputFormat* containerByMagic(const char (&head)[16], size_t got) {
    static const unsigned char asf[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11};
    if (got >= 12 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RF64", 4) == 0) &&
        std::memcmp(head + 8, "WAVE", 4) == 0)
        return av_find_input_format("wav");
    if (got >= 4 && std::memcmp(head, "OggS", 4) == 0)
        return av_find_input_format("ogg");
    if (got >= 8 && std::memcmp(head, asf, sizeof asf) == 0)
        return av_find_input_format("asf");
    return nullptr;
}

// The size of an ID3v2 tag at the file's start (0 when there is none). The engine reads
// tags with TagLib; FFmpeg is spared the tag, which may hold a picture of hundreds of MB.
int64_t leadingId3Bytes(const char (&head)[16], size_t got) {
    const auto byte = [&](int i) { return static_cast<unsigned char>(head[i]); };
    if (got < 10 || std::memcmp(head, "ID3", 3) != 0 || byte(3) == 0xFF || byte(4) == 0xFF ||
        ((byte(6) | byte(7) | byte(8) | byte(9)) & 0x80) != 0)
        return 0;
    const int64_t size = int64_t{byte(6)} << 21 | byte(7) << 14 | byte(8) << 7 | byte(9);
    const bool footer = (byte(5) & 0x10) != 0;
    return 10 + size + (footer ? 10 : 0);
}

// Whether an MP3 frame header (version, layer and rate valid) starts at data[0], and
// states no bit rate: a free-format frame, whose size only the next frame's place tells.
bool isFreeFormatMp3Header(const unsigned char* data) {
    const uint32_t header = AV_RB32(data);
    return (header >> 21) == 0x7FF && ((header >> 19) & 3) != 1 && ((header >> 17) & 3) != 0 &&
           ((header >> 12) & 15) == 0 && ((header >> 10) & 3) != 3;
}

// Whether the audio that starts at offset is free-format MPEG audio: a frame there and
// another of its header after it, neither stating a bit rate. FFmpeg does not decode such
// frames.
// Up to count bytes of the file from offset on (fewer where it ends); nothing when it
// cannot be opened.
std::optional<std::string> bytesAt(const std::string& path, int64_t offset, size_t count) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return std::nullopt;
    std::string data(count, '\0');
    const bool placed = std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
    data.resize(placed ? std::fread(data.data(), 1, data.size(), file) : 0);
    std::fclose(file);
    return data;
}

bool holdsFreeFormatMp3(const std::string& path, int64_t offset) {
    // Most files are told apart by their first four bytes; only a free-format header
    // there is worth reading further for.
    const std::string head = bytesAt(path, offset, 4).value_or("");
    if (head.size() < 4 || !isFreeFormatMp3Header(reinterpret_cast<const unsigned char*>(head.data())))
        return false;
    const std::string bytes = bytesAt(path, offset, 16384).value_or("");
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    constexpr uint32_t SameStream = 0xFFFE0C00; // sync, version, layer, rate index
    for (size_t next = 24; next + 4 <= bytes.size(); ++next)
        if (isFreeFormatMp3Header(data + next) && (AV_RB32(data + next) & SameStream) == (AV_RB32(data) & SameStream))
            return true;
    return false;
}

// Whether all the file holds after its leading tag is padding, or an MP3 stream's lone
// Info frame (which counts no audio frames): a file of tags only.
bool holdsOnlyTags(const std::string& path, int64_t offset) {
    const std::optional<std::string> read = bytesAt(path, offset, 2049);
    if (!read || read->size() > 2048)
        return false;
    const std::string& data = *read;
    const size_t infoFrame = std::min(data.find("Info"), data.find("Xing"));
    return data.find_first_not_of('\0') == std::string::npos ||
           (data.size() >= 4 && static_cast<unsigned char>(data[0]) == 0xFF && infoFrame < 48);
}

// The format the file's content shows, as FFmpeg probes it but without its name: a file
// is what it holds, whatever it is called.
// Returns FFmpeg's error when the file cannot be read, AVERROR_INVALIDDATA when nothing fits.
int probeByContent(const std::string& path, int64_t offset, const AVInputFormat*& found) {
    AVIOContext* io = nullptr;
    found = nullptr;
    if (const int error = avio_open(&io, path.c_str(), AVIO_FLAG_READ); error < 0)
        return error;
    // The probe reads from where the tags end; its rewinding to there may fail, which
    // does not matter to a context closed at once.
    if (avio_seek(io, offset, SEEK_SET) >= 0)
        av_probe_input_buffer2(io, &found, "", nullptr, 0, 0);
    avio_closep(&io);
    return found ? 0 : AVERROR_INVALIDDATA;
}

// Why FFmpeg could not open or read a file, in words.
std::string unreadableCause(const std::string& path, int error, int64_t offset) {
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size == 0)
        return "the file is empty";
    if (holdsOnlyTags(path, offset))
        return "it holds tags but no audio";
    if (error == AVERROR(ENOENT))
        return "it does not exist";
    if (error == AVERROR(EACCES) || error == AVERROR(EPERM))
        return "you have no permission to read it";
    if (error == AVERROR(EIO))
        return "the disk reported an error while reading it";
    if (error == AVERROR(ENOMEM))
        return "its headers ask for more memory than an audio file needs (it is damaged)";
    if (holdsFreeFormatMp3(path, offset))
        return "its MP3 frames are free-format, which the program does not read";
    if (error == AVERROR_EOF)
        return "it ends before any audio (it holds none, or it is cut short)";
    return "it is not in an audio format the program reads, or it is damaged beyond reading";
}

} // namespace

OpenResult openContainer(const std::string& path, InputFormat& format, AVStream*& stream) {
    quietLogging();
    // Reading a pipe or a device may never end: only files are opened.
    std::error_code ec;
    const fs::file_type type = fs::status(path, ec).type();
    if (type == fs::file_type::directory)
        return {EngineStatus::OpenFailed, "Cannot open " + quotedPath(path) + ": it is a folder"};
    if (!ec && type != fs::file_type::regular)
        return {EngineStatus::OpenFailed, "Cannot open " + quotedPath(path) + ": it is not a file but a " +
                                              (type == fs::file_type::fifo ? "pipe" : "device or socket")};
    AVFormatContext* context = nullptr;
    // FFmpeg looks into a WAV file's PCM data for other codecs carried in it (S/PDIF),
    // reading up to its probe size, several MB, at every open: a few KB tell it as well.
    char head[16] = {};
    size_t got = 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        got = std::fread(head, 1, sizeof head, file);
        std::fclose(file);
    }
    const int64_t id3 = leadingId3Bytes(head, got);
    const auto refused = [&](EngineStatus status, int error) {
        return OpenResult{status, "Cannot open " + quotedPath(path) + ": " + unreadableCause(path, error, id3)};
    };
    const AVInputFormat* known = containerByMagic(head, got);
    if (!known && holdsFreeFormatMp3(path, id3))
        return refused(EngineStatus::NotAudio, AVERROR_INVALIDDATA);
    if (const int error = known ? 0 : probeByContent(path, id3, known); error < 0)
        return refused(error == AVERROR_INVALIDDATA ? EngineStatus::NotAudio : EngineStatus::OpenFailed, error);
    AVDictionary* options = nullptr;
    if (std::string(known->name) == "wav")
        av_dict_set(&options, "probesize", "8192", 0);
    if (id3 > 0)
        av_dict_set_int(&options, "skip_initial_bytes", id3, 0);
    const int opened = avformat_open_input(&context, path.c_str(), known, &options);
    av_dict_free(&options);
    if (opened < 0)
        return refused(EngineStatus::OpenFailed, opened);
    format.reset(context);
    // A header claiming thousands of channels or a rate of millions makes the decoders ask
    // for gigabytes (already while the streams are probed); no real file does.
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (const AVCodecParameters& codec = *context->streams[i]->codecpar;
            codec.ch_layout.nb_channels > MaxChannels || codec.sample_rate > MaxSampleRate)
            return {EngineStatus::NotAudio, "Cannot read " + quotedPath(path) + ": " +
                                                std::to_string(codec.ch_layout.nb_channels) + " channels at " +
                                                std::to_string(codec.sample_rate) + " Hz is not a format it can play"};
    // A lone PCM stream's header says all there is: probing it would only read (about
    // 25 ms a file, most of a folder's listing).
    const bool headerSaysAll = context->nb_streams == 1 && isPcm(context->streams[0]->codecpar->codec_id) &&
                               context->streams[0]->codecpar->sample_rate > 0 &&
                               context->streams[0]->codecpar->ch_layout.nb_channels > 0;
    if (const int error = headerSaysAll ? 0 : avformat_find_stream_info(context, nullptr); error < 0)
        return refused(EngineStatus::NotAudio, error);
    const int index = av_find_best_stream(context, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return {EngineStatus::NotAudio, "Cannot read " + quotedPath(path) + ": it holds no audio"};
    stream = context->streams[index];
    const AVCodecParameters& codec = *stream->codecpar;
    if (codec.sample_rate <= 0 || codec.ch_layout.nb_channels <= 0)
        return {EngineStatus::NotAudio, "Cannot read " + quotedPath(path) + ": the audio format is not recognised"};
    if (codec.ch_layout.nb_channels > MaxChannels || codec.sample_rate > MaxSampleRate)
        return {EngineStatus::NotAudio,
                "Cannot read " + quotedPath(path) + ": the audio format is not one it can play"};
    for (unsigned i = 0; i < context->nb_streams; ++i)
        if (static_cast<int>(i) != index)
            context->streams[i]->discard = AVDISCARD_ALL;
    return {};
}

} // namespace Engine
