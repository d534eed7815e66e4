#include "TagFixtures.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "AudioFixtures.h"
#include "TempFolder.h"

std::string MakeCoverPicture() {
    static const std::string picture = [] {
        TempFolder folder;
        const std::string path = folder / "cover.png";
        int status = 0;
        const std::string output =
            RunCommand("ffmpeg -v error -y -f lavfi -i "
                       "\"nullsrc=s=860x860,geq=r='random(1)*255':g='random(2)*255':b='random(3)*255'\" -frames:v 1 " +
                           ShellQuoted(path) + " 2>&1",
                       &status);
        if (status != 0)
            throw std::runtime_error("ffmpeg could not make a picture: " + output);
        return ReadFileText(path);
    }();
    return picture;
}

TAudioTags FullTags(bool withCover) {
    TAudioTags tags;
    tags.Title = "Песня 歌 Ωδή";
    tags.Artist = "Zoë Artist";
    tags.Album = "The Album";
    tags.AlbumArtist = "Various";
    tags.Date = "2024";
    tags.Track = "7";
    tags.Genre = "Jazz";
    tags.Comment = "A comment";
    tags.Composer = "Composer Name";
    if (withCover)
        tags.Cover = {"image/png", MakeCoverPicture()};
    return tags;
}

void PrintTo(const TAudioTags& tags, std::ostream* out) {
    *out << "{title \"" << tags.Title << "\", artist \"" << tags.Artist << "\", album \"" << tags.Album
         << "\", album artist \"" << tags.AlbumArtist << "\", date \"" << tags.Date << "\", track \"" << tags.Track
         << "\", genre \"" << tags.Genre << "\", comment \"" << tags.Comment << "\", composer \"" << tags.Composer
         << "\", cover " << tags.Cover.MimeType << " " << tags.Cover.Data.size() << " bytes}";
}

std::map<std::string, std::string> ProbeTags(const std::string& path) {
    std::map<std::string, std::string> tags;
    // The format's tags first: Ogg keeps its comments on the audio stream.
    for (const char* entries : {"-show_entries format_tags", "-select_streams a:0 -show_entries stream_tags"}) {
        std::istringstream lines(RunCommand("ffprobe -v error " + std::string(entries) +
                                            " -of default=noprint_wrappers=1 " + ShellQuoted(path)));
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

std::string FieldsProbedWrong(const std::string& path, const TAudioTags& tags) {
    const std::string extension = std::filesystem::path(path).extension().string();
    std::map<std::string, std::string> fields{{"title", tags.Title},    {"artist", tags.Artist}, {"album", tags.Album},
                                              {"date", tags.Date},      {"track", tags.Track},   {"genre", tags.Genre},
                                              {"comment", tags.Comment}};
    if (extension != ".wav") {
        fields["album_artist"] = tags.AlbumArtist;
        fields["composer"] = tags.Composer;
    }
    if (extension == ".wma")
        fields["wm/year"] = fields.extract("date").mapped();
    const auto probed = ProbeTags(path);
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

std::string AttachedPicture(const std::string& path) {
    TempFolder folder;
    const std::string picture = folder / "picture.bin";
    RunCommand("ffmpeg -v error -y -i " + ShellQuoted(path) + " -map 0:v:0 -c copy -f data " + ShellQuoted(picture) +
               " 2>/dev/null");
    return ReadFileText(picture);
}
