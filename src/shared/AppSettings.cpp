#include "AppSettings.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "RunProgram.h"

namespace AppSettings {

std::string settingsFileName = "ZSCJCfg.ini";
std::string scheduleFileName = "Current.zsc";
std::string programFolder;
std::string settingsFolder;
std::string defaultConvertOutputPath;
std::string defaultSplitOutputPath;
std::string defaultJoinOutputPath;
std::string defaultRecordOutputPath;

int32_t wavFreqHz = 44100;
int32_t wavChannelCount = 2;
int32_t wavBitsPerSample = 16;
int32_t mp3FreqHz = 44100;
int32_t mp3ChannelCount = 2;
int32_t mp3BitRateKbps = 112;
int32_t mp3MaxBitRateKbps = 112;
int16_t mp3EncoderQuality = 0;
int16_t mp3VbrQuality = 0;
bool mp3VbrEnabled = false;
bool mp3VbrHeader = false;
int32_t oggFreqHz = 44100;
int32_t oggChannelCount = 2;
int32_t oggQuality = 699;
int32_t wmaProfile = 15;
int32_t flacFreqHz = 44100;
int32_t flacChannelCount = 2;
int32_t flacBitsPerSample = 16;
int32_t flacLevel = 5;
int32_t opusChannelCount = 2;
int32_t opusBitRateKbps = 96;
int32_t m4aFreqHz = 44100;
int32_t m4aChannelCount = 2;
int32_t m4aBitRateKbps = 160;

std::string lastFolder;
std::vector<std::string> recentCutFiles;
std::vector<std::string> recentJoinFiles;
std::string playerGeometry, cutterGeometry, joinerGeometry, optionsGeometry;

void rememberRecentFile(std::vector<std::string>& list, const std::string& path) {
    std::erase(list, path);
    list.insert(list.begin(), path);
    if (list.size() > static_cast<size_t>(RecentFileCount))
        list.resize(RecentFileCount);
}
std::string convertOutputPath;
bool convertToSourceFolder = false;
bool convertOverwrite = false;
std::string splitOutputPath;
bool splitToSourceFolder = false;
bool splitOverwrite = false;
bool splitKeepsEncoding = false;
bool joinKeepsEncoding = false;
bool convertNormalizes = false;
bool splitNormalizes = false;
bool joinNormalizes = false;
double targetLoudnessLufs = -18;
double peakCeilingDbtp = -1;
bool joinKeepsLevels = false;
PlaybackGain playbackGain = PlaybackGain::Track;
std::string splitNameTemplate = defaultSplitNameTemplate;
std::string joinNameTemplate = defaultJoinNameTemplate;
std::string convertNameTemplate = defaultConvertNameTemplate;
bool writePlaylists = false;
std::string joinOutputPath;
std::string joinPreName = "Merged";
std::string joinPosName;
bool joinUseDate = true;
bool joinOverwrite = false;

const std::string initialMailSubject = "Share with you";
std::string mailSubject = initialMailSubject;
std::string mailBody;
std::array<int32_t, 12> equalizerPositions{};

std::string recordOutputPath;
std::string recordPreName = "Recorded";
std::string recordPosName;
bool recordUseDate = true;
bool recordOverwrite = false;
Hotkey startHotkey1, startHotkey2, stopHotkey1, stopHotkey2;
int32_t autoStopVolumeLevel = 5;
int32_t autoStopVolumeTime = 3;
int32_t autoStopTimeMinute = 0;
int32_t autoStopTimeSecond = 30;
bool autoStopByVolume = false;
bool autoStopByTime = false;
bool autoStopNewRecord = false;
int32_t voxAttackLevel = -46;
int32_t voxReleaseTime = 300;
bool voxNewTrack = false;
bool voxEnabled = false;
std::vector<ScheduleEntry> scheduleEntries;

namespace {

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool isBlankOrControl(unsigned char c) {
    return c <= ' ';
}

std::string groupThousands(int64_t whole) {
    std::string text = zeroPad(whole % 1000, whole >= 1000 ? 3 : 1);
    for (whole /= 1000; whole > 0; whole /= 1000)
        text = zeroPad(whole % 1000, whole >= 1000 ? 3 : 1) + "," + text;
    return text;
}

// Value of "name" in a "name=value" list, the name compared without letter case.
std::optional<std::string> valueOf(const std::vector<std::string>& pairs, const std::string& name) {
    const std::string wanted = upper(name);
    for (const auto& pair : pairs) {
        const auto eq = pair.find('=');
        if (eq != std::string::npos && upper(pair.substr(0, eq)) == wanted)
            return pair.substr(eq + 1);
    }
    return std::nullopt;
}

} // namespace

std::string audioTypeOfFile(const std::string& fileName) {
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    const std::string ext = upper(fileName.substr(dot));
    for (const char* kind : {"WAV", "MP3", "WMA", "OGG", "FLAC", "OPUS", "M4A", "M4B", "AIFF"})
        if (ext == std::string(".") + kind)
            return kind;
    return ext == ".AIF" ? "AIFF" : "";
}

std::string formatFileSize(int64_t bytes) {
    std::string unit = " Bytes";
    int64_t tenths = bytes * 10;
    if (bytes > 1048576) {
        unit = " MB";
        tenths = bytes * 10 / 1048576;
    } else if (bytes > 1024) {
        unit = " KB";
        tenths = bytes * 10 / 1024;
    }
    const int64_t digit = tenths % 10;
    const std::string whole = padLeft(groupThousands(tenths / 10), 4, ' ');
    return digit != 0 ? whole + "." + std::to_string(digit) + unit : whole + unit;
}

std::string sizeSortKey(const std::string& sizeText) {
    if (sizeText.find("MB") != std::string::npos)
        return "c" + sizeText;
    if (sizeText.find("KB") != std::string::npos)
        return "b" + sizeText;
    if (sizeText.find("Bytes") != std::string::npos)
        return "a" + sizeText;
    return "";
}

std::string zeroPad(int64_t value, int width) {
    return padLeft(std::to_string(value), width, '0');
}

std::string padLeft(const std::string& text, int width, char fill) {
    if (static_cast<int>(text.size()) >= width)
        return text;
    return std::string(static_cast<size_t>(width) - text.size(), fill) + text;
}

std::string formatHms(int64_t ms) {
    const int64_t s = ms / 1000;
    return zeroPad(s / 3600, 2) + "h " + zeroPad(s / 60 % 60, 2) + "m " + zeroPad(s % 60, 2) + "s ";
}

std::string formatHmsColon(int64_t ms) {
    const int64_t s = ms / 1000;
    return zeroPad(s / 3600, 2) + " : " + zeroPad(s / 60 % 60, 2) + " : " + zeroPad(s % 60, 2);
}

std::string formatMinSecMs(int64_t ms) {
    const int64_t s = ms / 1000;
    return zeroPad(s / 60, 3) + " : " + zeroPad(s % 60, 2) + " : " + zeroPad(ms % 1000, 3);
}

std::string spaces(int count) {
    return std::string(static_cast<size_t>(std::clamp(count, 0, 255)), ' ');
}

std::string trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isBlankOrControl(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && isBlankOrControl(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::string indentText(const std::string& text, int count) {
    return spaces(count) + trim(text);
}

uint8_t trimmedCount(const std::string& text) {
    return static_cast<uint8_t>(text.size() - trim(text).size());
}

std::vector<std::string> mailArguments(const std::vector<std::string>& pairs) {
    std::vector<std::string> args;
    const auto subject = valueOf(pairs, "subject");
    if (subject && !subject->empty())
        args.insert(args.end(), {"--subject", *subject});
    const auto body = valueOf(pairs, "body");
    if (body && !body->empty())
        args.insert(args.end(), {"--body", *body});
    for (int i = 0;; ++i) {
        const auto attachment = valueOf(pairs, "attachment" + std::to_string(i));
        if (!attachment || attachment->empty())
            break;
        args.insert(args.end(), {"--attach", *attachment});
    }
    const auto to = valueOf(pairs, "to");
    if (to && !to->empty())
        args.push_back(*to);
    return args;
}

int sendMailWithAttachments(void* /*ownerWindow: the mail program always shows its compose window*/,
                            const std::vector<std::string>& pairs) {
    const auto status = Platform::runProgram("xdg-email", mailArguments(pairs));
    return status.has_value() ? *status : 1;
}

} // namespace AppSettings
