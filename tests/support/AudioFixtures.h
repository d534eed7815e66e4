#pragma once

// Audio made by the tests and checked with the ffmpeg and ffprobe tools.

#include <cstdint>
#include <string>
#include <vector>

// Runs a shell command; its standard output, and its exit status in status.
std::string runCommand(const std::string& command, int* status = nullptr);
std::string shellQuoted(const std::string& text);

// A file made by the ffmpeg tool from a test signal: a 440 Hz sine on the left and
// 660 Hz on the right (one channel: 440 Hz), at half scale, with the codec options given.
void makeTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions);
// The same tones with noise mixed in: it makes the lossy encoders spend bits as on music.
void makeNoisyTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions);

// A file made by the ffmpeg tool from a lavfi filter graph, with the output options given.
void makeFromFilter(const std::string& path, const std::string& filter, const std::string& options);

// FFmpeg's own EBU R 128 meter on the file: its last integrated loudness (three decimals)
// and its summary's true peak (one decimal).
struct FfmpegLoudness {
    double integratedLufs = 0, truePeakDb = 0;
};
FfmpegLoudness ffmpegLoudness(const std::string& path);

// A 16-bit PCM WAV written here, from interleaved samples.
void writeWav16(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples);
// A deterministic test signal of the given length: sines plus a little noise.
std::vector<int16_t> testSignal16(int frames, int channels, int rate);

struct ProbedStream {
    std::string codec;
    int sampleRate = 0;
    int channels = 0;
    double duration = 0; // seconds, as ffprobe reads it
    int64_t bitRate = 0;
    int64_t durationTs = 0; // the stream's length in its time base, as the container states it
};
ProbedStream probe(const std::string& path);

// The chapters ffprobe reads in a file: starts and ends in ms, titles.
struct ProbedChapter {
    int64_t startMs = 0, endMs = 0;
    std::string title;
};
std::vector<ProbedChapter> probeChapters(const std::string& path);

// The file decoded by the ffmpeg tool to interleaved float at its own rate; errors in
// decodeErrors (empty when it decodes cleanly).
std::vector<float> decodeWithFfmpeg(const std::string& path, std::string* decodeErrors = nullptr);

// The bit rates (kbps) of an MP3 file's frames in order, the tag frame included, and
// whether its first frame is a Xing ("Xing" or "Info") header.
struct Mp3Frames {
    std::vector<int> bitRates;
    std::vector<size_t> offsets; // of each frame's header
    bool hasVbrHeader = false;
};
Mp3Frames readMp3Frames(const std::string& path);
