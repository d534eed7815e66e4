#include "CutJob.h"

#include <algorithm>
#include <optional>

#include "AbandonOnFailure.h"
#include "AppSettings.h"
#include "JobTags.h"
#include "Mp3FrameCopy.h"
#include "Mp3Gain.h"
#include "PacketCopy.h"
#include "PointLists.h"
#include "OutputFormat.h"
#include "OutputNaming.h"

namespace {

// A section runs from its start's frame to its end's, so that neighbouring sections meet
// without a frame lost or doubled; one that ends at the file's end takes all frames to
// the end (the duration in whole milliseconds falls short of it).
std::pair<int64_t, int64_t> sectionFrames(const AudioFile& input, const CutSection& section) {
    const int rate = input.sampleRate();
    const int64_t total = input.totalFrames();
    const int64_t first = section.start * rate / 1000;
    const int64_t endMs = section.start + section.length;
    const int64_t end = endMs >= total * 1000 / rate ? total : endMs * rate / 1000;
    return {first, std::max(end, first)};
}

// A section's fades in frames: shortened to the section, the fade-in first.
std::pair<int64_t, int64_t> fadeFrames(const AudioFile& input, const CutSection& section, int64_t fadeInMs,
                                       int64_t fadeOutMs) {
    const int rate = input.sampleRate();
    const int64_t length = std::max<int64_t>(section.length, 1);
    fadeInMs = std::clamp<int64_t>(fadeInMs, 0, length);
    fadeOutMs = std::clamp<int64_t>(fadeOutMs, 0, length - fadeInMs);
    const auto [firstFrame, endFrame] = sectionFrames(input, section);
    const int64_t fadeIn = std::min(fadeInMs * rate / 1000, endFrame - firstFrame);
    return {fadeIn, std::min(fadeOutMs * rate / 1000, endFrame - firstFrame - fadeIn)};
}

// One section's copy: the progress sub-ranges of the engine's own reports, the fades and
// the blocks between them.
class SectionCopy {
public:
    SectionCopy(AudioFile& input, AudioFile& output, AudioTransform& transform, const JobControl& control, int index)
        : input_(input), output_(output), transform_(transform), control_(control), index_(index) {
        transform_.onTransformBlock = [this](AudioTransform&, int percent) {
            post(low_ + percent * (high_ - low_) / 100);
        };
        transform_.onEndTransform = [this](AudioTransform&) { post(high_, true); };
    }
    // The handlers never outlive the run that attached them.
    ~SectionCopy() {
        transform_.onTransformBlock = {};
        transform_.onEndTransform = {};
    }
    SectionCopy(const SectionCopy&) = delete;
    SectionCopy& operator=(const SectionCopy&) = delete;

    // Returns false when a stop was asked for in the middle part.
    bool copy(const CutSection& section, int64_t fadeInMs, int64_t fadeOutMs) {
        const int64_t length = std::max<int64_t>(section.length, 1);
        fadeInMs = std::clamp<int64_t>(fadeInMs, 0, length);
        fadeOutMs = std::clamp<int64_t>(fadeOutMs, 0, length - fadeInMs);
        const auto [firstFrame, endFrame] = sectionFrames(input_, section);
        const int64_t sectionFrames = endFrame - firstFrame;
        const auto [fadeInFrames, fadeOutFrames] = fadeFrames(input_, section, fadeInMs, fadeOutMs);
        const int fadeInShare = static_cast<int>(fadeInMs * 100 / length);
        const int fadeOutStart = 100 - static_cast<int>(fadeOutMs * 100 / length);
        const int64_t blockFrames = int64_t{input_.streamChannels()} * input_.streamSampleRate();
        const int64_t middleFrames = sectionFrames - fadeInFrames - fadeOutFrames;

        input_.seek(firstFrame);
        if (fadeInFrames > 0)
            fadedPart(static_cast<int>(fadeInFrames), 0, fadeInShare, 0.0f, 100.0f);
        for (int64_t blockNumber = 1; blockNumber <= middleFrames / blockFrames; ++blockNumber) {
            if (control_.stopping())
                return false;
            output_.writeBlock(input_.readBlock(static_cast<int>(blockFrames)));
            post(static_cast<int>(fadeInShare + (blockNumber - 1) * blockFrames * (fadeOutStart - fadeInShare) /
                                                    std::max<int64_t>(sectionFrames, 1)));
        }
        if (middleFrames % blockFrames > 0)
            output_.writeBlock(input_.readBlock(static_cast<int>(middleFrames % blockFrames)));
        post(fadeOutStart, true);
        if (fadeOutFrames > 0)
            fadedPart(static_cast<int>(fadeOutFrames), fadeOutStart, 100, 100.0f, 0.0f);
        if (last_ < 100)
            post(100, true);
        return true;
    }

private:
    // A fade over one block: mono at once, stereo channel by channel, each engine call
    // reporting within its own share of [from, to].
    void fadedPart(int frames, int from, int to, float startPercent, float endPercent) {
        AudioBlock part = input_.readBlock(frames);
        if (part.channels == 1) {
            range(from, to);
            transform_.fade(part, startPercent, endPercent);
        } else {
            const int q = (to - from) / 5;
            range(from, from + q);
            AudioBlock left = transform_.leftChannel(part);
            range(from + q, from + 2 * q);
            AudioBlock right = transform_.rightChannel(part);
            range(from + 2 * q, from + 3 * q);
            transform_.fade(left, startPercent, endPercent);
            range(from + 3 * q, from + 4 * q);
            transform_.fade(right, startPercent, endPercent);
            range(from + 4 * q, to);
            part = transform_.mergeChannels(left, right);
        }
        output_.writeBlock(part);
    }

