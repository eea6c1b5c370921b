#pragma once

#include <QSet>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

// Which numbers a result list already holds: exact, case-sensitive, any size. Numbers of the
// form NNN-NNN-NNNN are kept as their digits (number_form.h) in one flat table, one memory access
// per lookup; anything else as text. An area code that comes to hold many numbers (39,063, about
// a 256th of its ten million) gets a bit for each of its numbers: 1.25 MB, smaller than the table
// takes for the numbers such an area code soon holds, and a lookup in memory close by. Area codes
// get their bits only while the table is small (makeDense), so however the numbers spread, the
// bits never take more than about 100 MB.
//
// A run knows how many numbers it makes, so it sizes the table once (reserve); the table grows,
// all at once, only when the numbers outgrow it, as when another action changed the run's lists.
// Its memory comes from the system as it is first touched, so a run stopped early has claimed
// only the pages its numbers fell on.
class DuplicateIndex {
public:
    DuplicateIndex() = default;
    ~DuplicateIndex();
    DuplicateIndex(const DuplicateIndex &) = delete;
    DuplicateIndex &operator=(const DuplicateIndex &) = delete;

    // True when the text was not there yet (and is now).
    bool insert(const QString &text);
    // The same for a number given by its digits.
    bool insertNumber(std::uint64_t number);
    // Inserts the numbers in order; isNew[i] tells whether numbers[i] was new. Faster than one
    // by one: the table cells of the whole batch are fetched from memory at the same time.
    void insertNumbers(const std::uint64_t *numbers, std::size_t n, char *isNew);
    void clear();
    std::size_t size() const { return numbers_ + denseNumbers_ + std::size_t(texts_.size()); }
    // Room for n numbers in the table before it grows.
    void reserve(std::size_t n);
    // The numbers from one area code (the first three digits) the index is expected to take,
    // at least kManyNumbers: the area code takes its bits now, rather than when that many have
    // filled the table.
    static constexpr std::uint32_t kManyNumbers = 39'063;
    void expectMany(std::uint32_t areaCode);

private:
    struct Table {
        std::uint64_t *cells = nullptr;  // number + 1, so 0 marks a free slot
        std::size_t size = 0;
        std::size_t find(std::uint64_t stored) const;
    };
    static Table allocate(std::size_t size);
    static void release(Table &table);
    bool insertOne(std::uint64_t number);
    void makeDense(std::size_t block);
    // Room for `more` numbers.
    void growIfFull(std::size_t more);

    Table table_;
    std::size_t numbers_ = 0;  // in the table
    // Per area code (the first three digits): the numbers the table holds, and once that many
    // reach kDenseFrom, a bit per number, which takes the area code's new numbers from then on.
    static constexpr std::uint64_t kAreaCodeNumbers = 10'000'000;
    static constexpr std::size_t kAreaCodes = 1000;
    static constexpr std::uint32_t kDenseFrom = kManyNumbers;
    std::vector<std::uint32_t> areaCodeCounts_ = std::vector<std::uint32_t>(kAreaCodes, 0);
    std::vector<std::unique_ptr<std::uint64_t[]>> dense_;
    std::size_t denseNumbers_ = 0;
    QSet<QString> texts_;
};
