#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "AppSettings.h"
#include "SettingsStore.h"
#include "TempFolder.h"

namespace fs = std::filesystem;
using namespace std::string_literals;
using AppSettings::ScheduleEntry;

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        AppSettings::settingsFolder = folder_.path();
        AppSettings::defaultConvertOutputPath = folder_ / "docs/Converted files/";
        AppSettings::defaultSplitOutputPath = folder_ / "docs/Cut files/";
        AppSettings::defaultJoinOutputPath = folder_ / "docs/Merged files/";
        AppSettings::defaultRecordOutputPath = folder_.path();
        fs::create_directories(folder_ / "docs");
    }

    // Loads a settings file of the given text.
    OptionValues loadText(const std::string& text) {
        writeFileText(settingsFilePath(), text);
        OptionValues values;
        loadSettings(values, settingsFilePath(), scheduleFilePath());
        return values;
    }

    TempFolder folder_;
};

std::vector<std::string> sectionsInOrder(const std::string& text) {
    std::vector<std::string> sections;
    for (size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1))
        sections.push_back(text.substr(at + 1, text.find(']', at) - at - 1));
    return sections;
}

} // namespace

TEST_F(SettingsStore, MissingFileIsWrittenWithResetValuesInSectionOrder) {
    OptionValues values;
    startupSettings(values);

    const std::string text = readFileText(settingsFilePath());
    EXPECT_EQ(sectionsInOrder(text),
              (std::vector<std::string>{"OutputFormat", "Hotkey", "AutoStop", "VOX", "OutputPath", "Mail", "Desktop",
                                        "Windows", "Loudness", "Names"}));
    EXPECT_NE(text.find("WmaFormat=14\n"), std::string::npos);
    EXPECT_NE(text.find("[Names]\nSplitName={stem}-Splitted{index}\nJoinName={merged}\nConvertName={stem}\n"
                        "WritePlaylist=0\n"),
              std::string::npos);
    EXPECT_NE(text.find("TargetLoudness=-18\nPeakCeiling=-1\n"), std::string::npos);
    EXPECT_NE(text.find("PlaybackGain=1\n"), std::string::npos);
    EXPECT_NE(text.find("Subject=Share\n"), std::string::npos);
    EXPECT_NE(text.find("Body=48692C0D0A\n"), std::string::npos);
    EXPECT_NE(text.find("ConvertOutputPath=" + AppSettings::defaultConvertOutputPath + "\n"), std::string::npos);
    EXPECT_EQ(AppSettings::wmaProfile, 15);
    EXPECT_EQ(AppSettings::mailSubject, "Share");
    EXPECT_EQ(AppSettings::mailBody, "Hi,");
    EXPECT_EQ(AppSettings::mp3BitRateKbps, 112);
    EXPECT_TRUE(fs::is_directory(AppSettings::defaultSplitOutputPath));
    // The schedule file is written beside it, empty.
    EXPECT_NE(readFileText(scheduleFilePath()).find("Number=0"), std::string::npos);
}

TEST_F(SettingsStore, FileLackingKeysGivesReadDefaults) {
    OptionValues values = loadText("[OutputFormat]\nWavFreq=2\n");
    applySettings(values);
    EXPECT_EQ(AppSettings::wavFreqHz, 22050);
    EXPECT_EQ(AppSettings::wmaProfile, 1);
    EXPECT_EQ(AppSettings::mailSubject, "Share with you");
    EXPECT_EQ(AppSettings::mailBody, "");
    EXPECT_EQ(AppSettings::oggQuality, 699);
    EXPECT_EQ(AppSettings::convertOutputPath, AppSettings::defaultConvertOutputPath);
    EXPECT_FALSE(AppSettings::convertToSourceFolder);
    EXPECT_EQ(AppSettings::joinPreName, "Merged");
    EXPECT_EQ(AppSettings::recordPreName, "Recorded");
    EXPECT_EQ(AppSettings::startHotkey1, (AppSettings::Hotkey{true, {0x11, 0}, 'R'}));
    EXPECT_EQ(AppSettings::startHotkey2, (AppSettings::Hotkey{true, {0, 0}, 0x6B}));
    EXPECT_EQ(AppSettings::voxAttackLevel, -46);
}

