#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <vector>

// A vector of plain values in chunks of 65,536 that never move: growing it never copies what it
// holds, so a list of ten million entries grows without a pause.
template <typename T>
class ChunkedVector {
public:
    static constexpr std::size_t kChunkBits = 16;
    static constexpr std::size_t kChunk = std::size_t(1) << kChunkBits;

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T &operator[](std::size_t i) { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }
    const T &operator[](std::size_t i) const { return chunks_[i >> kChunkBits][i & (kChunk - 1)]; }

    void push_back(const T &value)
    {
        if ((size_ & (kChunk - 1)) == 0 && (size_ >> kChunkBits) == chunks_.size()) {
            grow();
        }
        (*this)[size_++] = value;
    }

    // Appends n values, a chunk's worth at a time.
    void append(const T *values, std::size_t n)
    {
        while (n > 0) {
            if ((size_ & (kChunk - 1)) == 0 && (size_ >> kChunkBits) == chunks_.size()) {
                grow();
            }
            const std::size_t room = kChunk - (size_ & (kChunk - 1));
            const std::size_t m = std::min(room, n);
            std::copy_n(values, m, &(*this)[size_]);
            size_ += m;
            values += m;
            n -= m;
        }
    }

    // Removes the value at i; those after it move up by one.
    void erase(std::size_t i)
    {
        for (std::size_t j = i; j + 1 < size_; ++j) {
            (*this)[j] = (*this)[j + 1];
        }
        --size_;
    }

    // Gives all the memory back.
    void clear()
    {
        std::vector<std::unique_ptr<T[]>>().swap(chunks_);
        size_ = 0;
    }

    // The values from first on, into out; chunk by chunk.
    void copyTo(T *out, std::size_t first = 0) const
    {
        for (std::size_t i = first; i < size_;) {
            const std::size_t inChunk = i & (kChunk - 1);
            const std::size_t n = std::min(kChunk - inChunk, size_ - i);
            std::copy_n(&(*this)[i], n, out + (i - first));
            i += n;
        }
    }

private:
    // Left unset: every value is written before it is read.
    void grow() { chunks_.push_back(std::unique_ptr<T[]>(new T[kChunk])); }

    std::vector<std::unique_ptr<T[]>> chunks_;
    std::size_t size_ = 0;
};
