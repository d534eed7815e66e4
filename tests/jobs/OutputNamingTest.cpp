#include <filesystem>

#include <gtest/gtest.h>

#include "OutputNaming.h"
#include "TempFolder.h"

TEST(OutputNaming, NewIsAppendedUntilTheNameIsFree) {
    TempFolder folder;
    const std::string f = folder.path();
    EXPECT_EQ(uniqueOutputName(f, "song", "wav", false), f + "song.wav");
    writeFileText(f + "song.wav", "x");
    EXPECT_EQ(uniqueOutputName(f, "song", "wav", false), f + "song New.wav");
    writeFileText(f + "song New.wav", "x");
    EXPECT_EQ(uniqueOutputName(f, "song", "wav", false), f + "song New New.wav");
    EXPECT_EQ(uniqueOutputName(f, "song", "wav", true), f + "song.wav");
    EXPECT_EQ(uniqueOutputName(f, "song", "mp3", false), f + "song.mp3");
}

TEST(OutputNaming, MergedNameFromPrefixDateTimeAndSuffix) {
    std::tm clock{};
    clock.tm_year = 2024 - 1900;
    clock.tm_mon = 2;
    clock.tm_mday = 5;
    clock.tm_hour = 14;
    clock.tm_min = 7;
    clock.tm_sec = 9;
    struct Case {
        const char* prefix;
        const char* suffix;
        bool useDate;
        const char* stem;
    };
    const Case cases[] = {
        {"Merged", "", true, "Merged 2024-03-05 14-07-09"},
        {"  My  mix ", " end ", true, "My  mix 2024-03-05 14-07-09 end"},
        {"", "", false, "14-07-09"},
        {"", "tail", false, "14-07-09 tail"},
        {"a/b", "c:d*?\"<>|\\e", false, "ab 14-07-09 cde"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mergedFileStem(c.prefix, c.suffix, c.useDate, clock), c.stem) << c.prefix;
}

TEST(OutputNaming, PathParts) {
    EXPECT_EQ(folderOf("/music/a b/song.live.mp3"), "/music/a b/");
    EXPECT_EQ(stemOf("/music/a b/song.live.mp3"), "song.live");
    EXPECT_EQ(stemOf("/music/noext"), "noext");
    EXPECT_EQ(stemOf("/music/.hidden"), ".hidden");
    EXPECT_EQ(folderOf("plain.wav"), "");
}

// Files are the same by identity, not by the text of their paths.
TEST(OutputNaming, InputThatIsOutputComparesFilesNotPaths) {
    TempFolder folder;
    const std::string f = folder.path();
    writeFileText(f + "a.mp3", "a");
    writeFileText(f + "b.mp3", "b");
    std::filesystem::create_directories(f + "sub");
    std::filesystem::create_hard_link(f + "a.mp3", f + "hard.mp3");
    std::filesystem::create_symlink(f + "a.mp3", f + "soft.mp3");
    struct Case {
        std::string output;
        std::string expected;
    };
    const Case cases[] = {
        {f + "a.mp3", f + "a.mp3"},    {f + "sub/../a.mp3", f + "a.mp3"}, {f + "./hard.mp3", f + "a.mp3"},
        {f + "soft.mp3", f + "a.mp3"}, {f + "b.mp3", f + "b.mp3"},        {f + "new.mp3", ""},
        {f + "sub/a.mp3", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(inputThatIsOutput(c.output, {f + "a.mp3", f + "b.mp3"}), c.expected) << c.output;
}
