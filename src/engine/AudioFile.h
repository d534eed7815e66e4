#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "AudioBlock.h"
#include "Mp3EncoderSettings.h"
#include "EngineError.h"

// One audio file, read (decoded) or written (encoded). OpenForRead and CreateForWrite
// never raise: they leave the object closed with GetErrorCode non-zero. Every other
// operation raises EngineError when it fails, also when the object is not open.
// Positions and lengths are sample frames. One thread uses an object at a time.
class TAudioFile2 {
public:
    TAudioFile2();
    ~TAudioFile2();
    TAudioFile2(const TAudioFile2&) = delete;
    TAudioFile2& operator=(const TAudioFile2&) = delete;

    void SetFileOption(bool /*kept for the callers; no meaning here*/) {}

    // Reading.
    void OpenForRead(const std::string& fileName, int = 0, int = 1);
    int GetErrorCode() const { return errorCode_; }
    const std::string& GetErrorText() const { return errorText_; }
    int GetTotalSamples() const;
    int GetSampleRate() const;
    int GetChannels() const;
    int GetStreamSampleRate() const { return GetSampleRate(); }
    int GetStreamChannels() const { return GetChannels(); }
    // Moves the read position; the next block starts exactly at frame (clamped to the file).
    int Seek(int frame, int mode = 3);
    // The next frames frames; fewer only at the end; an empty block at the end.
    TAudioBlock ReadBlock(int frames);

    // Writing: prepare the format, create, name the blocks' format, write, close.
    void SetWavFormat(int rateHz, int channels, int bitsPerSample);
    void SetMp3Format(int rateHz, int bitRateKbps, int channels, const TAudioFile2LameEnc& encoder);
    // quality: the options' value 99..999; libvorbis's quality is (quality - 99) / 1000.
    void SetOggFormat(int rateHz, int channels, int = 128, int = 0, int = 0, int16_t quality = 699);
    void SetWmaProfile(int profile);
    void CreateForWrite(const std::string& fileName, int = 0);
    void SetInputFormat(int rateHz, int channels);
    void WriteBlock(const TAudioBlock& block);

    // Closes an input, or finishes and closes an output (raises when finishing fails;
    // the object is closed all the same). Harmless on a closed object.
    void Close();

    bool IsReading() const;
    bool IsWriting() const;
    const std::string& FileName() const { return fileName_; }

private:
    struct TImpl;
    [[noreturn]] void NotOpen(const char* operation) const;

    std::unique_ptr<TImpl> impl_;
    std::string fileName_;
    int errorCode_ = 0;
    std::string errorText_;
};
