#pragma once

// The encoders behind TAudioFile2's output side. A writer takes interleaved float at
// its own rate and channel count and owns its file from creation to Finish.

#include <memory>
#include <string>

#include "Mp3EncoderSettings.h"

namespace Engine {

struct TOutputFormat {
    enum class TKind { None, Wav, Mp3, Ogg, Wma };

    TKind Kind = TKind::None;
    int SampleRate = 44100;
    int Channels = 2;
    int BitsPerSample = 16;     // WAV: 8 or 16
    int BitRateKbps = 128;      // MP3 (constant bit rate) and WMA
    TAudioFile2LameEnc Lame;    // MP3 encoder settings
    double VorbisQuality = 0.6; // OGG: libvorbis's base quality, -0.1 .. 1.0
};

class IAudioWriter {
public:
    virtual ~IAudioWriter() = default;
    virtual void Write(const float* samples, int frames) = 0;
    // Finishes and closes the file; raises EngineError when that fails.
    virtual void Finish() = 0;
};

// Creates the file in the format; raises EngineError (CreateFailed, EncoderFailed)
// and leaves no file behind when it cannot.
std::unique_ptr<IAudioWriter> CreateWriter(const std::string& path, const TOutputFormat& format);

} // namespace Engine
