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
using GlobeVar::TScheduleEntry;

namespace {

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        GlobeVar::SettingsFolder = folder_.path();
        GlobeVar::DefaultConvertOutputPath = folder_ / "docs/Converted files/";
        GlobeVar::DefaultSplitOutputPath = folder_ / "docs/Cut files/";
        GlobeVar::DefaultJoinOutputPath = folder_ / "docs/Merged files/";
        GlobeVar::DefaultRecordOutputPath = folder_.path();
        fs::create_directories(folder_ / "docs");
    }

    // Loads a settings file of the given text.
    TOptionsValues LoadText(const std::string& text) {
        WriteFileText(SettingsFilePath(), text);
        TOptionsValues values;
        LoadSettings(values, SettingsFilePath(), ScheduleFilePath());
        return values;
    }

    TempFolder folder_;
};

std::vector<std::string> SectionsInOrder(const std::string& text) {
    std::vector<std::string> sections;
    for (size_t at = text.find('['); at != std::string::npos; at = text.find('[', at + 1))
        sections.push_back(text.substr(at + 1, text.find(']', at) - at - 1));
    return sections;
}

} // namespace

TEST_F(SettingsStore, MissingFileIsWrittenWithResetValuesInSectionOrder) {
    TOptionsValues values;
    StartupSettings(values);

    const std::string text = ReadFileText(SettingsFilePath());
    EXPECT_EQ(SectionsInOrder(text),
              (std::vector<std::string>{"OutputFormat", "Hotkey", "AutoStop", "VOX", "OutputPath", "Mail"}));
    EXPECT_NE(text.find("WmaFormat=14\n"), std::string::npos);
    EXPECT_NE(text.find("Subject=Share\n"), std::string::npos);
    EXPECT_NE(text.find("Body=48692C0D0A\n"), std::string::npos);
    EXPECT_NE(text.find("ConvertOutputPath=" + GlobeVar::DefaultConvertOutputPath + "\n"), std::string::npos);
    EXPECT_EQ(GlobeVar::WmaProfile, 15);
    EXPECT_EQ(GlobeVar::MailSubject, "Share");
    EXPECT_EQ(GlobeVar::MailBody, "Hi,");
    EXPECT_EQ(GlobeVar::Mp3BitRateKbps, 112);
    EXPECT_TRUE(fs::is_directory(GlobeVar::DefaultSplitOutputPath));
    // The schedule file is written beside it, empty.
    EXPECT_NE(ReadFileText(ScheduleFilePath()).find("Number=0"), std::string::npos);
}

TEST_F(SettingsStore, FileLackingKeysGivesReadDefaults) {
    TOptionsValues values = LoadText("[OutputFormat]\nWavFreq=2\n");
    ApplySettings(values);
    EXPECT_EQ(GlobeVar::WavFreqHz, 22050);
    EXPECT_EQ(GlobeVar::WmaProfile, 1);
    EXPECT_EQ(GlobeVar::MailSubject, "Share with you");
    EXPECT_EQ(GlobeVar::MailBody, "");
    EXPECT_EQ(GlobeVar::OggQuality, 699);
    EXPECT_EQ(GlobeVar::ConvertOutputPath, GlobeVar::DefaultConvertOutputPath);
    EXPECT_FALSE(GlobeVar::ConvertToSourceFolder);
    EXPECT_EQ(GlobeVar::JoinPreName, "Merged");
    EXPECT_EQ(GlobeVar::RecordPreName, "Recorded");
    EXPECT_EQ(GlobeVar::StartHotkey1, (GlobeVar::THotkey{true, {0x11, 0}, 'R'}));
    EXPECT_EQ(GlobeVar::StartHotkey2, (GlobeVar::THotkey{true, {0, 0}, 0x6B}));
    EXPECT_EQ(GlobeVar::VoxAttackLevel, -46);
}

