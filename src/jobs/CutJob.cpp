#include "CutJob.h"

#include <algorithm>

#include "JobTags.h"
#include "OutputFormat.h"
#include "OutputNaming.h"

namespace {

// One section's copy: the progress sub-ranges of the engine's own reports, the fades and
// the blocks between them.
class TSectionCopy {
public:
    TSectionCopy(TAudioFile2& input, TAudioFile2& output, TAudioTransform2& transform, const TJobControl& control,
                 int index)
        : input_(input), output_(output), transform_(transform), control_(control), index_(index) {
        transform_.OnTransformBlock = [this](TAudioTransform2&, int percent) {
            Post(low_ + percent * (high_ - low_) / 100);
        };
        transform_.OnEndTransform = [this](TAudioTransform2&) { Post(high_, true); };
    }
    // The handlers never outlive the run that attached them.
    ~TSectionCopy() {
        transform_.OnTransformBlock = {};
        transform_.OnEndTransform = {};
    }
    TSectionCopy(const TSectionCopy&) = delete;
    TSectionCopy& operator=(const TSectionCopy&) = delete;

    // Returns false when a stop was asked for in the middle part.
    bool Copy(const TCutSection& section, int64_t fadeInMs, int64_t fadeOutMs) {
        const int rate = input_.GetSampleRate();
        auto frames = [rate](int64_t ms) { return ms * rate / 1000; };
        const int64_t length = std::max<int64_t>(section.Length, 1);
        fadeInMs = std::clamp<int64_t>(fadeInMs, 0, length);
        fadeOutMs = std::clamp<int64_t>(fadeOutMs, 0, length - fadeInMs);
        // A section runs from its start's frame to its end's, so that neighbouring sections
        // meet without a frame lost or doubled; one that ends at the file's end takes all
        // frames to the end (the duration in whole milliseconds falls short of it).
        const int64_t total = input_.GetTotalSamples();
        const int64_t endFrame =
            section.Start + section.Length >= total * 1000 / rate ? total : frames(section.Start + section.Length);
        const int64_t c = std::max<int64_t>(endFrame - frames(section.Start), 0);
        const int64_t d = std::min(frames(fadeInMs), c);
        const int64_t f = std::min(frames(fadeOutMs), c - d);
        const int fadeInShare = static_cast<int>(fadeInMs * 100 / length);
        const int fadeOutStart = 100 - static_cast<int>(fadeOutMs * 100 / length);
        const int64_t block = int64_t{input_.GetStreamChannels()} * input_.GetStreamSampleRate();
        const int64_t middle = c - d - f;

        input_.Seek(static_cast<int>(frames(section.Start)));
        if (d > 0)
            FadedPart(static_cast<int>(d), 0, fadeInShare, 0.0f, 100.0f);
        for (int64_t k = 1; k <= middle / block; ++k) {
            if (control_.Stopping())
                return false;
            output_.WriteBlock(input_.ReadBlock(static_cast<int>(block)));
            Post(static_cast<int>(fadeInShare +
                                  (k - 1) * block * (fadeOutStart - fadeInShare) / std::max<int64_t>(c, 1)));
        }
        if (middle % block > 0)
            output_.WriteBlock(input_.ReadBlock(static_cast<int>(middle % block)));
        Post(fadeOutStart, true);
        if (f > 0)
            FadedPart(static_cast<int>(f), fadeOutStart, 100, 100.0f, 0.0f);
        if (last_ < 100)
            Post(100, true);
        return true;
    }

private:
    // A fade over one block: mono at once, stereo channel by channel, each engine call
    // reporting within its own share of [from, to].
    void FadedPart(int frames, int from, int to, float startPercent, float endPercent) {
        TAudioBlock part = input_.ReadBlock(frames);
        if (part.Channels == 1) {
            Range(from, to);
            transform_.Fade(part, startPercent, endPercent);
        } else {
            const int q = (to - from) / 5;
            Range(from, from + q);
            TAudioBlock left = transform_.GetLeftChannel(part);
            Range(from + q, from + 2 * q);
            TAudioBlock right = transform_.GetRightChannel(part);
            Range(from + 2 * q, from + 3 * q);
            transform_.Fade(left, startPercent, endPercent);
            Range(from + 3 * q, from + 4 * q);
            transform_.Fade(right, startPercent, endPercent);
            Range(from + 4 * q, to);
            part = transform_.MergeChannels(left, right);
        }
        output_.WriteBlock(part);
    }

    void Range(int low, int high) {
        low_ = low;
        high_ = high;
    }

    void Post(int percent, bool always = false) {
        if (percent != last_ || always) {
            last_ = percent;
            control_.Report(index_, percent);
        }
    }

    TAudioFile2& input_;
    TAudioFile2& output_;
    TAudioTransform2& transform_;
    const TJobControl& control_;
    int index_;
    int low_ = 0, high_ = 0;
    int last_ = -1;
};

} // namespace

std::string CutOutputName(const TCutJob& job, int index) {
    const bool overwrite = job.Overwrite && job.Overwrite();
    return UniqueOutputName(job.OutputFolder, job.BaseName + "-Splitted" + std::to_string(index),
                            ExtensionOfKind(job.Kind), overwrite);
}

TJobEnd RunCut(TAudioFile2& input, TAudioFile2& output, TAudioTransform2& transform, const TCutJob& job,
               const TJobControl& control, int* failedSection) {
    const TAudioTags tags = ReadAudioTags(input.FileName());
    for (size_t i = 0; i < job.Sections.size(); ++i) {
        const int index = static_cast<int>(i);
        if (failedSection)
            *failedSection = index;
        job.CreateOutput(CutOutputName(job, index));
        output.SetInputFormat(input.GetSampleRate(), input.GetChannels());
        TSectionCopy copy(input, output, transform, control, index);
        if (!copy.Copy(job.Sections[i], job.FadeInMs, job.FadeOutMs))
            return TJobEnd::Stopped;
        output.Close();
        WriteAudioTags(output.FileName(), SectionTags(tags, job.BaseName, index + 1));
    }
    if (failedSection)
        *failedSection = -1;
    return TJobEnd::Finished;
}
