#include "BatchCommands.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "FileNames.h"
#include "Loudness.h"
#include "Mp3Gain.h"
#include "Utf8Text.h"
#include "AudioInfo.h"
#include "AudioTags.h"
#include "ConvertJob.h"
#include "CueSheet.h"
#include "CutJob.h"
#include "CutPlan.h"
#include "AppSettings.h"
#include "MergeJob.h"
#include "NameTemplate.h"
#include "OutputFormat.h"
#include "OutputNaming.h"
#include "PointLists.h"
#include "ParallelJobs.h"
#include "ProgressBar.h"
#include "TerminalText.h"

std::atomic<bool> stopRequested{false};
std::atomic<int> stopSignal{0};

namespace {

std::string damageWarning(const std::string& file, const std::string& damage) {
    return "Warning: \"" + file + "\": " + damage + "\n";
}

JobControl control(ProgressBar& bar, int items) {
    JobControl control;
    control.progress = [&bar, items](int item, int percent) {
        bar.show((std::min(item, items - 1) + percent / 100.0) / items);
    };
    control.stopRequested = [] { return stopRequested.load(); };
    control.damaged = [](const std::string& file, const std::string& damage) {
        std::cerr << forDescriptor(STDERR_FILENO, damageWarning(file, damage));
    };
    return control;
}

int fail(const std::string& message) {
    std::cerr << forDescriptor(STDERR_FILENO, message) << "\n";
    return 1;
}

std::string outputFolderOr(const BatchOutput& output, const std::string& fallback) {
    if (output.folder.empty())
        return fallback;
    return output.folder.back() == '/' ? output.folder : output.folder + "/";
}

// A JSON string, valid UTF-8 whatever the text holds: a byte that is not part of a UTF-8
// character is written as its Latin-1 reading, "\u00e9" for 0xE9.
std::string jsonText(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (size_t at = 0; at < text.size();) {
        const auto c = static_cast<unsigned char>(text[at]);
        const size_t length = Utf8::sequenceLength(text, at);
        if (c == '"' || c == '\\')
            quoted += std::string("\\") + static_cast<char>(c);
        else if (c < 0x20 || length == 0)
            quoted += std::string("\\u00") + hex[c >> 4] + hex[c & 15];
        else
            quoted.append(text, at, length);
        at += std::max<size_t>(length, 1);
    }
    return quoted + "\"";
}

// The bytes of a name that is not UTF-8, so a script can find the file again.
std::string nameBytesField(const std::string& name) {
    if (Utf8::isValid(name))
        return {};
    static const char hex[] = "0123456789abcdef";
    std::string digits;
    for (const unsigned char c : name)
        digits += std::string{hex[c >> 4], hex[c & 15]};
    return ",\"nameBytesHex\":\"" + digits + "\"";
}

// streaming: the file is read once from start to end (see AudioFile::openForStreaming).
bool open(AudioFile& input, const std::string& path, bool streaming = false) {
    streaming ? input.openForStreaming(path) : input.openForRead(path);
    if (input.errorCode() == 0)
        return true;
    fail(input.errorText());
    return false;
}

bool create(AudioFile& output, const std::string& path, bool overwrite) {
    output.setReplacesExisting(overwrite);
    output.createForWrite(path);
    if (output.errorCode() == 0)
        return true;
    fail(output.errorText());
    return false;
}

// The template a job's files are named by: --name, else the settings' one.
std::string nameTemplateOf(const BatchOutput& output, const std::string& setting, const char* fallback) {
    if (output.nameTemplate.empty())
        return usableNameTemplate(setting, fallback);
    if (const std::string error = nameTemplateError(output.nameTemplate); !error.empty())
        throw UsageError("--name \"" + output.nameTemplate + "\": " + error + " (fields: " + nameTemplateFields() +
                         ")");
    return output.nameTemplate;
}

// The target of each file, named as the converter names them one after another: a name
// taken by an earlier file of the same run gets " New" too.
std::vector<std::string> convertTargets(const std::vector<std::string>& files, const std::string& kind,
                                        const BatchOutput& output) {
    std::vector<std::string> targets;
    const bool overwrite = output.overwrite || AppSettings::convertOverwrite;
    const std::string nameTemplate =
        nameTemplateOf(output, AppSettings::convertNameTemplate, AppSettings::defaultConvertNameTemplate);
    const int count = static_cast<int>(files.size());
    for (const std::string& file : files) {
        const std::string folder = outputFolderOr(
            output, AppSettings::convertToSourceFolder ? folderOf(file) : AppSettings::convertOutputPath);
        const int number = static_cast<int>(targets.size()) + 1;
        targets.push_back(convertOutputName(file, folder, kind, overwrite, nameTemplate, number, count,
                                            overwrite ? std::vector<std::string>{} : targets));
    }
    return targets;
}

// Says so when another program took the output's name while the job wrote it.
void noteNameTaken(std::ostream& err, const std::string& asked, const std::string& taken) {
    if (taken != asked)
        err << "Note: " << nameTakenNote(asked, taken) << "\n";
}

// A figure with two decimals, or "-inf" where there is none (a silent file's loudness).
std::string figureText(double value) {
    if (!std::isfinite(value))
        return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

// Measures the files, jobs at once, telling each measured one; the highest status.
int measureAll(const std::vector<std::string>& files, unsigned jobs,
               std::vector<std::unique_ptr<TrackLoudness>>& measured,
               const std::function<void(size_t, JobReport&)>& measuredOne) {
    measured.resize(files.size());
    const std::string label = files.size() == 1 ? stemOf(files.front()) : std::to_string(files.size()) + " files";
    return runInParallel(files.size(), jobs == 0 ? coreCount() : jobs, label, [&](size_t i, JobReport& report) {
        try {
            measured[i] = TrackLoudness::measure(files[i], [&report](double share) {
                report.permille = static_cast<int>(share * 1000);
                return !stopRequested;
            });
        } catch (const EngineError& error) {
            report.err << forDescriptor(STDERR_FILENO, error.what()) << "\n";
            return 1;
        }
        if (!measured[i])
            return 1;
        if (measuredOne)
            measuredOne(i, report);
        return 0;
    });
}

std::vector<const TrackLoudness*> measuredTracks(const std::vector<std::unique_ptr<TrackLoudness>>& measured) {
    std::vector<const TrackLoudness*> tracks;
    for (const auto& track : measured)
        if (track)
            tracks.push_back(track.get());
    return tracks;
}

// The job's normalizing: the settings' choice or --normalize.
Normalizing normalizingOf(const BatchOutput& output, bool setting) {
    Normalizing normalizing = settingsNormalizing(setting || !output.normalize.empty());
    if (!output.normalize.empty() && output.normalize != "default") {
        char* end = nullptr;
        normalizing.targetLufs = std::strtod(output.normalize.c_str(), &end);
        if (end == output.normalize.c_str() || *end != '\0' || !(normalizing.targetLufs >= -70) ||
            normalizing.targetLufs > 0)
            throw UsageError("--normalize=" + output.normalize + ": the target is a loudness from -70 to 0 LUFS");
    }
    normalizing.album = output.album;
    return normalizing;
}

// The same, saying on err where the ceiling held a file or section back.
Normalizing notingOn(std::ostream& err, Normalizing normalizing) {
    normalizing.applied = [&err, target = normalizing.targetLufs](const std::string& what, double gainDb,
                                                                  double reached) {
        if (reached < target - 0.05)
            err << "Note: " << what << " reaches " << figureText(reached) << " LUFS, not " << figureText(target)
                << ": its peaks allow no more than " << figureText(gainDb) << " dB under the ceiling\n";
    };
    return normalizing;
}

int convertOne(const std::string& file, const std::string& kind, const std::string& target, bool overwrite,
               const Normalizing& normalizing, JobReport& report) {
    auto failWith = [&report](const std::string& message) {
        report.err << message << "\n";
        return 1;
    };
    AudioFile input, result;
    Mp3EncoderSettings lame;
    prepareOutputFormat(result, lame, kind);
    input.openForStreaming(file);
    if (input.errorCode() != 0)
        return failWith(input.errorText());
    if (!inputThatIsOutput(target, {file}).empty())
        return failWith("Cannot convert \"" + file + "\" into itself");
    result.setReplacesExisting(overwrite);
    result.createForWrite(target);
    if (result.errorCode() != 0)
        return failWith(result.errorText());
    JobControl control;
    control.progress = [&report](int, int percent) { report.permille = percent * 10; };
    control.stopRequested = [] { return stopRequested.load(); };
    control.damaged = [&report](const std::string& file, const std::string& damage) {
        report.err << damageWarning(file, damage);
    };
    try {
        if (runConvert(input, result, control, notingOn(report.err, normalizing)) == JobEnd::Stopped)
            return failWith("Stopped: \"" + target + "\" was not written");
    } catch (const EngineError& error) {
        // A file whose tags alone failed has all its audio: it stays. Any other failure
        // left nothing under the target's name.
        if (error.status() == EngineStatus::TagWriteFailed)
            report.out << result.fileName() << "\n";
        return failWith(error.what());
    }
    noteNameTaken(report.err, target, result.fileName());
    report.out << result.fileName() << "\n";
    return 0;
}

} // namespace

int64_t parseTime(const std::string& text) {
    static const std::regex clock(R"((?:(\d{1,7}):)?(\d{1,9})(?:\.(\d{1,3}))?)");
    static const std::regex plain(R"(\d{1,12})");
    const std::string what = "Not a time: \"" + text + "\" ";
    std::smatch parts;
    if (text.find_first_of(":.") == std::string::npos) {
        if (std::regex_match(text, plain))
            return std::stoll(text);
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        throw UsageError(what + (digits ? "(too large)" : "(m:ss.mmm or milliseconds)"));
    }
    if (!std::regex_match(text, parts, clock))
        throw UsageError(what + "(m:ss.mmm or milliseconds)");
    const int64_t minutes = parts[1].matched ? std::stoll(parts[1]) : 0;
    const int64_t seconds = std::stoll(parts[2]);
    if (parts[1].matched && seconds >= 60)
        throw UsageError(what + "(the seconds after the minutes must be below 60)");
    std::string fraction = parts[3].matched ? parts[3].str() : "0";
    fraction.resize(3, '0');
    return minutes * 60000 + seconds * 1000 + std::stoll(fraction);
}

namespace {

std::string tagsAsJson(const AudioTags& tags) {
    std::string json;
    for (const auto& [name, value] : tags.namedFields())
        if (!value->empty())
            json += (json.empty() ? "" : ",") + jsonText(name) + ":" + jsonText(*value);
    if (!tags.cover.data.empty())
        json += (json.empty() ? "" : ",") + std::string("\"cover\":{\"mimeType\":") + jsonText(tags.cover.mimeType) +
                ",\"bytes\":" + std::to_string(tags.cover.data.size()) + "}";
    return "{" + json + "}";
}

// A one-line text of a file (a name, a tag) for standard output.
std::string forTerminal(const std::string& text) {
    return forDescriptor(STDOUT_FILENO, text, false);
}

void printTags(const AudioTags& tags) {
    for (const auto& [name, value] : tags.namedFields())
        if (!value->empty())
            std::cout << "  " << name << ": " << forTerminal(*value) << "\n";
    if (!tags.cover.data.empty())
        std::cout << "  cover: " << tags.cover.mimeType << ", " << tags.cover.data.size() << " bytes\n";
}

} // namespace

int infoCommand(const std::vector<std::string>& files, bool json) {
    int status = 0;
    for (const std::string& file : files) {
        AudioInfo info;
        try {
            info.open(file);
        } catch (const EngineError& error) {
            status = fail(error.what());
            continue;
        }
        const AudioTags tags = readAudioTags(file);
        if (json) {
            std::cout << "{\"file\":" << jsonText(file) << nameBytesField(file)
                      << ",\"format\":" << jsonText(info.formatText()) << ",\"durationMs\":" << info.durationMs()
                      << ",\"frames\":" << info.totalFrames() << ",\"sampleRate\":" << info.sampleRate()
                      << ",\"channels\":" << info.fileChannels() << ",\"tags\":" << tagsAsJson(tags) << "}\n";
        } else {
            std::cout << forTerminal(file) << "\n  " << info.formatText() << "\n  " << info.durationMs() << " ms, "
                      << info.totalFrames() << " frames, " << info.sampleRate() << " Hz, " << info.fileChannels()
                      << (info.fileChannels() == 1 ? " channel" : " channels") << "\n";
            printTags(tags);
        }
    }
    return status;
}

namespace {

std::string figureJson(double value) {
    return std::isfinite(value) ? figureText(value) : "null";
}

std::string decibelsOf(double amplitude) {
    return figureText(amplitude > 0 ? 20 * std::log10(amplitude) : -HUGE_VAL);
}

void printLoudness(std::ostream& out, const std::string& name, const LoudnessFigures& figures, bool json,
                   bool album = false) {
    if (json) {
        out << "{" << (album ? std::string("\"album\":true") : "\"file\":" + jsonText(name) + nameBytesField(name))
            << ",\"integratedLufs\":" << figureJson(figures.integratedLufs)
            << ",\"rangeLu\":" << figureJson(figures.rangeLu)
            << ",\"truePeakDbtp\":" << figureJson(figures.truePeakDb())
            << ",\"truePeak\":" << figureJson(figures.truePeak) << ",\"samplePeak\":" << figureJson(figures.samplePeak)
            << ",\"replayGainDb\":" << figureJson(figures.replayGainDb()) << "}\n";
        return;
    }
    out << figureText(figures.integratedLufs) << " LUFS  range " << figureText(figures.rangeLu) << " LU  peak "
        << decibelsOf(figures.truePeak) << " dBTP  gain " << figureText(figures.replayGainDb()) << " dB  "
        << (album ? std::string("(album)") : forTerminal(name)) << "\n";
}

} // namespace

// Writes each measured file's ReplayGain tags (and the album's); the status.
int tagReplayGain(const std::vector<std::string>& files, const std::vector<std::unique_ptr<TrackLoudness>>& measured,
                  const std::optional<LoudnessFigures>& album) {
    int status = 0, tagged = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::optional<ReplayGainTags> gain =
            measured[i] ? replayGainTagsOf(measured[i]->figures(), album ? &*album : nullptr) : std::nullopt;
        if (!gain)
            continue; // nothing measured, or silence
        try {
            writeReplayGainTags(files[i], *gain);
            ++tagged;
        } catch (const EngineError& error) {
            status = fail(error.what());
        }
    }
    std::cout << "ReplayGain tags written to " << tagged << (tagged == 1 ? " file" : " files") << "\n";
    return status;
}

