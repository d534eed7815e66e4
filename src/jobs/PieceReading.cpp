#include "PieceReading.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <numeric>
#include <optional>
#include <thread>
#include <vector>

#include "AudioFile.h"
#include "EngineError.h"

namespace {

std::unique_ptr<AudioFile> openReader(const std::string& path) {
    auto file = std::make_unique<AudioFile>();
    file->openForRead(path);
    if (file->errorCode() != 0)
        throw EngineError(static_cast<EngineStatus>(file->errorCode()), file->errorText());
    return file;
}

// The pieces' progress, shared by the workers and the calling thread: workers take pieces
// in order, but run at most Ahead pieces past the first not handed on yet, so that the
// findings waiting for their turn stay few.
class PieceBoard {
public:
    PieceBoard(size_t pieces, size_t ahead) : finished_(pieces, false), ahead_(ahead) {}

    // The next piece to read, or nothing when all are taken or the reading ends.
    std::optional<size_t> take(const std::function<bool()>& stop) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ended_ || next_ < handedOn_ + ahead_; });
        if (ended_ || next_ >= finished_.size() || (stop && stop())) {
            ended_ = true;
            changed_.notify_all();
            return std::nullopt;
        }
        return next_++;
    }
    void finish(size_t piece) {
        const std::lock_guard lock(mutex_);
        finished_[piece] = true;
        changed_.notify_all();
    }
    void fail(std::exception_ptr error) {
        const std::lock_guard lock(mutex_);
        if (!error_)
            error_ = error;
        ended_ = true;
        changed_.notify_all();
    }
    // Waits for the piece; false when the reading ended without it.
    bool waitFor(size_t piece) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return finished_[piece] || error_ || (ended_ && piece >= next_); });
        return finished_[piece] && !error_;
    }
    void handedOn(size_t piece) {
        const std::lock_guard lock(mutex_);
        handedOn_ = piece + 1;
        changed_.notify_all();
    }
    void end() {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    std::exception_ptr error() {
        const std::lock_guard lock(mutex_);
        return error_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<bool> finished_;
    size_t ahead_;
    size_t next_ = 0, handedOn_ = 0;
    bool ended_ = false;
    std::exception_ptr error_;
};

} // namespace

int64_t pieceFramesFor(int rate, int64_t alignFrames, int targetSeconds) {
    const int64_t unit = std::lcm<int64_t>(std::max(rate, 1), std::max<int64_t>(alignFrames, 1));
    return unit * std::max<int64_t>(1, int64_t{targetSeconds} * rate / unit);
}

void readInPieces(const PieceReading& reading) {
    const int64_t pieceFrames = std::max<int64_t>(reading.pieceFrames, 1);
    const auto pieces =
        static_cast<size_t>((std::max<int64_t>(reading.totalFrames, 0) + pieceFrames - 1) / pieceFrames);
    if (pieces == 0)
        return;
    std::unique_ptr<AudioFile> first = openReader(reading.path);
    const int cores = reading.threads > 0 ? reading.threads : static_cast<int>(std::thread::hardware_concurrency());
    const size_t threads = first->seeksDirectly() ? std::clamp<size_t>(static_cast<size_t>(cores), 1, pieces) : 1;
    PieceBoard board(pieces, 2 * threads);
    auto worker = [&](std::unique_ptr<AudioFile> file) {
        try {
            if (!file)
                file = openReader(reading.path);
            while (const std::optional<size_t> piece = board.take(reading.stop)) {
                const int64_t start = static_cast<int64_t>(*piece) * pieceFrames;
                file->seek(start);
                reading.work(*file, {*piece, start, std::min(start + pieceFrames, reading.totalFrames)});
                board.finish(*piece);
            }
        } catch (...) {
            board.fail(std::current_exception());
        }
    };
    std::vector<std::thread> running;
    running.emplace_back(worker, std::move(first));
    for (size_t i = 1; i < threads; ++i)
        running.emplace_back(worker, nullptr);
    try {
        for (size_t piece = 0; piece < pieces && board.waitFor(piece); ++piece) {
            const int64_t start = static_cast<int64_t>(piece) * pieceFrames;
            reading.done({piece, start, std::min(start + pieceFrames, reading.totalFrames)});
            board.handedOn(piece);
        }
    } catch (...) {
        board.fail(std::current_exception());
    }
    board.end();
    for (std::thread& thread : running)
        thread.join();
    if (const std::exception_ptr error = board.error())
        std::rethrow_exception(error);
}
