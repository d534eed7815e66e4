#include <filesystem>

#include <gtest/gtest.h>

#include "AppSettings.h"
#include "NameTemplate.h"
#include "OutputNaming.h"
#include "TempFolder.h"

namespace {

std::tm march5At140709() {
    std::tm clock{};
    clock.tm_year = 2024 - 1900;
    clock.tm_mon = 2;
    clock.tm_mday = 5;
    clock.tm_hour = 14;
    clock.tm_min = 7;
    clock.tm_sec = 9;
    return clock;
}

// The seventh of twelve sections of "live.flac", from 12:30.5 to 1:02:03.004.
NameFields seventhSection() {
    NameFields fields;
    fields.number = 7;
    fields.count = 12;
    fields.title = "Intro";
    fields.artist = "Band";
    fields.source.title = "Whole Show";
    fields.source.artist = "Source Artist";
    fields.source.album = "Live";
    fields.source.albumArtist = "Various";
    fields.source.date = "1999-10-02";
    fields.source.genre = "Rock";
    fields.source.track = "4/9";
    fields.stem = "live";
    fields.startMs = 750'500;
    fields.endMs = 3'723'004;
    fields.merged = "Merged 2024-03-05 14-07-09";
    fields.now = march5At140709();
    return fields;
}

} // namespace

TEST(NameTemplate, EveryFieldAndFormat) {
    struct Case {
        const char* nameTemplate;
        const char* expected;
    };
    const Case cases[] = {
        {"{n}", "7"},
        {"{n:02}", "07"},
        {"{n:3}", "007"},
        {"{index}", "6"},
        {"{count}", "12"},
        {"{title}", "Intro"},
        {"{artist}", "Band"},
        {"{album}", "Live"},
        {"{albumartist}", "Various"},
        {"{year}", "1999"},
        {"{genre}", "Rock"},
        {"{track}", "4"},
        {"{track:02}", "04"},
        {"{stem}", "live"},
        {"{start}", "12m30s"},
        {"{start:s}", "750.5"},
        {"{end}", "1h02m03s"},
        {"{end:s}", "3723.004"},
        {"{date} {time}", "2024-03-05 14-07-09"},
        {"{sourcetitle}", "Whole Show"},
        {"{merged}", "Merged 2024-03-05 14-07-09"},
        {"{n:02} - {artist} - {title}", "07 - Band - Intro"},
        {"{album}/{n:02} {title}", "Live/07 Intro"},
        {" {album} / / {title} ", "Live/Intro"},
        {"a:b*c?\"d<e>f|g\\h", "a_b_c__d_e_f_g_h"},
        {"../{title}/./x", "_/Intro/_/x"},
        {"{genre:02}", "Rock"}, // a width pads numbers only
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nameTemplateError(c.nameTemplate), "") << c.nameTemplate;
        EXPECT_EQ(expandNameTemplate(c.nameTemplate, seventhSection()), c.expected) << c.nameTemplate;
    }
}

// What the fields give is never a folder or a name break: "/" and the like in a title
// are replaced, control characters left out.
TEST(NameTemplate, FieldTextsCannotMakeFoldersOrBreakNames) {
    NameFields fields = seventhSection();
    fields.title = "AC/DC: Live? \"Best\"\n";
    fields.source.album = "..";
    EXPECT_EQ(expandNameTemplate("{album}/{title}", fields), "_/AC_DC_ Live_ _Best_");
    fields.title = "";
    fields.source.title = "";
    EXPECT_EQ(expandNameTemplate("{title}", fields), "live") << "a template that gives nothing gives the stem";
}

TEST(NameTemplate, WrongTemplatesAreNamed) {
    struct Case {
        const char* nameTemplate;
        const char* error;
    };
    const Case cases[] = {
        {"{foo}", "unknown field {foo}"},
        {"{n", "a \"{\" is not closed"},
        {"n}", "a \"}\" is not opened"},
        {"{n:x}", "{n:x}: \"x\" is not a format of this field"},
        {"{start:02}", "{start:02}: \"02\" is not a format of this field"},
        {"{n:123}", "{n:123}: \"123\" is not a format of this field"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(nameTemplateError(c.nameTemplate), c.error) << c.nameTemplate;
    EXPECT_EQ(usableNameTemplate("{foo}", AppSettings::defaultSplitNameTemplate),
              AppSettings::defaultSplitNameTemplate);
}

// The default templates give the names the program has always given.
TEST(NameTemplate, DefaultsGiveTheUsualNames) {
    NameFields first = seventhSection();
    first.number = 1;
    EXPECT_EQ(expandNameTemplate(AppSettings::defaultSplitNameTemplate, first), "live-Splitted0");
    first.number = 11;
    EXPECT_EQ(expandNameTemplate(AppSettings::defaultSplitNameTemplate, first), "live-Splitted10");
    EXPECT_EQ(expandNameTemplate(AppSettings::defaultJoinNameTemplate, first), "Merged 2024-03-05 14-07-09");
    EXPECT_EQ(expandNameTemplate(AppSettings::defaultConvertNameTemplate, first), "live");
}

// Names keep to the 255 bytes of a file name, with their extension and " New", cut
// between characters; folders are made.
TEST(NameTemplate, LongNamesFoldersAndTwoOfOneName) {
    TempFolder folder;
    const std::string f = folder.path();
    std::string title;
    while (title.size() < 300)
        title += "€"; // three bytes
    const std::string name = uniqueOutputName(f, "Album/" + title, "flac", false);
    const std::string file = name.substr((f + "Album/").size());
    EXPECT_TRUE(std::filesystem::is_directory(f + "Album"));
    EXPECT_LE(file.size(), 255u);
    EXPECT_EQ(file.size(), 254u) << "characters are kept whole";
    EXPECT_EQ(file.substr(file.size() - 5), ".flac");
    writeFileText(name, "x");
    const std::string next = uniqueOutputName(f, "Album/" + title, "flac", false);
    EXPECT_NE(next, name);
    EXPECT_EQ(next.substr(next.size() - 9), " New.flac");
    EXPECT_LE(next.size() - (f + "Album/").size(), 255u);

    // Two sections of one name in one run, with overwriting allowed too.
    const std::string one = uniqueOutputName(f, "Intro", "mp3", true);
    EXPECT_EQ(uniqueOutputName(f, "Intro", "mp3", true, {one}), f + "Intro New.mp3");
    EXPECT_EQ(uniqueOutputName(f, "Intro", "mp3", false, {one, f + "Intro New.mp3"}), f + "Intro New New.mp3");
}
