// zelvo-mp3-batch: the program's cut, merge and conversion work from the command line.
#include <csignal>
#include <filesystem>
#include <iostream>

#include <CLI/CLI.hpp>

#include <QCoreApplication>

#include "BatchCommands.h"
#include "CommandFile.h"
#include "NameTemplate.h"
#include "AppSettings.h"
#include "OutputFormat.h"
#include "SettingsStore.h"
#include "SpecialFolders.h"

namespace {

struct Overrides {
    int mp3BitRate = 0, mp3Vbr = -1, oggQuality = -1, wmaProfile = 0, flacLevel = -1, rate = 0, channels = 0;
};

// The user's settings (or those of another file), with the flags' values over them.
// A settings file that cannot be read stops the command.
void applyUserSettings(const std::string& settingsFile, const Overrides& flags) {
    Platform::fillSharedFolders();
    const std::string file = settingsFile.empty() ? settingsFilePath() : settingsFile;
    OptionValues values;
    std::error_code ec;
    if (std::filesystem::exists(file, ec))
        loadSettings(values, file, scheduleFilePath());
    else
        resetSettings(values);
    applySettings(values);
    using namespace AppSettings;
    if (flags.mp3BitRate > 0) {
        mp3BitRateKbps = flags.mp3BitRate;
        mp3VbrEnabled = false;
    }
    if (flags.mp3Vbr >= 0) {
        mp3VbrEnabled = true;
        mp3VbrQuality = static_cast<int16_t>(flags.mp3Vbr);
        mp3VbrHeader = true;
        mp3MaxBitRateKbps = 320;
    }
    if (flags.oggQuality >= 0)
        oggQuality = flags.oggQuality * 100 + 99;
    if (flags.wmaProfile > 0)
        wmaProfile = flags.wmaProfile;
    if (flags.flacLevel >= 0)
        flacLevel = flags.flacLevel;
    if (flags.rate > 0)
        wavFreqHz = mp3FreqHz = oggFreqHz = flacFreqHz = flags.rate;
    if (flags.channels > 0)
        wavChannelCount = mp3ChannelCount = oggChannelCount = flacChannelCount = flags.channels;
}

// MP3 output at a rate or bit rate MP3 does not have takes the nearest it has, and says so.
void useValidMp3Format() {
    using namespace AppSettings;
    const Mp3Choice valid = nearestMp3Format(mp3FreqHz, mp3BitRateKbps);
    if (valid.rateHz != mp3FreqHz || valid.bitRateKbps != mp3BitRateKbps)
        std::cerr << "Warning: MP3 has no " << mp3BitRateKbps << " kbps at " << mp3FreqHz
                  << " Hz; MP3 output is written at " << valid.bitRateKbps << " kbps, " << valid.rateHz << " Hz\n";
    mp3FreqHz = valid.rateHz;
    mp3BitRateKbps = valid.bitRateKbps;
    mp3MaxBitRateKbps = nearestMp3Format(mp3FreqHz, mp3MaxBitRateKbps).bitRateKbps;
}

// The options given before the command, which the commands of a command file run with too
// (each of them takes a value: "--rate 48000" or "--rate=48000").
std::vector<std::string> leadingOptions(int argc, char** argv) {
    std::vector<std::string> options;
    for (int i = 1; i < argc && std::string(argv[i]) != "run"; ++i) {
        options.emplace_back(argv[i]);
        if (options.back().find('=') == std::string::npos && i + 1 < argc)
            options.emplace_back(argv[++i]);
    }
    return options;
}

std::string kind(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const QCoreApplication qt(argc, argv); // for the special folders
    CLI::App app{"Cuts, joins, converts and describes WAV, MP3, OGG, WMA, FLAC, Opus, M4A and AIFF files "
                 "(writing WAV, MP3, OGG, WMA, FLAC, Opus, M4A and M4B), with the settings of Zelvo MP3 Zovozu Darozu.",
                 "zelvo-mp3-batch"};
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("zelvo-mp3-batch ") + ZELVO_VERSION);
    std::string settings;
    Overrides flags;
    BatchOutput output;
    app.add_option("--settings", settings, "Settings file to use instead of the user's ZSCJCfg.ini")
        ->check(CLI::ExistingFile);
    app.add_option("--mp3-bitrate", flags.mp3BitRate, "MP3 constant bit rate in kbps")->check(CLI::Range(8, 320));
    app.add_option("--mp3-vbr", flags.mp3Vbr, "MP3 variable bit rate at this quality (0 best .. 9)")
        ->check(CLI::Range(0, 9));
    app.add_option("--ogg-quality", flags.oggQuality, "OGG quality step (0 .. 9)")->check(CLI::Range(0, 9));
    app.add_option("--wma-profile", flags.wmaProfile, "WMA profile (1 .. 60)")->check(CLI::Range(1, 60));
    app.add_option("--flac-level", flags.flacLevel, "FLAC compression level (0 fastest .. 8 smallest)")
        ->check(CLI::Range(0, 8));
    app.add_option("--rate", flags.rate, "Sample rate of WAV, MP3, OGG and FLAC output in Hz")
        ->check(CLI::Range(8000, 96000));
    app.add_option("--channels", flags.channels, "Channels of WAV, MP3, OGG and FLAC output")->check(CLI::Range(1, 2));
    const auto kinds = CLI::IsMember({"wav", "mp3", "ogg", "wma", "flac", "opus", "m4a", "m4b"}, CLI::ignore_case);
    // The options above are the same before or after a command's name ("cut x.wav --rate
    // 22050"); a command file's commands get only those before "run".
    app.fallthrough();

