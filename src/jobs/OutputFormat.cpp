#include "OutputFormat.h"

#include <algorithm>
#include <cctype>

#include "AppSettings.h"

bool PrepareOutputFormat(TAudioFile2& output, TAudioFile2LameEnc& encoder, const std::string& kind) {
    using namespace GlobeVar;
    if (kind == "WAV") {
        output.SetWavFormat(WavFreqHz, WavChannelCount, WavBitsPerSample);
    } else if (kind == "MP3") {
        if (Mp3VbrEnabled) {
            encoder.SetConstantBitRate(false);
            encoder.SetVbrMaxBitRate(Mp3MaxBitRateKbps);
            encoder.SetWriteVbrHeader(Mp3VbrHeader);
            encoder.SetVbrReserved(0);
            encoder.SetVbrQuality(Mp3VbrQuality);
        } else {
            encoder.SetConstantBitRate(true);
        }
        encoder.SetEncoderQuality(Mp3EncoderQuality);
        output.SetMp3Format(Mp3FreqHz, Mp3BitRateKbps, Mp3ChannelCount, encoder);
    } else if (kind == "OGG") {
        output.SetOggFormat(OggFreqHz, OggChannelCount, 128, 0, 0, static_cast<int16_t>(OggQuality));
    } else if (kind == "WMA") {
        output.SetWmaProfile(WmaProfile);
    } else {
        return false;
    }
    return true;
}

const char* OutputKindOfIndex(int index) {
    static const char* const kinds[] = {"WAV", "MP3", "OGG", "WMA"};
    return kinds[std::clamp(index, 0, 3)];
}

std::string ExtensionOfKind(const std::string& kind) {
    std::string extension = kind;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}
