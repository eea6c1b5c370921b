#include "generator/core/duplicate_index.h"

#include "lists/number_form.h"

#include <algorithm>
#include <new>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// A bucket is a cache line of 16-bit cells: the first counts the numbers, the others hold them.
constexpr unsigned kCells = 32;
constexpr unsigned kPerBucket = kCells - 1;
// At most this full: a bucket seldom spills.
constexpr std::uint64_t kFillNumerator = 7;
constexpr std::uint64_t kFillDenominator = 10;

// A number's last seven digits are scrambled into 24 bits, one to one (times an odd number,
// modulo 2^24), so that numbers in a row land far apart. The scrambled value picks the bucket,
// and its low 16 bits are kept there: a bucket takes the values of one stretch of at most 2^16,
// which is why a table has at least 256 buckets, so those bits tell its values apart.
constexpr std::uint32_t kLow24 = 0xFFFFFF;
constexpr std::uint32_t kScramble = 0x9E3779;  // 2^24 over the golden ratio, and odd
constexpr std::uint32_t inverseOf(std::uint32_t odd)
{
    std::uint32_t inverse = odd;  // right in 3 bits; each step doubles them
    for (int i = 0; i < 5; ++i) {
        inverse *= 2 - odd * inverse;
    }
    return inverse;
}
constexpr std::uint32_t kUnscramble = inverseOf(kScramble);
static_assert(kScramble * kUnscramble == 1);
constexpr std::uint32_t kFewestBuckets = 256;

struct Place {
    std::size_t bucket;
    std::uint16_t low;
};
inline Place placeOf(std::uint32_t last, std::uint32_t buckets)
{
    const std::uint32_t scrambled = (last * kScramble) & kLow24;
    return {std::size_t((std::uint64_t(scrambled) * buckets) >> 24), std::uint16_t(scrambled)};
}
// The last seven digits kept as `low` in bucket b: the one value of the bucket's stretch with
// those low bits, unscrambled.
inline std::uint32_t lastOf(std::size_t b, std::uint16_t low, std::uint32_t buckets)
{
    const auto first = std::uint32_t(((std::uint64_t(b) << 24) + buckets - 1) / buckets);
    const std::uint32_t scrambled = first + ((low - first) & 0xFFFF);
    return (scrambled * kUnscramble) & kLow24;
}

// Whether the bucket holds the value among its numbers: all cells are compared at once, without
// a branch for each.
inline bool holds(const std::uint16_t *bucket, std::uint16_t low)
{
    const unsigned taken = bucket[0];
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i value = _mm_set1_epi16(short(low));
    const auto *line = reinterpret_cast<const __m128i *>(bucket);
    const __m128i first = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_load_si128(line), value),
                                          _mm_cmpeq_epi16(_mm_load_si128(line + 1), value));
    const __m128i second = _mm_packs_epi16(_mm_cmpeq_epi16(_mm_load_si128(line + 2), value),
                                           _mm_cmpeq_epi16(_mm_load_si128(line + 3), value));
    const auto low16 = unsigned(_mm_movemask_epi8(first));  // a bit per cell
    const auto high16 = unsigned(_mm_movemask_epi8(second));
    return ((low16 | high16 << 16) & (((1u << taken) - 1) << 1)) != 0;  // cells 1 to taken
#else
    return std::find(bucket + 1, bucket + 1 + taken, low) != bucket + 1 + taken;
#endif
}

// Sets the number's bit; true when it was not set.
inline bool setBit(std::uint64_t *bits, std::uint32_t last)
{
    std::uint64_t &word = bits[last >> 6];
    const std::uint64_t bit = std::uint64_t(1) << (last & 63);
    const bool wasSet = (word & bit) != 0;
    word |= bit;
    return !wasSet;
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

// Puts a number's last seven digits into the table, or finds them there.
bool DuplicateIndex::place(AreaCode &a, std::uint32_t last)
{
    const Place p = placeOf(last, a.buckets);
    std::uint16_t *bucket = a.cells + p.bucket * kCells;
    if (holds(bucket, p.low)) {
        return false;
    }
    const unsigned taken = bucket[0];
    if (taken == kPerBucket) {
        if (!a.spilled) {
            a.spilled = std::make_unique<std::unordered_set<std::uint32_t>>();
        }
        if (!a.spilled->insert(last).second) {
            return false;
        }
    } else {
        bucket[taken + 1] = p.low;
        bucket[0] = std::uint16_t(taken + 1);
    }
    ++a.count;
    return true;
}

// Room for n numbers in the area code: a table big enough, or its bits once they take less room.
void DuplicateIndex::resize(AreaCode &a, std::uint64_t n)
{
    if (a.bits) {
        return;
    }
    AreaCode bigger;
    if (n >= kBitsFrom) {
        bigger.bits = zeroed<std::uint64_t, Free>(kAreaCodeNumbers / 64);
    } else {
        const std::uint64_t perBucket = kPerBucket * kFillNumerator;
        bigger.buckets = std::uint32_t(std::max<std::uint64_t>(
            kFewestBuckets, (n * kFillDenominator + perBucket - 1) / perBucket));
        if (bigger.buckets <= a.buckets) {
            return;
        }
        bigger.memory = zeroed<std::uint16_t, Free>(std::size_t(bigger.buckets + 1) * kCells);
        bigger.cells = reinterpret_cast<std::uint16_t *>(
            (reinterpret_cast<std::uintptr_t>(bigger.memory.get()) + 63) & ~std::uintptr_t(63));
    }
    const auto take = [&](std::uint32_t last) {
        if (bigger.bits) {
            setBit(bigger.bits.get(), last);
        } else {
            place(bigger, last);
        }
    };
    for (std::size_t b = 0; b < a.buckets; ++b) {
        const std::uint16_t *bucket = a.cells + b * kCells;
        for (unsigned j = 1; j <= bucket[0]; ++j) {
            take(lastOf(b, bucket[j], a.buckets));
        }
    }
    if (a.spilled) {
        for (const std::uint32_t last : *a.spilled) {
            take(last);
        }
    }
    a = std::move(bigger);
}

void DuplicateIndex::reserve(const std::vector<std::uint64_t> &numbers)
{
    for (std::size_t areaCode = 0; areaCode < kAreaCodes && areaCode < numbers.size(); ++areaCode) {
        if (numbers[areaCode] > 0) {
            AreaCode &a = areaCodes_[areaCode];
            resize(a, std::uint64_t(a.count) + numbers[areaCode]);
        }
    }
}

void DuplicateIndex::prefetch(std::uint64_t number) const
{
    const AreaCode &a = areaCodes_[areaCodeOf(number)];
    const auto last = std::uint32_t(number % kAreaCodeNumbers);
    if (a.bits) {
        prefetchLine(&a.bits[last >> 6]);
    } else if (a.buckets != 0) {
        prefetchLine(a.cells + placeOf(last, a.buckets).bucket * kCells);
    }
}

bool DuplicateIndex::insertNumber(std::uint64_t number)
{
    AreaCode &a = areaCodes_[areaCodeOf(number)];
    const auto last = std::uint32_t(number % kAreaCodeNumbers);
    if (!a.bits && (std::uint64_t(a.count) + 1) * kFillDenominator >
                       std::uint64_t(a.buckets) * kPerBucket * kFillNumerator) {
        resize(a, 2 * (std::uint64_t(a.count) + 1));
    }
    const bool isNew = a.bits ? setBit(a.bits.get(), last) : place(a, last);
    numbers_ += isNew ? 1 : 0;
    return isNew;
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
