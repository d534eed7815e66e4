#include "SettingsStore.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <variant>

#include <unistd.h>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the one place the library's template bodies are compiled
#include <SimpleIni.h>

#include "OptionLists.h"

namespace fs = std::filesystem;
using AppSettings::ScheduleEntry;

SettingsWriteError::SettingsWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}

SettingsReadError::SettingsReadError(const std::string& path, const std::string& cause)
    : std::runtime_error("Unable to read " + path + ": " + cause) {}

namespace {

// A key holding a list position: a position outside the list gives the read default.
struct ListKey {
    const char* key;
    int OptionValues::*field;
    int listSize;
};
// A key holding an up-down value: clamped to the control's range, as the control does.
struct RangeKey {
    const char* key;
    int OptionValues::*field;
    int minValue, maxValue;
};
struct BoolKey {
    const char* key;
    bool OptionValues::*field;
};
struct TextKey {
    const char* key;
    std::string OptionValues::*field;
};
// Numbered keys ("Name1", "Name2", ...) holding a list of texts; the first missing or
// empty key ends it.
struct TextListKey {
    const char* key;
    std::vector<std::string> OptionValues::*field;
    int maxCount;
};
using Binding = std::variant<ListKey, RangeKey, BoolKey, TextKey, TextListKey>;

struct Section {
    const char* name;
    std::vector<Binding> keys;
};

int size(const std::vector<std::string>& list) {
    return static_cast<int>(list.size());
}

const Section& outputFormatSection() {
    using namespace OptionLists;
    using V = OptionValues;
    static const Section section{"OutputFormat",
                                 {ListKey{"WavFreq", &V::wavRateIndex, size(wavFrequencies())},
                                  ListKey{"WavChannels", &V::wavChannelsIndex, size(channels())},
                                  ListKey{"WavSampleRate", &V::wavSampleSizeIndex, size(wavSampleSizes())},
                                  ListKey{"MP3Freq", &V::mp3RateIndex, size(mp3OggFrequencies())},
                                  ListKey{"MP3Channels", &V::mp3ChannelsIndex, size(channels())},
                                  ListKey{"MP3EncoderQuality", &V::mp3EncoderQualityIndex, size(mp3Qualities())},
                                  ListKey{"MP3BitRate", &V::mp3BitRateIndex, size(mp3BitRates())},
                                  ListKey{"MP3MaxBitRate", &V::mp3MaxBitRateIndex, size(mp3BitRates())},
                                  ListKey{"MP3VBRQuality", &V::mp3VbrQualityIndex, size(mp3Qualities())},
                                  BoolKey{"MP3VBRHeader", &V::mp3VbrHeader},
                                  BoolKey{"MP3VBREnable", &V::mp3VbrEnabled},
                                  ListKey{"OggFreq", &V::oggRateIndex, size(mp3OggFrequencies())},
                                  ListKey{"OggChannels", &V::oggChannelsIndex, size(channels())},
                                  ListKey{"OggBitRate", &V::oggQualityIndex, size(oggQualities())},
                                  ListKey{"WmaFormat", &V::wmaProfileIndex, size(wmaFormats())},
                                  ListKey{"FlacFreq", &V::flacRateIndex, size(wavFrequencies())},
                                  ListKey{"FlacChannels", &V::flacChannelsIndex, size(channels())},
                                  ListKey{"FlacSampleSize", &V::flacSampleSizeIndex, size(flacSampleSizes())},
                                  ListKey{"FlacLevel", &V::flacLevelIndex, size(flacLevels())},
                                  ListKey{"OpusChannels", &V::opusChannelsIndex, size(channels())},
                                  ListKey{"OpusBitRate", &V::opusBitRateIndex, size(opusBitRates())},
                                  ListKey{"M4aFreq", &V::m4aRateIndex, size(wavFrequencies())},
                                  ListKey{"M4aChannels", &V::m4aChannelsIndex, size(channels())},
                                  ListKey{"M4aBitRate", &V::m4aBitRateIndex, size(m4aBitRates())}}};
    return section;
}

const Section& hotkeySection() {
    using namespace OptionLists;
    using V = OptionValues;
    const int modifiers = size(hotkeyModifiers());
    const int keys = size(hotkeyKeys());
    static const Section section{"Hotkey",
                                 {ListKey{"StartPreHotKey1", &V::startKey1ModifierIndex, modifiers},
                                  ListKey{"StartHotKey1", &V::startKey1Index, keys},
                                  ListKey{"StartPreHotKey2", &V::startKey2ModifierIndex, modifiers},
                                  ListKey{"StartHotKey2", &V::startKey2Index, keys},
                                  ListKey{"StopPreHotKey1", &V::stopKey1ModifierIndex, modifiers},
                                  ListKey{"StopHotKey1", &V::stopKey1Index, keys},
                                  ListKey{"StopPreHotKey2", &V::stopKey2ModifierIndex, modifiers},
                                  ListKey{"StopHotKey2", &V::stopKey2Index, keys},
                                  BoolKey{"StartUse1", &V::startKey1Used}, BoolKey{"StartUse2", &V::startKey2Used},
                                  BoolKey{"StopUse1", &V::stopKey1Used}, BoolKey{"StopUse2", &V::stopKey2Used}}};
    return section;
}

const Section& autoStopSection() {
    using V = OptionValues;
    static const Section section{
        "AutoStop",
        {RangeKey{"VolumeLevel", &V::autoStopVolumeLevel, 1, 99}, RangeKey{"VolumeTime", &V::autoStopVolumeTime, 0, 99},
         RangeKey{"TimeMinute", &V::autoStopMinute, 0, 1440}, RangeKey{"TimeSecond", &V::autoStopSecond, 0, 59},
         BoolKey{"VolumeStop", &V::autoStopByVolume}, BoolKey{"TimeStop", &V::autoStopByTime},
         BoolKey{"TimeNewRecord", &V::autoStopStartsNewRecord}}};
    return section;
}

const Section& voxSection() {
    using V = OptionValues;
    static const Section section{"VOX",
                                 {RangeKey{"AttackLevel", &V::voxAttackLevel, -92, 0},
                                  RangeKey{"ReleaseTime", &V::voxReleaseTime, 50, 9999},
                                  BoolKey{"NewTrack", &V::voxNewTrack}, BoolKey{"VOXEnabled", &V::voxEnabled}}};
    return section;
}

const Section& outputPathSection() {
    using V = OptionValues;
    static const Section section{
        "OutputPath",
        {TextKey{"ConvertOutputPath", &V::convertFolder}, BoolKey{"ConvertSaveToAppointed", &V::convertToChosenFolder},
         BoolKey{"ConvertAddNew", &V::convertAddsNew}, TextKey{"SplitOutputPath", &V::cutFolder},
         BoolKey{"SplitSaveToAppointed", &V::cutToChosenFolder}, BoolKey{"SplitAddNew", &V::cutAddsNew},
         BoolKey{"SplitKeepEncoding", &V::cutKeepsEncoding}, TextKey{"JoinOutputPath", &V::joinFolder},
         TextKey{"JoinPreName", &V::joinPrefix}, TextKey{"JoinPosName", &V::joinSuffix},
         BoolKey{"JoinUseDate", &V::joinUsesDate}, BoolKey{"JoinAddNew", &V::joinAddsNew},
         BoolKey{"JoinKeepEncoding", &V::joinKeepsEncoding}, TextKey{"OutputPath", &V::recordFolder},
         TextKey{"PreName", &V::recordPrefix}, TextKey{"PosName", &V::recordSuffix},
         BoolKey{"UseDate", &V::recordUsesDate}, BoolKey{"AddNew", &V::recordAddsNew}}};
    return section;
}

const Section& mailSection() {
    static const Section section{"Mail", {TextKey{"Subject", &OptionValues::mailSubject}}};
    return section;
}

constexpr const char* bodyKey = "Body";

// What the program keeps of its windows between runs.
const Section& desktopSection() {
    using V = OptionValues;
    static const Section section{"Desktop",
                                 {TextKey{"LastFolder", &V::lastFolder},
                                  TextListKey{"RecentCut", &V::recentCutFiles, AppSettings::RecentFileCount},
                                  TextListKey{"RecentJoin", &V::recentJoinFiles, AppSettings::RecentFileCount}}};
    return section;
}

// The windows' sizes and places, in a section of their own: files written before it read
// as windows at their default sizes.
const Section& windowsSection() {
    using V = OptionValues;
    static const Section section{"Windows",
                                 {TextKey{"Player", &V::playerGeometry}, TextKey{"Cutter", &V::cutterGeometry},
                                  TextKey{"Joiner", &V::joinerGeometry}, TextKey{"Options", &V::optionsGeometry}}};
    return section;
}

// The jobs' loudness and the player's gain, added after the other sections.
const Section& loudnessSection() {
    using V = OptionValues;
    static const Section section{
        "Loudness",
        {BoolKey{"NormalizeConvert", &V::convertNormalizes}, BoolKey{"NormalizeSplit", &V::cutNormalizes},
         BoolKey{"NormalizeJoin", &V::joinNormalizes}, RangeKey{"TargetLoudness", &V::targetLoudness, -40, -5},
         RangeKey{"PeakCeiling", &V::peakCeiling, -9, 0}, BoolKey{"JoinKeepLevels", &V::joinKeepsLevels},
         ListKey{"PlaybackGain", &V::playbackGainIndex, 3}}};
    return section;
}

// The templates of new files' names and the cut's playlist, added after the other sections.
const Section& namesSection() {
    using V = OptionValues;
    static const Section section{"Names",
                                 {TextKey{"SplitName", &V::cutNameTemplate}, TextKey{"JoinName", &V::joinNameTemplate},
                                  TextKey{"ConvertName", &V::convertNameTemplate},
                                  BoolKey{"WritePlaylist", &V::writesPlaylists}}};
    return section;
}

// The values a file without any keys gives.
OptionValues readDefaults() {
    OptionValues values;
    values.convertFolder = AppSettings::defaultConvertOutputPath;
    values.cutFolder = AppSettings::defaultSplitOutputPath;
    values.joinFolder = AppSettings::defaultJoinOutputPath;
    values.recordFolder = AppSettings::defaultRecordOutputPath;
    values.mailSubject = AppSettings::initialMailSubject;
    return values;
}

constexpr uintmax_t MaxSettingsBytes = 1 << 20;

// The text of a settings file; "" when it was read, otherwise what is wrong with it.
// A missing file reads as empty.
std::string readSettingsText(const std::string& path, std::string& text) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (!fs::exists(status))
        return {};
    if (!fs::is_regular_file(status))
        return "it is not a file";
    if (fs::file_size(path, ec) > MaxSettingsBytes)
        return "it is larger than 1 MB, which no settings file is";
    std::ifstream in(path, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in.is_open() || in.bad())
        return std::string("it cannot be read (") + std::strerror(errno) + ")";
    if (text.find('\0') != std::string::npos)
        return "it holds binary data, not settings";
    return {};
}