    void range(int low, int high) {
        low_ = low;
        high_ = high;
    }

    void post(int percent, bool always = false) {
        if (percent != last_ || always) {
            last_ = percent;
            control_.report(index_, percent);
        }
    }

    AudioFile& input_;
    AudioFile& output_;
    AudioTransform& transform_;
    const JobControl& control_;
    int index_;
    int low_ = 0, high_ = 0;
    int last_ = -1;
};

// Writes sections of the input by copying its compressed frames or packets.
class SectionCopier {
public:
    // The copier for the job's input, or nothing (the reason told to the job) when its
    // sections are to be encoded.
    static std::optional<SectionCopier> forJob(const AudioFile& input, const CutJob& job) {
        if (!job.keepEncoding)
            return std::nullopt;
        std::string refusal = keepEncodingRefusal(input, job);
        std::optional<SectionCopier> copier;
        if (refusal.empty())
            copier = SectionCopier(input, job, refusal);
        if (!refusal.empty() && job.reencoded)
            job.reencoded(-1, refusal);
        if (!refusal.empty())
            return std::nullopt;
        return copier;
    }

    // Writes samples [first, end) as path (which becomes the name written); false, with
    // why set, when this one section cannot be copied. note tells how the copy's bounds
    // differ from those asked for. A stop raises CopyStopped.
    // fadeIn, fadeOut: samples; gainSteps: a level change (MP3 only).
    bool copy(int64_t first, int64_t end, std::string& path, const AudioTags& tags, std::string& note, std::string& why,
              const CopyProgress& progress, int64_t fadeIn, int64_t fadeOut, int gainSteps) const {
        if (!frames_) {
            const PacketCopyResult copied = writePacketCopy(source_, first, end, path, tags, overwrite_, progress);
            note = boundsNote(first - copied.firstSample, copied.endSample + copied.tailSamples - end);
            path = copied.fileName;
            return true;
        }
        const auto range = planMp3Copy(*frames_, first, end, &why);
        if (range && (fadeIn > 0 || fadeOut > 0 || gainSteps != 0))
            path = writeMp3Copy(source_, *frames_, *range, path, tags, overwrite_, progress,
                                mp3FadeRamp(*frames_, *range, end - first, fadeIn, fadeOut, gainSteps));
        else if (range)
            path = writeMp3Copy(source_, *frames_, *range, path, tags, overwrite_, progress);
        return range.has_value();
    }

private:
    SectionCopier(const AudioFile& input, const CutJob& job, std::string& refusal)
        : source_(input.fileName()), rate_(input.sampleRate()), overwrite_(job.overwrite) {
        if (job.kind != "MP3") {
            refusal = packetCopyRefusal(source_);
            return;
        }
        frames_ = indexMp3Frames(source_);
        if (const std::string why = frames_->copyRefusal(); !why.empty())
            refusal = why;
        else if (frames_->totalSamples() != input.totalFrames())
            refusal = "its " + std::to_string(frames_->frames.size()) + " frames hold " +
                      std::to_string(frames_->totalSamples()) + " samples, but it decodes to " +
                      std::to_string(input.totalFrames()) + " (its start or end is not what it seems)";
    }

