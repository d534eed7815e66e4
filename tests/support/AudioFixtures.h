#pragma once

// Audio made by the tests and checked with the ffmpeg and ffprobe tools.

#include <cstdint>
#include <string>
#include <vector>

// Runs a shell command; its standard output, and its exit status in status.
std::string RunCommand(const std::string& command, int* status = nullptr);
std::string ShellQuoted(const std::string& text);

// A file made by the ffmpeg tool from a test signal: a 440 Hz sine on the left and
// 660 Hz on the right (one channel: 440 Hz), at half scale, with the codec options given.
void MakeTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions);
// The same tones with noise mixed in: it makes the lossy encoders spend bits as on music.
void MakeNoisyTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions);

// A 16-bit PCM WAV written here, from interleaved samples.
void WriteWav16(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples);
// A deterministic test signal of the given length: sines plus a little noise.
std::vector<int16_t> TestSignal16(int frames, int channels, int rate);

struct TProbedStream {
    std::string Codec;
    int SampleRate = 0;
    int Channels = 0;
    double Duration = 0; // seconds, as ffprobe reads it
    int64_t BitRate = 0;
};
TProbedStream Probe(const std::string& path);

// The file decoded by the ffmpeg tool to interleaved float at its own rate; errors in
// decodeErrors (empty when it decodes cleanly).
std::vector<float> DecodeWithFfmpeg(const std::string& path, std::string* decodeErrors = nullptr);

// The bit rates (kbps) of an MP3 file's frames in order, the tag frame included, and
// whether its first frame is a Xing ("Xing" or "Info") header.
struct TMp3Frames {
    std::vector<int> BitRates;
    bool HasVbrHeader = false;
};
TMp3Frames ReadMp3Frames(const std::string& path);
