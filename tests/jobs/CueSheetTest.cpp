#include <algorithm>
#include <string>
#include <vector>

#include <iconv.h>

#include <gtest/gtest.h>

#include "CueSheet.h"
#include "TempFolder.h"

namespace {

// An album sheet of three tracks, the second with a pregap (INDEX 00); titled is the
// second track's title as the sheet's encoding writes it.
std::string albumSheet(const std::string& titled) {
    return "REM GENRE \"Chanson\"\r\n"
           "REM DATE 1962\r\n"
           "PERFORMER \"Les Amis\"\r\n"
           "TITLE \"Chansons\"\r\n"
           "FILE \"Album.wav\" WAVE\r\n"
           "  TRACK 01 AUDIO\r\n"
           "    TITLE \"Premier\"\r\n"
           "    INDEX 01 00:00:00\r\n"
           "  TRACK 02 AUDIO\r\n"
           "    TITLE \"" +
           titled +
           "\"\r\n"
           "    PERFORMER \"Invité\"\r\n"
           "    INDEX 00 03:10:00\r\n"
           "    INDEX 01 03:12:37\r\n"
           "  TRACK 03 AUDIO\r\n"
           "    TITLE \"Dernier\"\r\n"
           "    INDEX 01 07:45:74\r\n";
}

// The UTF-8 text in another encoding, as iconv writes it.
std::string encoded(const std::string& text, const char* encoding) {
    iconv_t converter = iconv_open(encoding, "UTF-8");
    std::string out(text.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    char* to = out.data();
    size_t inLeft = text.size(), toLeft = out.size();
    iconv(converter, &in, &inLeft, &to, &toLeft);
    iconv_close(converter);
    out.resize(out.size() - toLeft);
    return out;
}

// A sheet of five tracks titled in one language.
std::string sheetTitled(const std::vector<std::string>& titles, const std::string& performer) {
    std::string text = "PERFORMER \"" + performer + "\"\nFILE \"Album.wav\" WAVE\n";
    for (size_t i = 0; i < titles.size(); ++i)
        text += "  TRACK 0" + std::to_string(i + 1) + " AUDIO\n    TITLE \"" + titles[i] + "\"\n    INDEX 01 0" +
                std::to_string(i) + ":00:00\n";
    return text;
}

} // namespace

// Sheets as the world's programs wrote them: UTF-16 and UTF-32 with and without a byte
// order mark, old Mac line ends, and 8-bit sheets in the encodings of Cyrillic, Japanese
// and Chinese Windows and DOS, found by their bytes; a name given overrides the guess.
TEST(CueSheet, EncodingsAndLineEndsOfTheWorldsSheets) {
    const std::vector<std::string> russian{"Трек первый: Утро", "Вечерняя песня", "Дорога домой и обратно",
                                           "Зимний сон", "Последняя встреча"};
    const std::vector<std::string> japanese{"最初の曲", "夜明けの歌", "さくら さくら", "海の見える街", "最後の手紙"};
    const std::vector<std::string> chinese{"第一首歌", "月亮代表我的心", "夜来香", "甜蜜蜜", "最后的告别"};
    const std::string russianSheet = sheetTitled(russian, "Группа Кино");
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::string> titles;
        std::string encoding = {};
    } cases[] = {
        {"UTF-16LE with its mark", "\xFF\xFE" + encoded(russianSheet, "UTF-16LE"), russian},
        {"UTF-16BE without a mark", encoded(russianSheet, "UTF-16BE"), russian},
        {"UTF-16LE without a mark", encoded(russianSheet, "UTF-16LE"), russian},
        {"UTF-32LE with its mark", encoded(russianSheet, "UTF-32"), russian},
        {"UTF-8 with old Mac line ends",
         [&] {
             std::string text = russianSheet;
             std::replace(text.begin(), text.end(), '\n', '\r');
             return text;
         }(),
         russian},
        {"Windows-1251", encoded(russianSheet, "WINDOWS-1251"), russian},
        {"IBM866", encoded(russianSheet, "IBM866"), russian},
        {"ISO-8859-5", encoded(russianSheet, "ISO-8859-5"), russian},
        {"Shift-JIS", encoded(sheetTitled(japanese, "歌手"), "SHIFT_JIS"), japanese},
        {"GBK", encoded(sheetTitled(chinese, "歌手"), "GBK"), chinese},
        {"KOI8-R named by the user", encoded(russianSheet, "KOI8-R"), russian, "KOI8-R"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CueSheet sheet;
        ASSERT_NO_THROW(sheet = parseCueSheet(c.bytes, "album.flac", 600000, c.encoding));
        ASSERT_EQ(sheet.sections.size(), c.titles.size());
        for (size_t i = 0; i < c.titles.size(); ++i)
            EXPECT_EQ(sheet.sections[i].title, c.titles[i]);
    }
    EXPECT_THROW(parseCueSheet(russianSheet, "album.flac", 600000, "NO-SUCH-ENCODING"), CueSheetError);
}

TEST(CueSheet, TracksGivePointsTitlesAndTheAlbumInUtf8AndWindows1252) {
    const std::string utf8Title = "\xC3\x89t\xC3\xA9 \xE2\x80\x9C"
                                  "chaud\xE2\x80\x9D"; // Été “chaud”
    const std::string windowsTitle = "\xC9t\xE9 \x93"
                                     "chaud\x94";
    for (const std::string& title : {utf8Title, windowsTitle}) {
        std::string bytes = albumSheet(title);
        if (title == windowsTitle) // the artist's é too, in the same encoding
            bytes.replace(bytes.find("Invit\xC3\xA9"), 7, "Invit\xE9");
        const CueSheet sheet = parseCueSheet(bytes, "/music/album.mp3", 600000);
        // Tracks without a performer of their own have the sheet's.
        const CutPlan expected{{0, true, "Premier", "Les Amis"},
                               {192493, true, utf8Title, "Invit\xC3\xA9"},
                               {465987, true, "Dernier", "Les Amis"}};
        EXPECT_EQ(sheet.sections, expected);
        EXPECT_EQ(sheet.file, "Album.wav");
        EXPECT_EQ(sheet.album.album, "Chansons");
        EXPECT_EQ(sheet.album.artist, "Les Amis");
        EXPECT_EQ(sheet.album.albumArtist, "Les Amis");
        EXPECT_EQ(sheet.album.date, "1962");
        EXPECT_EQ(sheet.album.genre, "Chanson");
    }
    // A first track that starts later leaves its pregap as an unticked section.
    const CueSheet late = parseCueSheet(
        "FILE \"a.flac\" WAVE\nTRACK 1 AUDIO\nINDEX 01 00:02:00\nTRACK 2 AUDIO\nINDEX 01 01:00:00\n", "a.mp3", 90000);
    EXPECT_EQ(late.sections, (CutPlan{{0, false, "", ""}, {2000, true, "", ""}, {60000, true, "", ""}}));
}

TEST(CueSheet, SheetsThatCannotBeUsedNameTheirLine) {
    const std::string head = "FILE \"a.wav\" WAVE\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {head + "TRACK 01 AUDIO\nINDEX 01 00:61:00\n", "line 3: INDEX needs a time as mm:ss:ff"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:01:75\n", "line 3: INDEX needs a time"},
        {head + "TRACK 01 AUDIO\nINDEX 01 1:2\n", "line 3: INDEX needs a time"},
        {head + "TRACK 01 AUDIO\nINDEX 01\n", "line 3: INDEX needs a time"},
        {head + "TRACK 01 AUDIO\nTITLE \"open\n", "line 3: a quotation mark is not closed"},
        {head + "TRACK AB AUDIO\n", "line 2: TRACK needs a number from 1 to 99"},
        {head + "INDEX 01 00:00:00\n", "line 2: INDEX comes before any TRACK"},
        {"TRACK 01 AUDIO\n", "line 1: TRACK comes before the FILE line"},
        {head + "TRACK 01 AUDIO\nTITLE \"x\"\nTRACK 02 AUDIO\nINDEX 01 00:01:00\n",
         "line 2: the track has no INDEX 01"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:05:00\nTRACK 02 AUDIO\nINDEX 01 00:04:00\n",
         "line 4: the track starts before the one above it ends"},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\nINDEX 01 20:00:00\n",
         "line 4: the track starts after the end of \"a.mp3\""},
        {"FILE \"other.wav\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n",
         "line 1: the sheet is for \"other.wav\", not for \"a.mp3\""},
        {head + "TRACK 01 AUDIO\nINDEX 01 00:00:00\nFILE \"a.wav\" WAVE\n",
         "line 4: the sheet names a second audio file"},
        {head + "\n", "line 2: the sheet has no tracks"},
        {head + "TRACK 01 AUDIO\nREM ZELVO_MS soon\nINDEX 01 00:00:00\n", "line 3: REM ZELVO_MS needs milliseconds"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            parseCueSheet(c.text, "a.mp3", 60000);
            ADD_FAILURE() << "no error";
        } catch (const CueSheetError& error) {
            EXPECT_EQ(std::string(error.what()).rfind(c.message, 0), 0u) << error.what();
        }
    }
}

