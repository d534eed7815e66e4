#pragma once

// Cutting Ogg Vorbis and WMA without decoding and encoding again: the compressed packets
// of a range are copied into a new file of the same kind through FFmpeg's muxers.
//
// Ogg Vorbis: the copy starts at a packet boundary at or before the range's first sample
// (one packet more is copied before it, which a Vorbis decoder needs to overlap with and
// gives no samples of its own) and ends exactly on the range's end: the last page's
// granule position tells the decoder where to stop. WMA: ASF cannot tell a decoder to
// drop samples, so the copy holds whole packets at both ends: it starts at the packet
// holding the first sample and ends after the packet holding the last one, with one
// packet more, which the decoder needs to finish the one before it.

#include <cstdint>
#include <string>

#include "AudioTags.h"
#include "CopyProgress.h"

// Why the file's packets cannot be copied ("" when they can): only Vorbis in Ogg and
// Windows Media Audio 1 and 2 in ASF are.
std::string packetCopyRefusal(const std::string& path);

// The source's samples a copy decodes to: [firstSample, endSample) of the source's own
// decode, and then, for a WMA copy that ends before the source does, tailSamples more:
// the last frame's overlap, which a decoder gives at the end of the stream.
struct PacketCopyResult {
    int64_t firstSample = 0, endSample = 0;
    int64_t tailSamples = 0;
    std::string fileName; // the name written (see AudioFile::close)
};

// Writes samples [first, end) of the source, as whole packets where the format needs
// them, as fileName (complete or not at all; replacing a file there only when mayReplace,
// as AudioFile::close does) tagged with tags; raises EngineError when
// it cannot be read or written or the range holds no packet.
PacketCopyResult writePacketCopy(const std::string& source, int64_t first, int64_t end, const std::string& fileName,
                                 const AudioTags& tags, bool mayReplace = false, const CopyProgress& progress = {});
