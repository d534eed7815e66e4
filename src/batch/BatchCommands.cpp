#include "BatchCommands.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "AudioInfo.h"
#include "AudioTags.h"
#include "ConvertJob.h"
#include "CutJob.h"
#include "AppSettings.h"
#include "MergeJob.h"
#include "OutputFormat.h"
#include "OutputNaming.h"

std::atomic<bool> StopRequested{false};

namespace {

// A progress bar with the percentage and the time left, on a terminal only.
class TProgressBar {
public:
    explicit TProgressBar(std::string label) : label_(std::move(label)), shown_(isatty(STDERR_FILENO) != 0) {}
    ~TProgressBar() {
        if (shown_ && drawn_)
            std::fprintf(stderr, "\n");
    }

    void Show(double fraction) {
        if (!shown_)
            return;
        const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100);
        if (percent == last_)
            return;
        last_ = percent;
        drawn_ = true;
        const double elapsed = std::difftime(std::time(nullptr), start_);
        const long left = fraction > 0.01 ? static_cast<long>(elapsed / fraction - elapsed) : -1;
        const int filled = percent * 30 / 100;
        std::fprintf(stderr, "\r%-24.24s [%s%s] %3d%% %s", label_.c_str(), std::string(filled, '#').c_str(),
                     std::string(30 - filled, '.').c_str(), percent,
                     left >= 0 ? (std::to_string(left / 60) + ":" + GlobeVar::ZeroPad(left % 60, 2) + " left").c_str()
                               : "");
        std::fflush(stderr);
    }

private:
    std::string label_;
    bool shown_;
    bool drawn_ = false;
    int last_ = -1;
    std::time_t start_ = std::time(nullptr);
};

TJobControl Control(TProgressBar& bar, int items) {
    TJobControl control;
    control.Progress = [&bar, items](int item, int percent) {
        bar.Show((std::min(item, items - 1) + percent / 100.0) / items);
    };
    control.StopRequested = [] { return StopRequested.load(); };
    return control;
}

int Fail(const std::string& message) {
    std::cerr << message << "\n";
    return 1;
}

std::string OutputFolderOr(const TBatchOutput& output, const std::string& fallback) {
    if (output.Folder.empty())
        return fallback;
    return output.Folder.back() == '/' ? output.Folder : output.Folder + "/";
}

std::string JsonText(const std::string& text) {
    std::string quoted = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\')
            quoted += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20)
            quoted += "\\u00" + std::string(1, "0123456789abcdef"[c >> 4]) + "0123456789abcdef"[c & 15];
        else
            quoted += static_cast<char>(c);
    }
    return quoted + "\"";
}

bool Open(TAudioFile2& input, const std::string& path) {
    input.OpenForRead(path);
    if (input.GetErrorCode() == 0)
        return true;
    Fail(input.GetErrorText());
    return false;
}

bool Create(TAudioFile2& output, const std::string& path) {
    output.CreateForWrite(path);
    if (output.GetErrorCode() == 0)
        return true;
    Fail(output.GetErrorText());
    return false;
}

int ConvertOne(const std::string& file, const std::string& kind, const TBatchOutput& output) {
    const std::string folder =
        OutputFolderOr(output, GlobeVar::ConvertToSourceFolder ? FolderOf(file) : GlobeVar::ConvertOutputPath);
    const std::string target =
        UniqueOutputName(folder, StemOf(file), ExtensionOfKind(kind), output.Overwrite || GlobeVar::ConvertOverwrite);
    TAudioFile2 input, result;
    TAudioFile2LameEnc lame;
    PrepareOutputFormat(result, lame, kind);
    if (!Open(input, file))
        return 1;
    if (target == file)
        return Fail("Cannot convert \"" + file + "\" into itself");
    if (!Create(result, target))
        return 1;
    TProgressBar bar(StemOf(file));
    try {
        if (RunConvert(input, result, Control(bar, 1)) == TJobEnd::Stopped) {
            std::filesystem::remove(target); // as the window does after a cancel
            return Fail("Stopped: \"" + target + "\" was not kept");
        }
    } catch (const EngineError& error) {
        result.Close();
        // A file whose tags alone failed has all its audio: it stays.
        if (error.Status() == EngineStatus::TagWriteFailed) {
            std::cout << target << "\n";
        } else {
            std::error_code ec;
            std::filesystem::remove(target, ec);
        }
        return Fail(error.what());
    }
    std::cout << target << "\n";
    return 0;
}

} // namespace

