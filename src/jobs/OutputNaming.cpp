#include "OutputNaming.h"

#include <filesystem>

#include "AppSettings.h"
#include "AudioFile.h"

std::string uniqueOutputName(const std::string& folder, const std::string& stem, const std::string& extension,
                             bool overwrite) {
    const std::string name = folder + stem + "." + extension;
    return overwrite ? name : firstFreeName(name);
}

std::string nameTakenNote(const std::string& asked, const std::string& taken) {
    return "\"" + asked + "\" was made by another program while it was being written: it is written as \"" + taken +
           "\"";
}

std::string inputThatIsOutput(const std::string& output, const std::vector<std::string>& inputs) {
    for (const std::string& input : inputs) {
        std::error_code ec;
        if (std::filesystem::equivalent(output, input, ec))
            return input;
    }
    return {};
}

std::string withoutNameBreakers(const std::string& text) {
    std::string kept;
    for (const char c : text)
        if (std::string("\\/:*?\"<>|").find(c) == std::string::npos && static_cast<unsigned char>(c) >= ' ')
            kept += c;
    return kept;
}

std::string mergedFileStem(const std::string& prefix, const std::string& suffix, bool useDate, const std::tm& now) {
    using AppSettings::zeroPad;
    const std::string time = zeroPad(now.tm_hour, 2) + "-" + zeroPad(now.tm_min, 2) + "-" + zeroPad(now.tm_sec, 2);
    const std::string date =
        zeroPad(now.tm_year + 1900, 4) + "-" + zeroPad(now.tm_mon + 1, 2) + "-" + zeroPad(now.tm_mday, 2) + " ";
    const std::string pre = AppSettings::trim(withoutNameBreakers(prefix));
    const std::string post = AppSettings::trim(withoutNameBreakers(suffix));
    return AppSettings::trim(pre + " " + (useDate ? date : "") + time + " " + post);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string stemOf(const std::string& path) {
    const std::string name = path.substr(folderOf(path).size());
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}