    std::vector<std::string> files;
    bool json = false;
    auto* info = app.add_subcommand("info", "Format, duration, frames, rate and channels of files");
    info->add_option("files", files, "Audio files")->required();
    info->add_flag("--json", json, "One JSON object per file");

    auto* loudness = app.add_subcommand("loudness", "Loudness of files (EBU R 128): integrated LUFS, range, true "
                                                    "peak and the ReplayGain 2.0 gain to -18 LUFS");
    loudness->add_option("files", files, "Audio files")->required();
    bool album = false;
    loudness->add_flag("--album", album, "Also the album's loudness: of all the files as one");
    loudness->add_flag("--json", json, "One JSON object per file (and one for the album)");
    bool tagLoudness = false, applyMp3Gain = false;
    loudness->add_flag("--apply-mp3-gain", applyMp3Gain,
                       "Move each MP3 file's gain without encoding, in steps of 1.5 dB, to the nearest of -18 LUFS "
                       "(the album's level with --album); the change is recorded as mp3gain records it");
    loudness->add_flag("--tag", tagLoudness,
                       "Write ReplayGain 2.0 tags (track, and album with --album) into the WAV, MP3, OGG, WMA, "
                       "FLAC, Opus (also its R128 gains) and M4A files");

    std::string to;
    auto* convert = app.add_subcommand("convert", "Convert files to another format");
    convert->add_option("files", files, "Audio files")->required();
    convert->add_option("--to", to, "wav, mp3, ogg, wma, flac, opus, m4a or m4b")->required()->check(kinds);
    unsigned jobs = 0;
    convert->add_option("-j,--jobs", jobs, "Files converted at once (default: one per core)")
        ->check(CLI::Range(1u, 256u));

    std::string source;
    CutRequest request;
    auto* cut = app.add_subcommand("cut", "Cut a file into sections: at given times, at its silences, into "
                                          "equal parts or by a CUE sheet");
    cut->add_option("file", source, "Audio file")->required();
    cut->add_option("--at", request.times, "Cut point: m:ss.mmm or milliseconds (repeatable)");
    cut->add_flag("--silence", request.silence, "Cut at the middle of every silence");
    cut->add_option("--threshold", request.thresholdDb, "Silence below this level, dBFS (default -40)")
        ->check(CLI::Range(-120.0, 0.0));
    cut->add_option("--min-silence", request.minSilenceSeconds, "Shortest silence, seconds (default 1)")
        ->check(CLI::Range(0.01, 3600.0));
    cut->add_option("--min-section", request.minSectionSeconds, "Shortest section, seconds (default 0)")
        ->check(CLI::Range(0.0, 86400.0));
    cut->add_flag("--trim", request.trim, "Leave the silences out instead of cutting at their middles");
    cut->add_option("--every", request.every, "Cut every m:ss");
    cut->add_option("--parts", request.parts, "Cut into this many equal parts")->check(CLI::Range(2, 10000));
    cut->add_option("--snap", request.snapSeconds,
                    "With --every or --parts: move each cut to a silence this "
                    "many seconds near")
        ->check(CLI::Range(0.0, 3600.0));
    cut->add_option("--cue", request.cueSheet, "Cut at the tracks of a CUE sheet, titled as it says");
    cut->add_option("--cue-encoding", request.cueEncoding,
                    "The CUE sheet's text encoding (WINDOWS-1251, SHIFT_JIS, ...; found from its bytes when not given)")
        ->needs("--cue");
    cut->add_flag("--chapters", request.chapters, "Cut at the file's chapters, titled as they are");
    cut->add_option("--labels", request.labels,
                    "Cut at the labels of an Audacity label file (start, end and text separated by tabs), titled "
                    "by their texts");
    cut->add_flag("--playlist", request.playlist,
                  "Also write an M3U playlist of the files written (as the settings' playlist option does)");
    cut->add_option("--skip", request.skipped, "Section to leave out, 0 for the first (repeatable)");
    cut->add_flag("--copy", request.copy,
                  "Copy the MP3 frames (fades in steps of 1.5 dB of their gain) or the OGG and WMA packets of "
                  "sections without fades instead of encoding them again (lossless; MP3 sample-exact, OGG and "
                  "WMA to the packet); sections that cannot be copied are encoded and a note says why");
    cut->add_option("--fade-in", request.fadeInMs, "Fade-in at each section's start, ms")
        ->check(CLI::NonNegativeNumber);
    cut->add_option("--fade-out", request.fadeOutMs, "Fade-out at each section's end, ms")
        ->check(CLI::NonNegativeNumber);
    cut->add_flag("--list-only", request.listOnly, "Print the sections instead of cutting");
    cut->add_flag("--json", request.json, "With --list-only: one JSON object per section");