int64_t ParseTime(const std::string& text) {
    static const std::regex clock(R"((?:(\d+):)?(\d+)(?:\.(\d{1,3}))?)");
    static const std::regex plain(R"(\d+)");
    std::smatch parts;
    if (text.find_first_of(":.") == std::string::npos)
        return std::regex_match(text, plain) ? std::stoll(text) : -1;
    if (!std::regex_match(text, parts, clock))
        return -1;
    const int64_t minutes = parts[1].matched ? std::stoll(parts[1]) : 0;
    const int64_t seconds = std::stoll(parts[2]);
    std::string fraction = parts[3].matched ? parts[3].str() : "0";
    fraction.resize(3, '0');
    return minutes * 60000 + seconds * 1000 + std::stoll(fraction);
}

namespace {

std::string TagsAsJson(const TAudioTags& tags) {
    std::string json;
    for (const auto& [name, value] : tags.NamedFields())
        if (!value->empty())
            json += (json.empty() ? "" : ",") + JsonText(name) + ":" + JsonText(*value);
    if (!tags.Cover.Data.empty())
        json += (json.empty() ? "" : ",") + std::string("\"cover\":{\"mimeType\":") + JsonText(tags.Cover.MimeType) +
                ",\"bytes\":" + std::to_string(tags.Cover.Data.size()) + "}";
    return "{" + json + "}";
}

void PrintTags(const TAudioTags& tags) {
    for (const auto& [name, value] : tags.NamedFields())
        if (!value->empty())
            std::cout << "  " << name << ": " << *value << "\n";
    if (!tags.Cover.Data.empty())
        std::cout << "  cover: " << tags.Cover.MimeType << ", " << tags.Cover.Data.size() << " bytes\n";
}

} // namespace

int InfoCommand(const std::vector<std::string>& files, bool json) {
    int status = 0;
    for (const std::string& file : files) {
        TAudioInformation2 info;
        try {
            info.Open(file);
        } catch (const EngineError& error) {
            status = Fail(error.what());
            continue;
        }
        const TAudioTags tags = ReadAudioTags(file);
        if (json) {
            std::cout << "{\"file\":" << JsonText(file) << ",\"format\":" << JsonText(info.GetFormatText())
                      << ",\"durationMs\":" << info.GetDurationMs() << ",\"frames\":" << info.GetTotalSamples()
                      << ",\"sampleRate\":" << info.GetSampleRate() << ",\"channels\":" << info.GetChannels()
                      << ",\"tags\":" << TagsAsJson(tags) << "}\n";
        } else {
            std::cout << file << "\n  " << info.GetFormatText() << "\n  " << info.GetDurationMs() << " ms, "
                      << info.GetTotalSamples() << " frames, " << info.GetSampleRate() << " Hz, " << info.GetChannels()
                      << (info.GetChannels() == 1 ? " channel" : " channels") << "\n";
            PrintTags(tags);
        }
    }
    return status;
}

int ConvertCommand(const std::vector<std::string>& files, const std::string& kind, const TBatchOutput& output) {
    int status = 0;
    for (const std::string& file : files) {
        if (StopRequested)
            return 1;
        status = std::max(status, ConvertOne(file, kind, output));
    }
    return status;
}