// The file a save replaces: the target of a symbolic link, so the link stays.
fs::path writeTarget(const std::string& path) {
    std::error_code ec;
    fs::path target = path;
    for (int hops = 0; hops < 40 && fs::is_symlink(target, ec); ++hops) {
        const fs::path next = fs::read_symlink(target, ec);
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

fs::path temporaryPathFor(const fs::path& target) {
    return target.parent_path() / ("." + target.filename().string() + "." + std::to_string(::getpid()) + ".tmp");
}

class IniFile {
public:
    IniFile() {
        ini_.SetUnicode(true);
        ini_.SetSpaces(false);
    }

    // Keeps what can be read: a file that is missing, too large or cannot be parsed
    // leaves the store empty. Used before a save, to keep keys of other programs.
    void load(const std::string& path) {
        std::string text;
        if (readSettingsText(path, text).empty())
            ini_.LoadData(text.data(), text.size());
    }

    // Raises SettingsReadError when the file exists but cannot be taken as settings.
    void loadStrictly(const std::string& path) {
        std::string text;
        if (const std::string problem = readSettingsText(path, text); !problem.empty())
            throw SettingsReadError(path, problem);
        if (ini_.LoadData(text.data(), text.size()) < 0)
            throw SettingsReadError(path, "it cannot be parsed as settings");
    }

    long number(const char* section, const std::string& key, long fallback) const {
        return ini_.GetLongValue(section, key.c_str(), fallback);
    }
    std::string text(const char* section, const char* key, const std::string& fallback) const {
        return ini_.GetValue(section, key, fallback.c_str());
    }
    void setNumber(const char* section, const std::string& key, long value) {
        ini_.SetLongValue(section, key.c_str(), value);
    }
    void setText(const char* section, const char* key, const std::string& value) {
        ini_.SetValue(section, key, value.c_str());
    }
    void eraseSection(const char* section) { ini_.Delete(section, nullptr); }
    void eraseKey(const char* section, const char* key) { ini_.Delete(section, key); }
    void addSection(const char* section) { ini_.SetValue(section, nullptr, nullptr); }

    // Written to a hidden temporary file beside the target and renamed over it, so that
    // a failed write (full disk, no permission) leaves the old file as it was. A link is
    // written through, and a file the user made read-only is never replaced.
    void saveAtomically(const std::string& path) const {
        const fs::path target = writeTarget(path);
        std::error_code ec;
        const fs::file_status old = fs::status(target, ec);
        if (fs::exists(old) && (old.permissions() & fs::perms::owner_write) == fs::perms::none)
            throw SettingsWriteError(path);
        std::string text;
        ini_.Save(text, false);
        const fs::path temporary = temporaryPathFor(target);
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            if (!out) {
                fs::remove(temporary, ec);
                throw SettingsWriteError(path);
            }
        }
        if (fs::exists(old))
            fs::permissions(temporary, old.permissions(), ec);
        fs::rename(temporary, target, ec);
        if (ec) {
            fs::remove(temporary, ec);
            throw SettingsWriteError(path);
        }
    }

private:
    CSimpleIniA ini_; // names compared without letter case
};

int clampToInt(long value) {
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

void readSection(const IniFile& ini, const Section& section, OptionValues& values) {
    for (const auto& binding : section.keys) {
        std::visit(
            [&](const auto& b) {
                using B = std::decay_t<decltype(b)>;
                auto& field = values.*(b.field);
                if constexpr (std::is_same_v<B, ListKey>) {
                    const long position = ini.number(section.name, b.key, field);
                    if (position >= 0 && position < b.listSize)
                        field = static_cast<int>(position);
                } else if constexpr (std::is_same_v<B, RangeKey>) {
                    field = std::clamp(clampToInt(ini.number(section.name, b.key, field)), b.minValue, b.maxValue);
                } else if constexpr (std::is_same_v<B, BoolKey>) {
                    field = ini.number(section.name, b.key, field ? 1 : 0) != 0;
                } else if constexpr (std::is_same_v<B, TextListKey>) {
                    field.clear();
                    for (int n = 1; n <= b.maxCount; ++n) {
                        std::string text = ini.text(section.name, (b.key + std::to_string(n)).c_str(), "");
                        if (text.empty())
                            break;
                        field.push_back(std::move(text));
                    }
                } else {
                    field = ini.text(section.name, b.key, field);
                }
            },
            binding);
    }
}

void writeSection(IniFile& ini, const Section& section, const OptionValues& values) {
    ini.addSection(section.name);
    for (const auto& binding : section.keys) {
        std::visit(
            [&](const auto& b) {
                using B = std::decay_t<decltype(b)>;
                const auto& field = values.*(b.field);
                if constexpr (std::is_same_v<B, TextKey>) {
                    ini.setText(section.name, b.key, field);
                } else if constexpr (std::is_same_v<B, TextListKey>) {
                    for (int n = 1; n <= b.maxCount; ++n) {
                        const std::string key = b.key + std::to_string(n);
                        const size_t at = static_cast<size_t>(n - 1);
                        if (at < field.size())
                            ini.setText(section.name, key.c_str(), field[at]);
                        else
                            ini.eraseKey(section.name, key.c_str());
                    }
                } else if constexpr (std::is_same_v<B, BoolKey>) {
                    ini.setNumber(section.name, b.key, field ? 1 : 0);
                } else {
                    ini.setNumber(section.name, b.key, field);
                }
            },
            binding);
    }
}

constexpr const char* scheduleSection = "Schedule";

// The numeric fields of a schedule entry, in file order after "Use".
struct ScheduleField {
    const char* key;
    long (*get)(const ScheduleEntry&);
    void (*set)(ScheduleEntry&, long);
};

template <auto member>
ScheduleField field(const char* key) {
    return {key, [](const ScheduleEntry& e) { return static_cast<long>(e.*member); },
            [](ScheduleEntry& e, long v) { e.*member = static_cast<std::remove_reference_t<decltype(e.*member)>>(v); }};
}

const std::vector<ScheduleField>& scheduleFields() {
    using E = ScheduleEntry;
    static const std::vector<ScheduleField> fields{field<&E::startH>("StartH"), field<&E::startM>("StartM"),
                                                   field<&E::startS>("StartS"), field<&E::stopH>("StopH"),
                                                   field<&E::stopM>("StopM"),   field<&E::stopS>("StopS"),
                                                   field<&E::day>("Day"),       field<&E::month>("Month"),
                                                   field<&E::year>("Year"),     field<&E::dayOfWeek>("DayOfWeek")};
    return fields;
}

std::string withTrailingSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

// The folder step of the Default button: create a missing folder (one level), or fall
// back to the default folder and try once to create that.
void ensureFolder(std::string& folder, const std::string& defaultFolder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return;
    if (fs::create_directory(folder, ec) && !ec)
        return;
    folder = defaultFolder;
    fs::create_directory(folder, ec);
}

int numberBeforeSuffix(const std::string& entry, size_t suffixLength) {
    if (entry.size() <= suffixLength)
        return 0;
    return std::atoi(entry.substr(0, entry.size() - suffixLength).c_str());
}

const std::string& entry(const std::vector<std::string>& list, int position) {
    static const std::string none;
    return position >= 0 && position < size(list) ? list[static_cast<size_t>(position)] : none;
}

AppSettings::Hotkey applyHotkey(bool use, int modifier, int key) {
    AppSettings::Hotkey hotkey;
    hotkey.use = use;
    const auto codes = OptionLists::modifierKeyCodes(modifier);
    for (size_t i = 0; i < codes.size() && i < hotkey.modifiers.size(); ++i)
        hotkey.modifiers[i] = codes[i];
    hotkey.key = OptionLists::keyCode(key);
    return hotkey;
}

std::string joinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

} // namespace

std::string settingsFilePath() {
    return AppSettings::settingsFolder + AppSettings::settingsFileName;
}
std::string scheduleFilePath() {
    return AppSettings::settingsFolder + AppSettings::scheduleFileName;
}

std::string encodeBody(const std::vector<std::string>& lines) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (const auto& line : lines) {
        for (unsigned char c : line + "\r\n") {
            hex += digits[c >> 4];
            hex += digits[c & 15];
        }
    }
    return hex;
}

