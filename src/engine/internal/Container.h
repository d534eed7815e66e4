#pragma once

// Opening a file's container: the format recognised by the file's content, never by its
// name, its audio stream found, and every refusal said in words that name the file.

#include <string>

#include "EngineError.h"
#include "FFmpeg.h"

namespace Engine {

// The result of opening: on failure Status is not Ok and Error names the file and the cause.
struct OpenResult {
    EngineStatus status = EngineStatus::Ok;
    std::string error;
};

// Opens the file's container and finds its audio stream (the others discarded).
OpenResult openContainer(const std::string& path, FFmpeg::InputFormat& format, AVStream*& stream);

// A file's path as messages name it: in double quotes.
inline std::string quotedPath(const std::string& path) {
    return "\"" + path + "\"";
}

inline bool isPcm(AVCodecID id) {
    return id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

} // namespace Engine