    auto* join = app.add_subcommand("join", "Join files into one, in the order given");
    join->add_option("files", files, "Audio files")->required();
    join->add_option("--to", to, "wav, mp3, ogg, wma, flac, opus, m4a or m4b")->required()->check(kinds);
    bool copyJoin = false;
    join->add_flag("--copy", copyJoin,
                   "Join MP3 files of one rate and channel count by copying their frames (lossless); other files "
                   "are encoded and a note says why");

    std::string commandFile;
    auto* run = app.add_subcommand("run", "Run the commands of a file, several at once: one per line, as on the "
                                          "command line after the program's name (\"cut live.mp3 --every 5:00\"); "
                                          "- reads them from standard input");
    run->fallthrough(false); // its commands get only the options given before "run"
    run->add_option("file", commandFile, "File of commands")->required();
    run->add_option("-j,--jobs", jobs, "Commands run at once (default: one per core)")->check(CLI::Range(1u, 256u));
    loudness->add_option("-j,--jobs", jobs, "Files measured at once (default: one per core)")
        ->check(CLI::Range(1u, 256u));

    for (auto* command : {convert, cut, join}) {
        command->add_option("--out", output.folder, "Output folder (else the settings' one)")
            ->check(CLI::ExistingDirectory);
        command->add_flag("--overwrite", output.overwrite, "Overwrite an existing file of the same name");
        command->add_flag("--normalize{default}", output.normalize,
                          "Bring the output to one loudness: the settings' target (-18 LUFS unless changed) or "
                          "--normalize=LUFS, never above the settings' true-peak ceiling (-1 dBTP); copied MP3 "
                          "sections move in steps of 1.5 dB");
        command->add_option(
            "--name", output.nameTemplate,
            "Name the files by this template, e.g. \"{n:02} - {artist} - {title}\" (fields: " + nameTemplateFields() +
                "; {n:02} pads with zeros, {start:s} gives seconds, / "
                "makes folders)");
        command->add_flag("--album", output.album,
                          "With --normalize: the files (a cut: the sections) keep their levels to each other and "
                          "their whole is brought to the target");
    }

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? 0 : 2;
    }
    for (const int signal : {SIGINT, SIGTERM})
        std::signal(signal, [](int number) {
            stopSignal = number;
            stopRequested = true;
        });
    auto runCommand = [&] {
        if (*info)
            return infoCommand(files, json);
        if (*loudness)
            return loudnessCommand(files, album, json, jobs, tagLoudness, applyMp3Gain);
        if (*convert)
            return convertCommand(files, kind(to), output, jobs);
        if (*cut)
            return cutCommand(source, request, output);
        if (*run)
            return runCommandFile(commandFile, leadingOptions(argc, argv), jobs);
        return joinCommand(files, kind(to), output, copyJoin);
    };
    try {
        applyUserSettings(settings, flags);
        const std::string outputKind = *cut ? cutOutputKind(AppSettings::audioTypeOfFile(source)) : kind(to);
        if (!*info && !*run && !*loudness && outputKind == "MP3")
            useValidMp3Format();
        const int status = runCommand();
        return stopSignal != 0 ? 128 + stopSignal : status;
    } catch (const UsageError& error) {
        std::cerr << error.what() << "\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
}