// Moves each measured MP3 file's gain without encoding by the whole steps of 1.5 dB that
// come nearest to its ReplayGain gain (the album's with an album); the status.
int applyMp3Gains(const std::vector<std::string>& files, const std::vector<std::unique_ptr<TrackLoudness>>& measured,
                  const std::optional<LoudnessFigures>& album) {
    int status = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        if (!measured[i] || AppSettings::audioTypeOfFile(files[i]) != "MP3")
            continue;
        const LoudnessFigures& figures = album ? *album : measured[i]->figures();
        if (!figures.hasLoudness())
            continue;
        const int steps = mp3GainSteps(figures.replayGainDb());
        try {
            const Mp3GainChange change = steps == 0 ? Mp3GainChange{} : applyMp3Gain(files[i], steps);
            std::cout << "MP3 gain of " << forTerminal(files[i]) << ": " << std::showpos << steps * 1.5
                      << std::noshowpos << " dB (" << steps << " steps)";
            if (change.clampedFrames > 0)
                std::cout << ", " << change.clampedFrames << " of " << change.frames
                          << " frames reached the end of their range";
            std::cout << "\n";
        } catch (const EngineError& error) {
            status = fail(error.what());
        }
    }
    return status;
}

int loudnessCommand(const std::vector<std::string>& files, bool album, bool json, unsigned jobs, bool tag,
                    bool applyGain) {
    std::vector<std::unique_ptr<TrackLoudness>> measured;
    const int status = measureAll(files, jobs, measured, [&](size_t i, JobReport& report) {
        printLoudness(report.out, files[i], measured[i]->figures(), json);
    });
    const std::vector<const TrackLoudness*> tracks = measuredTracks(measured);
    std::optional<LoudnessFigures> albumFigures;
    if (album && !stopRequested && !tracks.empty()) {
        albumFigures = TrackLoudness::album(tracks);
        printLoudness(std::cout, "", *albumFigures, json, true);
    }
    int changed = 0;
    if (tag && !stopRequested)
        changed = tagReplayGain(files, measured, albumFigures);
    if (applyGain && !stopRequested)
        changed = std::max(changed, applyMp3Gains(files, measured, albumFigures));
    return std::max(status, changed);
}

int convertCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output,
                   unsigned jobs) {
    const std::vector<std::string> targets = convertTargets(files, kind, output);
    const bool overwrite = output.overwrite || AppSettings::convertOverwrite;
    // Two files into one name (with overwriting) go one after the other, the last one staying.
    std::vector<std::string> sorted = targets;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        jobs = 1;
    Normalizing normalizing = normalizingOf(output, AppSettings::convertNormalizes);
    if (normalizing.on && normalizing.album) {
        std::vector<std::unique_ptr<TrackLoudness>> measured;
        if (const int status = measureAll(files, jobs, measured, {}); status != 0)
            return status;
        normalizing.fixedGainDb = normalizingGainDb(TrackLoudness::album(measuredTracks(measured)), normalizing);
    }
    const std::string label = files.size() == 1 ? stemOf(files.front()) : std::to_string(files.size()) + " files";
    return runInParallel(files.size(), jobs == 0 ? coreCount() : jobs, label, [&](size_t i, JobReport& report) {
        return convertOne(files[i], kind, targets[i], overwrite, normalizing, report);
    });
}

namespace {

// A plan that could not be made: the message says why.
class PlanFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::vector<Silence> silencesOf(const std::string& file, const SilenceOptions& options) {
    AudioFile input;
    input.openForRead(file);
    if (input.errorCode() != 0)
        throw PlanFailure(input.errorText());
    ProgressBar bar(stemOf(file) + " (silences)");
    std::vector<Silence> found;
    if (findSilences(input, options, control(bar, 1), found) == JobEnd::Stopped)
        throw PlanFailure("Stopped while looking for silences in \"" + file + "\"");
    return found;
}

SilenceOptions silenceOptionsOf(const CutRequest& request) {
    SilenceOptions options;
    options.thresholdDb = request.thresholdDb;
    options.minSilenceMs = std::llround(request.minSilenceSeconds * 1000);
    options.minSectionMs = std::llround(request.minSectionSeconds * 1000);
    options.trim = request.trim;
    return options;
}

CutPlan plannedFromTimes(const std::string& file, const std::vector<std::string>& times, int64_t durationMs) {
    std::vector<int64_t> points{0};
    for (const std::string& time : times) {
        const int64_t at = parseTime(time);
        if (at >= durationMs)
            throw UsageError("Cut point \"" + time + "\" is at or beyond the end of \"" + file + "\" (" +
                             std::to_string(durationMs) + " ms)");
        points.push_back(at);
    }
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    CutPlan plan;
    for (const int64_t at : points)
        plan.push_back({at, true, {}, {}});
    return plan;
}

// The length --every asks for: above 0, and no more sections than --parts allows.
int64_t everyLength(const std::string& every, int64_t durationMs) {
    constexpr int64_t MostSections = 10000;
    const int64_t length = parseTime(every);
    if (length <= 0)
        throw UsageError("--every " + every + ": the sections need a length above 0");
    if ((durationMs + length - 1) / length > MostSections)
        throw UsageError("--every " + every + " would make " + std::to_string((durationMs + length - 1) / length) +
                         " sections; at most " + std::to_string(MostSections) + " are cut at once");
    return length;
}

// The plan the request asks for, with the CUE sheet's album fields in album.
CutPlan requestedPlan(const std::string& file, const CutRequest& request, int64_t durationMs, AudioTags& album) {
    const int ways = (!request.times.empty() ? 1 : 0) + (request.silence ? 1 : 0) + (!request.every.empty() ? 1 : 0) +
                     (request.parts > 0 ? 1 : 0) + (!request.cueSheet.empty() ? 1 : 0) + (request.chapters ? 1 : 0) +
                     (!request.labels.empty() ? 1 : 0);
    if (ways != 1)
        throw UsageError("cut needs one of --at, --silence, --every, --parts, --cue, --chapters and --labels");
    if (request.snapSeconds > 0 && request.every.empty() && request.parts == 0)
        throw UsageError("--snap goes with --every or --parts");
    if (!request.times.empty())
        return plannedFromTimes(file, request.times, durationMs);
    if (request.chapters) {
        const CutPlan plan = planFromChapters(readChapters(file), durationMs);
        if (plan.empty())
            throw PlanFailure("\"" + file + "\" has no chapters");
        return plan;
    }
    if (!request.labels.empty())
        return readAudacityLabels(request.labels, durationMs);
    if (!request.cueSheet.empty()) {
        CueSheet sheet = readCueSheet(request.cueSheet, file, durationMs, request.cueEncoding);
        album = sheet.album;
        return sheet.sections;
    }
    const SilenceOptions options = silenceOptionsOf(request);
    if (request.silence)
        return planFromSilences(silencesOf(file, options), durationMs, options);
    CutPlan plan = request.parts > 0 ? planParts(durationMs, request.parts)
                                     : planEvery(durationMs, everyLength(request.every, durationMs));
    if (request.snapSeconds > 0)
        plan = snappedToSilences(plan, silencesOf(file, options), std::llround(request.snapSeconds * 1000));
    return plan;
}

int64_t endOfRow(const CutPlan& plan, size_t row, int64_t durationMs) {
    return row + 1 < plan.size() ? plan[row + 1].start : durationMs;
}

void printPlan(const CutPlan& plan, int64_t durationMs, bool json) {
    for (size_t row = 0; row < plan.size(); ++row) {
        const PlannedSection& section = plan[row];
        const int64_t end = endOfRow(plan, row, durationMs);
        if (json)
            std::cout << "{\"section\":" << row << ",\"startMs\":" << section.start << ",\"endMs\":" << end
                      << ",\"use\":" << (section.use ? "true" : "false") << ",\"title\":" << jsonText(section.title)
                      << ",\"artist\":" << jsonText(section.artist) << "}\n";
        else
            std::cout << row << "\t" << AppSettings::formatMinSecMs(section.start) << "\t"
                      << AppSettings::formatMinSecMs(end) << "\t" << (section.use ? "cut" : "skip")
                      << (section.title.empty() ? "" : "\t" + section.title) << "\n";
    }
}

} // namespace