int CutCommand(const std::string& file, const std::vector<std::string>& times, const std::vector<int>& skipped,
               int64_t fadeInMs, int64_t fadeOutMs, const TBatchOutput& output) {
    TAudioInformation2 info;
    try {
        info.Open(file);
    } catch (const EngineError& error) {
        return Fail(error.what());
    }
    // The cut points as the cutter holds them: the start, the points, the end.
    std::vector<int64_t> points{0, info.GetDurationMs()};
    for (const std::string& time : times) {
        const int64_t at = ParseTime(time);
        if (at < 0)
            return Fail("Not a time: \"" + time + "\" (m:ss.mmm or milliseconds)");
        if (at > 0 && at < info.GetDurationMs())
            points.push_back(at);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    TCutJob job;
    for (size_t row = 0; row + 1 < points.size(); ++row)
        if (std::find(skipped.begin(), skipped.end(), static_cast<int>(row)) == skipped.end())
            job.Sections.push_back({points[row], points[row + 1] - points[row]});
    if (job.Sections.empty())
        return Fail("Nothing to cut in \"" + file + "\": every section is left out");
    job.Kind = GlobeVar::AudioTypeOfFile(file);
    job.BaseName = StemOf(file);
    job.OutputFolder =
        OutputFolderOr(output, GlobeVar::SplitToSourceFolder ? FolderOf(file) : GlobeVar::SplitOutputPath);
    job.FadeInMs = fadeInMs;
    job.FadeOutMs = fadeOutMs;
    job.Overwrite = [&output] { return output.Overwrite || GlobeVar::SplitOverwrite; };
    TAudioFile2 input, result;
    TAudioFile2LameEnc lame;
    TAudioTransform2 transform;
    if (!PrepareOutputFormat(result, lame, job.Kind))
        return Fail("Cannot cut \"" + file + "\": it is not a WAV, MP3, OGG or WMA file");
    std::vector<std::string> written;
    job.CreateOutput = [&](const std::string& path) {
        result.CreateForWrite(path);
        if (result.GetErrorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(result.GetErrorCode()), result.GetErrorText());
        written.push_back(path);
    };
    if (!Open(input, file))
        return 1;
    TProgressBar bar(StemOf(file));
    int status = 0;
    try {
        if (RunCut(input, result, transform, job, Control(bar, static_cast<int>(job.Sections.size()))) ==
            TJobEnd::Stopped)
            status = Fail("Stopped: the last section's file holds what was cut so far");
        result.Close();
    } catch (const EngineError& error) {
        status = Fail(error.what());
    }
    for (const std::string& path : written)
        std::cout << path << "\n";
    return status;
}

int JoinCommand(const std::vector<std::string>& files, const std::string& kind, const TBatchOutput& output) {
    if (files.size() < 2)
        return Fail("Joining needs at least two files");
    const std::time_t now = std::time(nullptr);
    const std::string stem =
        MergedFileStem(GlobeVar::JoinPreName, GlobeVar::JoinPosName, GlobeVar::JoinUseDate, *std::localtime(&now));
    const std::string target = UniqueOutputName(OutputFolderOr(output, GlobeVar::JoinOutputPath), stem,
                                                ExtensionOfKind(kind), output.Overwrite || GlobeVar::JoinOverwrite);
    if (std::find(files.begin(), files.end(), target) != files.end())
        return Fail("Cannot join into \"" + target + "\": it is one of the files to join");
    TAudioFile2 input, result;
    TAudioFile2LameEnc lame;
    PrepareOutputFormat(result, lame, kind);
    if (!Create(result, target))
        return 1;
    TProgressBar bar(stem);
    int status = 0;
    try {
        if (RunMerge(input, result, files, Control(bar, static_cast<int>(files.size()))) == TJobEnd::Stopped)
            status = Fail("Stopped: \"" + target + "\" holds what was joined so far");
    } catch (const EngineError& error) {
        result.Close();
        status = Fail(error.what());
    }
    std::cout << target << "\n";
    return status;
}
