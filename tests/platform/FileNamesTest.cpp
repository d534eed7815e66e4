#include <string>

#include <gtest/gtest.h>

#include "FileNames.h"
#include "Utf8Text.h"

using namespace std::string_literals;

// Every name goes back to exactly its bytes; valid UTF-8 reads as the text it is.
TEST(FileNames, NamesKeepTheirBytesAndValidTextReadsAsItself) {
    struct Case {
        std::string bytes;
        bool valid;
    };
    const Case cases[] = {
        {"song.mp3", true},
        {"caf\xc3\xa9 \xe2\x82\xac.mp3", true},  // é and €
        {"\xf0\x9f\x8e\xb5 music.ogg", true},    // a character beyond 16 bits
        {"caf\xe9.mp3", false},                  // Latin-1
        {"\xc0\xaf.wav", false},                 // overlong "/"
        {"\xed\xa0\x80.wav", false},             // a surrogate written as UTF-8
        {"end\xe2\x82", false},                  // a sequence cut short
        {"\xf0\x9f\x8e\xb5\xb5\xff.wma", false}, // a stray byte after a wide character
        {"\xf4\x90\x80\x80", false},             // past U+10FFFF
        {"/music/\x80\x81/a\xfe.mp3", false},
        {""s, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(Utf8::isValid(c.bytes), c.valid);
        const QString path = Platform::pathFromBytes(c.bytes);
        EXPECT_EQ(Platform::pathBytes(path), c.bytes);
        if (c.valid)
            EXPECT_EQ(path, QString::fromUtf8(c.bytes.data(), static_cast<qsizetype>(c.bytes.size())));
        else
            EXPECT_FALSE(path.contains(QChar::ReplacementCharacter));
    }
    // Text typed by the user (a rename) is plain UTF-8.
    EXPECT_EQ(Platform::pathBytes(QString::fromUtf8("\xc3\xa9t\xc3\xa9.mp3")), "\xc3\xa9t\xc3\xa9.mp3");
}
