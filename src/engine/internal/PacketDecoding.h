#pragma once

// The samples each packet of a file decodes to, for formats whose packets do not say it
// (ASF's times are whole milliseconds): found by decoding the file once, and kept while
// the file stays as it is, so that its length and the places of its packets for copies
// cost one decoding pass however often they are asked for.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Engine {

struct DecodedPackets {
    std::vector<int64_t> samples; // of the audio stream's packets, in the order they are read
    int64_t drained = 0;          // what the decoder gives after the last packet
    int stretches = 1;            // of the file counted on threads of their own
    int64_t total() const;
};

// Tells the part of the file read (0 to 1); false stops the pass (CopyStopped is raised).
using DecodingProgress = std::function<bool(double)>;

// Raises EngineError when the file cannot be opened or has no decoder.
std::shared_ptr<const DecodedPackets> decodedPackets(const std::string& path, const DecodingProgress& progress = {});

// The same pass, not kept: WMA 1 and 2 in up to ranges stretches of the file's bytes, each
// on a thread of its own (a decoder started within the file settles on a few packets
// before its stretch, and is checked against the stretch before); others in one pass.
DecodedPackets countDecodedPackets(const std::string& path, int ranges, const DecodingProgress& progress = {});

} // namespace Engine
