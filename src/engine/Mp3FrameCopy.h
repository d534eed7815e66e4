#pragma once

// Cutting MP3 without decoding and encoding again: the compressed frames of a range are
// copied, starting a few frames early so that the decoder has the bit reservoir and the
// overlap of the frames before, and a new Info tag (Xing layout with LAME's extension)
// tells a gapless decoder how many samples to drop at each end. Decoded, such a file
// gives exactly the source's samples of the range, bit for bit.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AudioTags.h"
#include "CopyProgress.h"

// The MPEG audio layer III frames of a file, with the gapless information of its own
// Info or Xing tag. Sample positions count the samples a gapless decoder gives.
struct Mp3FrameIndex {
    struct Frame {
        int64_t offset = 0;    // of its header in the file
        int size = 0;          // bytes, header included
        int mainDataBegin = 0; // bytes its main data starts before its own main data area
        int mainDataSize = 0;  // bytes of its own main data area
        uint32_t header = 0;
    };

    uint32_t firstHeader = 0; // the first audio frame's header
    int version = 1;          // 1: MPEG-1; 2: MPEG-2; 25: MPEG-2.5
    int sampleRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    bool sameBitRate = true; // every frame of one bit rate (CBR)
    bool gapless = false;    // the file's tag gave the encoder delay and padding
    int encoderDelay = 0;
    int encoderPadding = 0;
    std::vector<uint8_t> lameFields; // the source tag's LAME extension (36 bytes), or empty
    std::vector<Frame> frames;       // the audio frames (the tag's frame left out)
    // Why the frames end before the file's audio does ("" when they end with it, or only
    // tags follow): its frames change their kind on the way, or bytes that are not frames
    // come. A decoder goes on after such a place; a copy of the frames would not.
    std::string breakReason;
    int64_t statedFrames = -1; // the audio frames its Info, Xing or VBRI frame counts (-1: none)

    // Samples of the frames' decoding dropped before the first sample given.
    int64_t skippedSamples() const;
    // The samples a gapless decoder gives.
    int64_t totalSamples() const;
    // The samples a gapless decoder gives of frameCount frames of the stream.
    int64_t samplesOf(int64_t frameCount) const;
    // Whether samplesOf(frameCount) is what FFmpeg decodes of so many frames: the padding
    // the tag states lies in the last frames (FFmpeg trims a larger one otherwise).
    bool trimsAsDecoded(int64_t frameCount) const;
    // Whether totalSamples() is what FFmpeg decodes: the frames also go on to the end, and
    // as many as the tag states (FFmpeg drops the padding where the stated frames end).
    bool countsAsDecoded() const;
    // Why the frames cannot be copied as they are ("" when they can): they break off, or
    // a gapless tag counts other frames than the file holds (decoders then drop its
    // padding within the audio, where no copy can drop it).
    std::string copyRefusal() const;
};

// Reads the frames of an MP3 file, passing by ID3v2 tags between them; raises EngineError
// when it cannot be read or holds no layer III frames. The index ends where the frames
// change version, rate or channel count, or something else comes (breakReason says).
Mp3FrameIndex indexMp3Frames(const std::string& path);

// The samples a gapless decoder gives of an MP3 file, from the frame and byte counts of
// its Info, Xing or VBRI frame without reading its frames (samples); nothing where it has
// no such frame (stated false) or the counts do not fit the file (stated true: its bytes
// after the tag frame differ from the stated ones, or so many frames cannot fill them; a
// file with frames appended, cut short, or a tag that lies), and then only reading it tells.
struct Mp3StatedLength {
    std::optional<int64_t> samples;
    bool stated = false;
};
Mp3StatedLength mp3SamplesFromTag(const std::string& path);

// The frames that hold samples [first, end) and the delay and padding of their tag.
// Decoders take a stream to start where two frames agree in their header's fixed fields
// (FFmpeg skips what comes before as junk). Where the first two differ only in their
// copyright, original or emphasis marks, the first is copied with the next one's
// (firstHeader); otherwise the copy starts with a frame of silence of the first frame's
// kind (silentLead), as it also does where the file's first sample comes before the
// decoder's delay (a file without an Info tag).
struct Mp3CopyRange {
    size_t firstFrame = 0, endFrame = 0;
    int delay = 0, padding = 0;
    bool silentLead = false;
    uint32_t firstHeader = 0; // the header the first frame is copied with; 0: its own
};
// The copy of samples [first, end), or nothing (with the reason in why, when given) when
// the frames needed before the first sample do not fit the tag's 12-bit delay (very low
// bit rates), or the range lies within one frame, or it is empty.
std::optional<Mp3CopyRange> planMp3Copy(const Mp3FrameIndex& index, int64_t first, int64_t end,
                                        std::string* why = nullptr);

