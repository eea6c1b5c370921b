#include "generator/core/duplicate_index.h"

#include "lists/number_form.h"

#include <algorithm>
#include <new>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#ifdef _MSC_VER
#include <intrin.h>
#endif
#endif

namespace {

constexpr std::uint32_t kSmallest = 1;  // bucket, for an area code that expects no number

// At most this full: a bucket seldom overflows into the next.
constexpr std::uint64_t kFillNumerator = 7;
constexpr std::uint64_t kFillDenominator = 10;

// The home bucket of a stored value among `buckets`: the value times the golden ratio, scaled to
// the count, so that numbers in a row land far apart and a table can have any size.
inline std::size_t home(std::uint32_t stored, std::uint32_t buckets)
{
    return std::size_t((std::uint64_t(stored * 0x9E3779B1u) * buckets) >> 32);
}

// The buckets that hold n numbers at most that full.
inline std::uint64_t bucketsFor(std::uint64_t n)
{
    const std::uint64_t perBucket = DuplicateIndex::kBucket * kFillNumerator;
    return std::max<std::uint64_t>(kSmallest, (n * kFillDenominator + perBucket - 1) / perBucket);
}

#if defined(__SSE2__) || defined(_M_X64)
// The lowest set bit of a mask that is not 0.
inline unsigned firstSet(unsigned mask)
{
#ifdef _MSC_VER
    unsigned long i = 0;
    _BitScanForward(&i, mask);
    return unsigned(i);
#else
    return unsigned(__builtin_ctz(mask));
#endif
}
#endif

// Whether a bucket holds the value, and how many of its cells are taken: a bucket fills from its
// first cell on and never empties, so its free cells are the last ones. All sixteen cells are
// compared at once, without a branch for each.
struct Scan {
    bool holds;
    unsigned taken;
};
inline Scan scan(const std::uint32_t *bucket, std::uint32_t stored)
{
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i value = _mm_set1_epi32(int(stored));
    const __m128i zero = _mm_setzero_si128();
    __m128i equal = zero;
    unsigned free = 0;
    for (int q = 0; q < 4; ++q) {
        const __m128i cells = _mm_load_si128(reinterpret_cast<const __m128i *>(bucket) + q);
        equal = _mm_or_si128(equal, _mm_cmpeq_epi32(cells, value));
        free |= unsigned(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(cells, zero))))
                << (4 * q);
    }
    return Scan{_mm_movemask_epi8(equal) != 0, firstSet(free | 1u << DuplicateIndex::kBucket)};
#else
    bool holds = false;
    unsigned taken = 0;
    for (unsigned j = 0; j < DuplicateIndex::kBucket; ++j) {
        holds |= bucket[j] == stored;
        taken += bucket[j] != 0;
    }
    return Scan{holds, taken};
#endif
}

inline void prefetchLine(const void *address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address, 1);
#else
    (void)address;
#endif
}

template <typename T, typename Free>
std::unique_ptr<T[], Free> zeroed(std::size_t n)
{
    // Zeroed by the system as each page is first touched, not all at once.
    void *memory = std::calloc(n, sizeof(T));
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    return std::unique_ptr<T[], Free>(static_cast<T *>(memory));
}

}  // namespace

// Puts a stored value into the table, or finds it there. A full bucket sends it to the next.
bool DuplicateIndex::place(AreaCode &a, std::uint32_t stored)
{
    for (std::size_t b = home(stored, a.buckets);; b = b + 1 == a.buckets ? 0 : b + 1) {
        std::uint32_t *cells = a.bucket(b);
        const Scan s = scan(cells, stored);
        if (s.holds) {
            return false;
        }
        if (s.taken < kBucket) {
            cells[s.taken] = stored;
            ++a.count;
            return true;
        }
    }
}

// Room for n numbers in the area code: a table big enough, or its bits once they take less room.
void DuplicateIndex::resize(AreaCode &a, std::uint64_t n)
{
    if (a.bits) {
        return;
    }
    if (n >= kBitsFrom) {
        a.bits = zeroed<std::uint64_t, Free>(kAreaCodeNumbers / 64);
        a.forEachStored([&](std::uint32_t stored) {
            a.bits[(stored - 1) >> 6] |= std::uint64_t(1) << ((stored - 1) & 63);
        });
        a.memory.reset();
        a.cells = nullptr;
        a.buckets = 0;
        a.count = 0;
        return;
    }
    const auto buckets = std::uint32_t(bucketsFor(n));
    if (buckets <= a.buckets) {
        return;
    }
    AreaCode bigger;
    bigger.memory =
        zeroed<std::uint32_t, Free>(std::size_t(buckets) * kBucket + 64 / sizeof(std::uint32_t));
    // Each bucket a cache line, so that a lookup reads one line.
    bigger.cells = reinterpret_cast<std::uint32_t *>(
        (reinterpret_cast<std::uintptr_t>(bigger.memory.get()) + 63) & ~std::uintptr_t(63));
    bigger.buckets = buckets;
    a.forEachStored([&](std::uint32_t stored) { place(bigger, stored); });
    a = std::move(bigger);
}

void DuplicateIndex::reserve(std::uint32_t areaCode, std::uint64_t n)
{
    AreaCode &a = areaCodes_[areaCode];
    resize(a, std::uint64_t(a.count) + n);
}

void DuplicateIndex::prefetch(std::uint64_t number) const
{
    const AreaCode &a = areaCodes_[areaCodeOf(number)];
    const auto last = std::uint32_t(number % kAreaCodeNumbers);
    if (a.bits) {
        prefetchLine(&a.bits[last >> 6]);
    } else if (a.buckets != 0) {
        prefetchLine(a.bucket(home(last + 1, a.buckets)));
    }
}

bool DuplicateIndex::insertNumber(std::uint64_t number)
{
    AreaCode &a = areaCodes_[areaCodeOf(number)];
    const auto last = std::uint32_t(number % kAreaCodeNumbers);
    if (!a.bits && (std::uint64_t(a.count) + 1) * kFillDenominator >
                       std::uint64_t(a.buckets) * kBucket * kFillNumerator) {
        resize(a, 2 * (std::uint64_t(a.count) + 1));
    }
    if (a.bits) {
        std::uint64_t &word = a.bits[last >> 6];
        const std::uint64_t bit = std::uint64_t(1) << (last & 63);
        if ((word & bit) != 0) {
            return false;
        }
        word |= bit;
        ++numbers_;
        return true;
    }
    if (!place(a, last + 1)) {
        return false;
    }
    ++numbers_;
    return true;
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
    std::vector<AreaCode>(kAreaCodes).swap(areaCodes_);
    numbers_ = 0;
    texts_.clear();
}
