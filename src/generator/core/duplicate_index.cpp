#include "generator/core/duplicate_index.h"

#include "lists/number_form.h"

#include <cstdlib>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// At most this full: linear probes stay short, and ten million numbers take 14.3 million cells.
constexpr std::size_t kFillNumerator = 7;
constexpr std::size_t kFillDenominator = 10;
constexpr std::size_t kSmallest = 1024;

std::uint64_t scramble(std::uint64_t z)
{
    z = (z ^ (z >> 33)) * 0xFF51AFD7ED558CCDULL;
    return z ^ (z >> 33);
}

inline void prefetch(const void *address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    (void)address;
#endif
}

// The home cell of a stored number in a table of `size` cells: its scrambled bits scaled to the
// size, so a table can have any size rather than a power of two.
inline std::size_t home(std::uint64_t stored, std::size_t size)
{
#ifdef __SIZEOF_INT128__
    return std::size_t((unsigned __int128)scramble(stored) * size >> 64);
#else
    return std::size_t(scramble(stored) % size);
#endif
}

}  // namespace

DuplicateIndex::~DuplicateIndex()
{
    release(table_);
}

DuplicateIndex::Table DuplicateIndex::allocate(std::size_t size)
{
    const std::size_t bytes = size * sizeof(std::uint64_t);
#ifdef __linux__
    // Fresh pages from the system, zeroed as they are first touched: no pause to clear a table
    // of hundreds of megabytes. (calloc would do the same only while the block is above its
    // threshold for such pages, which it raises as large blocks are freed.)
    void *cells = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (cells == MAP_FAILED) {
        throw std::bad_alloc();
    }
#else
    void *cells = std::calloc(size, sizeof(std::uint64_t));
    if (cells == nullptr) {
        throw std::bad_alloc();
    }
#endif
    return Table{static_cast<std::uint64_t *>(cells), size};
}

void DuplicateIndex::release(Table &table)
{
    if (table.cells != nullptr) {
#ifdef __linux__
        munmap(table.cells, table.size * sizeof(std::uint64_t));
#else
        std::free(table.cells);
#endif
    }
    table = Table{};
}

std::size_t DuplicateIndex::Table::find(std::uint64_t stored) const
{
    std::size_t i = home(stored, size);
    while (cells[i] != 0 && cells[i] != stored) {
        i = i + 1 == size ? 0 : i + 1;
    }
    return i;
}

// A table too full for `more` numbers gives way to one big enough, all at once. A run sizes its
// table when it starts, so this happens only when another action changed its lists.
void DuplicateIndex::growIfFull(std::size_t more)
{
    if (table_.cells == nullptr) {
        reserve(more);
    } else if ((numbers_ + more) * kFillDenominator > table_.size * kFillNumerator) {
        reserve(2 * (numbers_ + more));
    }
}

void DuplicateIndex::reserve(std::size_t n)
{
    const std::size_t wanted =
        std::max(kSmallest, (n * kFillDenominator + kFillNumerator - 1) / kFillNumerator);
    if (table_.cells != nullptr && wanted <= table_.size) {
        return;
    }
    Table bigger = allocate(wanted);
    for (std::size_t i = 0; i < table_.size; ++i) {
        if (table_.cells[i] != 0) {
            bigger.cells[bigger.find(table_.cells[i])] = table_.cells[i];
        }
    }
    release(table_);
    table_ = bigger;
}

bool DuplicateIndex::insertNumber(std::uint64_t number)
{
    growIfFull(1);
    return insertOne(number);
}

// The table has room for it.
bool DuplicateIndex::insertOne(std::uint64_t number)
{
    const std::uint64_t stored = number + 1;
    const std::size_t block = std::size_t(number / kAreaCodeNumbers);
    if (!dense_.empty() && dense_[block]) {
        std::uint64_t &word = dense_[block][(number % kAreaCodeNumbers) >> 6];
        const std::uint64_t bit = std::uint64_t(1) << (number % kAreaCodeNumbers & 63);
        if ((word & bit) != 0) {
            return false;
        }
        word |= bit;
        ++denseNumbers_;
        return true;
    }
    const std::size_t i = table_.find(stored);
    if (table_.cells[i] == stored) {
        return false;
    }
    table_.cells[i] = stored;
    ++numbers_;
    if (++areaCodeCounts_[block] == kDenseFrom) {
        makeDense(block);
    }
    return true;
}

// The area code's numbers go to a bit each, those in the table first. Finding them means
// reading the whole table, so an area code becomes dense only while the table is small enough
// to be read in a few milliseconds; one that fills later stays in the table.
void DuplicateIndex::makeDense(std::size_t block)
{
    constexpr std::size_t kReadAtMost = std::size_t(1) << 22;
    if (table_.size > kReadAtMost) {
        return;
    }
    if (dense_.empty()) {
        dense_.resize(kAreaCodes);
    }
    auto bits = std::make_unique<std::uint64_t[]>(kAreaCodeNumbers / 64);
    for (std::size_t i = 0; i < table_.size; ++i) {
        const std::uint64_t stored = table_.cells[i];
        if (stored != 0 && (stored - 1) / kAreaCodeNumbers == block) {
            const std::uint64_t low = (stored - 1) % kAreaCodeNumbers;
            bits[low >> 6] |= std::uint64_t(1) << (low & 63);
        }
    }
    dense_[block] = std::move(bits);
}

void DuplicateIndex::expectMany(std::uint32_t areaCode)
{
    if (areaCode < kAreaCodes && (dense_.empty() || !dense_[areaCode])) {
        makeDense(areaCode);
    }
}

void DuplicateIndex::insertNumbers(const std::uint64_t *numbers, std::size_t n, char *isNew)
{
    growIfFull(n);
    {
        for (std::size_t i = 0; i < n; ++i) {
            prefetch(&table_.cells[home(numbers[i] + 1, table_.size)]);
            if (!dense_.empty()) {
                if (const std::uint64_t *bits =
                        dense_[std::size_t(numbers[i] / kAreaCodeNumbers)].get()) {
                    prefetch(&bits[(numbers[i] % kAreaCodeNumbers) >> 6]);
                }
            }
        }
    }
    for (std::size_t i = 0; i < n; ++i) {
        isNew[i] = insertOne(numbers[i]) ? 1 : 0;
    }
}

bool DuplicateIndex::insert(const QString &text)
{
    const std::uint64_t number = numberKey(text);
    if (number != kNotANumber) {
        return insertNumber(number);
    }
    if (texts_.contains(text)) {
        return false;
    }
    texts_.insert(text);
    return true;
}

void DuplicateIndex::clear()
{
    release(table_);
    numbers_ = 0;
    denseNumbers_ = 0;
    areaCodeCounts_.assign(kAreaCodes, 0);
    std::vector<std::unique_ptr<std::uint64_t[]>>().swap(dense_);
    texts_.clear();
}
