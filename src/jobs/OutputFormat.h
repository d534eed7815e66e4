#pragma once

#include <string>

#include "AudioFile.h"
#include "Mp3EncoderSettings.h"

// Prepares an output file object for the kind ("WAV", "MP3", "OGG" or "WMA") with the
// output format settings of the shared state, the MP3 encoder settings first. Returns
// false, preparing nothing, for any other kind.
bool prepareOutputFormat(AudioFile& output, Mp3EncoderSettings& encoder, const std::string& kind);

// The kinds in the order of the joiner's format list, and their file extensions.
const char* outputKindOfIndex(int index);
std::string extensionOfKind(const std::string& kind); // "mp3" for "MP3"
