#pragma once

#include <string>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"

// Prepares an output file object for the kind ("WAV", "MP3", "OGG", "WMA", "FLAC", "OPUS", "M4A" or "M4B", an
// audiobook's M4A) with the
// output format settings of the shared state, the MP3 encoder settings first. Returns
// false, preparing nothing, for any other kind.
bool prepareOutputFormat(AudioFile& output, Mp3EncoderSettings& encoder, const std::string& kind);

// MP3 knows nine sample rates, and each MPEG version its own bit rates (LAME writes at
// most 64 kbps at 8 to 12 kHz). The valid rate and bit rate nearest to those asked for.
struct Mp3Choice {
    int rateHz;
    int bitRateKbps;
};
Mp3Choice nearestMp3Format(int rateHz, int bitRateKbps);

// The kind a cut section of a file of the kind is written as: the file's own where the
// program writes it, else (AIFF) FLAC, which keeps the decoded audio whole;
// "" for "".
std::string cutOutputKind(const std::string& sourceKind);

// Why output of the kind cannot keep the encoding of audio at rateHz and channels ("" when
// it can): MP3 frames and Ogg Vorbis and WMA packets are copied into output of their own
// kind, rate and channel count only.
// whose names the audio in the message ("source's", "files'").
std::string keptEncodingRefusal(const std::string& kind, int rateHz, int channels, const std::string& whose);

// The kinds in the order of the joiner's format list, and their file extensions.
const char* outputKindOfIndex(int index);
std::string extensionOfKind(const std::string& kind); // "mp3" for "MP3"