int cutCommand(const std::string& file, const CutRequest& request, const BatchOutput& output) {
    AudioInfo info;
    try {
        info.open(file);
    } catch (const EngineError& error) {
        return fail(error.what());
    }
    CutJob job;
    CutPlan plan;
    try {
        plan = requestedPlan(file, request, info.durationMs(), job.album);
    } catch (const PlanFailure& error) {
        return fail(error.what());
    } catch (const CueSheetError& error) {
        return fail(error.what());
    } catch (const PointListError& error) {
        return fail(error.what());
    } catch (const EngineError& error) {
        return fail(error.what());
    }
    const int sectionCount = static_cast<int>(plan.size());
    for (const int section : request.skipped) {
        if (section < 0 || section >= sectionCount)
            throw UsageError("--skip " + std::to_string(section) + " names no section: the points give " +
                             std::to_string(sectionCount) + " sections, numbered from 0");
        plan[static_cast<size_t>(section)].use = false;
    }
    if (request.listOnly) {
        printPlan(plan, info.durationMs(), request.json);
        return 0;
    }
    CutSettings settings = currentCutSettings();
    settings.outputFolder = outputFolderOr(output, settings.toSourceFolder ? folderOf(file) : settings.outputFolder);
    settings.toSourceFolder = false;
    settings.overwrite = settings.overwrite || output.overwrite;
    settings.keepEncoding = settings.keepEncoding || request.copy;
    settings.nameTemplate =
        nameTemplateOf(output, AppSettings::splitNameTemplate, AppSettings::defaultSplitNameTemplate);
    settings.writesPlaylist = settings.writesPlaylist || request.playlist;
    const AudioTags album = job.album;
    job = makeCutJob(file, plan, info.durationMs(), settings);
    job.album = album;
    if (job.sections.empty())
        return fail("Nothing to cut in \"" + file + "\": every section is left out");
    const std::string sourceKind = AppSettings::audioTypeOfFile(file);
    if (job.kind != sourceKind && !job.kind.empty())
        std::cerr << "Note: the sections of \"" << file << "\" are written as " << job.kind
                  << " (lossless): the program reads " << sourceKind << " but does not write it\n";
    job.normalizing = notingOn(std::cerr, normalizingOf(output, AppSettings::splitNormalizes));
    job.fadeInMs = request.fadeInMs;
    job.fadeOutMs = request.fadeOutMs;
    job.reencoded = [&file](int section, const std::string& why) {
        std::cerr << "Note: "
                  << (section < 0 ? "the sections of \"" + file + "\" are"
                                  : "section " + std::to_string(section) + " of \"" + file + "\" is")
                  << " encoded again: " << why << "\n";
    };
    AudioFile input, result;
    Mp3EncoderSettings lame;
    AudioTransform transform;
    if (!prepareOutputFormat(result, lame, job.kind))
        return fail("Cannot cut \"" + file + "\": it is not a file of a kind the program reads");
    std::vector<std::string> written;
    result.setReplacesExisting(job.overwrite);
    job.createOutput = [&](const std::string& path) {
        result.createForWrite(path);
        if (result.errorCode() != 0)
            throw EngineError(static_cast<EngineStatus>(result.errorCode()), result.errorText());
    };
    job.written = [&](int, const std::string& path) { written.push_back(path); };
    job.playlistWritten = [&](const std::string& path) { written.push_back(path); };
    job.nameTaken = [](const std::string& asked, const std::string& taken) { noteNameTaken(std::cerr, asked, taken); };
    job.copied = [&](int section, const std::string& path, const std::string& note) {
        written.push_back(path);
        if (!note.empty())
            std::cerr << "Note: section " << section << " of \"" << file << "\" is copied in whole packets: " << note
                      << "\n";
    };
    if (!open(input, file))
        return 1;
    ProgressBar bar(stemOf(file));
    int status = 0;
    int failedSection = -1;
    try {
        if (runCut(input, result, transform, job, control(bar, static_cast<int>(job.sections.size())),
                   &failedSection) == JobEnd::Stopped)
            status = fail("Stopped: the section being cut was not written");
        result.close();
    } catch (const EngineError& error) {
        status = fail(error.what()); // the section being written was abandoned: only finished files are listed
    }
    for (const std::string& path : written)
        std::cout << path << "\n";
    return status;
}

