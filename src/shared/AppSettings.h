#pragma once

// Program-wide state shared by the windows, the workers and the options dialog,
// and the small text helpers several windows use. Written on the main thread only:
// at start-up and when the options dialog applies its values.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace AppSettings {

// One recorder schedule entry; kept and saved, nothing acts on it.
struct ScheduleEntry {
    bool use = true;
    uint8_t startH = 0, startM = 0, startS = 0;
    uint8_t stopH = 0, stopM = 0, stopS = 0;
    uint16_t day = 1;
    uint16_t month = 1;
    uint16_t year = 2004;
    uint16_t dayOfWeek = 1;

    bool operator==(const ScheduleEntry&) const = default;
};

// A recorder hot key as applied: the use flag, up to two modifier virtual-key
// codes (0 = none) and the key's virtual-key code, Windows numbering.
struct Hotkey {
    bool use = false;
    std::array<int, 2> modifiers{0, 0};
    int key = 0;

    bool operator==(const Hotkey&) const = default;
};

// Folders and file names. Every folder value ends in "/".
extern std::string settingsFileName;
extern std::string scheduleFileName;
extern std::string programFolder;
extern std::string settingsFolder;
extern std::string defaultConvertOutputPath;
extern std::string defaultSplitOutputPath;
extern std::string defaultJoinOutputPath;
extern std::string defaultRecordOutputPath;

// Output formats, as last applied from the options dialog.
extern int32_t wavFreqHz;
extern int32_t wavChannelCount;
extern int32_t wavBitsPerSample;
extern int32_t mp3FreqHz;
extern int32_t mp3ChannelCount;
extern int32_t mp3BitRateKbps;
extern int32_t mp3MaxBitRateKbps;
extern int16_t mp3EncoderQuality;
extern int16_t mp3VbrQuality;
extern bool mp3VbrEnabled;
extern bool mp3VbrHeader;
extern int32_t oggFreqHz;
extern int32_t oggChannelCount;
extern int32_t oggQuality;
extern int32_t wmaProfile;
extern int32_t flacFreqHz;
extern int32_t flacChannelCount;
extern int32_t flacBitsPerSample;
extern int32_t flacLevel;
extern int32_t opusChannelCount; // Opus is always 48000 Hz
extern int32_t opusBitRateKbps;
extern int32_t m4aFreqHz;
extern int32_t m4aChannelCount;
extern int32_t m4aBitRateKbps;

// Output placement and naming.
extern std::string convertOutputPath;
extern bool convertToSourceFolder;
extern bool convertOverwrite;
extern std::string splitOutputPath;
extern bool splitToSourceFolder;
extern bool splitOverwrite;
extern bool splitKeepsEncoding; // sections copied without re-encoding where the source allows it
extern bool joinKeepsEncoding;  // files joined by copying their frames where they allow it
extern std::string joinOutputPath;
extern std::string joinPreName;
extern std::string joinPosName;
extern bool joinUseDate;
extern bool joinOverwrite;

// Loudness: the jobs that bring their output to the target (LUFS) within the peak ceiling
// (dBTP); a join's inputs each to it, or keeping their levels to each other.
extern bool convertNormalizes;
extern bool splitNormalizes;
extern bool joinNormalizes;
extern double targetLoudnessLufs;
extern double peakCeilingDbtp;
extern bool joinKeepsLevels;
// The ReplayGain the player plays files with.
enum class PlaybackGain { Off, Track, Album };
extern PlaybackGain playbackGain;
// The templates new files are named by (fields as in the jobs' naming); the defaults give
// the names "song-Splitted0", "Merged 2024-03-05 14-07-09" and "song".
inline constexpr const char* defaultSplitNameTemplate = "{stem}-Splitted{index}";
inline constexpr const char* defaultJoinNameTemplate = "{merged}";
inline constexpr const char* defaultConvertNameTemplate = "{stem}";
extern std::string splitNameTemplate;
extern std::string joinNameTemplate;
extern std::string convertNameTemplate;
// A cut also writes an M3U playlist of the files it wrote.
extern bool writePlaylists;

// E-mail and equaliser.
extern const std::string initialMailSubject; // "Share with you", also the settings' read default
extern std::string mailSubject;
extern std::string mailBody;
extern std::array<int32_t, 12> equalizerPositions;

// The folder the main window listed last ("" before any), kept for the next start.
extern std::string lastFolder;
// The files opened last in the cutter and added last to the joiner, newest first.
constexpr int RecentFileCount = 10;
extern std::vector<std::string> recentCutFiles;
extern std::vector<std::string> recentJoinFiles;
// The windows' sizes and places (Qt's saved geometry in base64), "" before they were shown.
extern std::string playerGeometry, cutterGeometry, joinerGeometry, optionsGeometry;
// Puts path first in a recent list (once) and keeps the list to RecentFileCount.
void rememberRecentFile(std::vector<std::string>& list, const std::string& path);

// Recorder settings: applied and kept, nothing in this program acts on them.
extern std::string recordOutputPath;
extern std::string recordPreName;
extern std::string recordPosName;
extern bool recordUseDate;
extern bool recordOverwrite;
extern Hotkey startHotkey1, startHotkey2, stopHotkey1, stopHotkey2;
extern int32_t autoStopVolumeLevel;
extern int32_t autoStopVolumeTime;
extern int32_t autoStopTimeMinute;
extern int32_t autoStopTimeSecond;
extern bool autoStopByVolume;
extern bool autoStopByTime;
extern bool autoStopNewRecord;
extern int32_t voxAttackLevel;
extern int32_t voxReleaseTime;
extern bool voxNewTrack;
extern bool voxEnabled;
extern std::vector<ScheduleEntry> scheduleEntries;

// "WAV", "MP3", "WMA", "OGG", "FLAC", "OPUS", "M4A", "M4B" (an audiobook's M4A) or "AIFF" (also .aif) from the
// extension (any letter case); otherwise "". The engine reads all of them.
std::string audioTypeOfFile(const std::string& fileName);

// "   0 Bytes", " 120.5 KB", "   4.7 MB": integer part grouped by "," and padded to four.
std::string formatFileSize(int64_t bytes);

// "c"/"b"/"a" + text for MB/KB/Bytes texts, so that sizes sort by unit first; "" otherwise.
std::string sizeSortKey(const std::string& sizeText);

std::string zeroPad(int64_t value, int width);
std::string padLeft(const std::string& text, int width, char fill);
std::string formatHms(int64_t ms);      // "01h 02m 03s "
std::string formatHmsColon(int64_t ms); // "01 : 02 : 03"
std::string formatMinSecMs(int64_t ms); // "001 : 23 : 456"
std::string spaces(int count);
std::string indentText(const std::string& text, int count);
uint8_t trimmedCount(const std::string& text);

// Blanks and control characters removed from both ends.
std::string trim(const std::string& text);

// The e-mail hand-off. pairs holds "name=value" texts with the names "to", "subject",
// "body" and "attachment0", "attachment1", ... (names compared without letter case).
// Returns 0 on success, 1 when no mail program is available, otherwise its exit status.
int sendMailWithAttachments(void* ownerWindow, const std::vector<std::string>& pairs);

// The argument list handed to the mail program for the same pairs (without the program name).
std::vector<std::string> mailArguments(const std::vector<std::string>& pairs);

} // namespace AppSettings
