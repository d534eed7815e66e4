#include "CueSheet.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "TextDecoding.h"

namespace {

constexpr int FramesPerSecond = 75;

[[noreturn]] void failAt(int line, const std::string& what) {
    throw CueSheetError("line " + std::to_string(line) + ": " + what);
}

// A line's words; a quoted word keeps its spaces.
std::vector<std::string> wordsOf(const std::string& line, int number) {
    std::vector<std::string> words;
    for (size_t at = 0; at < line.size();) {
        if (std::isspace(static_cast<unsigned char>(line[at]))) {
            ++at;
        } else if (line[at] == '"') {
            const size_t close = line.find('"', at + 1);
            if (close == std::string::npos)
                failAt(number, "a quotation mark is not closed");
            words.push_back(line.substr(at + 1, close - at - 1));
            at = close + 1;
        } else {
            size_t end = at;
            while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end])))
                ++end;
            words.push_back(line.substr(at, end - at));
            at = end;
        }
    }
    return words;
}

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::optional<int64_t> wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 12 || !std::all_of(text.begin(), text.end(), ::isdigit))
        return std::nullopt;
    return std::stoll(text);
}

// "mm:ss:ff" (75 frames a second) as milliseconds, rounded.
int64_t indexTime(const std::string& text, int line) {
    int minutes = 0, seconds = 0, frames = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &minutes, &seconds, &frames, &end) != 3 || minutes < 0 || seconds < 0 ||
        seconds > 59 || frames < 0 || frames >= FramesPerSecond)
        failAt(line, "INDEX needs a time as mm:ss:ff (frames 0 to 74), not \"" + text + "\"");
    const int64_t totalFrames = (int64_t{minutes} * 60 + seconds) * FramesPerSecond + frames;
    return (totalFrames * 1000 + FramesPerSecond / 2) / FramesPerSecond;
}

std::string stemOf(const std::string& name) {
    const size_t slash = name.find_last_of("/\\");
    std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    if (const size_t dot = base.rfind('.'); dot != std::string::npos && dot > 0)
        base.erase(dot);
    for (char& c : base)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return base;
}

struct TrackBeingRead {
    int line = 0;
    PlannedSection section;
    std::optional<int64_t> index01, exactMs;
};

class SheetReader {
public:
    SheetReader(const std::string& audioName, int64_t durationMs) : audioName_(audioName), duration_(durationMs) {}

    void read(int number, const std::vector<std::string>& words) {
        const std::string command = upper(words.front());
        auto argument = [&](size_t i, const char* what) -> const std::string& {
            if (words.size() <= i)
                failAt(number, command + " needs " + what);
            return words[i];
        };
        if (command == "REM" && words.size() >= 3)
            remark(number, upper(words[1]), words[2]);
        else if (command == "FILE")
            file(number, argument(1, "a file name"));
        else if (command == "TRACK")
            track(number, argument(1, "a track number"));
        else if (command == "INDEX")
            index(number, argument(1, "an index number"), argument(2, "a time"));
        else if (command == "TITLE")
            (track_ ? track_->section.title : sheet_.album.album) = argument(1, "a title");
        else if (command == "PERFORMER")
            (track_ ? track_->section.artist : sheet_.album.artist) = argument(1, "a name");
        // CATALOG, FLAGS, ISRC, PREGAP, POSTGAP, SONGWRITER, CDTEXTFILE: nothing to cut by.
    }

    CueSheet finish(int lastLine) {
        endTrack();
        if (sheet_.sections.empty())
            failAt(lastLine, "the sheet has no tracks");
        sheet_.album.albumArtist = sheet_.album.artist;
        for (PlannedSection& section : sheet_.sections)
            if (section.artist.empty())
                section.artist = sheet_.album.artist; // the sheet's performer, as the files get it
        if (sheet_.sections.front().start > 0)
            sheet_.sections.insert(sheet_.sections.begin(), PlannedSection{0, false, {}, {}});
        return sheet_;
    }

private:
    void remark(int number, const std::string& key, const std::string& value) {
        if (key == "DATE")
            sheet_.album.date = value;
        else if (key == "GENRE")
            sheet_.album.genre = value;
        else if (key == "ZELVO_MS" && track_) {
            track_->exactMs = wholeNumber(value);
            if (!track_->exactMs)
                failAt(number, "REM ZELVO_MS needs milliseconds, not \"" + value + "\"");
        } else if (key == "ZELVO_USE" && track_) {
            track_->section.use = value != "0";
        }
    }

    void file(int number, const std::string& name) {
        if (!sheet_.file.empty())
            failAt(number,
                   "the sheet names a second audio file (\"" + name + "\"); only sheets for one file can be used");
        if (stemOf(name) != stemOf(audioName_))
            failAt(number, "the sheet is for \"" + name + "\", not for \"" + audioName_ + "\"");
        sheet_.file = name;
    }

    void track(int number, const std::string& text) {
        if (sheet_.file.empty())
            failAt(number, "TRACK comes before the FILE line");
        const auto value = wholeNumber(text);
        if (!value || *value < 1 || *value > 99)
            failAt(number, "TRACK needs a number from 1 to 99, not \"" + text + "\"");
        endTrack();
        track_ = TrackBeingRead{number, {}, {}, {}};
    }

