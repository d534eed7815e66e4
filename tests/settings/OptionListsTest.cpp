#include <gtest/gtest.h>

#include "OptionLists.h"

using namespace OptionLists;

TEST(OptionLists, ListsHaveTheirEntriesInPositionOrder) {
    EXPECT_EQ(WavFrequencies().size(), 7u);
    EXPECT_EQ(WavFrequencies()[5], "44100 Hz");
    EXPECT_EQ(Mp3OggFrequencies(), (std::vector<std::string>{"32000 Hz", "44100 Hz", "48000 Hz"}));
    EXPECT_EQ(Mp3BitRates()[6], "112 kbps");
    EXPECT_EQ(Mp3Qualities().front(), "0 (best quality)");
    EXPECT_EQ(Mp3Qualities().back(), "9 (best speed)");
    EXPECT_EQ(OggQualities().back(), "9 (best quality)");
    EXPECT_EQ(OggQualities()[6], "6");
    ASSERT_EQ(WmaFormats().size(), 60u);
    EXPECT_EQ(WmaFormats()[0], "8000Hz,mono,4kbps");
    EXPECT_EQ(WmaFormats()[14], "44100Hz,stereo,128kbps");
    EXPECT_EQ(WmaFormats()[59], "44100Hz,stereo,128kbps");
    EXPECT_EQ(WmaFormats()[15], WmaFormats()[0]);
    EXPECT_EQ(HotkeyModifiers().size(), 7u);
    ASSERT_EQ(HotkeyKeys().size(), 59u);
    EXPECT_EQ(HotkeyKeys()[28], "R");
    EXPECT_EQ(HotkeyKeys()[29], "S");
    EXPECT_EQ(HotkeyKeys()[55], "Numpad +");
    EXPECT_EQ(HotkeyKeys()[56], "Numpad -");
}

TEST(OptionLists, VirtualKeyCodesAsWindowsNumbersThem) {
    const std::pair<int, int> keys[] = {{0, 0xC0},  {1, '0'},   {10, '9'},  {11, 'A'},  {36, 'Z'},
                                        {37, 0x2D}, {38, 0x2E}, {39, 0x24}, {40, 0x23}, {41, 0x21},
                                        {42, 0x22}, {43, 0x70}, {54, 0x7B}, {55, 0x6B}, {56, 0x6D},
                                        {57, 0x6A}, {58, 0x6F}, {59, 0},    {-1, 0}};
    for (const auto& [position, code] : keys)
        EXPECT_EQ(KeyCode(position), code) << position;
    EXPECT_EQ(ModifierKeyCodes(0), std::vector<int>{});
    EXPECT_EQ(ModifierKeyCodes(1), std::vector<int>{0x11});
    EXPECT_EQ(ModifierKeyCodes(2), std::vector<int>{0x12});
    EXPECT_EQ(ModifierKeyCodes(3), std::vector<int>{0x10});
    EXPECT_EQ(ModifierKeyCodes(4), (std::vector<int>{0x11, 0x12}));
    EXPECT_EQ(ModifierKeyCodes(5), (std::vector<int>{0x11, 0x10}));
    EXPECT_EQ(ModifierKeyCodes(6), (std::vector<int>{0x10, 0x12}));
}
