#pragma once

// The entries of the options dialog's lists, in position order. The settings file
// stores positions in these lists; applying turns an entry's text into a value.

#include <string>
#include <vector>

namespace OptionLists {

const std::vector<std::string>& wavFrequencies();
const std::vector<std::string>& mp3OggFrequencies();
const std::vector<std::string>& channels();
const std::vector<std::string>& wavSampleSizes();
const std::vector<std::string>& flacSampleSizes();
const std::vector<std::string>& flacLevels();
const std::vector<std::string>& opusBitRates();
const std::vector<std::string>& m4aBitRates();
const std::vector<std::string>& mp3BitRates();
const std::vector<std::string>& mp3Qualities();
const std::vector<std::string>& oggQualities();
const std::vector<std::string>& wmaFormats();
const std::vector<std::string>& hotkeyModifiers();
const std::vector<std::string>& hotkeyKeys();

// Windows virtual-key codes of a modifier entry (0 for none) and of a key entry.
std::vector<int> modifierKeyCodes(int modifierPosition);
int keyCode(int keyPosition);

} // namespace OptionLists
