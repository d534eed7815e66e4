#include "NameTemplate.h"

#include <array>
#include <cctype>

#include "AppSettings.h"

namespace {

using AppSettings::zeroPad;

// A field's text, and whether it is a number (which a width pads) or a time.
struct FieldValue {
    std::string text;
    enum class Kind { Text, Number, Time } kind = Kind::Text;
    int64_t ms = 0;
};

std::string leadingNumber(const std::string& text) {
    size_t end = 0;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
        ++end;
    return text.substr(0, end);
}

FieldValue number(int64_t value) {
    return {std::to_string(value), FieldValue::Kind::Number};
}

FieldValue numberText(const std::string& text) {
    const std::string digits = leadingNumber(text);
    return digits.empty() ? FieldValue{text} : FieldValue{digits, FieldValue::Kind::Number};
}

FieldValue time(const std::optional<int64_t>& ms) {
    return ms ? FieldValue{"", FieldValue::Kind::Time, *ms} : FieldValue{};
}

constexpr std::array FieldNames{"n",     "index", "count", "title", "artist", "album", "albumartist", "year",  "genre",
                                "track", "stem",  "start", "end",   "date",   "time",  "sourcetitle", "merged"};

// The value of a field by name, or nothing for a name that is not a field.
std::optional<FieldValue> fieldValue(const std::string& name, const NameFields& f) {
    const std::tm& t = f.now;
    if (name == "n")
        return number(f.number);
    if (name == "index")
        return number(f.number - 1);
    if (name == "count")
        return number(f.count);
    if (name == "title")
        return FieldValue{f.title.empty() ? f.source.title : f.title};
    if (name == "artist")
        return FieldValue{f.artist.empty() ? f.source.artist : f.artist};
    if (name == "album")
        return FieldValue{f.source.album};
    if (name == "albumartist")
        return FieldValue{f.source.albumArtist.empty() ? f.source.artist : f.source.albumArtist};
    if (name == "year")
        return numberText(f.source.date.substr(0, 4));
    if (name == "genre")
        return FieldValue{f.source.genre};
    if (name == "track")
        return numberText(f.source.track);
    if (name == "stem")
        return FieldValue{f.stem};
    if (name == "start")
        return time(f.startMs);
    if (name == "end")
        return time(f.endMs);
    if (name == "date")
        return FieldValue{zeroPad(t.tm_year + 1900, 4) + "-" + zeroPad(t.tm_mon + 1, 2) + "-" + zeroPad(t.tm_mday, 2)};
    if (name == "time")
        return FieldValue{zeroPad(t.tm_hour, 2) + "-" + zeroPad(t.tm_min, 2) + "-" + zeroPad(t.tm_sec, 2)};
    if (name == "sourcetitle")
        return FieldValue{f.source.title};
    if (name == "merged")
        return FieldValue{f.merged};
    return std::nullopt;
}

// 750500 ms as "12m30s" (whole seconds; hours as "1h02m30s").
std::string minutesAndSeconds(int64_t ms) {
    const int64_t seconds = ms / 1000;
    const int64_t hours = seconds / 3600, minutes = seconds / 60 % 60;
    const std::string rest = zeroPad(minutes, hours > 0 ? 2 : 1) + "m" + zeroPad(seconds % 60, 2) + "s";
    return hours > 0 ? std::to_string(hours) + "h" + rest : rest;
}

// 750500 ms as "750.5".
std::string plainSeconds(int64_t ms) {
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0) {
        std::string fraction = zeroPad(ms % 1000, 3);
        while (fraction.back() == '0')
            fraction.pop_back();
        text += "." + fraction;
    }
    return text;
}

// A field's text in its format: "02" is a width of two padded with zeros, "s" seconds.
std::optional<std::string> formatted(const FieldValue& value, const std::string& format) {
    if (value.kind == FieldValue::Kind::Time) {
        if (format.empty())
            return minutesAndSeconds(value.ms);
        if (format == "s")
            return plainSeconds(value.ms);
        return std::nullopt;
    }
    if (format.empty())
        return value.text;
    if (format.size() > 2 || leadingNumber(format) != format)
        return std::nullopt;
    const int width = std::stoi(format);
    return value.kind == FieldValue::Kind::Number && width > 0 ? zeroPad(std::stoll(value.text), width) : value.text;
}

