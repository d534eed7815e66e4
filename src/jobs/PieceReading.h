#pragma once

// Reading a whole file on every core: its frames are taken in pieces, each read by a
// reader of its own placed by the sample-accurate seek, so that a piece holds exactly
// the samples a reading from the start gives there. What is found of each piece is handed
// on in the file's order.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class AudioFile;

struct FilePiece {
    size_t index = 0;
    int64_t first = 0, end = 0; // frames
};

// The pieces' length for a file of the rate: whole seconds (so that every piece starts a
// millisecond of its own) and whole stretches of alignFrames, about targetSeconds long.
int64_t pieceFramesFor(int rate, int64_t alignFrames, int targetSeconds = 16);

struct PieceReading {
    std::string path;
    int64_t totalFrames = 0;
    int64_t pieceFrames = 0;
    int threads = 0; // 0: one per core
    // Reads the piece from file (placed at its first frame) on a worker thread.
    std::function<void(AudioFile& file, const FilePiece& piece)> work;
    // Takes a piece's findings on the calling thread, in the file's order.
    std::function<void(const FilePiece& piece)> done;
    // Asked between pieces: true ends the reading early (pieces done so far are handed on).
    std::function<bool()> stop;
};

// Reads the file in pieces; a file whose seeking decodes up to the place is read by one
// thread. Raises the first EngineError a reader raised (or the file's opening failure).
void readInPieces(const PieceReading& reading);
