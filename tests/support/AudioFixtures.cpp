#include "AudioFixtures.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>

#include "TempFolder.h"

std::string shellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string runCommand(const std::string& command, int* status) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        throw std::runtime_error("cannot run: " + command);
    std::string output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    const int result = pclose(pipe);
    if (status)
        *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
    return output;
}

namespace {

void makeFromExpression(const std::string& path, const std::string& expression, double seconds, int rate,
                        const std::string& codecOptions) {
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i " +
        shellQuoted("aevalsrc=" + expression + ":s=" + std::to_string(rate) + ":d=" + std::to_string(seconds)) + " " +
        codecOptions + " " + shellQuoted(path) + " 2>&1";
    int status = 0;
    const std::string output = runCommand(command, &status);
    if (status != 0)
        throw std::runtime_error("ffmpeg could not make " + path + ": " + output);
}

} // namespace

void makeTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions) {
    const std::string expression = channels == 1 ? "0.5*sin(2*PI*440*t)" : "0.5*sin(2*PI*440*t)|0.5*sin(2*PI*660*t)";
    makeFromExpression(path, expression, seconds, rate, codecOptions);
}

void makeNoisyTone(const std::string& path, double seconds, int rate, int channels, const std::string& codecOptions) {
    const std::string left = "0.4*sin(2*PI*440*t)+0.2*(random(0)-0.5)";
    const std::string right = "0.4*sin(2*PI*660*t)+0.2*(random(1)-0.5)";
    makeFromExpression(path, channels == 1 ? left : left + "|" + right, seconds, rate, codecOptions);
}

void writeWav16(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples) {
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    put32(36 + data);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(static_cast<uint16_t>(channels));
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate * channels * 2));
    put16(static_cast<uint16_t>(channels * 2));
    put16(16);
    out.write("data", 4);
    put32(data);
    out.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(data));
}

std::vector<int16_t> testSignal16(int frames, int channels, int rate) {
    std::vector<int16_t> samples(static_cast<size_t>(frames) * channels);
    uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(i) / rate;
            const double value =
                0.4 * std::sin(2 * M_PI * (440 + 220 * ch) * t) + ((noise >> 16) % 2001 - 1000) / 20000.0;
            samples[static_cast<size_t>(i) * channels + ch] = static_cast<int16_t>(std::lround(value * 32767));
        }
    }
    return samples;
}

ProbedStream probe(const std::string& path) {
    const std::string output = runCommand(
        "ffprobe -v error -select_streams a:0 -show_entries stream=codec_name,sample_rate,channels,bit_rate,duration_ts"
        ":format=duration -of default=noprint_wrappers=1 " +
        shellQuoted(path));
    ProbedStream stream;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "codec_name")
            stream.codec = value;
        else if (key == "sample_rate")
            stream.sampleRate = std::atoi(value.c_str());
        else if (key == "channels")
            stream.channels = std::atoi(value.c_str());
        else if (key == "duration")
            stream.duration = std::atof(value.c_str());
        else if (key == "duration_ts")
            stream.durationTs = std::atoll(value.c_str());
        else if (key == "bit_rate")
            stream.bitRate = std::atoll(value.c_str());
    }
    return stream;
}

std::vector<float> decodeWithFfmpeg(const std::string& path, std::string* decodeErrors) {
    TempFolder folder;
    const std::string raw = folder / "decoded.f32";
    const std::string errors = runCommand("ffmpeg -v error -y -i " + shellQuoted(path) + " -f f32le -c:a pcm_f32le " +
                                          shellQuoted(raw) + " 2>&1");
    if (decodeErrors)
        *decodeErrors = errors;
    const std::string bytes = readFileText(raw);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
}

Mp3Frames readMp3Frames(const std::string& path) {
    const std::string data = readFileText(path);
    auto byte = [&](size_t i) { return static_cast<unsigned char>(data[i]); };
    size_t at = 0;
    if (data.size() > 10 && data.compare(0, 3, "ID3") == 0)
        at = 10 + ((byte(6) << 21) | (byte(7) << 14) | (byte(8) << 7) | byte(9));
    static const int mpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    Mp3Frames frames;
    while (at + 4 <= data.size()) {
        if (byte(at) != 0xFF || (byte(at + 1) & 0xE0) != 0xE0)
            break;
        const int version = (byte(at + 1) >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
        const int bitrate = (version == 3 ? mpeg1 : mpeg2)[byte(at + 2) >> 4];
        const int rate = rates[(byte(at + 2) >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
        const int padding = (byte(at + 2) >> 1) & 1;
        if (bitrate == 0 || rate == 0)
            break;
        const size_t length = static_cast<size_t>((version == 3 ? 144000 : 72000) * bitrate / rate + padding);
        if (frames.bitRates.empty()) {
            const std::string head = data.substr(at, std::min<size_t>(length, 200));
            frames.hasVbrHeader = head.find("Xing") != std::string::npos || head.find("Info") != std::string::npos;
        }
        frames.bitRates.push_back(bitrate);
        frames.offsets.push_back(at);
        at += length;
    }
    return frames;
}

void makeFromFilter(const std::string& path, const std::string& filter, const std::string& options) {
    runCommand("ffmpeg -v error -y -f lavfi -i " + shellQuoted(filter) + " " + options + " " + shellQuoted(path));
}

FfmpegLoudness ffmpegLoudness(const std::string& path) {
    const std::string log = runCommand("ffmpeg -nostats -i " + shellQuoted(path) +
                                       " -af ebur128=peak=true:metadata=1,ametadata=print:file=- -f null - 2>&1");
    FfmpegLoudness measured;
    static const std::regex integrated(R"(lavfi\.r128\.I=(-?[0-9.]+))"), peak(R"(Peak:\s+(-?[0-9.]+) dBFS)");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), integrated); it != std::sregex_iterator(); ++it)
        measured.integratedLufs = std::stod((*it)[1]);
    std::smatch found;
    if (std::regex_search(log, found, peak))
        measured.truePeakDb = std::stod(found[1]);
    return measured;
}

std::vector<ProbedChapter> probeChapters(const std::string& path) {
    std::istringstream lines(runCommand("ffprobe -v error -show_entries chapter=start_time,end_time:chapter_tags=title "
                                        "-of default=noprint_wrappers=1 " +
                                        shellQuoted(path)));
    std::vector<ProbedChapter> chapters;
    const auto ms = [](const std::string& seconds) { return std::llround(std::stod(seconds) * 1000); };
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "start_time")
            chapters.push_back({ms(value), 0, ""});
        else if (key == "end_time" && !chapters.empty())
            chapters.back().endMs = ms(value);
        else if (key == "TAG:title" && !chapters.empty())
            chapters.back().title = value;
    }
    return chapters;
}