// One piece of a template: literal text, or a field with its format.
struct Piece {
    std::string text;
    bool field = false;
    std::string format;
};

// The template's pieces, or the reason it is not one.
std::vector<Piece> piecesOf(const std::string& nameTemplate, std::string& error) {
    std::vector<Piece> pieces;
    for (size_t at = 0; at < nameTemplate.size();) {
        const size_t open = nameTemplate.find_first_of("{}", at);
        if (open != at) {
            pieces.push_back({nameTemplate.substr(at, open - at), false, ""});
            at = open;
            continue;
        }
        const size_t close = nameTemplate.find('}', open);
        if (nameTemplate[open] == '}' || close == std::string::npos) {
            error = nameTemplate[open] == '}' ? "a \"}\" is not opened" : "a \"{\" is not closed";
            return {};
        }
        const std::string inside = nameTemplate.substr(open + 1, close - open - 1);
        const size_t colon = inside.find(':');
        Piece piece{inside.substr(0, colon), true, colon == std::string::npos ? "" : inside.substr(colon + 1)};
        const std::optional<FieldValue> probe = fieldValue(piece.text, sampleNameFields({}));
        if (!probe) {
            error = "unknown field {" + piece.text + "}";
            return {};
        }
        if (!formatted(*probe, piece.format)) {
            error = "{" + inside + "}: \"" + piece.format + "\" is not a format of this field";
            return {};
        }
        pieces.push_back(std::move(piece));
        at = close + 1;
    }
    return pieces;
}

bool breaksNames(char c) {
    return std::string("\\/:*?\"<>|").find(c) != std::string::npos;
}

// Text that can stand in a file name: breakers become "_", control characters go.
std::string nameSafe(const std::string& text, bool keepSlashes) {
    std::string safe;
    for (const char c : text)
        if (static_cast<unsigned char>(c) < ' ')
            continue;
        else if (breaksNames(c) && !(keepSlashes && c == '/'))
            safe += '_';
        else
            safe += c;
    return safe;
}

// The path's folders and name, trimmed, without empty ones; "." and ".." become "_".
std::string cleanParts(const std::string& path) {
    std::string clean;
    size_t at = 0;
    while (at <= path.size()) {
        const size_t slash = std::min(path.find('/', at), path.size());
        std::string part = AppSettings::trim(path.substr(at, slash - at));
        if (part == "." || part == "..")
            part = "_";
        if (!part.empty())
            clean += (clean.empty() ? "" : "/") + part;
        at = slash + 1;
    }
    return clean;
}

} // namespace

std::string nameTemplateFields() {
    std::string list;
    for (const char* name : FieldNames)
        list += (list.empty() ? "{" : " {") + std::string(name) + "}";
    return list;
}

std::string nameTemplateError(const std::string& nameTemplate) {
    std::string error;
    piecesOf(nameTemplate, error);
    return error;
}

std::string usableNameTemplate(const std::string& nameTemplate, const char* fallback) {
    return nameTemplateError(nameTemplate).empty() ? nameTemplate : fallback;
}

std::string expandNameTemplate(const std::string& nameTemplate, const NameFields& fields) {
    std::string error, path;
    for (const Piece& piece : piecesOf(nameTemplate, error)) {
        if (!piece.field) {
            path += nameSafe(piece.text, true);
            continue;
        }
        const FieldValue value = *fieldValue(piece.text, fields);
        path += nameSafe(formatted(value, piece.format).value_or(value.text), false);
    }
    path = cleanParts(path);
    return path.empty() ? cleanParts(nameSafe(fields.stem, false)) : path;
}

std::tm localTimeOf(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    return local;
}

NameFields sampleNameFields(const std::tm& now) {
    NameFields sample;
    sample.number = 3;
    sample.count = 12;
    sample.title = "Intro";
    sample.artist = "Artist";
    sample.source.title = "Title";
    sample.source.artist = "Artist";
    sample.source.album = "Album";
    sample.source.albumArtist = "Album Artist";
    sample.source.date = "2024";
    sample.source.genre = "Genre";
    sample.source.track = "3";
    sample.stem = "song";
    sample.startMs = 750'000;
    sample.endMs = 1'002'500;
    sample.merged = "Merged 2024-03-05 14-07-09";
    sample.now = now;
    return sample;
}
