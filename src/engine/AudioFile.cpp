#include "AudioFile.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <unistd.h>

#include "WmaProfiles.h"
#include "internal/Decoder.h"
#include "internal/FormatConverter.h"
#include "internal/PartFile.h"
#include "internal/Writers.h"

using Engine::OutputFormat;

namespace {
// The "file" of an output that measures instead of writing.
class MeteringWriter : public Engine::IAudioWriter {
public:
    explicit MeteringWriter(LoudnessMeter& meter) : meter_(meter) {}
    void write(const float* samples, int frames) override { meter_.add(samples, static_cast<size_t>(frames)); }
    void finish() override {}

private:
    LoudnessMeter& meter_;
};
} // namespace

struct AudioFile::Impl {
    std::unique_ptr<Engine::Decoder> reader;
    OutputFormat prepared;
    std::unique_ptr<Engine::IAudioWriter> writer;
    std::unique_ptr<Engine::FormatConverter> converter;
    int inputRate = 0, inputChannels = 0;
    std::string partPath;                 // where the output is written until it is complete
    AudioTags tags;                       // written into the part file when it is complete
    float gain = 1.0f;                    // the factor of the blocks written
    std::unique_ptr<LoudnessMeter> meter; // an output that measures
    std::vector<float> scaled;
};

using namespace Engine::Parts;

AudioFile::AudioFile() : impl_(std::make_unique<Impl>()) {}

AudioFile::~AudioFile() {
    abandon();
}

bool AudioFile::isReading() const {
    return impl_->reader != nullptr;
}
bool AudioFile::isWriting() const {
    return impl_->writer != nullptr;
}

void AudioFile::throwNotOpen(const char* operation) const {
    throw EngineError(EngineStatus::NotOpen, std::string(operation) + ": no file is open" +
                                                 (fileName_.empty() ? "" : " (last: \"" + fileName_ + "\")"));
}

void AudioFile::openForRead(const std::string& fileName, int, int) {
    openWith(fileName, false);
}

void AudioFile::openForStreaming(const std::string& fileName) {
    openWith(fileName, true);
}

void AudioFile::openWith(const std::string& fileName, bool countWhileReading) {
    close();
    fileName_ = fileName;
    Engine::OpenResult result;
    using Counting = Engine::Decoder::Counting;
    impl_->reader =
        Engine::Decoder::open(fileName, result, countWhileReading ? Counting::WhileReading : Counting::WhenOpening);
    errorCode_ = static_cast<int>(result.status);
    errorText_ = result.error;
}

int64_t AudioFile::totalFrames() const {
    if (!impl_->reader)
        throwNotOpen("GetTotalSamples");
    return impl_->reader->info().totalFrames;
}

int AudioFile::sampleRate() const {
    if (!impl_->reader)
        throwNotOpen("GetSampleRate");
    return impl_->reader->info().sampleRate;
}

int AudioFile::channels() const {
    if (!impl_->reader)
        throwNotOpen("GetChannels");
    return impl_->reader->info().channels;
}

bool AudioFile::seeksDirectly() const {
    return impl_->reader && impl_->reader->seeksDirectly();
}

int64_t AudioFile::seek(int64_t frame, int) {
    if (!impl_->reader)
        throwNotOpen("Seek");
    impl_->reader->seek(std::max<int64_t>(frame, 0));
    return impl_->reader->position();
}

AudioBlock AudioFile::readBlock(int frames) {
    const AudioView view = readInPlace(frames);
    return {{view.samples.begin(), view.samples.end()}, view.channels};
}

AudioView AudioFile::readInPlace(int frames) {
    if (!impl_->reader)
        throwNotOpen("ReadBlock");
    return {impl_->reader->readInPlace(frames), impl_->reader->info().channels};
}

void AudioFile::setWavFormat(int rateHz, int channels, int bitsPerSample) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Wav;
    format.sampleRate = rateHz;
    format.channels = channels;
    format.bitsPerSample = bitsPerSample == 8 ? 8 : 16;
}

void AudioFile::setMp3Format(int rateHz, int bitRateKbps, int channels, const Mp3EncoderSettings& encoder) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Mp3;
    format.sampleRate = rateHz;
    format.channels = channels;
    format.bitRateKbps = bitRateKbps;
    format.lame = encoder;
}

void AudioFile::setOggFormat(int rateHz, int channels, int, int, int, int16_t quality) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Ogg;
    format.sampleRate = rateHz;
    format.channels = channels;
    format.vorbisQuality = std::clamp((quality - 99) / 1000.0, -0.1, 1.0);
}

void AudioFile::setFlacFormat(int rateHz, int channels, int bitsPerSample, int level) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Flac;
    format.sampleRate = rateHz;
    format.channels = channels;
    format.bitsPerSample = bitsPerSample > 16 ? 24 : 16;
    format.flacLevel = std::clamp(level, 0, 8);
}

void AudioFile::setOpusFormat(int channels, int bitRateKbps) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Opus;
    format.sampleRate = 48000;
    format.channels = channels;
    format.bitRateKbps = std::clamp(bitRateKbps, 6, 256);
}

void AudioFile::setM4aFormat(int rateHz, int channels, int bitRateKbps) {
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::M4a;
    format.sampleRate = rateHz;
    format.channels = channels;
    format.bitRateKbps = std::clamp(bitRateKbps, 32, 512);
}

