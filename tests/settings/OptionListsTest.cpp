#include <gtest/gtest.h>

#include "OptionLists.h"

using namespace OptionLists;

TEST(OptionLists, ListsHaveTheirEntriesInPositionOrder) {
    EXPECT_EQ(wavFrequencies().size(), 7u);
    EXPECT_EQ(wavFrequencies()[5], "44100 Hz");
    EXPECT_EQ(mp3OggFrequencies(), (std::vector<std::string>{"32000 Hz", "44100 Hz", "48000 Hz"}));
    EXPECT_EQ(mp3BitRates()[6], "112 kbps");
    EXPECT_EQ(mp3Qualities().front(), "0 (best quality)");
    EXPECT_EQ(mp3Qualities().back(), "9 (best speed)");
    EXPECT_EQ(oggQualities().back(), "9 (best quality)");
    EXPECT_EQ(oggQualities()[6], "6");
    ASSERT_EQ(wmaFormats().size(), 60u);
    EXPECT_EQ(wmaFormats()[0], "8000Hz,mono,4kbps");
    EXPECT_EQ(wmaFormats()[14], "44100Hz,stereo,128kbps");
    EXPECT_EQ(wmaFormats()[59], "44100Hz,stereo,128kbps");
    EXPECT_EQ(wmaFormats()[15], wmaFormats()[0]);
    EXPECT_EQ(hotkeyModifiers().size(), 7u);
    ASSERT_EQ(hotkeyKeys().size(), 59u);
    EXPECT_EQ(hotkeyKeys()[28], "R");
    EXPECT_EQ(hotkeyKeys()[29], "S");
    EXPECT_EQ(hotkeyKeys()[55], "Numpad +");
    EXPECT_EQ(hotkeyKeys()[56], "Numpad -");
}

TEST(OptionLists, VirtualKeyCodesAsWindowsNumbersThem) {
    const std::pair<int, int> keys[] = {{0, 0xC0},  {1, '0'},   {10, '9'},  {11, 'A'},  {36, 'Z'},
                                        {37, 0x2D}, {38, 0x2E}, {39, 0x24}, {40, 0x23}, {41, 0x21},
                                        {42, 0x22}, {43, 0x70}, {54, 0x7B}, {55, 0x6B}, {56, 0x6D},
                                        {57, 0x6A}, {58, 0x6F}, {59, 0},    {-1, 0}};
    for (const auto& [position, code] : keys)
        EXPECT_EQ(keyCode(position), code) << position;
    EXPECT_EQ(modifierKeyCodes(0), std::vector<int>{});
    EXPECT_EQ(modifierKeyCodes(1), std::vector<int>{0x11});
    EXPECT_EQ(modifierKeyCodes(2), std::vector<int>{0x12});
    EXPECT_EQ(modifierKeyCodes(3), std::vector<int>{0x10});
    EXPECT_EQ(modifierKeyCodes(4), (std::vector<int>{0x11, 0x12}));
    EXPECT_EQ(modifierKeyCodes(5), (std::vector<int>{0x11, 0x10}));
    EXPECT_EQ(modifierKeyCodes(6), (std::vector<int>{0x10, 0x12}));
}
