#include "OutputNaming.h"

#include <filesystem>

#include "AppSettings.h"

std::string UniqueOutputName(const std::string& folder, const std::string& stem, const std::string& extension,
                             bool overwrite) {
    std::string name = stem;
    std::error_code ec;
    while (!overwrite && std::filesystem::exists(folder + name + "." + extension, ec))
        name += " New";
    return folder + name + "." + extension;
}

std::string WithoutNameBreakers(const std::string& text) {
    std::string kept;
    for (const char c : text)
        if (std::string("\\/:*?\"<>|").find(c) == std::string::npos && static_cast<unsigned char>(c) >= ' ')
            kept += c;
    return kept;
}

std::string MergedFileStem(const std::string& prefix, const std::string& suffix, bool useDate, const std::tm& now) {
    using GlobeVar::ZeroPad;
    const std::string time = ZeroPad(now.tm_hour, 2) + "-" + ZeroPad(now.tm_min, 2) + "-" + ZeroPad(now.tm_sec, 2);
    const std::string date =
        ZeroPad(now.tm_year + 1900, 4) + "-" + ZeroPad(now.tm_mon + 1, 2) + "-" + ZeroPad(now.tm_mday, 2) + " ";
    const std::string pre = GlobeVar::Trim(WithoutNameBreakers(prefix));
    const std::string post = GlobeVar::Trim(WithoutNameBreakers(suffix));
    return GlobeVar::Trim(pre + " " + (useDate ? date : "") + time + " " + post);
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string StemOf(const std::string& path) {
    const std::string name = path.substr(FolderOf(path).size());
    const auto dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}