    void index(int number, const std::string& which, const std::string& time) {
        if (!track_)
            failAt(number, "INDEX comes before any TRACK");
        const auto value = wholeNumber(which);
        if (!value || *value > 99)
            failAt(number, "INDEX needs a number from 0 to 99, not \"" + which + "\"");
        const int64_t ms = indexTime(time, number);
        if (*value == 1)
            track_->index01 = ms;
    }

    void endTrack() {
        if (!track_)
            return;
        if (!track_->index01)
            failAt(track_->line, "the track has no INDEX 01");
        // The exact time stands only where it rounds to the sheet's own.
        const int64_t start = track_->exactMs && std::llabs(*track_->exactMs - *track_->index01) <= 14
                                  ? *track_->exactMs
                                  : *track_->index01;
        if (!sheet_.sections.empty() && start <= sheet_.sections.back().start)
            failAt(track_->line, "the track starts before the one above it ends");
        if (start >= duration_)
            failAt(track_->line, "the track starts after the end of \"" + audioName_ + "\"");
        track_->section.start = start;
        sheet_.sections.push_back(track_->section);
        track_.reset();
    }

    std::string audioName_;
    int64_t duration_;
    CueSheet sheet_;
    std::optional<TrackBeingRead> track_;
};

std::string quoted(const std::string& text) {
    std::string clean = text;
    std::replace(clean.begin(), clean.end(), '"', '\'');
    return "\"" + clean + "\"";
}

std::string indexText(int64_t ms) {
    const int64_t frames = (ms * FramesPerSecond + 500) / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(frames / (60 * FramesPerSecond)),
                  static_cast<long long>(frames / FramesPerSecond % 60),
                  static_cast<long long>(frames % FramesPerSecond));
    return text;
}

std::string fileTypeOf(const std::string& name) {
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : upper(name.substr(dot + 1));
    if (extension == "MP3")
        return "MP3";
    if (extension == "AIFF" || extension == "AIF")
        return "AIFF";
    return "WAVE"; // what players expect for every other kind
}

} // namespace

CueSheet parseCueSheet(const std::string& bytes, const std::string& audioName, int64_t durationMs,
                       const std::string& encoding) {
    std::string text;
    try {
        text = TextDecoding::withUnixLineEnds(TextDecoding::asUtf8(bytes, encoding));
    } catch (const TextDecoding::UnknownEncoding& error) {
        throw CueSheetError(error.what());
    }
    SheetReader reader(audioName, durationMs);
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> words = wordsOf(line, number);
        if (!words.empty())
            reader.read(number, words);
    }
    return reader.finish(std::max(number, 1));
}

std::string cueSheetBytes(const std::string& sheetPath) {
    constexpr std::streamsize MaxSheetBytes = 1 << 20; // far beyond a sheet of 99 tracks
    const std::string what = "Cannot use the CUE sheet \"" + sheetPath + "\": ";
    std::error_code ec;
    if (const auto type = std::filesystem::status(sheetPath, ec).type();
        !ec && type != std::filesystem::file_type::regular)
        throw CueSheetError(what +
                            (type == std::filesystem::file_type::directory ? "it is a folder" : "it is not a file"));
    std::ifstream in(sheetPath, std::ios::binary);
    if (!in)
        throw CueSheetError(what + std::strerror(errno));
    std::string bytes(static_cast<size_t>(MaxSheetBytes) + 1, '\0');
    in.read(bytes.data(), MaxSheetBytes + 1);
    if (in.bad())
        throw CueSheetError(what + "it cannot be read");
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() > static_cast<size_t>(MaxSheetBytes))
        throw CueSheetError(what + "it is over 1 MB, which no CUE sheet is");
    return bytes;
}

CueSheet readCueSheet(const std::string& sheetPath, const std::string& audioName, int64_t durationMs,
                      const std::string& encoding) {
    const std::string bytes = cueSheetBytes(sheetPath);
    try {
        return parseCueSheet(bytes, audioName, durationMs, encoding);
    } catch (const CueSheetError& error) {
        throw CueSheetError("Cannot use the CUE sheet \"" + sheetPath + "\": " + error.what());
    }
}

std::string cueSheetText(const std::string& audioName, const CutPlan& sections) {
    const size_t slash = audioName.find_last_of('/');
    const std::string name = slash == std::string::npos ? audioName : audioName.substr(slash + 1);
    std::string text = "FILE " + quoted(name) + " " + fileTypeOf(name) + "\n";
    for (size_t i = 0; i < sections.size(); ++i) {
        const PlannedSection& section = sections[i];
        char number[24];
        std::snprintf(number, sizeof number, "%02zu", i + 1);
        text += std::string("  TRACK ") + number + " AUDIO\n";
        if (!section.title.empty())
            text += "    TITLE " + quoted(section.title) + "\n";
        if (!section.artist.empty())
            text += "    PERFORMER " + quoted(section.artist) + "\n";
        text += "    REM ZELVO_MS " + std::to_string(section.start) + "\n";
        if (!section.use)
            text += "    REM ZELVO_USE 0\n";
        text += "    INDEX 01 " + indexText(section.start) + "\n";
    }
    return text;
}