TEST_F(SettingsStore, NumbersHexJunkAndListPositions) {
    struct Case {
        const char* line;
        int TOptionsValues::*field;
        int expected;
    };
    const Case cases[] = {
        {"WavFreq=0x2", &TOptionsValues::cboxWavFreq, 2},
        {"WavFreq=0X6", &TOptionsValues::cboxWavFreq, 6},
        {"WavFreq=abc", &TOptionsValues::cboxWavFreq, 5},
        {"WavFreq=3x", &TOptionsValues::cboxWavFreq, 5},
        {"WavFreq=0x", &TOptionsValues::cboxWavFreq, 5},
        {"WavFreq=7", &TOptionsValues::cboxWavFreq, 5},  // past the end of the list
        {"WavFreq=-1", &TOptionsValues::cboxWavFreq, 5}, // before its start
        {"wavfreq=1", &TOptionsValues::cboxWavFreq, 1},  // names without letter case
        {"WmaFormat=59", &TOptionsValues::cboxWmaFormat, 59},
        {"WmaFormat=60", &TOptionsValues::cboxWmaFormat, 0},
        {"OggBitRate=0", &TOptionsValues::cboxOggBitRate, 0},
        {"OggBitRate=9", &TOptionsValues::cboxOggBitRate, 9},
    };
    for (const auto& c : cases) {
        const TOptionsValues values = LoadText(std::string("[outputformat]\n") + c.line + "\n");
        EXPECT_EQ(values.*(c.field), c.expected) << c.line;
    }
}

TEST_F(SettingsStore, ApplyingDerivesValuesFromEntryTexts) {
    TOptionsValues values;
    values.cboxWavFreq = 0;
    values.cboxWavChannels = 0;
    values.cboxWavSampleRate = 0;
    values.cboxMP3Freq = 2;
    values.cboxMP3Channels = 0;
    values.cboxMP3EncoderQuality = 9;
    values.cboxMP3BitRate = 0;
    values.cboxMP3MaxBitRate = 8;
    values.cboxMP3VBRQuality = 4;
    values.cboxOggBitRate = 0;
    values.cboxWmaFormat = 59;
    values.rbConvertAddNew = false;
    values.rbSaveToAppointed = false;
    values.rbVOXNewTrack = true;
    values.edJoinPreName = "  My mix ";
    values.edSplitOutputPath = " /music/cuts ";
    values.edSubject = " Hello ";
    values.memoBody = {"", "  Dear friend,", "listen.", ""};
    values.comboxStopPre1 = 6;
    values.comboxStop1 = 0;
    values.comboxStartPre2 = 4;
    values.comboxStart2 = 54; // F12
    values.cboxStop2 = false;
    ApplySettings(values);

    EXPECT_EQ(GlobeVar::WavFreqHz, 8000);
    EXPECT_EQ(GlobeVar::WavChannelCount, 1);
    EXPECT_EQ(GlobeVar::WavBitsPerSample, 8);
    EXPECT_EQ(GlobeVar::Mp3FreqHz, 48000);
    EXPECT_EQ(GlobeVar::Mp3ChannelCount, 1);
    EXPECT_EQ(GlobeVar::Mp3EncoderQuality, 9);
    EXPECT_EQ(GlobeVar::Mp3BitRateKbps, 320);
    EXPECT_EQ(GlobeVar::Mp3MaxBitRateKbps, 80);
    EXPECT_EQ(GlobeVar::Mp3VbrQuality, 4);
    EXPECT_EQ(GlobeVar::OggQuality, 99);
    EXPECT_EQ(GlobeVar::WmaProfile, 60);
    EXPECT_TRUE(GlobeVar::ConvertOverwrite);
    EXPECT_TRUE(GlobeVar::ConvertToSourceFolder);
    EXPECT_TRUE(GlobeVar::VoxNewTrack);
    EXPECT_EQ(GlobeVar::JoinPreName, "My mix");
    EXPECT_EQ(GlobeVar::SplitOutputPath, "/music/cuts/");
    EXPECT_EQ(GlobeVar::MailSubject, "Hello");
    EXPECT_EQ(GlobeVar::MailBody, "Dear friend,\r\nlisten.");
    EXPECT_EQ(GlobeVar::StopHotkey1, (GlobeVar::THotkey{true, {0x10, 0x12}, 0xC0}));
    EXPECT_EQ(GlobeVar::StartHotkey2, (GlobeVar::THotkey{true, {0x11, 0x12}, 0x7B}));
    EXPECT_FALSE(GlobeVar::StopHotkey2.Use);

    values.cboxOggBitRate = 9;
    ApplySettings(values);
    EXPECT_EQ(GlobeVar::OggQuality, 999);
}