std::vector<std::string> decodeBody(const std::string& hex) {
    auto nibble = [](char c) {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string text;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = nibble(hex[i]), low = nibble(hex[i + 1]);
        if (high < 0 || low < 0)
            break;
        text += static_cast<char>(high * 16 + low);
    }
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

bool readScheduleFile(const std::string& path, std::vector<ScheduleEntry>& entries) {
    IniFile ini;
    ini.load(path);
    const long count = ini.number(scheduleSection, "Number", 0);
    if (count <= 0)
        return false;
    entries.assign(static_cast<size_t>(std::min<long>(count, 100000)), ScheduleEntry{});
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string n = std::to_string(i);
        entries[i].use = ini.number(scheduleSection, "Use" + n, 1) != 0;
        for (const auto& field : scheduleFields())
            field.set(entries[i], ini.number(scheduleSection, field.key + n, field.get(entries[i])));
    }
    return true;
}

void writeScheduleFile(const std::string& path, const std::vector<ScheduleEntry>& entries) {
    IniFile ini;
    ini.load(path);
    ini.eraseSection(scheduleSection);
    ini.setNumber(scheduleSection, "Number", static_cast<long>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string n = std::to_string(i);
        ini.setNumber(scheduleSection, "Use" + n, entries[i].use ? 1 : 0);
        for (const auto& field : scheduleFields())
            ini.setNumber(scheduleSection, field.key + n, field.get(entries[i]));
    }
    ini.saveAtomically(path);
}