namespace {

// Joins by copy when the files allow it; false (after saying why) when they must be encoded.
bool joinedByCopy(const std::vector<std::string>& files, const std::string& kind, const std::string& target,
                  bool overwrite, const Normalizing& normalizing, int& status) {
    const CopyMerge merge = planCopyMerge(files, kind);
    if (!merge.refusal.empty()) {
        std::cerr << "Note: the files are encoded again: " << merge.refusal << "\n";
        return false;
    }
    try {
        ProgressBar bar(stemOf(target));
        const CopyMergeResult joined =
            runCopyMerge(merge, target, overwrite, control(bar, static_cast<int>(files.size())), normalizing);
        if (joined.end == JobEnd::Stopped) {
            status = fail("Stopped: \"" + target + "\" was not written");
            return true;
        }
        if (joined.junctionMs > 0)
            std::cerr << "Note: " << joined.junctionMs << " ms of encoder padding and delay stay at the "
                      << files.size() - 1 << " junctions\n";
        noteNameTaken(std::cerr, target, joined.fileName);
        std::cout << joined.fileName << "\n";
        status = 0;
    } catch (const EngineError& error) {
        status = fail(error.what());
    }
    return true;
}

} // namespace

int joinCommand(const std::vector<std::string>& files, const std::string& kind, const BatchOutput& output, bool copy) {
    if (files.size() < 2)
        return fail("Joining needs at least two files");
    const std::time_t now = std::time(nullptr);
    const bool overwrite = output.overwrite || AppSettings::joinOverwrite;
    const std::string target = joinOutputName(
        files, outputFolderOr(output, AppSettings::joinOutputPath), kind, overwrite,
        nameTemplateOf(output, AppSettings::joinNameTemplate, AppSettings::defaultJoinNameTemplate), localTimeOf(now));
    if (!inputThatIsOutput(target, files).empty())
        return fail("Cannot join into \"" + target + "\": it is one of the files to join");
    AudioFile input, result;
    for (const std::string& file : files) {
        if (!open(input, file, true))
            return 1;
        input.close();
    }
    BatchOutput levels = output;
    levels.album = output.album || AppSettings::joinKeepsLevels;
    const Normalizing normalizing = notingOn(std::cerr, normalizingOf(levels, AppSettings::joinNormalizes));
    int copyStatus = 0;
    if ((copy || AppSettings::joinKeepsEncoding) &&
        joinedByCopy(files, kind, target, overwrite, normalizing, copyStatus))
        return copyStatus;
    Mp3EncoderSettings lame;
    prepareOutputFormat(result, lame, kind);
    if (!create(result, target, overwrite))
        return 1;
    ProgressBar bar(stemOf(target));
    try {
        if (runMerge(input, result, files, control(bar, static_cast<int>(files.size())), nullptr, normalizing) ==
            JobEnd::Stopped)
            return fail("Stopped: \"" + target + "\" was not written");
    } catch (const EngineError& error) {
        return fail(error.what()); // the merged file was abandoned: there is nothing to list
    }
    noteNameTaken(std::cerr, target, result.fileName());
    std::cout << result.fileName() << "\n";
    return 0;
}
