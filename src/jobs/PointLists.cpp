#include "PointLists.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <unistd.h>

#include "OutputNaming.h"

namespace {

// Adds a section at start, or retitles the one already there.
void addSection(CutPlan& plan, int64_t start, bool use, const std::string& title) {
    if (!plan.empty() && plan.back().start == start) {
        plan.back().use = plan.back().use || use;
        if (use)
            plan.back().title = title;
        return;
    }
    plan.push_back({start, use, use ? title : "", {}});
}

// An unticked section from where the last one ends (end) when a gap lies before next.
void addGap(CutPlan& plan, int64_t end, int64_t next) {
    if (end > 0 && end < next && (plan.empty() || end > plan.back().start))
        addSection(plan, end, false, {});
}

// "12.5" or "12,5" (as Audacity writes in some languages) in ms; false when not a number.
bool secondsAt(std::string text, int64_t& ms) {
    std::replace(text.begin(), text.end(), ',', '.');
    char* end = nullptr;
    errno = 0;
    const double seconds = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0 || seconds > 1e9)
        return false;
    ms = std::llround(seconds * 1000);
    return true;
}

std::string secondsText(int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld000", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(line);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

// A section per chapter; with ends, the stretches no chapter covers are unticked.
CutPlan planFrom(const std::vector<Chapter>& chapters, int64_t durationMs, bool withEnds) {
    CutPlan plan;
    int64_t lastEnd = 0;
    for (const Chapter& chapter : chapters) {
        const int64_t start = std::max<int64_t>(chapter.startMs, 0);
        if (start >= durationMs)
            break;
        addGap(plan, lastEnd, start);
        if (plan.empty() && start > 0)
            addSection(plan, 0, false, {});
        addSection(plan, start, true, chapter.title);
        lastEnd = withEnds && chapter.endMs > start ? chapter.endMs : 0;
    }
    addGap(plan, lastEnd, durationMs);
    return plan;
}

} // namespace

// A file's chapters are taken by their starts: the ends that files give often fall a
// little before the next start or the end (padding, rounding).
CutPlan planFromChapters(const std::vector<Chapter>& chapters, int64_t durationMs) {
    return planFrom(chapters, durationMs, false);
}

CutPlan parseAudacityLabels(const std::string& text, int64_t durationMs) {
    struct Label {
        int64_t start, end;
        std::string text;
    };
    std::vector<Label> labels;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '\\')
            continue;
        const std::vector<std::string> fields = split(line, '\t');
        Label label{0, 0, fields.size() > 2 ? fields[2] : ""};
        if (fields.size() < 2 || !secondsAt(fields[0], label.start) || !secondsAt(fields[1], label.end))
            throw PointListError("line " + std::to_string(number) +
                                 " is not a label (start and end in seconds and a text, separated by tabs)");
        labels.push_back({label.start, std::max(label.start, label.end), label.text});
    }
    std::stable_sort(labels.begin(), labels.end(), [](const Label& a, const Label& b) { return a.start < b.start; });
    std::vector<Chapter> chapters;
    for (const Label& label : labels)
        chapters.push_back({label.start, label.end > label.start ? label.end : -1, label.text});
    return planFrom(chapters, durationMs, true);
}

CutPlan readAudacityLabels(const std::string& labelPath, int64_t durationMs) {
    std::ifstream file(labelPath, std::ios::binary);
    std::error_code ec;
    const auto size = std::filesystem::file_size(labelPath, ec);
    if (!file || ec)
        throw PointListError("Cannot read the labels \"" + labelPath + "\": " + std::strerror(errno));
    if (size > (1u << 20))
        throw PointListError("Cannot use the labels \"" + labelPath + "\": the file passes 1 MB");
    std::ostringstream bytes;
    bytes << file.rdbuf();
    try {
        return parseAudacityLabels(bytes.str(), durationMs);
    } catch (const PointListError& error) {
        throw PointListError("Cannot use the labels \"" + labelPath + "\": " + error.what());
    }
}

std::string audacityLabelsText(const CutPlan& plan, int64_t durationMs) {
    std::string text;
    for (size_t row = 0; row < plan.size(); ++row) {
        if (!plan[row].use)
            continue;
        const int64_t end = row + 1 < plan.size() ? plan[row + 1].start : durationMs;
        std::string title = plan[row].title;
        std::replace_if(
            title.begin(), title.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
        text += secondsText(plan[row].start) + "\t" + secondsText(end) + "\t" + title + "\n";
    }
    return text;
}

std::string m3uText(const std::string& folder, const std::vector<PlaylistEntry>& entries) {
    std::string text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries) {
        const bool below = !folder.empty() && entry.path.compare(0, folder.size(), folder) == 0;
        std::string title = entry.title;
        std::replace(title.begin(), title.end(), '\n', ' ');
        text += "#EXTINF:" + std::to_string((entry.lengthMs + 500) / 1000) + "," + title + "\n" +
                (below ? entry.path.substr(folder.size()) : entry.path) + "\n";
    }
    return text;
}

void writeTextFile(const std::string& fileName, const std::string& text) {
    const std::string hidden = folderOf(fileName) + "." + fileName.substr(folderOf(fileName).size()) + ".zelvo-" +
                               std::to_string(::getpid()) + ".part";
    {
        std::ofstream out(hidden, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (out) {
            std::error_code ec;
            std::filesystem::rename(hidden, fileName, ec);
            if (!ec)
                return;
        }
    }
    const std::string cause = std::strerror(errno);
    std::error_code ignored;
    std::filesystem::remove(hidden, ignored);
    throw PointListError("Cannot write \"" + fileName + "\": " + cause);
}