// A change of level of copied frames by steps of 1.5 dB of their granules' global_gain
// (see Mp3Gain.h): the steps of granule granule (0, or 1 of MPEG-1's two) of the copy's
// frame frame (0 the first frame of audio written).
using Mp3GainRamp = std::function<int(size_t frame, int granule)>;

// Fades of a copy of the range (of length samples) as ramps of its granules' gains, on top
// of a level change of steps: a step at most every two granules, from 60 dB down (less
// for a fade shorter than 80 granules) to the level at the fade's end.
Mp3GainRamp mp3FadeRamp(const Mp3FrameIndex& index, const Mp3CopyRange& range, int64_t length, int64_t fadeIn,
                        int64_t fadeOut, int steps);

// Writes the frames of the range with their new tag as fileName (complete or not at
// all), tagged with tags, and gives the name written (a file at the name is replaced only
// when mayReplace, as AudioFile::close does); raises EngineError when reading or writing
// fails.
std::string writeMp3Copy(const std::string& source, const Mp3FrameIndex& index, const Mp3CopyRange& range,
                         const std::string& fileName, const AudioTags& tags, bool mayReplace = false,
                         const CopyProgress& progress = {}, const Mp3GainRamp& gain = {});

// Whole MP3 files joined by copying their frames, under one new tag with the first
// file's encoder delay and the last one's padding. At each junction the padding of the
// file before and the delay of the file after stay as short silences (frames that hold
// only padding are left out).
struct Mp3JoinPart {
    std::string path;
    Mp3FrameIndex index;
    int gainSteps = 0; // its level moved by steps of 1.5 dB (see Mp3GainRamp)
};
// Why the files cannot be joined by copying ("" when they can): each must tell its
// encoder delay and padding, and all be of one MPEG version, rate and channel count.
std::string mp3JoinRefusal(const std::vector<Mp3JoinPart>& parts);
// How the files lie in their join: the frames of each copied (those after the last that
// gives a sample of a file before another hold only padding and are left out), where the
// audio of each starts in the join (in samples, after the delay and padding left at the
// junctions before it), the join's length and the samples of the junctions.
struct Mp3JoinLayout {
    std::vector<size_t> frameEnds;
    std::vector<int64_t> startSamples;
    int64_t totalSamples = 0;
    int64_t junctionSamples = 0;
};
Mp3JoinLayout mp3JoinLayout(const std::vector<Mp3JoinPart>& parts);
// Writes the join as fileName (complete or not at all) and gives the name written and
// the number of samples of padding and delay left at the junctions; raises EngineError
// when it cannot.
struct Mp3JoinWritten {
    std::string fileName;
    int64_t junctionSamples = 0;
};
Mp3JoinWritten writeMp3Join(const std::vector<Mp3JoinPart>& parts, const std::string& fileName, const AudioTags& tags,
                            bool mayReplace = false, const CopyProgress& progress = {});

// The Info tag's frame for frames of the given sizes (exposed for the tests).
std::vector<uint8_t> mp3InfoFrame(const Mp3FrameIndex& index, const std::vector<int>& frameSizes, int delay,
                                  int padding, uint16_t musicCrc);
// The CRC a protected frame (starting at frame) carries after its header: CRC-16
// (polynomial 0x8005, starting at 0xFFFF) of the header's last two bytes and the side
// information.
uint16_t mp3FrameCrc(const uint8_t* frame, int sideInfoBytes);
// The bytes of a layer III frame's side information (version 1, 2 or 25).
int mp3SideInfoBytes(int version, int channels);
// CRC-16 as LAME's tag uses it (polynomial 0x8005, reflected, starting at 0).
uint16_t lameCrc16(const uint8_t* data, size_t size, uint16_t crc = 0);
