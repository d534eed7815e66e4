#include "OptionLists.h"

namespace OptionLists {

namespace {

std::vector<std::string> qualityList(const std::string& first, const std::string& last) {
    std::vector<std::string> items{first};
    for (int i = 1; i <= 8; ++i)
        items.push_back(std::to_string(i));
    items.push_back(last);
    return items;
}

std::vector<std::string> makeHotkeyKeys() {
    std::vector<std::string> keys{"`"};
    for (char c = '0'; c <= '9'; ++c)
        keys.emplace_back(1, c);
    for (char c = 'A'; c <= 'Z'; ++c)
        keys.emplace_back(1, c);
    for (const char* name : {"Insert", "Delete", "Home", "End", "PageUp", "PageDown"})
        keys.emplace_back(name);
    for (int f = 1; f <= 12; ++f)
        keys.push_back("F" + std::to_string(f));
    for (const char* name : {"Numpad +", "Numpad -", "Numpad *", "Numpad /"})
        keys.emplace_back(name);
    return keys;
}

std::vector<std::string> makeWmaFormats() {
    static const char* const formats[] = {"8000Hz,mono,4kbps",     "8000Hz,mono,5kbps",     "8000Hz,mono,6kbps",
                                          "8000Hz,mono,8kbps",     "11025Hz,mono,10kbps",   "16000Hz,mono,16kbps",
                                          "22050Hz,mono,20kbps",   "22050Hz,stereo,20kbps", "22050Hz,stereo,32kbps",
                                          "32000Hz,stereo,32kbps", "32000Hz,stereo,40kbps", "32000Hz,stereo,48kbps",
                                          "44100Hz,stereo,64kbps", "44100Hz,stereo,96kbps", "44100Hz,stereo,128kbps"};
    std::vector<std::string> items;
    for (int round = 0; round < 4; ++round)
        items.insert(items.end(), std::begin(formats), std::end(formats));
    return items;
}

constexpr int VkShift = 0x10, vkControl = 0x11, vkMenu = 0x12;

} // namespace

const std::vector<std::string>& wavFrequencies() {
    static const std::vector<std::string> items{"8000 Hz",  "11025 Hz", "22050 Hz", "24000 Hz",
                                                "32000 Hz", "44100 Hz", "48000 Hz"};
    return items;
}

const std::vector<std::string>& mp3OggFrequencies() {
    static const std::vector<std::string> items{"32000 Hz", "44100 Hz", "48000 Hz"};
    return items;
}

const std::vector<std::string>& channels() {
    static const std::vector<std::string> items{"Mono", "Stereo"};
    return items;
}

const std::vector<std::string>& wavSampleSizes() {
    static const std::vector<std::string> items{"8 bit", "16 bit"};
    return items;
}

const std::vector<std::string>& flacSampleSizes() {
    static const std::vector<std::string> items{"16 bit", "24 bit"};
    return items;
}

const std::vector<std::string>& flacLevels() {
    static const std::vector<std::string> items{"0 (best speed)",   "1", "2", "3", "4", "5", "6", "7",
                                                "8 (smallest file)"};
    return items;
}

const std::vector<std::string>& opusBitRates() {
    static const std::vector<std::string> items{"6 kbps",   "8 kbps",   "12 kbps", "16 kbps", "24 kbps",
                                                "32 kbps",  "48 kbps",  "64 kbps", "96 kbps", "128 kbps",
                                                "160 kbps", "192 kbps", "256 kbps"};
    return items;
}

const std::vector<std::string>& m4aBitRates() {
    static const std::vector<std::string> items{"64 kbps",  "96 kbps",  "128 kbps", "160 kbps",
                                                "192 kbps", "256 kbps", "320 kbps"};
    return items;
}

const std::vector<std::string>& mp3BitRates() {
    static const std::vector<std::string> items{"320 kbps", "256 kbps", "224 kbps", "192 kbps", "160 kbps",
                                                "128 kbps", "112 kbps", "96 kbps",  "80 kbps"};
    return items;
}

const std::vector<std::string>& mp3Qualities() {
    static const std::vector<std::string> items = qualityList("0 (best quality)", "9 (best speed)");
    return items;
}

const std::vector<std::string>& oggQualities() {
    static const std::vector<std::string> items = qualityList("0 (best speed)", "9 (best quality)");
    return items;
}

const std::vector<std::string>& wmaFormats() {
    static const std::vector<std::string> items = makeWmaFormats();
    return items;
}

const std::vector<std::string>& hotkeyModifiers() {
    static const std::vector<std::string> items{"<None>",   "Ctrl",       "Alt",      "Shift",
                                                "Ctrl+Alt", "Ctrl+Shift", "Shift+Alt"};
    return items;
}

const std::vector<std::string>& hotkeyKeys() {
    static const std::vector<std::string> items = makeHotkeyKeys();
    return items;
}

std::vector<int> modifierKeyCodes(int modifierPosition) {
    switch (modifierPosition) {
    case 1: return {vkControl};
    case 2: return {vkMenu};
    case 3: return {VkShift};
    case 4: return {vkControl, vkMenu};
    case 5: return {vkControl, VkShift};
    case 6: return {VkShift, vkMenu};
    default: return {};
    }
}

int keyCode(int keyPosition) {
    const auto& keys = hotkeyKeys();
    if (keyPosition < 0 || keyPosition >= static_cast<int>(keys.size()))
        return 0;
    const std::string& key = keys[static_cast<size_t>(keyPosition)];
    if (key == "`")
        return 0xC0; // VK_OEM_3
    if (key.size() == 1)
        return key[0]; // digits and letters are their own codes
    static const std::pair<const char*, int> named[] = {
        {"Insert", 0x2D},   {"Delete", 0x2E},   {"Home", 0x24},     {"End", 0x23},      {"PageUp", 0x21},
        {"PageDown", 0x22}, {"Numpad +", 0x6B}, {"Numpad -", 0x6D}, {"Numpad *", 0x6A}, {"Numpad /", 0x6F}};
    for (const auto& [name, code] : named)
        if (key == name)
            return code;
    return 0x70 + std::stoi(key.substr(1)) - 1; // F1..F12
}

} // namespace OptionLists