TEST_F(SettingsStore, NumbersHexJunkAndListPositions) {
    struct Case {
        const char* line;
        int OptionValues::*field;
        int expected;
    };
    const Case cases[] = {
        {"WavFreq=0x2", &OptionValues::wavRateIndex, 2},
        {"WavFreq=0X6", &OptionValues::wavRateIndex, 6},
        {"WavFreq=abc", &OptionValues::wavRateIndex, 5},
        {"WavFreq=3x", &OptionValues::wavRateIndex, 5},
        {"WavFreq=0x", &OptionValues::wavRateIndex, 5},
        {"WavFreq=7", &OptionValues::wavRateIndex, 5},  // past the end of the list
        {"WavFreq=-1", &OptionValues::wavRateIndex, 5}, // before its start
        {"wavfreq=1", &OptionValues::wavRateIndex, 1},  // names without letter case
        {"WmaFormat=59", &OptionValues::wmaProfileIndex, 59},
        {"WmaFormat=60", &OptionValues::wmaProfileIndex, 0},
        {"OggBitRate=0", &OptionValues::oggQualityIndex, 0},
        {"OggBitRate=9", &OptionValues::oggQualityIndex, 9},
    };
    for (const auto& c : cases) {
        const OptionValues values = loadText(std::string("[outputformat]\n") + c.line + "\n");
        EXPECT_EQ(values.*(c.field), c.expected) << c.line;
    }
}

TEST_F(SettingsStore, ApplyingDerivesValuesFromEntryTexts) {
    OptionValues values;
    values.wavRateIndex = 0;
    values.wavChannelsIndex = 0;
    values.wavSampleSizeIndex = 0;
    values.mp3RateIndex = 2;
    values.mp3ChannelsIndex = 0;
    values.mp3EncoderQualityIndex = 9;
    values.mp3BitRateIndex = 0;
    values.mp3MaxBitRateIndex = 8;
    values.mp3VbrQualityIndex = 4;
    values.oggQualityIndex = 0;
    values.wmaProfileIndex = 59;
    values.convertAddsNew = false;
    values.convertToChosenFolder = false;
    values.voxNewTrack = true;
    values.joinPrefix = "  My mix ";
    values.cutFolder = " /music/cuts ";
    values.mailSubject = " Hello ";
    values.mailBodyLines = {"", "  Dear friend,", "listen.", ""};
    values.stopKey1ModifierIndex = 6;
    values.stopKey1Index = 0;
    values.startKey2ModifierIndex = 4;
    values.startKey2Index = 54; // F12
    values.stopKey2Used = false;
    applySettings(values);

    EXPECT_EQ(AppSettings::wavFreqHz, 8000);
    EXPECT_EQ(AppSettings::wavChannelCount, 1);
    EXPECT_EQ(AppSettings::wavBitsPerSample, 8);
    EXPECT_EQ(AppSettings::mp3FreqHz, 48000);
    EXPECT_EQ(AppSettings::mp3ChannelCount, 1);
    EXPECT_EQ(AppSettings::mp3EncoderQuality, 9);
    EXPECT_EQ(AppSettings::mp3BitRateKbps, 320);
    EXPECT_EQ(AppSettings::mp3MaxBitRateKbps, 80);
    EXPECT_EQ(AppSettings::mp3VbrQuality, 4);
    EXPECT_EQ(AppSettings::oggQuality, 99);
    EXPECT_EQ(AppSettings::wmaProfile, 60);
    EXPECT_TRUE(AppSettings::convertOverwrite);
    EXPECT_TRUE(AppSettings::convertToSourceFolder);
    EXPECT_TRUE(AppSettings::voxNewTrack);
    EXPECT_EQ(AppSettings::joinPreName, "My mix");
    EXPECT_EQ(AppSettings::splitOutputPath, "/music/cuts/");
    EXPECT_EQ(AppSettings::mailSubject, "Hello");
    EXPECT_EQ(AppSettings::mailBody, "Dear friend,\r\nlisten.");
    EXPECT_EQ(AppSettings::stopHotkey1, (AppSettings::Hotkey{true, {0x10, 0x12}, 0xC0}));
    EXPECT_EQ(AppSettings::startHotkey2, (AppSettings::Hotkey{true, {0x11, 0x12}, 0x7B}));
    EXPECT_FALSE(AppSettings::stopHotkey2.use);

    values.oggQualityIndex = 9;
    applySettings(values);
    EXPECT_EQ(AppSettings::oggQuality, 999);
}

