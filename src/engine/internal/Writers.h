#pragma once

// The encoders behind AudioFile's output side. A writer takes interleaved float at
// its own rate and channel count and owns its file from creation to Finish.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AudioTags.h"
#include "Mp3EncoderSettings.h"

namespace Engine {

struct OutputFormat {
    enum class Kind { None, Wav, Mp3, Ogg, Wma, Flac, Opus, M4a };

    Kind kind = Kind::None;
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;     // WAV: 8 or 16; FLAC: 16 or 24
    int bitRateKbps = 128;      // MP3 (constant bit rate), WMA, Opus and M4A (AAC)
    Mp3EncoderSettings lame;    // MP3 encoder settings
    double vorbisQuality = 0.6; // OGG: libvorbis's base quality, -0.1 .. 1.0
    int flacLevel = 5;          // FLAC: compression level, 0 (fastest) .. 8 (smallest)
};

class IAudioWriter {
public:
    virtual ~IAudioWriter() = default;
    virtual void write(const float* samples, int frames) = 0;
    // Chapters the container itself keeps (MP4's, written with the file's index at the
    // end); the other kinds take theirs with the tags, after the audio.
    virtual void setChapters(const std::vector<Chapter>& /*chapters*/) {}
    // Finishes and closes the file; raises EngineError when that fails.
    virtual void finish() = 0;
};

// Creates the file in the format; raises EngineError (CreateFailed, EncoderFailed)
// and leaves no file behind when it cannot.
std::unique_ptr<IAudioWriter> createWriter(const std::string& path, const OutputFormat& format);

// WAV headers. RIFF's sizes are 32-bit: a file whose RIFF size would pass the limit is
// written as RF64 (EBU Tech 3306) with its 64-bit sizes in a ds64 chunk.
constexpr uint64_t RiffSizeLimit = 0xFFFFFFFFu;
constexpr size_t PlainWavHeaderBytes = 44;
std::vector<uint8_t> wavHeader(uint64_t dataBytes, int channels, int rate, int bits,
                               uint64_t riffLimit = RiffSizeLimit);
// A WAV writer with a lower size limit, so the RF64 path can be tried on small files.
std::unique_ptr<IAudioWriter> createWavWriter(const std::string& path, const OutputFormat& format, uint64_t riffLimit);

} // namespace Engine