    std::string boundsNote(int64_t early, int64_t late) const {
        auto ms = [this](int64_t samples) { return std::to_string((samples * 1000 + rate_ / 2) / rate_) + " ms"; };
        if (early <= 0 && late <= 0)
            return {};
        std::string note = "it";
        if (early > 0)
            note += " starts " + ms(early) + " early";
        if (early > 0 && late > 0)
            note += " and";
        if (late > 0)
            note += " ends " + ms(late) + " late";
        return note;
    }

    std::string source_;
    int rate_ = 0;
    bool overwrite_ = false;
    std::optional<Mp3FrameIndex> frames_; // MP3; the other kinds are copied packet by packet
};

// The gains (dB) of a cut's sections: the whole source's for all of them, or each
// section's own as it comes (measured then).
class SectionGains {
public:
    // nullopt from gainOf after a stop.
    SectionGains(AudioFile& input, const AudioFile& output, const CutJob& job, const JobControl& control)
        : input_(input), output_(output), job_(job), control_(control) {}

    std::optional<double> gainOf(int index, int64_t first, int64_t end) {
        const Normalizing& normalizing = job_.normalizing;
        if (!normalizing.on)
            return 0.0;
        if (normalizing.album) {
            if (!sourceGain_) {
                const auto gains =
                    normalizingGains({input_.fileName()}, normalizing, &output_, progressWithin(control_, 0, 50));
                if (!gains)
                    return std::nullopt;
                sourceGain_ = gains->front();
            }
            return sourceGain_;
        }
        const auto measured = measureAsWritten(input_, output_, index, progressWithin(control_, 0, 50), first, end);
        if (!measured)
            return std::nullopt;
        const double gain = normalizingGainDb(measured->figures(), normalizing);
        tellApplied(normalizing, "section " + std::to_string(index), measured->figures(), gain);
        return gain;
    }

private:
    AudioFile& input_;
    const AudioFile& output_;
    const CutJob& job_;
    const JobControl& control_;
    std::optional<double> sourceGain_;
};

} // namespace

std::string keepEncodingRefusal(const AudioFile& input, const CutJob& job) {
    if ((job.fadeInMs > 0 || job.fadeOutMs > 0) && job.kind != "MP3")
        return "the sections fade in or out";
    const auto tooShort = [&input](int64_t fadeMs) {
        return fadeMs > 0 && fadeMs * input.sampleRate() / 1000 < 4 * 576;
    };
    if (job.kind == "MP3" && (tooShort(job.fadeInMs) || tooShort(job.fadeOutMs)))
        return "a fade is shorter than the four MP3 granules a copied fade needs";
    if (job.normalizing.on && job.kind != "MP3")
        return "the sections are brought to one loudness, which needs their audio encoded again";
    return keptEncodingRefusal(job.kind, input.sampleRate(), input.channels(), "source's");
}

namespace {

PlaylistEntry playlistEntry(const std::string& path, const CutSection& section, const AudioTags& tags) {
    const std::string title = tags.artist.empty() ? tags.title : tags.artist + " - " + tags.title;
    return {path, section.length, title.empty() ? stemOf(path) : title};
}

void writePlaylist(const CutJob& job, const std::vector<PlaylistEntry>& entries) {
    const std::string path = uniqueOutputName(job.outputFolder, job.baseName, "m3u", job.overwrite);
    try {
        writeTextFile(path, m3uText(job.outputFolder, entries));
    } catch (const PointListError& error) {
        throw EngineError(EngineStatus::WriteFailed,
                          std::string(error.what()) + " (the sections themselves are written)");
    }
    if (job.playlistWritten)
        job.playlistWritten(path);
}

} // namespace

std::string cutOutputName(const CutJob& job, int index, const AudioTags& sourceTags,
                          const std::vector<std::string>& takenInRun) {
    const CutSection& section = job.sections[static_cast<size_t>(index)];
    const AudioTags tags = sectionTags(sourceTags, job.baseName, index + 1, {section.title, section.artist, job.album});
    NameFields fields;
    fields.number = index + 1;
    fields.count = static_cast<int>(job.sections.size());
    fields.title = tags.title.empty() ? job.baseName + " (" + std::to_string(index + 1) + ")" : tags.title;
    fields.artist = tags.artist;
    fields.source = tags;
    fields.source.title = sourceTags.title;
    fields.stem = job.baseName;
    fields.startMs = section.start;
    fields.endMs = section.start + section.length;
    fields.now = localTimeOf(std::time(nullptr));
    return uniqueOutputName(job.outputFolder, expandNameTemplate(job.nameTemplate, fields), extensionOfKind(job.kind),
                            job.overwrite, takenInRun);
}