TEST_F(SettingsStore, BodyHexEncoding) {
    EXPECT_EQ(LoadText("[Mail]\nBody=48690D0A\n").memoBody, std::vector<std::string>{"Hi"});
    EXPECT_EQ(LoadText("[Mail]\nBody=\n").memoBody, std::vector<std::string>{});
    EXPECT_EQ(LoadText("[Mail]\nBody=48690D0A4\n").memoBody, std::vector<std::string>{"Hi"}); // odd digit dropped
    EXPECT_EQ(LoadText("[Mail]\nBody=41ZZ42\n").memoBody, std::vector<std::string>{"A"});     // junk ends it
    EXPECT_EQ(EncodeBody({"Hi,"}), "48692C0D0A");
    EXPECT_EQ(DecodeBody(EncodeBody({"a", "", "b"})), (std::vector<std::string>{"a", "", "b"}));
}

TEST_F(SettingsStore, SaveAndLoadRoundTripIncludingLongBodyAndUtf8) {
    TOptionsValues values;
    ResetSettings(values);
    values.cboxMP3BitRate = 2;
    values.cboxVBREnable = true;
    values.udStopMinute = 1440;
    values.udAttackLevel = -92;
    values.edJoinPosName = "Mischung — Ünïcödé ✓";
    values.edSubject = "Grüße";
    values.memoBody.assign(40, std::string(100, 'x'));
    values.memoBody.push_back("Ende ✓");
    values.listSchedule = {TScheduleEntry{true, 1, 2, 3, 4, 5, 6, 24, 12, 0, 0}, TScheduleEntry{}};
    SaveSettings(values, SettingsFilePath(), ScheduleFilePath());

    TOptionsValues loaded;
    LoadSettings(loaded, SettingsFilePath(), ScheduleFilePath());
    EXPECT_EQ(loaded, values);
    EXPECT_GT(ReadFileText(SettingsFilePath()).size(), 8000u);
}

TEST_F(SettingsStore, UpDownValuesAreClampedToTheirRanges) {
    const TOptionsValues values =
        LoadText("[AutoStop]\nVolumeLevel=0\nTimeMinute=5000\n[VOX]\nAttackLevel=-200\nReleaseTime=0x10\n");
    EXPECT_EQ(values.udVolumeLevel, 1);
    EXPECT_EQ(values.udStopMinute, 1440);
    EXPECT_EQ(values.udAttackLevel, -92);
    EXPECT_EQ(values.udReleaseTime, 50);
}

TEST_F(SettingsStore, CorruptFilesGiveDefaultsAndNeverCrash) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 7919) % 256);
    const std::vector<std::string> files{
        junk,
        "[OutputFormat]\nWavFreq=2\nMP3BitRate=",               // truncated line
        "[OutputFormat\nWavFreq=2\n",                           // broken section line
        "WavFreq=2\nWmaFormat=3\n",                             // keys without a section
        "[OutputFormat]\nWavFreq=1\0\n[Mail]\nSubject=x\n"s,    // a NUL in the middle
        std::string("\xEF\xBB\xBF[OutputFormat]\nWavFreq=1\n"), // a byte order mark
    };
    const TOptionsValues defaults = [] {
        TOptionsValues v;
        v.edConvertOutputPath = GlobeVar::DefaultConvertOutputPath;
        return v;
    }();
    for (const auto& text : files) {
        const TOptionsValues values = LoadText(text);
        EXPECT_EQ(values.cboxWmaFormat, 0);
        EXPECT_EQ(values.edConvertOutputPath, defaults.edConvertOutputPath);
        EXPECT_EQ(values.edSubject, "Share with you");
        EXPECT_TRUE(values.cboxWavFreq == 5 || values.cboxWavFreq == 1 || values.cboxWavFreq == 2);
    }
    EXPECT_EQ(LoadText(files[1]).cboxWavFreq, 2);
    EXPECT_EQ(LoadText(files[1]).cboxMP3BitRate, 6);
    EXPECT_EQ(LoadText(files[5]).cboxWavFreq, 1);
}

TEST_F(SettingsStore, UnwritableTargetRaisesAndKeepsTheOldFile) {
    TOptionsValues values;
    SaveSettings(values, SettingsFilePath(), ScheduleFilePath());
    const std::string before = ReadFileText(SettingsFilePath());

    const std::string missing = folder_ / "no/such/folder/ZSCJCfg.ini";
    try {
        SaveSettings(values, missing, ScheduleFilePath());
        FAIL() << "no error for a missing folder";
    } catch (const SettingsWriteError& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + missing);
    }

    // A disk that fills while the new file is written: the old file stays whole.
    values.memoBody.assign(100, std::string(200, 'y'));
    signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_THROW(SaveSettings(values, SettingsFilePath(), ScheduleFilePath()), SettingsWriteError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(ReadFileText(SettingsFilePath()), before);
    EXPECT_FALSE(fs::exists(SettingsFilePath() + ".tmp"));
}

