#pragma once

// Tagged files for the tests, and the tags as the ffmpeg tools read them back.

#include <map>
#include <ostream>
#include <string>

#include "AudioTags.h"

// A picture of a little over 1 MB (a PNG of noise, made by the ffmpeg tool), as bytes.
std::string makeCoverPicture();

// Every field set, a title in three scripts, and the cover when withCover.
AudioTags fullTags(bool withCover);

// Test failures show the fields and the cover's type and size.
void PrintTo(const AudioTags& tags, std::ostream* out);

// The format's and the streams' tags as ffprobe shows them, keys in lower case.
std::map<std::string, std::string> probeTags(const std::string& path);

// The fields of tags that ffprobe does not show as they are in the file at path, as
// "key should be value" lines; "" when all are there. A WAV file's RIFF INFO has no
// album artist or composer (they are in its ID3 chunk, which ffprobe then leaves
// aside), and FFmpeg names a WMA file's date by its ASF attribute.
std::string fieldsProbedWrong(const std::string& path, const AudioTags& tags);

// The bytes of the file's attached picture as the ffmpeg tool copies it out; "" when
// it has none.
std::string attachedPicture(const std::string& path);