JobEnd runCut(AudioFile& input, AudioFile& output, AudioTransform& transform, const CutJob& job,
              const JobControl& control, int* failedSection) {
    const AbandonOnFailure unfinished(output);
    const AudioTags tags = readAudioTags(input.fileName());
    const std::optional<SectionCopier> copier = SectionCopier::forJob(input, job);
    SectionGains gains(input, output, job, control);
    const JobControl writing = job.normalizing.on ? progressWithin(control, 50, 100) : control;
    std::vector<std::string> named;
    std::vector<PlaylistEntry> playlist;
    for (size_t i = 0; i < job.sections.size(); ++i) {
        const int index = static_cast<int>(i);
        if (failedSection)
            *failedSection = index;
        if (control.stopping())
            return JobEnd::Stopped;
        const std::string asked = cutOutputName(job, index, tags, named);
        named.push_back(asked);
        std::string path = asked;
        if (!inputThatIsOutput(path, {input.fileName()}).empty())
            throw EngineError(EngineStatus::CreateFailed, "Cannot write \"" + path + "\": it is the file being cut");
        const CutSection& section = job.sections[i];
        const AudioTags sectionTagSet =
            sectionTags(tags, job.baseName, index + 1, {section.title, section.artist, job.album});
        const auto [first, end] = sectionFrames(input, section);
        const std::optional<double> gainDb = gains.gainOf(index, first, end);
        if (!gainDb)
            return JobEnd::Stopped;
        if (copier) {
            std::string note, why;
            try {
                const auto [fadeIn, fadeOut] = fadeFrames(input, section, job.fadeInMs, job.fadeOutMs);
                if (copier->copy(first, end, path, sectionTagSet, note, why, copyProgress(writing, index), fadeIn,
                                 fadeOut, mp3GainStepsWithin(*gainDb))) {
                    if (path != asked && job.nameTaken)
                        job.nameTaken(asked, path);
                    if (job.copied)
                        job.copied(index, path, note);
                    playlist.push_back(playlistEntry(path, section, sectionTagSet));
                    control.report(index, 100);
                    continue;
                }
            } catch (const CopyStopped&) {
                return JobEnd::Stopped;
            }
            if (job.reencoded)
                job.reencoded(index, why);
        }
        job.createOutput(path);
        output.setInputFormat(input.sampleRate(), input.channels());
        output.setGain(amplitudeFactor(*gainDb));
        SectionCopy copy(input, output, transform, writing, index);
        if (!copy.copy(job.sections[i], job.fadeInMs, job.fadeOutMs)) {
            output.abandon(); // half a section under its final name would look finished
            return JobEnd::Stopped;
        }
        output.setTags(sectionTagSet);
        output.close();
        if (output.fileName() != asked && job.nameTaken)
            job.nameTaken(asked, output.fileName());
        if (job.written)
            job.written(index, output.fileName());
        playlist.push_back(playlistEntry(output.fileName(), section, sectionTagSet));
    }
    if (failedSection)
        *failedSection = -1;
    if (job.writesPlaylist)
        writePlaylist(job, playlist);
    control.noteDamage(input);
    return JobEnd::Finished;
}

CutSettings currentCutSettings() {
    return {AppSettings::splitOutputPath,
            AppSettings::splitToSourceFolder,
            AppSettings::splitOverwrite,
            AppSettings::splitKeepsEncoding,
            settingsNormalizing(AppSettings::splitNormalizes),
            usableNameTemplate(AppSettings::splitNameTemplate, AppSettings::defaultSplitNameTemplate),
            AppSettings::writePlaylists};
}

CutJob makeCutJob(const std::string& source, const CutPlan& plan, int64_t durationMs, const CutSettings& settings) {
    CutJob job;
    for (size_t row = 0; row < plan.size(); ++row) {
        if (!plan[row].use)
            continue;
        const int64_t end = row + 1 < plan.size() ? plan[row + 1].start : durationMs;
        job.sections.push_back({plan[row].start, end - plan[row].start, plan[row].title, plan[row].artist});
        job.planRows.push_back(row);
    }
    job.kind = cutOutputKind(AppSettings::audioTypeOfFile(source));
    job.baseName = stemOf(source);
    job.outputFolder = settings.toSourceFolder ? folderOf(source) : settings.outputFolder;
    job.overwrite = settings.overwrite;
    job.keepEncoding = settings.keepEncoding;
    job.normalizing = settings.normalizing;
    job.nameTemplate = settings.nameTemplate;
    job.writesPlaylist = settings.writesPlaylist;
    return job;
}
