#pragma once

#include <cstdint>

// The MP3 encoder settings handed to TAudioFile2::SetMp3Format.
class TAudioFile2LameEnc {
public:
    void SetConstantBitRate(bool constant) { ConstantBitRate = constant; }
    void SetVbrMaxBitRate(int kbps) { VbrMaxBitRateKbps = kbps; }
    void SetWriteVbrHeader(bool write) { WriteVbrHeader = write; }
    void SetVbrReserved(int /*unused by this encoder*/) {}
    void SetVbrQuality(int16_t quality) { VbrQuality = quality; }
    void SetEncoderQuality(int16_t quality) { EncoderQuality = quality; }

    bool ConstantBitRate = true;
    int VbrMaxBitRateKbps = 320;
    bool WriteVbrHeader = false;
    int16_t VbrQuality = 4;     // 0 best .. 9
    int16_t EncoderQuality = 5; // LAME's quality: 0 best .. 9 fastest
};
