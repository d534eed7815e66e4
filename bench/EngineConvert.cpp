// Converts one file through the engine as the program's converter does, for the
// benchmarks: engine-convert wav|mp3|ogg|wma INPUT OUTPUT
#include <cstdio>
#include <cstring>
#include <string>

#include "AudioFile2.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s wav|mp3|ogg|wma INPUT OUTPUT\n", argv[0]);
        return 2;
    }
    const std::string kind = argv[1];
    TAudioFile2 in, out;
    in.OpenForRead(argv[2]);
    if (in.GetErrorCode() != 0) {
        std::fprintf(stderr, "%s\n", in.GetErrorText().c_str());
        return 1;
    }
    if (kind == "wav") {
        out.SetWavFormat(in.GetSampleRate(), in.GetChannels(), 16);
    } else if (kind == "mp3") {
        TAudioFile2LameEnc lame;
        lame.SetConstantBitRate(true);
        lame.SetEncoderQuality(5);
        out.SetMp3Format(44100, 128, 2, lame);
    } else if (kind == "ogg") {
        out.SetOggFormat(44100, 2, 128, 0, 0, 699);
    } else if (kind == "wma") {
        out.SetWmaProfile(15);
    } else {
        std::fprintf(stderr, "unknown output kind %s\n", argv[1]);
        return 2;
    }
    out.CreateForWrite(argv[3]);
    if (out.GetErrorCode() != 0) {
        std::fprintf(stderr, "%s\n", out.GetErrorText().c_str());
        return 1;
    }
    try {
        out.SetInputFormat(in.GetSampleRate(), in.GetChannels());
        const int blockFrames = in.GetStreamChannels() * in.GetStreamSampleRate();
        for (TAudioBlock block = in.ReadBlock(blockFrames); !block.Empty(); block = in.ReadBlock(blockFrames))
            out.WriteBlock(block);
        out.Close();
    } catch (const EngineError& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
