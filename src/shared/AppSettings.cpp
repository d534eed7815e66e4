#include "AppSettings.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "RunProgram.h"

namespace GlobeVar {

std::string SettingsFileName = "ZSCJCfg.ini";
std::string ScheduleFileName = "Current.zsc";
std::string ProgramFolder;
std::string SettingsFolder;
std::string DefaultConvertOutputPath;
std::string DefaultSplitOutputPath;
std::string DefaultJoinOutputPath;
std::string DefaultRecordOutputPath;

int32_t WavFreqHz = 44100;
int32_t WavChannelCount = 2;
int32_t WavBitsPerSample = 16;
int32_t Mp3FreqHz = 44100;
int32_t Mp3ChannelCount = 2;
int32_t Mp3BitRateKbps = 112;
int32_t Mp3MaxBitRateKbps = 112;
int16_t Mp3EncoderQuality = 0;
int16_t Mp3VbrQuality = 0;
bool Mp3VbrEnabled = false;
bool Mp3VbrHeader = false;
int32_t OggFreqHz = 44100;
int32_t OggChannelCount = 2;
int32_t OggQuality = 699;
int32_t WmaProfile = 15;

std::string ConvertOutputPath;
bool ConvertToSourceFolder = false;
bool ConvertOverwrite = false;
std::string SplitOutputPath;
bool SplitToSourceFolder = false;
bool SplitOverwrite = false;
std::string JoinOutputPath;
std::string JoinPreName = "Merged";
std::string JoinPosName;
bool JoinUseDate = true;
bool JoinOverwrite = false;

const std::string InitialMailSubject = "Share with you";
std::string MailSubject = InitialMailSubject;
std::string MailBody;
std::array<int32_t, 12> EqualizerPositions{};

std::string RecordOutputPath;
std::string RecordPreName = "Recorded";
std::string RecordPosName;
bool RecordUseDate = true;
bool RecordOverwrite = false;
THotkey StartHotkey1, StartHotkey2, StopHotkey1, StopHotkey2;
int32_t AutoStopVolumeLevel = 5;
int32_t AutoStopVolumeTime = 3;
int32_t AutoStopTimeMinute = 0;
int32_t AutoStopTimeSecond = 30;
bool AutoStopByVolume = false;
bool AutoStopByTime = false;
bool AutoStopNewRecord = false;
int32_t VoxAttackLevel = -46;
int32_t VoxReleaseTime = 300;
bool VoxNewTrack = false;
bool VoxEnabled = false;
std::vector<TScheduleEntry> ScheduleEntries;

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool IsBlankOrControl(unsigned char c) {
    return c <= ' ';
}

std::string GroupThousands(int64_t whole) {
    std::string text = ZeroPad(whole % 1000, whole >= 1000 ? 3 : 1);
    for (whole /= 1000; whole > 0; whole /= 1000)
        text = ZeroPad(whole % 1000, whole >= 1000 ? 3 : 1) + "," + text;
    return text;
}

// Value of "name" in a "name=value" list, the name compared without letter case.
std::optional<std::string> ValueOf(const std::vector<std::string>& pairs, const std::string& name) {
    const std::string wanted = Upper(name);
    for (const auto& pair : pairs) {
        const auto eq = pair.find('=');
        if (eq != std::string::npos && Upper(pair.substr(0, eq)) == wanted)
            return pair.substr(eq + 1);
    }
    return std::nullopt;
}

} // namespace

std::string AudioTypeOfFile(const std::string& fileName) {
    const auto slash = fileName.find_last_of("/\\");
    const auto dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    const std::string ext = Upper(fileName.substr(dot));
    for (const char* kind : {"WAV", "MP3", "WMA", "OGG"})
        if (ext == std::string(".") + kind)
            return kind;
    return "";
}

std::string FormatFileSize(int64_t bytes) {
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
    const std::string whole = PadLeft(GroupThousands(tenths / 10), 4, ' ');
    return digit != 0 ? whole + "." + std::to_string(digit) + unit : whole + unit;
}

std::string SizeSortKey(const std::string& sizeText) {
    if (sizeText.find("MB") != std::string::npos)
        return "c" + sizeText;
    if (sizeText.find("KB") != std::string::npos)
        return "b" + sizeText;
    if (sizeText.find("Bytes") != std::string::npos)
        return "a" + sizeText;
    return "";
}

std::string ZeroPad(int64_t value, int width) {
    return PadLeft(std::to_string(value), width, '0');
}

std::string PadLeft(const std::string& text, int width, char fill) {
    if (static_cast<int>(text.size()) >= width)
        return text;
    return std::string(static_cast<size_t>(width) - text.size(), fill) + text;
}

std::string FormatHms(int64_t ms) {
    const int64_t s = ms / 1000;
    return ZeroPad(s / 3600, 2) + "h " + ZeroPad(s / 60 % 60, 2) + "m " + ZeroPad(s % 60, 2) + "s ";
}

std::string FormatHmsColon(int64_t ms) {
    const int64_t s = ms / 1000;
    return ZeroPad(s / 3600, 2) + " : " + ZeroPad(s / 60 % 60, 2) + " : " + ZeroPad(s % 60, 2);
}

std::string FormatMinSecMs(int64_t ms) {
    const int64_t s = ms / 1000;
    return ZeroPad(s / 60, 3) + " : " + ZeroPad(s % 60, 2) + " : " + ZeroPad(ms % 1000, 3);
}

std::string Spaces(int count) {
    return std::string(static_cast<size_t>(std::clamp(count, 0, 255)), ' ');
}

std::string Trim(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlankOrControl(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && IsBlankOrControl(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

std::string IndentText(const std::string& text, int count) {
    return Spaces(count) + Trim(text);
}

uint8_t TrimmedCount(const std::string& text) {
    return static_cast<uint8_t>(text.size() - Trim(text).size());
}

std::vector<std::string> MailArguments(const std::vector<std::string>& pairs) {
    std::vector<std::string> args;
    const auto subject = ValueOf(pairs, "subject");
    if (subject && !subject->empty())
        args.insert(args.end(), {"--subject", *subject});
    const auto body = ValueOf(pairs, "body");
    if (body && !body->empty())
        args.insert(args.end(), {"--body", *body});
    for (int i = 0;; ++i) {
        const auto attachment = ValueOf(pairs, "attachment" + std::to_string(i));
        if (!attachment || attachment->empty())
            break;
        args.insert(args.end(), {"--attach", *attachment});
    }
    const auto to = ValueOf(pairs, "to");
    if (to && !to->empty())
        args.push_back(*to);
    return args;
}

int SendMailWithAttachments(void* /*ownerWindow: the mail program always shows its compose window*/,
                            const std::vector<std::string>& pairs) {
    const auto status = Platform::RunProgram("xdg-email", MailArguments(pairs));
    return status.has_value() ? *status : 1;
}

} // namespace GlobeVar
