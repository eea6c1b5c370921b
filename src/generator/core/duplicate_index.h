#pragma once

#include <QSet>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <unordered_set>
#include <vector>

// Which numbers a result list already holds: exact, case-sensitive, any size. Numbers of the
// form NNN-NNN-NNNN are kept by area code (their first three digits). Each area code keeps its
// numbers in a table of its own: buckets of a cache line, one read per lookup, each number in 16
// bits of it. Once an area code holds so many that a bit for each of its ten million numbers takes
// less room (1.25 MB), it keeps those bits instead. Anything else is kept as text.
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
    static constexpr std::uint32_t kBitsFrom = 423'000;

    // True when the text was not there yet (and is now).
    bool insert(const QString &text);
    // The same for a number given by its digits.
    bool insertNumber(std::uint64_t number);
    // Asks for the memory the number's lookup reads, so that it is at hand by the time the
    // number is inserted: a run asks for a whole batch before inserting it.
    void prefetch(std::uint64_t number) const;
    void clear();
    std::size_t size() const { return numbers_ + std::size_t(texts_.size()); }
    // Room for more numbers before a table grows: numbers[a] more from area code a.
    void reserve(const std::vector<std::uint64_t> &numbers);

private:
    struct Free {
        void operator()(void *memory) const { std::free(memory); }
    };
    // Read for every number, so kept small: the entries in use stay in the nearest cache.
    struct AreaCode {
        std::uint16_t *cells = nullptr;  // the buckets, in memory from a cache line's start on
        std::uint32_t buckets = 0;
        std::uint32_t count = 0;                      // numbers in the table
        std::unique_ptr<std::uint64_t[], Free> bits;  // a bit per number, once it has them
        std::unique_ptr<std::uint16_t[], Free> memory;
        // The last seven digits of the numbers whose bucket was full, once there are any.
        std::unique_ptr<std::unordered_set<std::uint32_t>> spilled;
    };

    static bool place(AreaCode &a, std::uint32_t last);
    static void resize(AreaCode &a, std::uint64_t n);

    std::vector<AreaCode> areaCodes_ = std::vector<AreaCode>(kAreaCodes);
    std::size_t numbers_ = 0;
    QSet<QString> texts_;
};
