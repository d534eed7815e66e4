#include "Loudness.h"

#include <algorithm>
#include <cmath>

#include <ebur128.h>

#include "AudioBlock.h"
#include "AudioTags.h"
#include "EngineError.h"
#include "internal/Decoder.h"

namespace {

// The weight EBU R 128 gives a channel: surround channels count 1.41 times, the
// low-frequency one not at all; the others as front channels.
int channelRole(const AVChannelLayout& layout, int index) {
    switch (av_channel_layout_channel_from_index(&layout, static_cast<unsigned>(index))) {
    case AV_CHAN_FRONT_LEFT: return EBUR128_LEFT;
    case AV_CHAN_FRONT_RIGHT: return EBUR128_RIGHT;
    case AV_CHAN_FRONT_CENTER: return EBUR128_CENTER;
    case AV_CHAN_SIDE_LEFT:
    case AV_CHAN_BACK_LEFT: return EBUR128_LEFT_SURROUND;
    case AV_CHAN_SIDE_RIGHT:
    case AV_CHAN_BACK_RIGHT: return EBUR128_RIGHT_SURROUND;
    case AV_CHAN_LOW_FREQUENCY:
    case AV_CHAN_LOW_FREQUENCY_2: return EBUR128_UNUSED;
    default: return EBUR128_CENTER;
    }
}

double highestOfChannels(ebur128_state* state, int (*peakOf)(ebur128_state*, unsigned, double*)) {
    double highest = 0;
    for (unsigned channel = 0; channel < state->channels; ++channel) {
        double peak = 0;
        if (peakOf(state, channel, &peak) == EBUR128_SUCCESS)
            highest = std::max(highest, peak);
    }
    return highest;
}

constexpr int meterModes = EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_HISTOGRAM;

LoudnessFigures figuresOf(ebur128_state* meter) {
    LoudnessFigures figures;
    ebur128_loudness_global(meter, &figures.integratedLufs);
    ebur128_loudness_range(meter, &figures.rangeLu);
    figures.truePeak = highestOfChannels(meter, ebur128_true_peak);
    figures.samplePeak = highestOfChannels(meter, ebur128_sample_peak);
    return figures;
}

} // namespace

bool LoudnessFigures::hasLoudness() const {
    return std::isfinite(integratedLufs);
}

std::optional<ReplayGainTags> replayGainTagsOf(const LoudnessFigures& track, const LoudnessFigures* album) {
    if (!track.hasLoudness())
        return std::nullopt;
    ReplayGainTags gain{track.replayGainDb(), track.truePeak, std::nullopt, std::nullopt};
    if (album && album->hasLoudness()) {
        gain.albumGainDb = album->replayGainDb();
        gain.albumPeak = album->truePeak;
    }
    return gain;
}

double LoudnessFigures::truePeakDb() const {
    return truePeak > 0 ? 20 * std::log10(truePeak) : -HUGE_VAL;
}

namespace {
// One libebur128 meter, destroyed with its owner.
struct MeterHandle {
    ebur128_state* meter = nullptr;
    MeterHandle() = default;
    MeterHandle(const MeterHandle&) = delete;
    MeterHandle& operator=(const MeterHandle&) = delete;
    ~MeterHandle() {
        if (meter)
            ebur128_destroy(&meter);
    }
};
} // namespace

struct TrackLoudness::State : MeterHandle {};
struct LoudnessMeter::State : MeterHandle {};

LoudnessMeter::LoudnessMeter(int rateHz, int channels) : state_(std::make_unique<State>()) {
    if (rateHz > 0 && channels > 0)
        state_->meter = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(rateHz), meterModes);
    if (!state_->meter)
        throw EngineError(EngineStatus::DecodeFailed, "Cannot measure audio of " + std::to_string(channels) +
                                                          " channels at " + std::to_string(rateHz) + " Hz");
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const AudioBlock& block) {
    if (block.channels == static_cast<int>(state_->meter->channels))
        add(block.samples.data(), static_cast<size_t>(block.frames()));
}

void LoudnessMeter::add(const float* samples, size_t frames) {
    if (frames > 0)
        ebur128_add_frames_float(state_->meter, samples, frames);
}

std::unique_ptr<TrackLoudness> LoudnessMeter::finish() {
    auto track = std::make_unique<TrackLoudness::State>();
    std::swap(track->meter, state_->meter);
    return std::unique_ptr<TrackLoudness>(new TrackLoudness(std::move(track)));
}

LoudnessFigures LoudnessMeter::figures() const {
    return figuresOf(state_->meter);
}

TrackLoudness::TrackLoudness(std::unique_ptr<State> state) : state_(std::move(state)) {
    figures_ = figuresOf(state_->meter);
}

TrackLoudness::~TrackLoudness() = default;

std::unique_ptr<TrackLoudness> TrackLoudness::measure(const std::string& path,
                                                      const std::function<bool(double)>& progress) {
    Engine::OpenResult opened;
    const auto decoder =
        Engine::Decoder::open(path, opened, Engine::Decoder::Counting::WhenOpening, Engine::Decoder::Channels::All);
    if (!decoder)
        throw EngineError(opened.status, opened.error);
    const Engine::StreamInfo& info = decoder->info();
    auto state = std::make_unique<State>();
    state->meter =
        ebur128_init(static_cast<unsigned>(info.channels), static_cast<unsigned long>(info.sampleRate), meterModes);
    if (!state->meter)
        throw EngineError(EngineStatus::DecodeFailed, "Cannot measure \"" + path + "\": its format cannot be measured");
    if (info.channels > 1)
        for (int channel = 0; channel < info.channels; ++channel)
            ebur128_set_channel(state->meter, static_cast<unsigned>(channel),
                                channelRole(decoder->channelLayout(), channel));
    const int block = std::max(info.sampleRate / 10, 1);
    std::vector<float> samples;
    for (int64_t read = 0;;) {
        samples.clear();
        decoder->read(block, samples);
        const size_t frames = samples.size() / static_cast<size_t>(info.channels);
        if (frames == 0)
            break;
        ebur128_add_frames_float(state->meter, samples.data(), frames);
        read += static_cast<int64_t>(frames);
        if (progress && !progress(info.totalFrames > 0 ? static_cast<double>(read) / info.totalFrames : 1.0))
            return nullptr;
    }
    return std::unique_ptr<TrackLoudness>(new TrackLoudness(std::move(state)));
}

LoudnessFigures TrackLoudness::album(const std::vector<const TrackLoudness*>& tracks) {
    std::vector<ebur128_state*> meters;
    LoudnessFigures figures;
    for (const TrackLoudness* track : tracks) {
        meters.push_back(track->state_->meter);
        figures.truePeak = std::max(figures.truePeak, track->figures_.truePeak);
        figures.samplePeak = std::max(figures.samplePeak, track->figures_.samplePeak);
    }
    ebur128_loudness_global_multiple(meters.data(), meters.size(), &figures.integratedLufs);
    ebur128_loudness_range_multiple(meters.data(), meters.size(), &figures.rangeLu);
    return figures;
}
