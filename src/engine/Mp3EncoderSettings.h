#pragma once

#include <cstdint>

// The MP3 encoder settings handed to AudioFile::setMp3Format.
class Mp3EncoderSettings {
public:
    void setConstantBitRate(bool constant) { constantBitRate = constant; }
    void setVbrMaxBitRate(int kbps) { vbrMaxBitRateKbps = kbps; }
    void setWriteVbrHeader(bool write) { writeVbrHeader = write; }
    void setVbrReserved(int /*unused by this encoder*/) {}
    void setVbrQuality(int16_t quality) { vbrQuality = quality; }
    void setEncoderQuality(int16_t quality) { encoderQuality = quality; }

    bool constantBitRate = true;
    int vbrMaxBitRateKbps = 320;
    bool writeVbrHeader = false;
    int16_t vbrQuality = 4;     // 0 best .. 9
    int16_t encoderQuality = 5; // LAME's quality: 0 best .. 9 fastest
};
