#include "WmaProfiles.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* const formats[15] = {"8000Hz,mono,4kbps",     "8000Hz,mono,5kbps",     "8000Hz,mono,6kbps",
                                 "8000Hz,mono,8kbps",     "11025Hz,mono,10kbps",   "16000Hz,mono,16kbps",
                                 "22050Hz,mono,20kbps",   "22050Hz,stereo,20kbps", "22050Hz,stereo,32kbps",
                                 "32000Hz,stereo,32kbps", "32000Hz,stereo,40kbps", "32000Hz,stereo,48kbps",
                                 "44100Hz,stereo,64kbps", "44100Hz,stereo,96kbps", "44100Hz,stereo,128kbps"};

} // namespace

WmaProfiles::Profile WmaProfiles::profile(int profile) {
    if (profile < 1 || profile > ProfileCount)
        profile = ProfileCount;
    Profile result;
    result.text = formats[(profile - 1) % 15];
    const std::string& text = result.text;
    const auto firstComma = text.find(',');
    const auto secondComma = text.find(',', firstComma + 1);
    result.sampleRate = std::atoi(text.c_str());
    result.channels = text.compare(firstComma + 1, secondComma - firstComma - 1, "stereo") == 0 ? 2 : 1;
    result.bitRateKbps = std::atoi(text.c_str() + secondComma + 1);
    return result;
}

int WmaProfiles::encodedBitRateKbps(const Profile& profile) {
    return std::max(profile.bitRateKbps, 24);
}
