#include "OutputFormat.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>

#include "AppSettings.h"
#include "WmaProfiles.h"

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
    } else if (kind == "FLAC") {
        output.setFlacFormat(flacFreqHz, flacChannelCount, flacBitsPerSample, flacLevel);
    } else if (kind == "OPUS") {
        output.setOpusFormat(opusChannelCount, opusBitRateKbps);
    } else if (kind == "M4A" || kind == "M4B") {
        output.setM4aFormat(m4aFreqHz, m4aChannelCount, m4aBitRateKbps);
    } else {
        return false;
    }
    return true;
}

namespace {

template <size_t N>
int nearestOf(const int (&values)[N], int wanted) {
    return *std::min_element(std::begin(values), std::end(values),
                             [wanted](int a, int b) { return std::abs(a - wanted) < std::abs(b - wanted); });
}

} // namespace

Mp3Choice nearestMp3Format(int rateHz, int bitRateKbps) {
    static const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    static const int mpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int mpeg25[] = {8, 16, 24, 32, 40, 48, 56, 64};
    const int rate = nearestOf(rates, rateHz);
    const int bitRate = rate >= 32000   ? nearestOf(mpeg1, bitRateKbps)
                        : rate >= 16000 ? nearestOf(mpeg2, bitRateKbps)
                                        : nearestOf(mpeg25, bitRateKbps);
    return {rate, bitRate};
}

std::string cutOutputKind(const std::string& sourceKind) {
    for (const char* kind : {"WAV", "MP3", "OGG", "WMA", "FLAC", "OPUS", "M4A", "M4B"})
        if (sourceKind == kind)
            return sourceKind;
    return sourceKind.empty() ? "" : "FLAC";
}

std::string keptEncodingRefusal(const std::string& kind, int rateHz, int channels, const std::string& whose) {
    using namespace AppSettings;
    auto format = [](int rate, int count) {
        return std::to_string(rate) + " Hz, " + std::to_string(count) + " channels";
    };
    int outputRate = 0, outputChannels = 0;
    if (kind == "MP3") {
        outputRate = mp3FreqHz;
        outputChannels = mp3ChannelCount;
    } else if (kind == "OGG") {
        outputRate = oggFreqHz;
        outputChannels = oggChannelCount;
    } else if (kind == "WMA") {
        const WmaProfiles::Profile profile = WmaProfiles::profile(wmaProfile);
        outputRate = profile.sampleRate;
        outputChannels = profile.channels;
    } else {
        return "the program copies the frames of MP3, Ogg Vorbis and WMA files only";
    }
    if (outputRate != rateHz || outputChannels != channels)
        return "the output format (" + format(outputRate, outputChannels) + ") is not the " + whose + " (" +
               format(rateHz, channels) + ")";
    return {};
}

const char* outputKindOfIndex(int index) {
    static const char* const kinds[] = {"WAV", "MP3", "OGG", "WMA", "FLAC", "OPUS", "M4A", "M4B"};
    return kinds[std::clamp(index, 0, 7)];
}

std::string extensionOfKind(const std::string& kind) {
    std::string extension = kind;
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}
