#pragma once

// Program-wide state shared by the windows, the workers and the options dialog,
// and the small text helpers several windows use. Written on the main thread only:
// at start-up and when the options dialog applies its values.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace GlobeVar {

// One recorder schedule entry; kept and saved, nothing acts on it.
struct TScheduleEntry {
    bool Use = true;
    uint8_t StartH = 0, StartM = 0, StartS = 0;
    uint8_t StopH = 0, StopM = 0, StopS = 0;
    uint16_t Day = 1;
    uint16_t Month = 1;
    uint16_t Year = 2004;
    uint16_t DayOfWeek = 1;

    bool operator==(const TScheduleEntry&) const = default;
};

// A recorder hot key as applied: the use flag, up to two modifier virtual-key
// codes (0 = none) and the key's virtual-key code, Windows numbering.
struct THotkey {
    bool Use = false;
    std::array<int, 2> Modifiers{0, 0};
    int Key = 0;

    bool operator==(const THotkey&) const = default;
};

// Folders and file names. Every folder value ends in "/".
extern std::string SettingsFileName;
extern std::string ScheduleFileName;
extern std::string ProgramFolder;
extern std::string SettingsFolder;
extern std::string DefaultConvertOutputPath;
extern std::string DefaultSplitOutputPath;
extern std::string DefaultJoinOutputPath;
extern std::string DefaultRecordOutputPath;

// Output formats, as last applied from the options dialog.
extern int32_t WavFreqHz;
extern int32_t WavChannelCount;
extern int32_t WavBitsPerSample;
extern int32_t Mp3FreqHz;
extern int32_t Mp3ChannelCount;
extern int32_t Mp3BitRateKbps;
extern int32_t Mp3MaxBitRateKbps;
extern int16_t Mp3EncoderQuality;
extern int16_t Mp3VbrQuality;
extern bool Mp3VbrEnabled;
extern bool Mp3VbrHeader;
extern int32_t OggFreqHz;
extern int32_t OggChannelCount;
extern int32_t OggQuality;
extern int32_t WmaProfile;

// Output placement and naming.
extern std::string ConvertOutputPath;
extern bool ConvertToSourceFolder;
extern bool ConvertOverwrite;
extern std::string SplitOutputPath;
extern bool SplitToSourceFolder;
extern bool SplitOverwrite;
extern std::string JoinOutputPath;
extern std::string JoinPreName;
extern std::string JoinPosName;
extern bool JoinUseDate;
extern bool JoinOverwrite;

// E-mail and equaliser.
extern const std::string InitialMailSubject; // "Share with you", also the settings' read default
extern std::string MailSubject;
extern std::string MailBody;
extern std::array<int32_t, 12> EqualizerPositions;

// Recorder settings: applied and kept, nothing in this program acts on them.
extern std::string RecordOutputPath;
extern std::string RecordPreName;
extern std::string RecordPosName;
extern bool RecordUseDate;
extern bool RecordOverwrite;
extern THotkey StartHotkey1, StartHotkey2, StopHotkey1, StopHotkey2;
extern int32_t AutoStopVolumeLevel;
extern int32_t AutoStopVolumeTime;
extern int32_t AutoStopTimeMinute;
extern int32_t AutoStopTimeSecond;
extern bool AutoStopByVolume;
extern bool AutoStopByTime;
extern bool AutoStopNewRecord;
extern int32_t VoxAttackLevel;
extern int32_t VoxReleaseTime;
extern bool VoxNewTrack;
extern bool VoxEnabled;
extern std::vector<TScheduleEntry> ScheduleEntries;

// "WAV", "MP3", "WMA" or "OGG" from the extension (any letter case); otherwise "".
std::string AudioTypeOfFile(const std::string& fileName);

// "   0 Bytes", " 120.5 KB", "   4.7 MB": integer part grouped by "," and padded to four.
std::string FormatFileSize(int64_t bytes);

// "c"/"b"/"a" + text for MB/KB/Bytes texts, so that sizes sort by unit first; "" otherwise.
std::string SizeSortKey(const std::string& sizeText);

std::string ZeroPad(int64_t value, int width);
std::string PadLeft(const std::string& text, int width, char fill);
std::string FormatHms(int64_t ms);      // "01h 02m 03s "
std::string FormatHmsColon(int64_t ms); // "01 : 02 : 03"
std::string FormatMinSecMs(int64_t ms); // "001 : 23 : 456"
std::string Spaces(int count);
std::string IndentText(const std::string& text, int count);
uint8_t TrimmedCount(const std::string& text);

// Blanks and control characters removed from both ends.
std::string Trim(const std::string& text);

// The e-mail hand-off. pairs holds "name=value" texts with the names "to", "subject",
// "body" and "attachment0", "attachment1", ... (names compared without letter case).
// Returns 0 on success, 1 when no mail program is available, otherwise its exit status.
int SendMailWithAttachments(void* ownerWindow, const std::vector<std::string>& pairs);

// The argument list handed to the mail program for the same pairs (without the program name).
std::vector<std::string> MailArguments(const std::vector<std::string>& pairs);

} // namespace GlobeVar
