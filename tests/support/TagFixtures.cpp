#include "TagFixtures.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "AudioFixtures.h"
#include "TempFolder.h"

std::string makeCoverPicture() {
    static const std::string picture = [] {
        TempFolder folder;
        const std::string path = folder / "cover.png";
        int status = 0;
        const std::string output =
            runCommand("ffmpeg -v error -y -f lavfi -i "
                       "\"nullsrc=s=860x860,geq=r='random(1)*255':g='random(2)*255':b='random(3)*255'\" -frames:v 1 " +
                           shellQuoted(path) + " 2>&1",
                       &status);
        if (status != 0)
            throw std::runtime_error("ffmpeg could not make a picture: " + output);
        return readFileText(path);
    }();
    return picture;
}

AudioTags fullTags(bool withCover) {
    AudioTags tags;
    tags.title = "Песня 歌 Ωδή";
    tags.artist = "Zoë Artist";
    tags.album = "The Album";
    tags.albumArtist = "Various";
    tags.date = "2024";
    tags.track = "7";
    tags.genre = "Jazz";
    tags.comment = "A comment";
    tags.composer = "Composer Name";
    if (withCover)
        tags.cover = {"image/png", makeCoverPicture()};
    return tags;
}

void PrintTo(const AudioTags& tags, std::ostream* out) {
    *out << "{title \"" << tags.title << "\", artist \"" << tags.artist << "\", album \"" << tags.album
         << "\", album artist \"" << tags.albumArtist << "\", date \"" << tags.date << "\", track \"" << tags.track
         << "\", genre \"" << tags.genre << "\", comment \"" << tags.comment << "\", composer \"" << tags.composer
         << "\", cover " << tags.cover.mimeType << " " << tags.cover.data.size() << " bytes}";
}

std::map<std::string, std::string> probeTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    // The format's tags first: Ogg keeps its comments on the audio stream.
    for (const char* entries : {"-show_entries format_tags", "-select_streams a:0 -show_entries stream_tags"}) {
        std::istringstream lines(runCommand("ffprobe -v error " + std::string(entries) +
                                            " -of default=noprint_wrappers=1 " + shellQuoted(path)));
        for (std::string line; std::getline(lines, line);) {
            const auto eq = line.find('=');
            if (line.rfind("TAG:", 0) != 0 || eq == std::string::npos)
                continue;
            std::string key = line.substr(4, eq - 4);
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
            tags.emplace(key, line.substr(eq + 1));
        }
    }
    return tags;
}

std::string fieldsProbedWrong(const std::string& path, const AudioTags& tags) {
    const std::string extension = std::filesystem::path(path).extension().string();
    std::map<std::string, std::string> fields{{"title", tags.title},    {"artist", tags.artist}, {"album", tags.album},
                                              {"date", tags.date},      {"track", tags.track},   {"genre", tags.genre},
                                              {"comment", tags.comment}};
    if (extension != ".wav") {
        fields["album_artist"] = tags.albumArtist;
        fields["composer"] = tags.composer;
    }
    if (extension == ".wma")
        fields["wm/year"] = fields.extract("date").mapped();
    const auto probed = probeTags(path);
    std::string wrong;
    for (const auto& [key, value] : fields) {
        if (value.empty())
            continue;
        const auto found = probed.find(key);
        if (found == probed.end() || found->second != value)
            wrong += key + " should be \"" + value + "\"\n";
    }
    return wrong;
}

std::string attachedPicture(const std::string& path) {
    TempFolder folder;
    const std::string picture = folder / "picture.bin";
    runCommand("ffmpeg -v error -y -i " + shellQuoted(path) + " -map 0:v:0 -c copy -f data " + shellQuoted(picture) +
               " 2>/dev/null");
    return readFileText(picture);
}
