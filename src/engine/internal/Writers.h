#pragma once

// The encoders behind AudioFile's output side. A writer takes interleaved float at
// its own rate and channel count and owns its file from creation to Finish.

#include <memory>
#include <string>

#include "Mp3EncoderSettings.h"

namespace Engine {

struct OutputFormat {
    enum class Kind { None, Wav, Mp3, Ogg, Wma };

    Kind kind = Kind::None;
    int sampleRate = 44100;
    int channels = 2;
    int bitsPerSample = 16;     // WAV: 8 or 16
    int bitRateKbps = 128;      // MP3 (constant bit rate) and WMA
    Mp3EncoderSettings lame;    // MP3 encoder settings
    double vorbisQuality = 0.6; // OGG: libvorbis's base quality, -0.1 .. 1.0
};

class IAudioWriter {
public:
    virtual ~IAudioWriter() = default;
    virtual void write(const float* samples, int frames) = 0;
    // Finishes and closes the file; raises EngineError when that fails.
    virtual void finish() = 0;
};

// Creates the file in the format; raises EngineError (CreateFailed, EncoderFailed)
// and leaves no file behind when it cannot.
std::unique_ptr<IAudioWriter> createWriter(const std::string& path, const OutputFormat& format);

} // namespace Engine