TEST(CueSheet, ASavedListLoadsBackIdentical) {
    TempFolder folder;
    const CutPlan plan{{0, true, "Intro", "Me"},
                       {1234, false, "", ""},
                       {61001, true, "Say \"hi\"", ""},
                       {3599999, true, "Last", "You"}};
    const std::string text = cueSheetText("/music/talk.mp3", plan);
    EXPECT_NE(text.find("FILE \"talk.mp3\" MP3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("INDEX 01 00:01:18\n"), std::string::npos) << text; // 1234 ms: 1 s and 17.55 frames
    EXPECT_NE(text.find("INDEX 01 60:00:00\n"), std::string::npos) << text; // the CUE's minutes run past 59
    writeFileText(folder / "talk.cue", text);
    CutPlan expected = plan;
    expected[2].title = "Say 'hi'"; // a CUE text cannot hold a quotation mark
    EXPECT_EQ(readCueSheet(folder / "talk.cue", "talk.mp3", 3600000).sections, expected);
    // Without the exact milliseconds, the sheet's own 1/75 s.
    std::string plain = text;
    for (size_t at; (at = plain.find("    REM ZELVO_MS")) != std::string::npos;)
        plain.erase(at, plain.find('\n', at) - at + 1);
    const CutPlan rounded = parseCueSheet(plain, "talk.mp3", 3600500).sections;
    EXPECT_EQ(rounded[1].start, 1240);
    EXPECT_EQ(rounded[2].start, 61000);

    try {
        readCueSheet(folder / "missing.cue", "talk.mp3", 1000);
        ADD_FAILURE() << "no error";
    } catch (const CueSheetError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot use the CUE sheet \"" + folder / "missing.cue" + "\": No such file or directory");
    }
}
