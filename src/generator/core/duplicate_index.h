#pragma once

#include <QSet>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// Which numbers a result list already holds: exact, case-sensitive, any size. Numbers of the
// form NNN-NNN-NNNN are kept by area code (their first three digits): each area code keeps its
// last seven digits in a table of its own, 4 bytes a cell, one memory access per lookup, or once
// it holds so many that a bit for each of its ten million numbers takes less room (1.25 MB), in
// those bits. Anything else is kept as text.
//
// A run knows how many numbers it makes from each area code, so it sizes the tables once
// (reserve); a table grows only when its numbers outgrow it, as when another action changed the
// run's lists. Memory is asked for zeroed and comes from the system as it is first touched, so a
// table sized for more than a run makes claims only the pages its numbers fell on.
class DuplicateIndex {
public:
    // Area codes 000 to 999, of ten million numbers each.
    static constexpr std::uint32_t kAreaCodes = 1000;
    static constexpr std::uint64_t kAreaCodeNumbers = 10'000'000;
    static std::uint32_t areaCodeOf(std::uint64_t number)
    {
        return std::uint32_t(number / kAreaCodeNumbers);
    }
    // The numbers of one area code from which its bits take less room than its table.
    static constexpr std::uint32_t kBitsFrom = 218'750;
    // Cells a lookup compares at once: a cache line of them.
    static constexpr unsigned kBucket = 16;

    // True when the text was not there yet (and is now).
    bool insert(const QString &text);
    // The same for a number given by its digits.
    bool insertNumber(std::uint64_t number);
    // Asks for the memory the number's lookup reads, so that it is at hand by the time the
    // number is inserted: a run asks as it draws each number of a batch.
    void prefetch(std::uint64_t number) const;
    void clear();
    std::size_t size() const { return numbers_ + std::size_t(texts_.size()); }
    // Room for n numbers from the area code (0 to 999) before its table grows.
    void reserve(std::uint32_t areaCode, std::uint64_t n);

private:
    struct Free {
        void operator()(void *memory) const { std::free(memory); }
    };
    struct AreaCode {
        // Buckets of kBucket cells, each the last seven digits + 1 of a number or 0 when free.
        std::unique_ptr<std::uint32_t[], Free> memory;
        std::uint32_t *cells = nullptr;               // in memory, from a cache line's start on
        std::unique_ptr<std::uint64_t[], Free> bits;  // a bit per number, once it has them
        std::uint32_t buckets = 0;
        std::uint32_t count = 0;  // numbers in the buckets
        std::uint32_t *bucket(std::size_t b) const { return cells + b * kBucket; }
        template <typename F>
        void forEachStored(F f) const
        {
            for (std::size_t b = 0; b < buckets; ++b) {
                for (unsigned j = 0; j < kBucket && bucket(b)[j] != 0; ++j) {
                    f(bucket(b)[j]);
                }
            }
        }
    };

    static bool place(AreaCode &a, std::uint32_t stored);
    static void resize(AreaCode &a, std::uint64_t n);

    std::vector<AreaCode> areaCodes_ = std::vector<AreaCode>(kAreaCodes);
    std::size_t numbers_ = 0;
    QSet<QString> texts_;
};