void AudioFile::setWmaProfile(int profile) {
    const WmaProfiles::Profile wma = WmaProfiles::profile(profile);
    OutputFormat& format = impl_->prepared;
    format = {};
    format.kind = OutputFormat::Kind::Wma;
    format.sampleRate = wma.sampleRate;
    format.channels = wma.channels;
    format.bitRateKbps = WmaProfiles::encodedBitRateKbps(wma);
}

void AudioFile::createForWrite(const std::string& fileName, int) {
    close();
    impl_->meter.reset();
    fileName_ = fileName;
    errorCode_ = 0;
    errorText_.clear();
    impl_->gain = 1.0f;
    OutputFormat& format = impl_->prepared;
    try {
        if (format.channels < 1 || format.channels > 2 || format.sampleRate <= 0)
            throw EngineError(EngineStatus::InvalidFormat, "Cannot create \"" + fileName + "\": the output format (" +
                                                               std::to_string(format.sampleRate) + " Hz, " +
                                                               std::to_string(format.channels) +
                                                               " channels) is invalid");
        const std::string partPath = partPathFor(fileName);
        removeStaleParts(partPath.substr(0, partPath.find_last_of('/') + 1));
        try {
            impl_->writer = Engine::createWriter(partPath, format);
        } catch (const EngineError& error) {
            throw underOwnName(error, partPath, fileName); // the writer leaves nothing behind
        }
        impl_->partPath = partPath;
        impl_->converter = std::make_unique<Engine::FormatConverter>(format.sampleRate, format.channels);
        if (impl_->inputRate > 0)
            impl_->converter->setInput(impl_->inputRate, impl_->inputChannels, *impl_->writer);
    } catch (const EngineError& error) {
        impl_->writer.reset();
        impl_->converter.reset();
        errorCode_ = error.code();
        errorText_ = error.what();
    }
}

void AudioFile::prepareLike(const AudioFile& other) {
    impl_->prepared = other.impl_->prepared;
}

void AudioFile::createForMeasuring() {
    close();
    fileName_.clear();
    errorCode_ = 0;
    errorText_.clear();
    impl_->gain = 1.0f;
    const OutputFormat& format = impl_->prepared;
    impl_->meter = std::make_unique<LoudnessMeter>(format.sampleRate, format.channels);
    impl_->writer = std::make_unique<MeteringWriter>(*impl_->meter);
    impl_->converter = std::make_unique<Engine::FormatConverter>(format.sampleRate, format.channels);
}

std::unique_ptr<TrackLoudness> AudioFile::takeMeasurement() {
    close();
    if (!impl_->meter)
        throwNotOpen("TakeMeasurement");
    std::unique_ptr<TrackLoudness> measured = impl_->meter->finish();
    impl_->meter.reset();
    return measured;
}

void AudioFile::setInputFormat(int rateHz, int channels) {
    if (impl_->converter)
        impl_->converter->setInput(rateHz, channels, *impl_->writer);
    impl_->inputRate = rateHz;
    impl_->inputChannels = channels;
}

void AudioFile::writeBlock(const AudioBlock& block) {
    if (!impl_->writer)
        throwNotOpen("WriteBlock");
    if (impl_->inputRate <= 0)
        setInputFormat(impl_->prepared.sampleRate, block.channels);
    const int channels = impl_->converter->inputChannels();
    if (block.channels != channels)
        throw EngineError(EngineStatus::InvalidFormat, "Cannot write \"" + fileName_ + "\": a block of " +
                                                           std::to_string(block.channels) + " channels where " +
                                                           std::to_string(channels) + " were announced");
    const float* samples = block.samples.data();
    if (impl_->gain != 1.0f) {
        impl_->scaled.resize(block.samples.size());
        std::transform(block.samples.begin(), block.samples.end(), impl_->scaled.begin(),
                       [gain = impl_->gain](float sample) { return sample * gain; });
        samples = impl_->scaled.data();
    }
    try {
        impl_->converter->convert(samples, static_cast<int>(block.samples.size()) / channels, *impl_->writer);
    } catch (const EngineError& error) {
        // The object is closed and its unfinished file removed, so a later close is harmless.
        impl_->writer.reset();
        impl_->converter.reset();
        const std::string partPath = impl_->partPath;
        removePart(impl_->partPath);
        throw underOwnName(error, partPath, fileName_);
    }
}

void AudioFile::setGain(float factor) {
    impl_->gain = factor;
}

void AudioFile::close() {
    impl_->reader.reset();
    impl_->inputRate = impl_->inputChannels = 0;
    if (!impl_->writer)
        return;
    // Taken out first, so that the object is closed even when finishing fails.
    auto writer = std::move(impl_->writer);
    auto converter = std::move(impl_->converter);
    const std::string partPath = impl_->partPath;
    const AudioTags tags = std::exchange(impl_->tags, AudioTags{});
    try {
        converter->flush(*writer);
        writer->setChapters(tags.chapters);
        writer->finish();
    } catch (const EngineError& error) {
        writer.reset();
        removePart(impl_->partPath);
        throw underOwnName(error, partPath, fileName_);
    }
    if (!impl_->meter)
        commitPart(impl_->partPath, fileName_, tags, replacesExisting_);
}

std::string AudioFile::damage() const {
    return impl_->reader ? impl_->reader->damage() : std::string();
}

void AudioFile::setTags(const AudioTags& tags) {
    impl_->tags = tags;
}

void AudioFile::abandon() {
    impl_->tags = AudioTags{};
    impl_->reader.reset();
    impl_->inputRate = impl_->inputChannels = 0;
    impl_->writer.reset();
    impl_->converter.reset();
    impl_->meter.reset();
    removePart(impl_->partPath);
}