TEST_F(SettingsStore, BodyHexEncoding) {
    EXPECT_EQ(loadText("[Mail]\nBody=48690D0A\n").mailBodyLines, std::vector<std::string>{"Hi"});
    EXPECT_EQ(loadText("[Mail]\nBody=\n").mailBodyLines, std::vector<std::string>{});
    EXPECT_EQ(loadText("[Mail]\nBody=48690D0A4\n").mailBodyLines, std::vector<std::string>{"Hi"}); // odd digit dropped
    EXPECT_EQ(loadText("[Mail]\nBody=41ZZ42\n").mailBodyLines, std::vector<std::string>{"A"});     // junk ends it
    EXPECT_EQ(encodeBody({"Hi,"}), "48692C0D0A");
    EXPECT_EQ(decodeBody(encodeBody({"a", "", "b"})), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(SettingsStore, SaveAndLoadRoundTripIncludingLongBodyAndUtf8) {
    OptionValues values;
    resetSettings(values);
    values.mp3BitRateIndex = 2;
    values.mp3VbrEnabled = true;
    values.autoStopMinute = 1440;
    values.voxAttackLevel = -92;
    values.joinSuffix = "Mischung — Ünïcödé ✓";
    values.mailSubject = "Grüße";
    values.mailBodyLines.assign(40, std::string(100, 'x'));
    values.mailBodyLines.push_back("Ende ✓");
    values.lastFolder = "/home/me/Musik/Über/";
    values.recentCutFiles = {"/m/a b.mp3", "/m/Über.ogg"};
    values.cutKeepsEncoding = true;
    values.recentJoinFiles.assign(AppSettings::RecentFileCount, "/m/x.wav");
    values.schedule = {ScheduleEntry{true, 1, 2, 3, 4, 5, 6, 24, 12, 0, 0}, ScheduleEntry{}};
    saveSettings(values, settingsFilePath(), scheduleFilePath());

    OptionValues loaded;
    loadSettings(loaded, settingsFilePath(), scheduleFilePath());
    EXPECT_EQ(loaded, values);
    EXPECT_GT(readFileText(settingsFilePath()).size(), 8000u);

    // A shorter list leaves no keys of the longer one behind; the first empty key ends a list.
    values.recentCutFiles = {"/m/only.mp3"};
    saveSettings(values, settingsFilePath(), scheduleFilePath());
    EXPECT_EQ(readFileText(settingsFilePath()).find("RecentCut2"), std::string::npos);
    EXPECT_EQ(loadText("[Desktop]\nRecentCut1=/a.mp3\nRecentCut2=\nRecentCut3=/c.mp3\n").recentCutFiles,
              std::vector<std::string>{"/a.mp3"});
}

TEST_F(SettingsStore, UpDownValuesAreClampedToTheirRanges) {
    const OptionValues values =
        loadText("[AutoStop]\nVolumeLevel=0\nTimeMinute=5000\n[VOX]\nAttackLevel=-200\nReleaseTime=0x10\n");
    EXPECT_EQ(values.autoStopVolumeLevel, 1);
    EXPECT_EQ(values.autoStopMinute, 1440);
    EXPECT_EQ(values.voxAttackLevel, -92);
    EXPECT_EQ(values.voxReleaseTime, 50);
}

// Damaged lines of a text file give their keys' defaults; the rest is read.
TEST_F(SettingsStore, DamagedLinesGiveDefaultsAndNeverCrash) {
    const std::vector<std::string> files{
        "[OutputFormat]\nWavFreq=2\nMP3BitRate=",               // truncated line
        "[OutputFormat\nWavFreq=2\n",                           // broken section line
        "WavFreq=2\nWmaFormat=3\n",                             // keys without a section
        std::string("\xEF\xBB\xBF[OutputFormat]\nWavFreq=1\n"), // a byte order mark
    };
    const OptionValues defaults = [] {
        OptionValues v;
        v.convertFolder = AppSettings::defaultConvertOutputPath;
        return v;
    }();
    for (const auto& text : files) {
        const OptionValues values = loadText(text);
        EXPECT_EQ(values.wmaProfileIndex, 0);
        EXPECT_EQ(values.convertFolder, defaults.convertFolder);
        EXPECT_EQ(values.mailSubject, "Share with you");
        EXPECT_TRUE(values.wavRateIndex == 5 || values.wavRateIndex == 1 || values.wavRateIndex == 2);
    }
    EXPECT_EQ(loadText(files[0]).wavRateIndex, 2);
    EXPECT_EQ(loadText(files[0]).mp3BitRateIndex, 6);
    EXPECT_EQ(loadText(files[3]).wavRateIndex, 1);
}

TEST_F(SettingsStore, UnwritableTargetRaisesAndKeepsTheOldFile) {
    OptionValues values;
    saveSettings(values, settingsFilePath(), scheduleFilePath());
    const std::string before = readFileText(settingsFilePath());

    const std::string missing = folder_ / "no/such/folder/ZSCJCfg.ini";
    try {
        saveSettings(values, missing, scheduleFilePath());
        FAIL() << "no error for a missing folder";
    } catch (const SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + missing);
    }

    // A disk that fills while the new file is written: the old file stays whole.
    values.mailBodyLines.assign(100, std::string(200, 'y'));
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(saveSettings(values, settingsFilePath(), scheduleFilePath()), SettingsWriteError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(readFileText(settingsFilePath()), before);
    for (const auto& entry : fs::directory_iterator(folder_.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// The bits, not the user's rights: root is refused a read-only settings file too.
TEST_F(SettingsStore, ReadOnlyFileIsNeverReplacedAndLinksAreWrittenThrough) {
    OptionValues values;
    saveSettings(values, settingsFilePath(), scheduleFilePath());
    const std::string before = readFileText(settingsFilePath());
    fs::permissions(settingsFilePath(), fs::perms::owner_read | fs::perms::group_read);
    values.wavRateIndex = 0;
    try {
        saveSettings(values, settingsFilePath(), scheduleFilePath());
        FAIL() << "a read-only settings file was replaced";
    } catch (const SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + settingsFilePath());
    }
    EXPECT_EQ(readFileText(settingsFilePath()), before);
    EXPECT_EQ(fs::status(settingsFilePath()).permissions() & fs::perms::owner_write, fs::perms::none);

    // A link to a file kept elsewhere (a dotfiles folder): the link stays, the file changes,
    // and its permissions stay what they were.
    fs::create_directories(folder_ / "dotfiles");
    fs::permissions(settingsFilePath(), fs::perms::owner_read | fs::perms::owner_write);
    fs::rename(settingsFilePath(), folder_ / "dotfiles/ZSCJCfg.ini");
    fs::permissions(folder_ / "dotfiles/ZSCJCfg.ini", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("dotfiles/ZSCJCfg.ini", settingsFilePath());
    values.wavRateIndex = 3;
    saveSettings(values, settingsFilePath(), scheduleFilePath());
    EXPECT_TRUE(fs::is_symlink(settingsFilePath()));
    EXPECT_NE(readFileText(folder_ / "dotfiles/ZSCJCfg.ini"), before);
    OptionValues read;
    loadSettings(read, settingsFilePath(), scheduleFilePath());
    EXPECT_EQ(read.wavRateIndex, 3);
    EXPECT_EQ(fs::status(folder_ / "dotfiles/ZSCJCfg.ini").permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(SettingsStore, FilesThatAreNotSettingsAreReportedAndLeftAlone) {
    struct Case {
        std::string text;
        const char* cause;
    };
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    const Case cases[] = {
        {junk, "binary data"},
        {"[OutputFormat]\nWavFreq=1\0\n[Mail]\nSubject=x\n"s, "binary data"},
        {"[OutputFormat]\n" + std::string(1100000, 'x') + "\n", "larger than 1 MB"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cause);
        writeFileText(settingsFilePath(), c.text);
        OptionValues values;
        try {
            loadSettings(values, settingsFilePath(), scheduleFilePath());
            FAIL() << "read without a word";
        } catch (const SettingsReadError& error) {
            EXPECT_EQ(std::string(error.what()).rfind("Unable to read " + settingsFilePath() + ": ", 0), 0u)
                << error.what();
            EXPECT_NE(std::string(error.what()).find(c.cause), std::string::npos) << error.what();
        }
        // At start the defaults are used and the file is reported, not replaced by them.
        EXPECT_THROW(startupSettings(values), SettingsReadError);
        EXPECT_EQ(AppSettings::convertOutputPath, AppSettings::defaultConvertOutputPath);
        EXPECT_EQ(readFileText(settingsFilePath()), c.text);
    }
    fs::remove(settingsFilePath());
    fs::create_directory(settingsFilePath());
    OptionValues values;
    EXPECT_THROW(loadSettings(values, settingsFilePath(), scheduleFilePath()), SettingsReadError);
}

TEST_F(SettingsStore, UnwritableFolderForAnOrdinaryUser) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    OptionValues values;
    saveSettings(values, settingsFilePath(), scheduleFilePath());
    const std::string before = readFileText(settingsFilePath());
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    values.wavRateIndex = 0;
    EXPECT_THROW(saveSettings(values, settingsFilePath(), scheduleFilePath()), SettingsWriteError);
    fs::permissions(folder_.path(), fs::perms::owner_all);
    EXPECT_EQ(readFileText(settingsFilePath()), before);
}

TEST_F(SettingsStore, ScheduleFileDefaultsAndEmptyFiles) {
    std::vector<ScheduleEntry> entries{ScheduleEntry{false, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}};
    const auto unchanged = entries;
    EXPECT_FALSE(readScheduleFile(folder_ / "missing.zsc", entries));
    writeFileText(folder_ / "zero.zsc", "[Schedule]\nNumber=0\n");
    EXPECT_FALSE(readScheduleFile(folder_ / "zero.zsc", entries));
    writeFileText(folder_ / "negative.zsc", "[Schedule]\nNumber=-3\n");
    EXPECT_FALSE(readScheduleFile(folder_ / "negative.zsc", entries));
    EXPECT_EQ(entries, unchanged);

    writeFileText(folder_ / "two.zsc", "[schedule]\nnumber=2\nUse1=0\nStartH1=7\nday1=24\n");
    ASSERT_TRUE(readScheduleFile(folder_ / "two.zsc", entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (ScheduleEntry{true, 0, 0, 0, 0, 0, 0, 1, 1, 2004, 1}));
    EXPECT_EQ(entries[1], (ScheduleEntry{false, 7, 0, 0, 0, 0, 0, 24, 1, 2004, 1}));
}

TEST_F(SettingsStore, ScheduleSectionIsWrittenWhole) {
    writeFileText(folder_ / "s.zsc", "[Schedule]\nNumber=3\nUse2=1\nStale9=5\n[Other]\nKeep=1\n");
    writeScheduleFile(folder_ / "s.zsc", {ScheduleEntry{}});
    const std::string text = readFileText(folder_ / "s.zsc");
    EXPECT_NE(text.find("Number=1\n"), std::string::npos);
    EXPECT_EQ(text.find("Use2"), std::string::npos);
    EXPECT_EQ(text.find("Stale9"), std::string::npos);
    EXPECT_NE(text.find("Keep=1"), std::string::npos);
}

TEST_F(SettingsStore, ResetMakesTheOutputFoldersExist) {
    OptionValues values;
    resetSettings(values);
    EXPECT_EQ(values.joinFolder, AppSettings::defaultJoinOutputPath);
    for (const auto* folder : {&values.convertFolder, &values.cutFolder, &values.joinFolder})
        EXPECT_TRUE(fs::is_directory(*folder)) << *folder;

    // A default folder two levels deep cannot be made in one step: the box keeps it anyway.
    AppSettings::defaultSplitOutputPath = folder_ / "deep/er/Cut files/";
    resetSettings(values);
    EXPECT_EQ(values.cutFolder, AppSettings::defaultSplitOutputPath);
    EXPECT_FALSE(fs::exists(AppSettings::defaultSplitOutputPath));
}

TEST_F(SettingsStore, ResetKeepsTheScheduleAndSetsTheDefaultButtonValues) {
    OptionValues values;
    values.schedule = {ScheduleEntry{}};
    values.mp3VbrEnabled = true;
    values.voxNewTrack = true;
    values.startKey1Used = false;
    resetSettings(values);
    EXPECT_EQ(values.schedule.size(), 1u);
    EXPECT_FALSE(values.mp3VbrEnabled);
    EXPECT_FALSE(values.voxNewTrack);
    EXPECT_TRUE(values.startKey1Used);
    EXPECT_EQ(values.mp3BitRateIndex, 6);
    EXPECT_EQ(values.wmaProfileIndex, 14);
    EXPECT_EQ(values.mailSubject, "Share");
    EXPECT_EQ(values.mailBodyLines, std::vector<std::string>{"Hi,"});
}
