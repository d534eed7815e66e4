#pragma once

// Gain of MP3 files without decoding and encoding again, as mp3gain does it: every
// granule's global_gain moves by whole steps of 1.5 dB (a factor of 2^(1/4) in
// amplitude), so a decoder gives the same audio times that factor. The change is
// recorded in the file's APE tag as MP3GAIN_UNDO, the way mp3gain records it, so either
// program can take it back.

#include <cstdint>
#include <string>

struct Mp3GainChange {
    int64_t frames = 0;        // audio frames changed
    int64_t clampedFrames = 0; // frames where a granule's gain reached 0 or 255 and stopped there
};

// Moves the global_gain of each granule of one frame (header first, the whole side
// information there) by steps0 for the first granule and steps1 for MPEG-1's second,
// and makes a protected frame's CRC anew; true when a value was clamped at 0 or 255.
bool shiftMp3FrameGains(uint8_t* frame, int version, int channels, int steps0, int steps1);

// The steps that come nearest to a gain in dB.
int mp3GainSteps(double gainDb);
// The most steps that do not go above a gain in dB (a ceiling's limit kept).
int mp3GainStepsWithin(double gainDb);

// Moves every granule's global_gain of the file by steps, writing the file anew (a part
// file that replaces it when complete); CRCs of protected frames are made anew. Raises
// EngineError naming the file and the cause when it is not an MP3 file or cannot be
// written (the file then stays as it was).
Mp3GainChange applyMp3Gain(const std::string& path, int steps);

// Takes back the steps recorded in the file's MP3GAIN_UNDO; false when it has none.
bool undoMp3Gain(const std::string& path);
