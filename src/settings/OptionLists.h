#pragma once

// The entries of the options dialog's lists, in position order. The settings file
// stores positions in these lists; applying turns an entry's text into a value.

#include <string>
#include <vector>

namespace OptionLists {

const std::vector<std::string>& WavFrequencies();
const std::vector<std::string>& Mp3OggFrequencies();
const std::vector<std::string>& Channels();
const std::vector<std::string>& WavSampleSizes();
const std::vector<std::string>& Mp3BitRates();
const std::vector<std::string>& Mp3Qualities();
const std::vector<std::string>& OggQualities();
const std::vector<std::string>& WmaFormats();
const std::vector<std::string>& HotkeyModifiers();
const std::vector<std::string>& HotkeyKeys();

// Windows virtual-key codes of a modifier entry (0 for none) and of a key entry.
std::vector<int> ModifierKeyCodes(int modifierPosition);
int KeyCode(int keyPosition);

} // namespace OptionLists
