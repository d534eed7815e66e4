#pragma once

// A single-producer, single-consumer ring of floats. Neither side locks or allocates
// after construction: the audio callback can consume from it safely.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <vector>

namespace Engine {

class SpscRing {
public:
    explicit SpscRing(size_t capacity) : buffer_(capacity) {}

    size_t capacity() const { return buffer_.size(); }

    // Producer side.
    size_t freeSpace() const {
        return capacity() - (tail_.load(std::memory_order_relaxed) - head_.load(std::memory_order_acquire));
    }
    size_t push(const float* samples, size_t count) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        const size_t n = std::min(count, freeSpace());
        for (size_t i = 0; i < n; ++i)
            buffer_[(tail + i) % capacity()] = samples[i];
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }

    // Consumer side.
    size_t available() const { return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_relaxed); }
    size_t pop(float* out, size_t count) {
        const size_t head = head_.load(std::memory_order_relaxed);
        const size_t n = std::min(count, available());
        for (size_t i = 0; i < n; ++i)
            out[i] = buffer_[(head + i) % capacity()];
        head_.store(head + n, std::memory_order_release);
        return n;
    }

    // Only while neither side runs.
    void clear() {
        head_.store(0);
        tail_.store(0);
    }

private:
    std::vector<float> buffer_;
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
};

} // namespace Engine
