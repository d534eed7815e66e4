#pragma once

#include <stdexcept>
#include <string>

// Status codes of the engine; 0 is success.
enum class EngineStatus : int {
    Ok = 0,
    OpenFailed = 1,     // the file could not be opened or read
    NotAudio = 2,       // no audio stream the engine can decode
    CreateFailed = 3,   // an output file could not be created
    EncoderFailed = 4,  // the encoder refused the format or failed
    WriteFailed = 5,    // writing the output failed (a full disk, say)
    DecodeFailed = 6,   // the input could not be decoded further
    NotOpen = 7,        // a read or write on an object that is not open
    InvalidFormat = 8,  // an output format the engine cannot write
    TagWriteFailed = 9, // the audio was written, its tags could not be
};

// An engine failure: a status code and a message that names the file and the cause.
class EngineError : public std::runtime_error {
public:
    EngineError(EngineStatus status, const std::string& message) : std::runtime_error(message), status_(status) {}

    EngineStatus status() const { return status_; }
    int code() const { return static_cast<int>(status_); }

private:
    EngineStatus status_;
};
