#include "SettingsStore.h"

#include <algorithm>
#include <climits>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <variant>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the one place the library's template bodies are compiled
#include <SimpleIni.h>

#include "OptionLists.h"

namespace fs = std::filesystem;
using GlobeVar::TScheduleEntry;

SettingsWriteError::SettingsWriteError(const std::string& path) : std::runtime_error("Unable to write to " + path) {}

namespace {

// A key holding a list position: a position outside the list gives the read default.
struct ListKey {
    const char* key;
    int TOptionsValues::*field;
    int listSize;
};
// A key holding an up-down value: clamped to the control's range, as the control does.
struct RangeKey {
    const char* key;
    int TOptionsValues::*field;
    int minValue, maxValue;
};
struct BoolKey {
    const char* key;
    bool TOptionsValues::*field;
};
struct TextKey {
    const char* key;
    std::string TOptionsValues::*field;
};
using Binding = std::variant<ListKey, RangeKey, BoolKey, TextKey>;

struct Section {
    const char* name;
    std::vector<Binding> keys;
};

int Size(const std::vector<std::string>& list) {
    return static_cast<int>(list.size());
}

const Section& OutputFormatSection() {
    using namespace OptionLists;
    using V = TOptionsValues;
    static const Section section{"OutputFormat",
                                 {ListKey{"WavFreq", &V::cboxWavFreq, Size(WavFrequencies())},
                                  ListKey{"WavChannels", &V::cboxWavChannels, Size(Channels())},
                                  ListKey{"WavSampleRate", &V::cboxWavSampleRate, Size(WavSampleSizes())},
                                  ListKey{"MP3Freq", &V::cboxMP3Freq, Size(Mp3OggFrequencies())},
                                  ListKey{"MP3Channels", &V::cboxMP3Channels, Size(Channels())},
                                  ListKey{"MP3EncoderQuality", &V::cboxMP3EncoderQuality, Size(Mp3Qualities())},
                                  ListKey{"MP3BitRate", &V::cboxMP3BitRate, Size(Mp3BitRates())},
                                  ListKey{"MP3MaxBitRate", &V::cboxMP3MaxBitRate, Size(Mp3BitRates())},
                                  ListKey{"MP3VBRQuality", &V::cboxMP3VBRQuality, Size(Mp3Qualities())},
                                  BoolKey{"MP3VBRHeader", &V::cboxVBRHeader},
                                  BoolKey{"MP3VBREnable", &V::cboxVBREnable},
                                  ListKey{"OggFreq", &V::cboxOggFreq, Size(Mp3OggFrequencies())},
                                  ListKey{"OggChannels", &V::cboxOggChannels, Size(Channels())},
                                  ListKey{"OggBitRate", &V::cboxOggBitRate, Size(OggQualities())},
                                  ListKey{"WmaFormat", &V::cboxWmaFormat, Size(WmaFormats())}}};
    return section;
}

const Section& HotkeySection() {
    using namespace OptionLists;
    using V = TOptionsValues;
    const int modifiers = Size(HotkeyModifiers());
    const int keys = Size(HotkeyKeys());
    static const Section section{
        "Hotkey",
        {ListKey{"StartPreHotKey1", &V::comboxStartPre1, modifiers}, ListKey{"StartHotKey1", &V::comboxStart1, keys},
         ListKey{"StartPreHotKey2", &V::comboxStartPre2, modifiers}, ListKey{"StartHotKey2", &V::comboxStart2, keys},
         ListKey{"StopPreHotKey1", &V::comboxStopPre1, modifiers}, ListKey{"StopHotKey1", &V::comboxStop1, keys},
         ListKey{"StopPreHotKey2", &V::comboxStopPre2, modifiers}, ListKey{"StopHotKey2", &V::comboxStop2, keys},
         BoolKey{"StartUse1", &V::cboxStart1}, BoolKey{"StartUse2", &V::cboxStart2}, BoolKey{"StopUse1", &V::cboxStop1},
         BoolKey{"StopUse2", &V::cboxStop2}}};
    return section;
}

const Section& AutoStopSection() {
    using V = TOptionsValues;
    static const Section section{
        "AutoStop",
        {RangeKey{"VolumeLevel", &V::udVolumeLevel, 1, 99}, RangeKey{"VolumeTime", &V::udVolumeTime, 0, 99},
         RangeKey{"TimeMinute", &V::udStopMinute, 0, 1440}, RangeKey{"TimeSecond", &V::udStopSecond, 0, 59},
         BoolKey{"VolumeStop", &V::cboxStopVolume}, BoolKey{"TimeStop", &V::cboxActiveStopTime},
         BoolKey{"TimeNewRecord", &V::rbNewRecordTimeLimit}}};
    return section;
}

const Section& VoxSection() {
    using V = TOptionsValues;
    static const Section section{"VOX",
                                 {RangeKey{"AttackLevel", &V::udAttackLevel, -92, 0},
                                  RangeKey{"ReleaseTime", &V::udReleaseTime, 50, 9999},
                                  BoolKey{"NewTrack", &V::rbVOXNewTrack}, BoolKey{"VOXEnabled", &V::cboxActiveVOX}}};
    return section;
}

const Section& OutputPathSection() {
    using V = TOptionsValues;
    static const Section section{
        "OutputPath",
        {TextKey{"ConvertOutputPath", &V::edConvertOutputPath},
         BoolKey{"ConvertSaveToAppointed", &V::rbSaveToAppointed}, BoolKey{"ConvertAddNew", &V::rbConvertAddNew},
         TextKey{"SplitOutputPath", &V::edSplitOutputPath}, BoolKey{"SplitSaveToAppointed", &V::rbSplitSaveToAppointed},
         BoolKey{"SplitAddNew", &V::rbSplitAddNew}, TextKey{"JoinOutputPath", &V::edJoinOutputPath},
         TextKey{"JoinPreName", &V::edJoinPreName}, TextKey{"JoinPosName", &V::edJoinPosName},
         BoolKey{"JoinUseDate", &V::cboxJoinUseDate}, BoolKey{"JoinAddNew", &V::rbJoinAddNew},
         TextKey{"OutputPath", &V::edOutputPath}, TextKey{"PreName", &V::edPreName}, TextKey{"PosName", &V::edPosName},
         BoolKey{"UseDate", &V::cboxUseDate}, BoolKey{"AddNew", &V::rbAddNew}}};
    return section;
}

const Section& MailSection() {
    static const Section section{"Mail", {TextKey{"Subject", &TOptionsValues::edSubject}}};
    return section;
}

constexpr const char* BodyKey = "Body";

// The values a file without any keys gives.
TOptionsValues ReadDefaults() {
    TOptionsValues values;
    values.edConvertOutputPath = GlobeVar::DefaultConvertOutputPath;
    values.edSplitOutputPath = GlobeVar::DefaultSplitOutputPath;
    values.edJoinOutputPath = GlobeVar::DefaultJoinOutputPath;
    values.edOutputPath = GlobeVar::DefaultRecordOutputPath;
    values.edSubject = GlobeVar::InitialMailSubject;
    return values;
}

class IniFile {
public:
    IniFile() {
        ini_.SetUnicode(true);
        ini_.SetSpaces(false);
    }

