#include "AudioFile.h"

#include <algorithm>
#include <climits>

#include "WmaProfiles.h"
#include "internal/Decoder.h"
#include "internal/FormatConverter.h"
#include "internal/Writers.h"

using Engine::TOutputFormat;

struct TAudioFile2::TImpl {
    std::unique_ptr<Engine::TDecoder> reader;
    TOutputFormat prepared;
    std::unique_ptr<Engine::IAudioWriter> writer;
    std::unique_ptr<Engine::TFormatConverter> converter;
    int inputRate = 0, inputChannels = 0;
};

TAudioFile2::TAudioFile2() : impl_(std::make_unique<TImpl>()) {}

TAudioFile2::~TAudioFile2() {
    try {
        Close();
    } catch (const EngineError&) {
        // A file being finished while the program ends: nobody is left to tell.
    }
}

bool TAudioFile2::IsReading() const {
    return impl_->reader != nullptr;
}
bool TAudioFile2::IsWriting() const {
    return impl_->writer != nullptr;
}

void TAudioFile2::NotOpen(const char* operation) const {
    throw EngineError(EngineStatus::NotOpen, std::string(operation) + ": no file is open" +
                                                 (fileName_.empty() ? "" : " (last: \"" + fileName_ + "\")"));
}

void TAudioFile2::OpenForRead(const std::string& fileName, int, int) {
    Close();
    fileName_ = fileName;
    Engine::TOpenResult result;
    impl_->reader = Engine::TDecoder::Open(fileName, result);
    errorCode_ = static_cast<int>(result.Status);
    errorText_ = result.Error;
}

int TAudioFile2::GetTotalSamples() const {
    if (!impl_->reader)
        NotOpen("GetTotalSamples");
    return static_cast<int>(std::min<int64_t>(impl_->reader->Info().TotalFrames, INT_MAX));
}

int TAudioFile2::GetSampleRate() const {
    if (!impl_->reader)
        NotOpen("GetSampleRate");
    return impl_->reader->Info().SampleRate;
}

int TAudioFile2::GetChannels() const {
    if (!impl_->reader)
        NotOpen("GetChannels");
    return impl_->reader->Info().Channels;
}

int TAudioFile2::Seek(int frame, int) {
    if (!impl_->reader)
        NotOpen("Seek");
    impl_->reader->Seek(std::max(frame, 0));
    return static_cast<int>(impl_->reader->Position());
}

TAudioBlock TAudioFile2::ReadBlock(int frames) {
    if (!impl_->reader)
        NotOpen("ReadBlock");
    TAudioBlock block;
    block.Channels = impl_->reader->Info().Channels;
    if (frames > 0) {
        block.Samples.reserve(static_cast<size_t>(frames) * block.Channels);
        impl_->reader->Read(frames, block.Samples);
    }
    return block;
}

void TAudioFile2::SetWavFormat(int rateHz, int channels, int bitsPerSample) {
    TOutputFormat& format = impl_->prepared;
    format = {};
    format.Kind = TOutputFormat::TKind::Wav;
    format.SampleRate = rateHz;
    format.Channels = channels;
    format.BitsPerSample = bitsPerSample == 8 ? 8 : 16;
}

void TAudioFile2::SetMp3Format(int rateHz, int bitRateKbps, int channels, const TAudioFile2LameEnc& encoder) {
    TOutputFormat& format = impl_->prepared;
    format = {};
    format.Kind = TOutputFormat::TKind::Mp3;
    format.SampleRate = rateHz;
    format.Channels = channels;
    format.BitRateKbps = bitRateKbps;
    format.Lame = encoder;
}

void TAudioFile2::SetOggFormat(int rateHz, int channels, int, int, int, int16_t quality) {
    TOutputFormat& format = impl_->prepared;
    format = {};
    format.Kind = TOutputFormat::TKind::Ogg;
    format.SampleRate = rateHz;
    format.Channels = channels;
    format.VorbisQuality = std::clamp((quality - 99) / 1000.0, -0.1, 1.0);
}

void TAudioFile2::SetWmaProfile(int profile) {
    const TWMAFile2::TProfile wma = TWMAFile2::Profile(profile);
    TOutputFormat& format = impl_->prepared;
    format = {};
    format.Kind = TOutputFormat::TKind::Wma;
    format.SampleRate = wma.SampleRate;
    format.Channels = wma.Channels;
    format.BitRateKbps = TWMAFile2::EncodedBitRateKbps(wma);
}

void TAudioFile2::CreateForWrite(const std::string& fileName, int) {
    Close();
    fileName_ = fileName;
    errorCode_ = 0;
    errorText_.clear();
    TOutputFormat& format = impl_->prepared;
    try {
        if (format.Channels < 1 || format.Channels > 2 || format.SampleRate <= 0)
            throw EngineError(EngineStatus::InvalidFormat, "Cannot create \"" + fileName + "\": the output format (" +
                                                               std::to_string(format.SampleRate) + " Hz, " +
                                                               std::to_string(format.Channels) +
                                                               " channels) is invalid");
        impl_->writer = Engine::CreateWriter(fileName, format);
        impl_->converter = std::make_unique<Engine::TFormatConverter>(format.SampleRate, format.Channels);
        if (impl_->inputRate > 0)
            impl_->converter->SetInput(impl_->inputRate, impl_->inputChannels, *impl_->writer);
    } catch (const EngineError& error) {
        impl_->writer.reset();
        impl_->converter.reset();
        errorCode_ = error.Code();
        errorText_ = error.what();
    }
}

void TAudioFile2::SetInputFormat(int rateHz, int channels) {
    if (impl_->converter)
        impl_->converter->SetInput(rateHz, channels, *impl_->writer);
    impl_->inputRate = rateHz;
    impl_->inputChannels = channels;
}

void TAudioFile2::WriteBlock(const TAudioBlock& block) {
    if (!impl_->writer)
        NotOpen("WriteBlock");
    if (impl_->inputRate <= 0)
        SetInputFormat(impl_->prepared.SampleRate, block.Channels);
    const int channels = impl_->converter->InputChannels();
    if (block.Channels != channels)
        throw EngineError(EngineStatus::InvalidFormat, "Cannot write \"" + fileName_ + "\": a block of " +
                                                           std::to_string(block.Channels) + " channels where " +
                                                           std::to_string(channels) + " were announced");
    try {
        impl_->converter->Convert(block.Samples.data(), static_cast<int>(block.Samples.size()) / channels,
                                  *impl_->writer);
    } catch (const EngineError&) {
        // The file stays as far as it got; the object is closed, so a later Close is harmless.
        impl_->writer.reset();
        impl_->converter.reset();
        throw;
    }
}

void TAudioFile2::Close() {
    impl_->reader.reset();
    impl_->inputRate = impl_->inputChannels = 0;
    if (!impl_->writer)
        return;
    // Taken out first, so that the object is closed even when finishing fails.
    auto writer = std::move(impl_->writer);
    auto converter = std::move(impl_->converter);
    converter->Flush(*writer);
    writer->Finish();
}
