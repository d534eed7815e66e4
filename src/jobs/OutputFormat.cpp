#include "OutputFormat.h"

#include <algorithm>
#include <cctype>

#include "AppSettings.h"

bool prepareOutputFormat(AudioFile& output, Mp3EncoderSettings& encoder, const std::string& kind) {
    using namespace AppSettings;
    if (kind == "WAV") {
        output.setWavFormat(wavFreqHz, wavChannelCount, wavBitsPerSample);
    } else if (kind == "MP3") {
        if (mp3VbrEnabled) {
            encoder.setConstantBitRate(false);
            encoder.setVbrMaxBitRate(mp3MaxBitRateKbps);
            encoder.setWriteVbrHeader(mp3VbrHeader);
            encoder.setVbrReserved(0);
            encoder.setVbrQuality(mp3VbrQuality);
        } else {
            encoder.setConstantBitRate(true);
        }
        encoder.setEncoderQuality(mp3EncoderQuality);
        output.setMp3Format(mp3FreqHz, mp3BitRateKbps, mp3ChannelCount, encoder);
    } else if (kind == "OGG") {
        output.setOggFormat(oggFreqHz, oggChannelCount, 128, 0, 0, static_cast<int16_t>(oggQuality));
    } else if (kind == "WMA") {
        output.setWmaProfile(wmaProfile);
    } else {
        return false;
    }
    return true;
}

const char* outputKindOfIndex(int index) {
    static const char* const kinds[] = {"WAV", "MP3", "OGG", "WMA"};
    return kinds[std::clamp(index, 0, 3)];
}

std::string extensionOfKind(const std::string& kind) {
    std::string extension = kind;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}