void loadSettings(OptionValues& values, const std::string& settingsPath, const std::string& schedulePath) {
    IniFile ini;
    ini.loadStrictly(settingsPath);
    values = readDefaults();
    readSection(ini, outputFormatSection(), values);
    readSection(ini, hotkeySection(), values);
    readScheduleFile(schedulePath, values.schedule);
    readSection(ini, autoStopSection(), values);
    readSection(ini, voxSection(), values);
    readSection(ini, outputPathSection(), values);
    readSection(ini, mailSection(), values);
    values.mailBodyLines = decodeBody(ini.text(mailSection().name, bodyKey, ""));
    readSection(ini, desktopSection(), values);
    readSection(ini, windowsSection(), values);
    readSection(ini, loudnessSection(), values);
    readSection(ini, namesSection(), values);
}

void saveSettings(const OptionValues& values, const std::string& settingsPath, const std::string& schedulePath) {
    IniFile ini;
    ini.load(settingsPath);
    writeSection(ini, outputFormatSection(), values);
    writeSection(ini, hotkeySection(), values);
    writeScheduleFile(schedulePath, values.schedule);
    writeSection(ini, autoStopSection(), values);
    writeSection(ini, voxSection(), values);
    writeSection(ini, outputPathSection(), values);
    writeSection(ini, mailSection(), values);
    ini.setText(mailSection().name, bodyKey, encodeBody(values.mailBodyLines));
    writeSection(ini, desktopSection(), values);
    writeSection(ini, windowsSection(), values);
    writeSection(ini, loudnessSection(), values);
    writeSection(ini, namesSection(), values);
    ini.saveAtomically(settingsPath);
}

