#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AppSettings.h"
#include "TempFolder.h"

using namespace AppSettings;

TEST(AppSettings, AudioTypeOfFileByExtensionInAnyCase) {
    const std::vector<std::pair<std::string, std::string>> cases{{"song.mp3", "MP3"},
                                                                 {"Song.Mp3", "MP3"},
                                                                 {"/music/a.WAV", "WAV"},
                                                                 {"b.ogg", "OGG"},
                                                                 {"c.wMa", "WMA"},
                                                                 {"clip.mp4", ""},
                                                                 {"noextension", ""},
                                                                 {"/dir.mp3/file", ""},
                                                                 {"archive.mp3.txt", ""},
                                                                 {".mp3", "MP3"},
                                                                 {"", ""},
                                                                 {"track.mp", ""}};
    for (const auto& [name, kind] : cases)
        EXPECT_EQ(audioTypeOfFile(name), kind) << name;
}

TEST(AppSettings, FormatFileSizeUnitsTenthsAndGrouping) {
    const std::vector<std::pair<int64_t, std::string>> cases{{0, "   0 Bytes"},
                                                             {500, " 500 Bytes"},
                                                             {1024, "1,024 Bytes"},
                                                             {1025, "   1 KB"},
                                                             {1536, "   1.5 KB"},
                                                             {123456, " 120.5 KB"},
                                                             {1048576, "1,024 KB"},
                                                             {1048577, "   1 MB"},
                                                             {5000000, "   4.7 MB"},
                                                             {1572864, "   1.5 MB"},
                                                             {9728, "   9.5 KB"},
                                                             {524288, " 512 KB"},
                                                             {1100000000000LL, "1,049,041.7 MB"},
                                                             {1024LL * 1048576 * 2, "2,048 MB"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(formatFileSize(bytes), text) << bytes;
}

TEST(AppSettings, SizeSortKeyRanksUnits) {
    EXPECT_EQ(sizeSortKey("   4.7 MB"), "c   4.7 MB");
    EXPECT_EQ(sizeSortKey(" 120.5 KB"), "b 120.5 KB");
    EXPECT_EQ(sizeSortKey(" 500 Bytes"), "a 500 Bytes");
    EXPECT_EQ(sizeSortKey("1234"), "");
    EXPECT_EQ(sizeSortKey(""), "");
    // Sizes sort by unit first, then by their right-aligned digits.
    std::vector<int64_t> sizes{1572864, 100, 524288, 9728, 2097152, 900, 1536};
    std::sort(sizes.begin(), sizes.end(),
              [](int64_t a, int64_t b) { return sizeSortKey(formatFileSize(a)) < sizeSortKey(formatFileSize(b)); });
    EXPECT_EQ(sizes, (std::vector<int64_t>{100, 900, 1536, 9728, 524288, 1572864, 2097152}));
}

TEST(AppSettings, PaddingHelpers) {
    EXPECT_EQ(zeroPad(7, 2), "07");
    EXPECT_EQ(zeroPad(2024, 2), "2024");
    EXPECT_EQ(zeroPad(0, 3), "000");
    EXPECT_EQ(zeroPad(5, 0), "5");
    EXPECT_EQ(padLeft("ab", 4, '*'), "**ab");
    EXPECT_EQ(padLeft("abcdef", 4, ' '), "abcdef");
    EXPECT_EQ(spaces(0), "");
    EXPECT_EQ(spaces(3), "   ");
    EXPECT_EQ(spaces(300).size(), 255u);
}

TEST(AppSettings, TimeTexts) {
    struct Case {
        int64_t ms;
        const char* hms;
        const char* colon;
        const char* minSecMs;
    };
    const Case cases[] = {
        {0, "00h 00m 00s ", "00 : 00 : 00", "000 : 00 : 000"},
        {3723456, "01h 02m 03s ", "01 : 02 : 03", "062 : 03 : 456"},
        {83456, "00h 01m 23s ", "00 : 01 : 23", "001 : 23 : 456"},
        {999, "00h 00m 00s ", "00 : 00 : 00", "000 : 00 : 999"},
        {100LL * 3600 * 1000, "100h 00m 00s ", "100 : 00 : 00", "6000 : 00 : 000"},
        {1000LL * 60 * 1000, "16h 40m 00s ", "16 : 40 : 00", "1000 : 00 : 000"},
        {25LL * 3600 * 1000 + 59999, "25h 00m 59s ", "25 : 00 : 59", "1500 : 59 : 999"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formatHms(c.ms), c.hms) << c.ms;
        EXPECT_EQ(formatHmsColon(c.ms), c.colon) << c.ms;
        EXPECT_EQ(formatMinSecMs(c.ms), c.minSecMs) << c.ms;
    }
}

TEST(AppSettings, IndentAndTrimmedCountCarryRowMarkers) {
    const std::string duration = "00 : 03 : 10";
    for (int marker : {0, 1, 3}) {
        const std::string marked = indentText(duration, marker);
        EXPECT_EQ(trimmedCount(marked), marker);
        EXPECT_EQ(trim(marked), duration);
        // Re-marking replaces the old marker instead of adding to it.
        EXPECT_EQ(trimmedCount(indentText(indentText(duration, 3), marker)), marker);
    }
    EXPECT_EQ(indentText(" \t text\r\n", 2), "  text");
    EXPECT_EQ(trimmedCount("\t x \n"), 4);
    EXPECT_EQ(trimmedCount(""), 0);
    EXPECT_EQ(trim("   "), "");
}

TEST(AppSettings, RecentFilesPutTheNewestFirstOnceAndKeepTen) {
    std::vector<std::string> list;
    for (int n = 0; n < 12; ++n)
        AppSettings::rememberRecentFile(list, "/f" + std::to_string(n));
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front(), "/f11");
    EXPECT_EQ(list.back(), "/f2");
    AppSettings::rememberRecentFile(list, "/f5");
    EXPECT_EQ(list.size(), 10u);
    EXPECT_EQ(list[0], "/f5");
    EXPECT_EQ(list[1], "/f11");
    EXPECT_EQ(std::count(list.begin(), list.end(), "/f5"), 1);
}

TEST(AppSettings, MailArgumentsFromNameValuePairs) {
    struct Case {
        std::vector<std::string> pairs;
        std::vector<std::string> args;
    };
    const std::vector<Case> cases{
        {{"to=", "subject=Share with you", "body=Hi", "attachment0=/music/a.mp3"},
         {"--subject", "Share with you", "--body", "Hi", "--attach", "/music/a.mp3"}},
        // Attachments stop at the first missing number.
        {{"attachment0=/a.mp3", "attachment2=/c.mp3"}, {"--attach", "/a.mp3"}},
        {{"ATTACHMENT0=/a.mp3", "Attachment1=/b=c.mp3"}, {"--attach", "/a.mp3", "--attach", "/b=c.mp3"}},
        {{"To=friend@example.org", "Subject="}, {"friend@example.org"}},
        {{}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mailArguments(c.pairs), c.args);
}

class MailHandOff : public ::testing::Test {
protected:
    void SetUp() override { savedPath_ = std::getenv("PATH") ? std::getenv("PATH") : ""; }
    void TearDown() override { setenv("PATH", savedPath_.c_str(), 1); }

    TempFolder folder_;
    std::string savedPath_;
};

TEST_F(MailHandOff, StandInMailProgramReceivesTheArguments) {
    const std::string record = folder_ / "args.txt";
    writeFileText(folder_ / "xdg-email",
                  "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '" + record + "'; done\nexit 0\n");
    std::filesystem::permissions(folder_ / "xdg-email", std::filesystem::perms::owner_all);
    setenv("PATH", (folder_.path() + ":/bin:/usr/bin").c_str(), 1);

    const int status = sendMailWithAttachments(reinterpret_cast<void*>(1),
                                               {"to=", "subject=Share with you", "body=Hi", "attachment0=/m/a b.mp3"});
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readFileText(record), "--subject\nShare with you\n--body\nHi\n--attach\n/m/a b.mp3\n");
}

TEST_F(MailHandOff, StatusOfTheMailProgramIsReturned) {
    writeFileText(folder_ / "xdg-email", "#!/bin/sh\nexit 3\n");
    std::filesystem::permissions(folder_ / "xdg-email", std::filesystem::perms::owner_all);
    setenv("PATH", (folder_.path() + ":/bin:/usr/bin").c_str(), 1);
    EXPECT_EQ(sendMailWithAttachments(nullptr, {"attachment0=/x.mp3"}), 3);
}

TEST_F(MailHandOff, MissingMailProgramGivesStatusOne) {
    setenv("PATH", folder_.path().c_str(), 1);
    EXPECT_EQ(sendMailWithAttachments(nullptr, {"attachment0=/x.mp3"}), 1);
}