    // A file that is missing or cannot be parsed leaves the store empty.
    void Load(const std::string& path) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec) && ini_.LoadFile(path.c_str()) < 0)
            ini_.Reset();
    }

    long Number(const char* section, const std::string& key, long fallback) const {
        return ini_.GetLongValue(section, key.c_str(), fallback);
    }
    std::string Text(const char* section, const char* key, const std::string& fallback) const {
        return ini_.GetValue(section, key, fallback.c_str());
    }
    void SetNumber(const char* section, const std::string& key, long value) {
        ini_.SetLongValue(section, key.c_str(), value);
    }
    void SetText(const char* section, const char* key, const std::string& value) {
        ini_.SetValue(section, key, value.c_str());
    }
    void EraseSection(const char* section) { ini_.Delete(section, nullptr); }
    void AddSection(const char* section) { ini_.SetValue(section, nullptr, nullptr); }

    // Written to a temporary file beside the target and renamed over it, so that a
    // failed write (full disk, no permission) leaves the old file as it was.
    void SaveAtomically(const std::string& path) const {
        std::string text;
        ini_.Save(text, false);
        const std::string temporary = path + ".tmp";
        std::error_code ec;
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
            out.close();
            if (!out) {
                fs::remove(temporary, ec);
                throw SettingsWriteError(path);
            }
        }
        fs::rename(temporary, path, ec);
        if (ec) {
            fs::remove(temporary, ec);
            throw SettingsWriteError(path);
        }
    }

