// Feeds arbitrary bytes to the MP3 frame index, the copy planner and the frame copier as
// an MP3 file: indexing, planning ranges, copying them and joining the file to itself must
// never crash, hang or leak; a copy the planner allowed is whole or raises.

#include <cstdint>
#include <cstdio>
#include <string>

#include "EngineError.h"
#include "FuzzFile.h"
#include "Mp3FrameCopy.h"

namespace {

void exercise(const std::string& path) {
    Mp3FrameIndex index;
    try {
        index = indexMp3Frames(path);
    } catch (const EngineError&) {
        return;
    }
    const int64_t total = index.totalSamples();
    const std::string out = fuzzPath("-copy.mp3");
    for (const auto& [first, end] : {std::pair<int64_t, int64_t>{0, total}, {total / 3, total / 2}, {1, total - 1}}) {
        const auto range = planMp3Copy(index, first, end);
        if (!range)
            continue;
        if (range->firstFrame >= range->endFrame || range->endFrame > index.frames.size())
            __builtin_trap(); // a plan outside the frames it was made from
        try {
            writeMp3Copy(path, index, *range, out, {}, true);
        } catch (const EngineError&) {
        }
        std::remove(out.c_str());
    }
    const std::vector<Mp3JoinPart> parts{{path, index}, {path, index}};
    if (mp3JoinRefusal(parts).empty()) {
        try {
            writeMp3Join(parts, out, {}, true);
        } catch (const EngineError&) {
        }
        std::remove(out.c_str());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    withBytesAsFile(data, size, ".mp3", exercise);
    return 0;
}
