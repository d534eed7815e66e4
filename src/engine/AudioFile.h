#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "AudioBlock.h"
#include "AudioTags.h"
#include "Mp3EncoderSettings.h"
#include "EngineError.h"
#include "Loudness.h"

// The name itself when nothing has it, otherwise the name with " New" put before its
// extension as often as needed for a name nothing has.
std::string firstFreeName(const std::string& fileName);
// The name cut to at most bytes, not in the middle of a UTF-8 character.
std::string nameCutToBytes(const std::string& name, size_t bytes);

// One audio file, read (decoded) or written (encoded). openForRead and createForWrite
// never raise: they leave the object closed with errorCode non-zero. Every other
// operation raises EngineError when it fails, also when the object is not open.
// Positions and lengths are sample frames. One thread uses an object at a time.
class AudioFile {
public:
    AudioFile();
    ~AudioFile();
    AudioFile(const AudioFile&) = delete;
    AudioFile& operator=(const AudioFile&) = delete;

    void setFileOption(bool /*kept for the callers; no meaning here*/) {}

    // Reading.
    void openForRead(const std::string& fileName, int = 0, int = 1);
    // The same for a reader that goes once from the start to the end (a conversion, a
    // join): a length only decoding tells (WMA, chained Ogg) is counted as it reads, so
    // totalFrames is an estimate until the end is read.
    void openForStreaming(const std::string& fileName);
    int errorCode() const { return errorCode_; }
    const std::string& errorText() const { return errorText_; }
    int64_t totalFrames() const;
    int sampleRate() const;
    int channels() const;
    int streamSampleRate() const { return sampleRate(); }
    int streamChannels() const { return channels(); }
    // Moves the read position; the next block starts exactly at frame (clamped to the file).
    int64_t seek(int64_t frame, int mode = 3);
    // Whether seeking far costs no more than seeking near (it does not decode up to the place).
    bool seeksDirectly() const;
    // The next frames frames; fewer only at the end; an empty block at the end.
    AudioBlock readBlock(int frames);
    // The same frames in place: the view is valid until the next read, seek or close.
    AudioView readInPlace(int frames);

    // Writing: prepare the format, create, name the blocks' format, write, close.
    void setWavFormat(int rateHz, int channels, int bitsPerSample);
    void setMp3Format(int rateHz, int bitRateKbps, int channels, const Mp3EncoderSettings& encoder);
    // quality: the options' value 99..999; libvorbis's quality is (quality - 99) / 1000.
    void setOggFormat(int rateHz, int channels, int = 128, int = 0, int = 0, int16_t quality = 699);
    void setWmaProfile(int profile);
    // FLAC of 16 or 24 bits; level 0 (fastest) .. 8 (smallest), 5 as the flac tool.
    void setFlacFormat(int rateHz, int channels, int bitsPerSample, int level);
    // Opus at 48000 Hz (its decoders' rate) and M4A (AAC), at a bit rate in kbps.
    void setOpusFormat(int channels, int bitRateKbps);
    void setM4aFormat(int rateHz, int channels, int bitRateKbps);
    void createForWrite(const std::string& fileName, int = 0);
    // The prepared format of another output.
    void prepareLike(const AudioFile& other);
    // Instead of a file: the blocks written are measured as the prepared format holds them
    // (its rate and channels); takeMeasurement closes and gives the measurement.
    void createForMeasuring();
    std::unique_ptr<TrackLoudness> takeMeasurement();
    // Whether the outputs created next may replace a file that has their name (the job's
    // choice to overwrite); without it an output never replaces anything (see close).
    void setReplacesExisting(bool replaces) { replacesExisting_ = replaces; }
    bool replacesExisting() const { return replacesExisting_; }
    void setInputFormat(int rateHz, int channels);
    void writeBlock(const AudioBlock& block);
    // The factor the blocks written from now on are multiplied by (a level change the job
    // asked for); 1 again for each output created.
    void setGain(float factor);

    // Closes an input, or finishes and closes an output (raises when finishing fails;
    // the object is closed all the same). Harmless on a closed object. An output is
    // written to a hidden file beside its name (".name.<process>-<n>.part") and takes its
    // name only here, complete: a failed, abandoned or killed job leaves no file under the
    // output's name, and a file it replaces stays whole until then. Unless replacing was
    // allowed, a file at the name (another process may have made it meanwhile) stays and
    // the output takes the next free name (" New"), which fileName then gives.
    void close();
    // Tags the next close writes into the output before it takes its name. When only the
    // tags fail, the output is kept (its audio is whole) and close raises TagWriteFailed.
    void setTags(const AudioTags& tags);
    // Closes an output without keeping it (its file is removed); also what destroying an
    // object that still writes does. Closes an input too.
    void abandon();

    // What reading the input found damaged and left out ("it is damaged at 0:14.200: 0:01.022
    // could not be decoded and is left out"), "" when nothing; a job says it with its result.
    std::string damage() const;

    bool isReading() const;
    bool isWriting() const;
    const std::string& fileName() const { return fileName_; }

private:
    struct Impl;
    [[noreturn]] void throwNotOpen(const char* operation) const;
    void openWith(const std::string& fileName, bool countWhileReading);

    std::unique_ptr<Impl> impl_;
    std::string fileName_;
    bool replacesExisting_ = false;
    int errorCode_ = 0;
    std::string errorText_;
};
