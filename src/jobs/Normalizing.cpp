#include "Normalizing.h"

#include <algorithm>
#include <cmath>

#include "AppSettings.h"

Normalizing settingsNormalizing(bool on) {
    Normalizing normalizing;
    normalizing.on = on;
    normalizing.targetLufs = AppSettings::targetLoudnessLufs;
    normalizing.ceilingDbtp = AppSettings::peakCeilingDbtp;
    return normalizing;
}

double normalizingGainDb(const LoudnessFigures& figures, const Normalizing& normalizing) {
    if (!figures.hasLoudness())
        return 0;
    const double toTarget = normalizing.targetLufs - figures.integratedLufs;
    const double peakDb = figures.truePeakDb();
    return std::isfinite(peakDb) ? std::min(toTarget, normalizing.ceilingDbtp - peakDb) : toTarget;
}

float amplitudeFactor(double gainDb) {
    return static_cast<float>(std::pow(10.0, gainDb / 20.0));
}

JobControl progressWithin(const JobControl& control, int from, int to) {
    JobControl part = control;
    part.progress = [&control, from, to](int item, int percent) {
        control.report(item, from + percent * (to - from) / 100);
    };
    return part;
}

std::unique_ptr<TrackLoudness> measureAsWritten(AudioFile& input, const AudioFile& output, int item,
                                                const JobControl& control, int64_t first, int64_t end) {
    AudioFile meter;
    meter.prepareLike(output);
    meter.createForMeasuring();
    meter.setInputFormat(input.sampleRate(), input.channels());
    if (first > 0)
        input.seek(first);
    const int64_t last = end < 0 ? input.totalFrames() : end;
    const int64_t length = std::max<int64_t>(last - first, 1);
    const int blockFrames = std::max(input.sampleRate(), 1);
    for (int64_t at = first; end < 0 || at < end;) {
        const int frames = end < 0 ? blockFrames : static_cast<int>(std::min<int64_t>(blockFrames, end - at));
        const AudioBlock block = input.readBlock(frames);
        if (block.empty())
            break;
        meter.writeBlock(block);
        at += block.frames();
        control.report(item, static_cast<int>(std::min<int64_t>(at - first, length) * 100 / length));
        if (control.stopping())
            return nullptr;
    }
    return meter.takeMeasurement();
}

namespace {

std::unique_ptr<TrackLoudness> measureAsWritten(const std::string& path, const AudioFile& output, int item,
                                                const JobControl& control) {
    AudioFile input;
    input.openForStreaming(path);
    if (input.errorCode() != 0)
        throw EngineError(static_cast<EngineStatus>(input.errorCode()), input.errorText());
    return measureAsWritten(input, output, item, control);
}

std::unique_ptr<TrackLoudness> measureAsItIs(const std::string& path, int item, const JobControl& control) {
    return TrackLoudness::measure(path, [&control, item](double share) {
        control.report(item, static_cast<int>(share * 100));
        return !control.stopping();
    });
}

} // namespace

std::optional<std::vector<double>> normalizingGains(const std::vector<std::string>& paths,
                                                    const Normalizing& normalizing, const AudioFile* output,
                                                    const JobControl& control) {
    if (normalizing.fixedGainDb)
        return std::vector<double>(paths.size(), *normalizing.fixedGainDb);
    std::vector<std::unique_ptr<TrackLoudness>> tracks;
    std::vector<double> gains;
    for (size_t i = 0; i < paths.size(); ++i) {
        tracks.push_back(output ? measureAsWritten(paths[i], *output, static_cast<int>(i), control)
                                : measureAsItIs(paths[i], static_cast<int>(i), control));
        if (!tracks.back())
            return std::nullopt;
        gains.push_back(normalizingGainDb(tracks.back()->figures(), normalizing));
    }
    if (normalizing.album && !tracks.empty()) {
        std::vector<const TrackLoudness*> measured;
        for (const auto& track : tracks)
            measured.push_back(track.get());
        gains.assign(paths.size(), normalizingGainDb(TrackLoudness::album(measured), normalizing));
    }
    for (size_t i = 0; i < paths.size(); ++i)
        tellApplied(normalizing, paths[i], tracks[i]->figures(), gains[i]);
    return gains;
}

void tellApplied(const Normalizing& normalizing, const std::string& what, const LoudnessFigures& figures,
                 double gainDb) {
    if (normalizing.applied)
        normalizing.applied(what, gainDb, figures.integratedLufs + gainDb);
}