private:
    CSimpleIniA ini_; // names compared without letter case
};

int ClampToInt(long value) {
    return static_cast<int>(std::clamp<long>(value, INT_MIN, INT_MAX));
}

void ReadSection(const IniFile& ini, const Section& section, TOptionsValues& values) {
    for (const auto& binding : section.keys) {
        std::visit(
            [&](const auto& b) {
                using B = std::decay_t<decltype(b)>;
                auto& field = values.*(b.field);
                if constexpr (std::is_same_v<B, ListKey>) {
                    const long position = ini.Number(section.name, b.key, field);
                    if (position >= 0 && position < b.listSize)
                        field = static_cast<int>(position);
                } else if constexpr (std::is_same_v<B, RangeKey>) {
                    field = std::clamp(ClampToInt(ini.Number(section.name, b.key, field)), b.minValue, b.maxValue);
                } else if constexpr (std::is_same_v<B, BoolKey>) {
                    field = ini.Number(section.name, b.key, field ? 1 : 0) != 0;
                } else {
                    field = ini.Text(section.name, b.key, field);
                }
            },
            binding);
    }
}

void WriteSection(IniFile& ini, const Section& section, const TOptionsValues& values) {
    ini.AddSection(section.name);
    for (const auto& binding : section.keys) {
        std::visit(
            [&](const auto& b) {
                using B = std::decay_t<decltype(b)>;
                const auto& field = values.*(b.field);
                if constexpr (std::is_same_v<B, TextKey>)
                    ini.SetText(section.name, b.key, field);
                else if constexpr (std::is_same_v<B, BoolKey>)
                    ini.SetNumber(section.name, b.key, field ? 1 : 0);
                else
                    ini.SetNumber(section.name, b.key, field);
            },
            binding);
    }
}

constexpr const char* ScheduleSection = "Schedule";

// The numeric fields of a schedule entry, in file order after "Use".
struct ScheduleField {
    const char* key;
    long (*get)(const TScheduleEntry&);
    void (*set)(TScheduleEntry&, long);
};

template <auto Member>
ScheduleField Field(const char* key) {
    return {
        key, [](const TScheduleEntry& e) { return static_cast<long>(e.*Member); },
        [](TScheduleEntry& e, long v) { e.*Member = static_cast<std::remove_reference_t<decltype(e.*Member)>>(v); }};
}

const std::vector<ScheduleField>& ScheduleFields() {
    using E = TScheduleEntry;
    static const std::vector<ScheduleField> fields{Field<&E::StartH>("StartH"), Field<&E::StartM>("StartM"),
                                                   Field<&E::StartS>("StartS"), Field<&E::StopH>("StopH"),
                                                   Field<&E::StopM>("StopM"),   Field<&E::StopS>("StopS"),
                                                   Field<&E::Day>("Day"),       Field<&E::Month>("Month"),
                                                   Field<&E::Year>("Year"),     Field<&E::DayOfWeek>("DayOfWeek")};
    return fields;
}

std::string WithTrailingSlash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

// The folder step of the Default button: create a missing folder (one level), or fall
// back to the default folder and try once to create that.
void EnsureFolder(std::string& folder, const std::string& defaultFolder) {
    std::error_code ec;
    if (fs::is_directory(folder, ec))
        return;
    if (fs::create_directory(folder, ec) && !ec)
        return;
    folder = defaultFolder;
    fs::create_directory(folder, ec);
}

int NumberBeforeSuffix(const std::string& entry, size_t suffixLength) {
    if (entry.size() <= suffixLength)
        return 0;
    return std::atoi(entry.substr(0, entry.size() - suffixLength).c_str());
}

const std::string& Entry(const std::vector<std::string>& list, int position) {
    static const std::string none;
    return position >= 0 && position < Size(list) ? list[static_cast<size_t>(position)] : none;
}

GlobeVar::THotkey ApplyHotkey(bool use, int modifier, int key) {
    GlobeVar::THotkey hotkey;
    hotkey.Use = use;
    const auto codes = OptionLists::ModifierKeyCodes(modifier);
    for (size_t i = 0; i < codes.size() && i < hotkey.Modifiers.size(); ++i)
        hotkey.Modifiers[i] = codes[i];
    hotkey.Key = OptionLists::KeyCode(key);
    return hotkey;
}

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

} // namespace

