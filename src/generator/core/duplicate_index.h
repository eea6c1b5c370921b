#pragma once

#include <QSet>
#include <QString>
#include <cstdint>
#include <vector>

// Which numbers a result list already holds: exact, case-sensitive, any size. Numbers of the
// form NNN-NNN-NNNN are kept as 64-bit keys in one flat table (a million of them in 16 MB, one
// memory access per lookup); anything else as text.
// Large tables are asked to live in huge pages: each lookup touches a random slot, and with
// ordinary pages most of them would also miss the address translation cache.
template <typename T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U> &)
    {
    }
    T *allocate(std::size_t n);
    void deallocate(T *p, std::size_t n) noexcept;
    bool operator==(const HugePageAllocator &) const { return true; }
    bool operator!=(const HugePageAllocator &) const { return false; }
};

class DuplicateIndex {
public:
    // True when the text was not there yet (and is now).
    bool insert(const QString &text);
    // Inserts the texts in order; fresh[i] tells whether texts[i] was new. Faster than one by
    // one: the table slots of the whole batch are fetched from memory at the same time.
    void insert(const std::vector<QString> &texts, std::vector<char> &fresh);
    bool contains(const QString &text) const;
    void clear();
    std::size_t size() const { return keyCount_ + std::size_t(texts_.size()); }
    void reserve(std::size_t n);

private:
    std::size_t slotOf(std::uint64_t stored) const;
    bool insertKey(std::uint64_t key);
    void grow(std::size_t size);

    // Open addressing with linear probing; a slot holds key + 1, so 0 marks it free.
    std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> table_;
    std::size_t keyCount_ = 0;
    QSet<QString> texts_;
};
