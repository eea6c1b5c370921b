#include "generator/core/duplicate_index.h"

#include "lists/number_form.h"

#include <cstdlib>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// At most this full: linear probes stay short, and ten million numbers fit 16 million cells.
constexpr std::size_t kFillNumerator = 4;
constexpr std::size_t kFillDenominator = 5;
// Old cells moved per insertion while the table grows: enough to finish the move well before
// the new table fills in its turn.
constexpr std::size_t kMovedPerInsertion = 4;
constexpr std::size_t kSmallest = 1024;
// From this full on, the next table's pages are touched, so that all are by the time it is needed.
constexpr std::size_t kPrepareNumerator = 3;
constexpr std::size_t kPrepareDenominator = 5;
constexpr std::size_t kPage = 4096;

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

}  // namespace

DuplicateIndex::~DuplicateIndex()
{
    release(table_);
    release(old_);
    release(next_);
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
#ifdef MADV_HUGEPAGE
    // Each lookup touches a random slot; with ordinary pages most would also miss the address
    // translation cache.
    madvise(cells, bytes, MADV_HUGEPAGE);
#endif
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
    const std::size_t mask = size - 1;
    std::size_t i = std::size_t(scramble(stored)) & mask;
    while (cells[i] != 0 && cells[i] != stored) {
        i = (i + 1) & mask;
    }
    return i;
}

bool DuplicateIndex::inOld(std::uint64_t stored) const
{
    // A number moved already is in the new table too, so it is found there first; the old
    // table's probe chains stay as they were, since moved cells are not cleared.
    return old_.cells != nullptr && old_.cells[old_.find(stored)] == stored;
}

void DuplicateIndex::moveSome(std::size_t count)
{
    if (old_.cells == nullptr) {
        return;
    }
    // A few at a time, their new cells fetched from memory together.
    constexpr std::size_t kGroup = 16;
    const std::size_t end = std::min(old_.size, moved_ + count);
    const std::size_t mask = table_.size - 1;
    while (moved_ < end) {
        const std::size_t groupEnd = std::min(end, moved_ + kGroup);
        for (std::size_t i = moved_; i < groupEnd; ++i) {
            if (old_.cells[i] != 0) {
                prefetch(&table_.cells[std::size_t(scramble(old_.cells[i])) & mask]);
            }
        }
        for (; moved_ < groupEnd; ++moved_) {
            const std::uint64_t stored = old_.cells[moved_];
            if (stored != 0) {
                table_.cells[table_.find(stored)] = stored;
            }
        }
    }
    if (moved_ == old_.size) {
        release(old_);
        moved_ = 0;
    }
}

void DuplicateIndex::growIfFull(std::size_t more)
{
    if (table_.cells == nullptr) {
        table_ = allocate(kSmallest);
    }
    if ((numbers_ + more) * kFillDenominator <= table_.size * kFillNumerator) {
        return;
    }
    // A move still under way is finished first; with kMovedPerInsertion it never is by then.
    moveSome(old_.size);
    old_ = table_;
    table_ = next_.cells != nullptr ? next_ : allocate(old_.size * 2);
    next_ = Table{};
    touched_ = 0;
    moved_ = 0;
}

void DuplicateIndex::prepareSome(std::size_t insertions)
{
    if (numbers_ * kPrepareDenominator < table_.size * kPrepareNumerator) {
        return;
    }
    if (next_.cells == nullptr) {
        next_ = allocate(table_.size * 2);
        touched_ = 0;
    }
    // The bytes to touch per insertion until the table is full, and a little more.
    const std::size_t bytes = next_.size * sizeof(std::uint64_t);
    const std::size_t headroom =
        table_.size *
        (kFillNumerator * kPrepareDenominator - kPrepareNumerator * kFillDenominator) /
        (kFillDenominator * kPrepareDenominator);
    const std::size_t step = bytes / std::max<std::size_t>(headroom, 1) * 2 + 1;
    const std::size_t end = std::min(bytes, touched_ + step * insertions);
    auto *base = reinterpret_cast<volatile char *>(next_.cells);
    for (std::size_t at = (touched_ + kPage - 1) / kPage * kPage; at < end; at += kPage) {
        base[at] = 0;
    }
    touched_ = end;
}

void DuplicateIndex::reserve(std::size_t n)
{
    std::size_t wanted = kSmallest;
    while (wanted * kFillNumerator < n * kFillDenominator) {
        wanted *= 2;
    }
    if (table_.cells != nullptr && wanted <= table_.size) {
        return;
    }
    Table bigger = allocate(wanted);
    for (Table *from : {&old_, &table_}) {
        for (std::size_t i = 0; i < from->size; ++i) {
            if (from->cells[i] != 0 && bigger.cells[bigger.find(from->cells[i])] == 0) {
                bigger.cells[bigger.find(from->cells[i])] = from->cells[i];
            }
        }
        release(*from);
    }
    moved_ = 0;
    table_ = bigger;
}

bool DuplicateIndex::insertNumber(std::uint64_t number)
{
    moveSome(kMovedPerInsertion);
    growIfFull(1);
    prepareSome(1);
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
    if (table_.cells[i] == stored || inOld(stored)) {
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
    if (table_.size + old_.size > kReadAtMost) {
        return;
    }
    if (dense_.empty()) {
        dense_.resize(kAreaCodes);
    }
    auto bits = std::make_unique<std::uint64_t[]>(kAreaCodeNumbers / 64);
    for (const Table *from : {&table_, &old_}) {
        for (std::size_t i = 0; i < from->size; ++i) {
            const std::uint64_t stored = from->cells[i];
            if (stored != 0 && (stored - 1) / kAreaCodeNumbers == block) {
                const std::uint64_t low = (stored - 1) % kAreaCodeNumbers;
                bits[low >> 6] |= std::uint64_t(1) << (low & 63);
            }
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
    moveSome(n * kMovedPerInsertion);
    growIfFull(n);
    prepareSome(n);
    {
        const std::size_t mask = table_.size - 1;
        const std::size_t oldMask = old_.size - 1;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t hash = scramble(numbers[i] + 1);
            prefetch(&table_.cells[std::size_t(hash) & mask]);
            if (old_.cells != nullptr) {
                prefetch(&old_.cells[std::size_t(hash) & oldMask]);
            }
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
    release(old_);
    release(next_);
    touched_ = 0;
    moved_ = 0;
    numbers_ = 0;
    denseNumbers_ = 0;
    areaCodeCounts_.assign(kAreaCodes, 0);
    std::vector<std::unique_ptr<std::uint64_t[]>>().swap(dense_);
    texts_.clear();
}