std::string SettingsFilePath() {
    return GlobeVar::SettingsFolder + GlobeVar::SettingsFileName;
}
std::string ScheduleFilePath() {
    return GlobeVar::SettingsFolder + GlobeVar::ScheduleFileName;
}

std::string EncodeBody(const std::vector<std::string>& lines) {
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

std::vector<std::string> DecodeBody(const std::string& hex) {
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

bool ReadScheduleFile(const std::string& path, std::vector<TScheduleEntry>& entries) {
    IniFile ini;
    ini.Load(path);
    const long count = ini.Number(ScheduleSection, "Number", 0);
    if (count <= 0)
        return false;
    entries.assign(static_cast<size_t>(std::min<long>(count, 100000)), TScheduleEntry{});
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string n = std::to_string(i);
        entries[i].Use = ini.Number(ScheduleSection, "Use" + n, 1) != 0;
        for (const auto& field : ScheduleFields())
            field.set(entries[i], ini.Number(ScheduleSection, field.key + n, field.get(entries[i])));
    }
    return true;
}

void WriteScheduleFile(const std::string& path, const std::vector<TScheduleEntry>& entries) {
    IniFile ini;
    ini.Load(path);
    ini.EraseSection(ScheduleSection);
    ini.SetNumber(ScheduleSection, "Number", static_cast<long>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string n = std::to_string(i);
        ini.SetNumber(ScheduleSection, "Use" + n, entries[i].Use ? 1 : 0);
        for (const auto& field : ScheduleFields())
            ini.SetNumber(ScheduleSection, field.key + n, field.get(entries[i]));
    }
    ini.SaveAtomically(path);
}

void LoadSettings(TOptionsValues& values, const std::string& settingsPath, const std::string& schedulePath) {
    IniFile ini;
    ini.Load(settingsPath);
    values = ReadDefaults();
    ReadSection(ini, OutputFormatSection(), values);
    ReadSection(ini, HotkeySection(), values);
    ReadScheduleFile(schedulePath, values.listSchedule);
    ReadSection(ini, AutoStopSection(), values);
    ReadSection(ini, VoxSection(), values);
    ReadSection(ini, OutputPathSection(), values);
    ReadSection(ini, MailSection(), values);
    values.memoBody = DecodeBody(ini.Text(MailSection().name, BodyKey, ""));
}

void SaveSettings(const TOptionsValues& values, const std::string& settingsPath, const std::string& schedulePath) {
    IniFile ini;
    ini.Load(settingsPath);
    WriteSection(ini, OutputFormatSection(), values);
    WriteSection(ini, HotkeySection(), values);
    WriteScheduleFile(schedulePath, values.listSchedule);
    WriteSection(ini, AutoStopSection(), values);
    WriteSection(ini, VoxSection(), values);
    WriteSection(ini, OutputPathSection(), values);
    WriteSection(ini, MailSection(), values);
    ini.SetText(MailSection().name, BodyKey, EncodeBody(values.memoBody));
    ini.SaveAtomically(settingsPath);
}

void ResetSettings(TOptionsValues& values) {
    auto schedule = std::move(values.listSchedule);
    values = ReadDefaults();
    values.listSchedule = std::move(schedule);
    values.cboxWmaFormat = 14;
    values.edSubject = "Share";
    values.memoBody = {"Hi,"};
    EnsureFolder(values.edOutputPath, GlobeVar::DefaultRecordOutputPath);
    EnsureFolder(values.edSplitOutputPath, GlobeVar::DefaultSplitOutputPath);
    EnsureFolder(values.edJoinOutputPath, GlobeVar::DefaultJoinOutputPath);
    EnsureFolder(values.edConvertOutputPath, GlobeVar::DefaultConvertOutputPath);
}

void ApplySettings(const TOptionsValues& v) {
    using namespace GlobeVar;
    using namespace OptionLists;
    auto hz = [](const std::vector<std::string>& list, int position) {
        return NumberBeforeSuffix(Entry(list, position), 3);
    };
    auto channels = [](int position) { return Entry(Channels(), position) == "Stereo" ? 2 : 1; };
    auto firstDigit = [](int position) {
        return static_cast<int16_t>(std::atoi(Entry(Mp3Qualities(), position).substr(0, 1).c_str()));
    };

    WavFreqHz = hz(WavFrequencies(), v.cboxWavFreq);
    WavChannelCount = channels(v.cboxWavChannels);
    WavBitsPerSample = NumberBeforeSuffix(Entry(WavSampleSizes(), v.cboxWavSampleRate), 4);
    Mp3FreqHz = hz(Mp3OggFrequencies(), v.cboxMP3Freq);
    Mp3ChannelCount = channels(v.cboxMP3Channels);
    Mp3EncoderQuality = firstDigit(v.cboxMP3EncoderQuality);
    Mp3BitRateKbps = NumberBeforeSuffix(Entry(Mp3BitRates(), v.cboxMP3BitRate), 5);
    Mp3MaxBitRateKbps = NumberBeforeSuffix(Entry(Mp3BitRates(), v.cboxMP3MaxBitRate), 5);
    Mp3VbrQuality = firstDigit(v.cboxMP3VBRQuality);
    Mp3VbrHeader = v.cboxVBRHeader;
    Mp3VbrEnabled = v.cboxVBREnable;
    OggFreqHz = hz(Mp3OggFrequencies(), v.cboxOggFreq);
    OggChannelCount = channels(v.cboxOggChannels);
    OggQuality = v.cboxOggBitRate * 100 + 99;
    WmaProfile = v.cboxWmaFormat + 1;

    StartHotkey1 = ApplyHotkey(v.cboxStart1, v.comboxStartPre1, v.comboxStart1);
    StartHotkey2 = ApplyHotkey(v.cboxStart2, v.comboxStartPre2, v.comboxStart2);
    StopHotkey1 = ApplyHotkey(v.cboxStop1, v.comboxStopPre1, v.comboxStop1);
    StopHotkey2 = ApplyHotkey(v.cboxStop2, v.comboxStopPre2, v.comboxStop2);
    AutoStopVolumeLevel = v.udVolumeLevel;
    AutoStopVolumeTime = v.udVolumeTime;
    AutoStopTimeMinute = v.udStopMinute;
    AutoStopTimeSecond = v.udStopSecond;
    AutoStopByVolume = v.cboxStopVolume;
    AutoStopByTime = v.cboxActiveStopTime;
    AutoStopNewRecord = v.rbNewRecordTimeLimit;
    VoxAttackLevel = v.udAttackLevel;
    VoxReleaseTime = v.udReleaseTime;
    VoxNewTrack = v.rbVOXNewTrack;
    VoxEnabled = v.cboxActiveVOX;
    if (!v.listSchedule.empty())
        ScheduleEntries = v.listSchedule;

    ConvertOutputPath = WithTrailingSlash(Trim(v.edConvertOutputPath));
    ConvertToSourceFolder = !v.rbSaveToAppointed;
    ConvertOverwrite = !v.rbConvertAddNew;
    SplitOutputPath = WithTrailingSlash(Trim(v.edSplitOutputPath));
    SplitToSourceFolder = !v.rbSplitSaveToAppointed;
    SplitOverwrite = !v.rbSplitAddNew;
    JoinOutputPath = WithTrailingSlash(Trim(v.edJoinOutputPath));
    JoinPreName = Trim(v.edJoinPreName);
    JoinPosName = Trim(v.edJoinPosName);
    JoinUseDate = v.cboxJoinUseDate;
    JoinOverwrite = !v.rbJoinAddNew;
    RecordOutputPath = WithTrailingSlash(Trim(v.edOutputPath));
    RecordPreName = Trim(v.edPreName);
    RecordPosName = Trim(v.edPosName);
    RecordUseDate = v.cboxUseDate;
    RecordOverwrite = !v.rbAddNew;

    MailSubject = Trim(v.edSubject);
    MailBody = Trim(JoinLines(v.memoBody));
}

void StartupSettings(TOptionsValues& values) {
    std::error_code ec;
    if (fs::exists(SettingsFilePath(), ec)) {
        LoadSettings(values, SettingsFilePath(), ScheduleFilePath());
        ApplySettings(values);
        return;
    }
    ResetSettings(values);
    // The defaults are applied even when the new file cannot be written, so that the
    // windows work with sound folders; the write error still reaches the user.
    try {
        SaveSettings(values, SettingsFilePath(), ScheduleFilePath());
    } catch (...) {
        ApplySettings(values);
        throw;
    }
    ApplySettings(values);
}