TEST_F(SettingsStore, UnwritableFolderForAnOrdinaryUser) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    TOptionsValues values;
    SaveSettings(values, SettingsFilePath(), ScheduleFilePath());
    const std::string before = ReadFileText(SettingsFilePath());
    fs::permissions(folder_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    values.cboxWavFreq = 0;
    EXPECT_THROW(SaveSettings(values, SettingsFilePath(), ScheduleFilePath()), SettingsWriteError);
    fs::permissions(folder_.path(), fs::perms::owner_all);
    EXPECT_EQ(ReadFileText(SettingsFilePath()), before);
}

TEST_F(SettingsStore, ScheduleFileDefaultsAndEmptyFiles) {
    std::vector<TScheduleEntry> entries{TScheduleEntry{false, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}};
    const auto unchanged = entries;
    EXPECT_FALSE(ReadScheduleFile(folder_ / "missing.zsc", entries));
    WriteFileText(folder_ / "zero.zsc", "[Schedule]\nNumber=0\n");
    EXPECT_FALSE(ReadScheduleFile(folder_ / "zero.zsc", entries));
    WriteFileText(folder_ / "negative.zsc", "[Schedule]\nNumber=-3\n");
    EXPECT_FALSE(ReadScheduleFile(folder_ / "negative.zsc", entries));
    EXPECT_EQ(entries, unchanged);

    WriteFileText(folder_ / "two.zsc", "[schedule]\nnumber=2\nUse1=0\nStartH1=7\nday1=24\n");
    ASSERT_TRUE(ReadScheduleFile(folder_ / "two.zsc", entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (TScheduleEntry{true, 0, 0, 0, 0, 0, 0, 1, 1, 2004, 1}));
    EXPECT_EQ(entries[1], (TScheduleEntry{false, 7, 0, 0, 0, 0, 0, 24, 1, 2004, 1}));
}

TEST_F(SettingsStore, ScheduleSectionIsWrittenWhole) {
    WriteFileText(folder_ / "s.zsc", "[Schedule]\nNumber=3\nUse2=1\nStale9=5\n[Other]\nKeep=1\n");
    WriteScheduleFile(folder_ / "s.zsc", {TScheduleEntry{}});
    const std::string text = ReadFileText(folder_ / "s.zsc");
    EXPECT_NE(text.find("Number=1\n"), std::string::npos);
    EXPECT_EQ(text.find("Use2"), std::string::npos);
    EXPECT_EQ(text.find("Stale9"), std::string::npos);
    EXPECT_NE(text.find("Keep=1"), std::string::npos);
}

TEST_F(SettingsStore, ResetMakesTheOutputFoldersExist) {
    TOptionsValues values;
    ResetSettings(values);
    EXPECT_EQ(values.edJoinOutputPath, GlobeVar::DefaultJoinOutputPath);
    for (const auto* folder : {&values.edConvertOutputPath, &values.edSplitOutputPath, &values.edJoinOutputPath})
        EXPECT_TRUE(fs::is_directory(*folder)) << *folder;

    // A default folder two levels deep cannot be made in one step: the box keeps it anyway.
    GlobeVar::DefaultSplitOutputPath = folder_ / "deep/er/Cut files/";
    ResetSettings(values);
    EXPECT_EQ(values.edSplitOutputPath, GlobeVar::DefaultSplitOutputPath);
    EXPECT_FALSE(fs::exists(GlobeVar::DefaultSplitOutputPath));
}

TEST_F(SettingsStore, ResetKeepsTheScheduleAndSetsTheDefaultButtonValues) {
    TOptionsValues values;
    values.listSchedule = {TScheduleEntry{}};
    values.cboxVBREnable = true;
    values.rbVOXNewTrack = true;
    values.cboxStart1 = false;
    ResetSettings(values);
    EXPECT_EQ(values.listSchedule.size(), 1u);
    EXPECT_FALSE(values.cboxVBREnable);
    EXPECT_FALSE(values.rbVOXNewTrack);
    EXPECT_TRUE(values.cboxStart1);
    EXPECT_EQ(values.cboxMP3BitRate, 6);
    EXPECT_EQ(values.cboxWmaFormat, 14);
    EXPECT_EQ(values.edSubject, "Share");
    EXPECT_EQ(values.memoBody, std::vector<std::string>{"Hi,"});
}