void resetSettings(OptionValues& values) {
    auto schedule = std::move(values.schedule);
    values = readDefaults();
    values.schedule = std::move(schedule);
    values.wmaProfileIndex = 14;
    values.mailSubject = "Share";
    values.mailBodyLines = {"Hi,"};
    ensureFolder(values.recordFolder, AppSettings::defaultRecordOutputPath);
    ensureFolder(values.cutFolder, AppSettings::defaultSplitOutputPath);
    ensureFolder(values.joinFolder, AppSettings::defaultJoinOutputPath);
    ensureFolder(values.convertFolder, AppSettings::defaultConvertOutputPath);
}

void applySettings(const OptionValues& v) {
    using namespace AppSettings;
    using namespace OptionLists;
    auto hz = [](const std::vector<std::string>& list, int position) {
        return numberBeforeSuffix(entry(list, position), 3);
    };
    auto channelCount = [](int position) { return entry(channels(), position) == "Stereo" ? 2 : 1; };
    auto firstDigit = [](int position) {
        return static_cast<int16_t>(std::atoi(entry(mp3Qualities(), position).substr(0, 1).c_str()));
    };

    wavFreqHz = hz(wavFrequencies(), v.wavRateIndex);
    wavChannelCount = channelCount(v.wavChannelsIndex);
    wavBitsPerSample = numberBeforeSuffix(entry(wavSampleSizes(), v.wavSampleSizeIndex), 4);
    mp3FreqHz = hz(mp3OggFrequencies(), v.mp3RateIndex);
    mp3ChannelCount = channelCount(v.mp3ChannelsIndex);
    mp3EncoderQuality = firstDigit(v.mp3EncoderQualityIndex);
    mp3BitRateKbps = numberBeforeSuffix(entry(mp3BitRates(), v.mp3BitRateIndex), 5);
    mp3MaxBitRateKbps = numberBeforeSuffix(entry(mp3BitRates(), v.mp3MaxBitRateIndex), 5);
    mp3VbrQuality = firstDigit(v.mp3VbrQualityIndex);
    mp3VbrHeader = v.mp3VbrHeader;
    mp3VbrEnabled = v.mp3VbrEnabled;
    oggFreqHz = hz(mp3OggFrequencies(), v.oggRateIndex);
    oggChannelCount = channelCount(v.oggChannelsIndex);
    oggQuality = v.oggQualityIndex * 100 + 99;
    wmaProfile = v.wmaProfileIndex + 1;
    flacFreqHz = hz(wavFrequencies(), v.flacRateIndex);
    flacChannelCount = channelCount(v.flacChannelsIndex);
    flacBitsPerSample = numberBeforeSuffix(entry(flacSampleSizes(), v.flacSampleSizeIndex), 4);
    flacLevel = std::clamp(v.flacLevelIndex, 0, 8);
    opusChannelCount = channelCount(v.opusChannelsIndex);
    opusBitRateKbps = numberBeforeSuffix(entry(opusBitRates(), v.opusBitRateIndex), 5);
    m4aFreqHz = hz(wavFrequencies(), v.m4aRateIndex);
    m4aChannelCount = channelCount(v.m4aChannelsIndex);
    m4aBitRateKbps = numberBeforeSuffix(entry(m4aBitRates(), v.m4aBitRateIndex), 5);

    startHotkey1 = applyHotkey(v.startKey1Used, v.startKey1ModifierIndex, v.startKey1Index);
    startHotkey2 = applyHotkey(v.startKey2Used, v.startKey2ModifierIndex, v.startKey2Index);
    stopHotkey1 = applyHotkey(v.stopKey1Used, v.stopKey1ModifierIndex, v.stopKey1Index);
    stopHotkey2 = applyHotkey(v.stopKey2Used, v.stopKey2ModifierIndex, v.stopKey2Index);
    autoStopVolumeLevel = v.autoStopVolumeLevel;
    autoStopVolumeTime = v.autoStopVolumeTime;
    autoStopTimeMinute = v.autoStopMinute;
    autoStopTimeSecond = v.autoStopSecond;
    autoStopByVolume = v.autoStopByVolume;
    autoStopByTime = v.autoStopByTime;
    autoStopNewRecord = v.autoStopStartsNewRecord;
    voxAttackLevel = v.voxAttackLevel;
    voxReleaseTime = v.voxReleaseTime;
    voxNewTrack = v.voxNewTrack;
    voxEnabled = v.voxEnabled;
    if (!v.schedule.empty())
        scheduleEntries = v.schedule;

    convertOutputPath = withTrailingSlash(trim(v.convertFolder));
    convertToSourceFolder = !v.convertToChosenFolder;
    convertOverwrite = !v.convertAddsNew;
    splitOutputPath = withTrailingSlash(trim(v.cutFolder));
    splitToSourceFolder = !v.cutToChosenFolder;
    splitOverwrite = !v.cutAddsNew;
    splitKeepsEncoding = v.cutKeepsEncoding;
    joinKeepsEncoding = v.joinKeepsEncoding;
    joinOutputPath = withTrailingSlash(trim(v.joinFolder));
    joinPreName = trim(v.joinPrefix);
    joinPosName = trim(v.joinSuffix);
    joinUseDate = v.joinUsesDate;
    joinOverwrite = !v.joinAddsNew;
    convertNormalizes = v.convertNormalizes;
    splitNormalizes = v.cutNormalizes;
    joinNormalizes = v.joinNormalizes;
    targetLoudnessLufs = v.targetLoudness;
    peakCeilingDbtp = v.peakCeiling;
    joinKeepsLevels = v.joinKeepsLevels;
    playbackGain = static_cast<PlaybackGain>(std::clamp(v.playbackGainIndex, 0, 2));
    const auto templateOr = [](const std::string& text, const char* otherwise) {
        const std::string kept = trim(text);
        return kept.empty() ? std::string(otherwise) : kept;
    };
    splitNameTemplate = templateOr(v.cutNameTemplate, defaultSplitNameTemplate);
    joinNameTemplate = templateOr(v.joinNameTemplate, defaultJoinNameTemplate);
    convertNameTemplate = templateOr(v.convertNameTemplate, defaultConvertNameTemplate);
    writePlaylists = v.writesPlaylists;
    recordOutputPath = withTrailingSlash(trim(v.recordFolder));
    recordPreName = trim(v.recordPrefix);
    recordPosName = trim(v.recordSuffix);
    recordUseDate = v.recordUsesDate;
    recordOverwrite = !v.recordAddsNew;

    mailSubject = trim(v.mailSubject);
    mailBody = trim(joinLines(v.mailBodyLines));
    lastFolder = v.lastFolder;
    recentCutFiles = v.recentCutFiles;
    recentJoinFiles = v.recentJoinFiles;
    playerGeometry = v.playerGeometry;
    cutterGeometry = v.cutterGeometry;
    joinerGeometry = v.joinerGeometry;
    optionsGeometry = v.optionsGeometry;
}

void startupSettings(OptionValues& values) {
    std::error_code ec;
    if (fs::exists(settingsFilePath(), ec)) {
        // A file that cannot be read is told and left alone; the windows work with the defaults.
        try {
            loadSettings(values, settingsFilePath(), scheduleFilePath());
        } catch (const SettingsReadError&) {
            resetSettings(values);
            applySettings(values);
            throw;
        }
        applySettings(values);
        return;
    }
    resetSettings(values);
    // The defaults are applied even when the new file cannot be written, so that the
    // windows work with sound folders; the write error still reaches the user.
    try {
        saveSettings(values, settingsFilePath(), scheduleFilePath());
    } catch (...) {
        applySettings(values);
        throw;
    }
    applySettings(values);
}
