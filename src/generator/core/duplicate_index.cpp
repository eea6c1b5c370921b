#include "generator/core/duplicate_index.h"

#include <cstdlib>
#include <new>
#include <optional>
#ifdef __linux__
#include <sys/mman.h>
#endif

template <typename T>
T *HugePageAllocator<T>::allocate(std::size_t n)
{
    constexpr std::size_t kHugePage = std::size_t(2) << 20;
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHugePage) {
        return static_cast<T *>(::operator new(bytes));
    }
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void *p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
#ifdef MADV_HUGEPAGE
    madvise(p, rounded, MADV_HUGEPAGE);
#endif
    return static_cast<T *>(p);
}

template <typename T>
void HugePageAllocator<T>::deallocate(T *p, std::size_t n) noexcept
{
    if (n * sizeof(T) < (std::size_t(2) << 20)) {
        ::operator delete(p);
    } else {
        std::free(p);
    }
}

template struct HugePageAllocator<std::uint64_t>;

namespace {

// NNN-NNN-NNNN as the number its ten digits make; anything else has no key.
std::optional<std::uint64_t> numberKey(const QString &text)
{
    if (text.size() != 12) {
        return std::nullopt;
    }
    std::uint64_t key = 0;
    for (int i = 0; i < 12; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 3 || i == 7) {
            if (c != u'-') {
                return std::nullopt;
            }
        } else if (c >= u'0' && c <= u'9') {
            key = key * 10 + (c - u'0');
        } else {
            return std::nullopt;
        }
    }
    return key;
}

constexpr std::uint64_t kNoKey = ~std::uint64_t(0);

inline void prefetch(const void *address)
{
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

std::uint64_t scramble(std::uint64_t z)
{
    z = (z ^ (z >> 33)) * 0xFF51AFD7ED558CCDULL;
    return z ^ (z >> 33);
}

}  // namespace

std::size_t DuplicateIndex::slotOf(std::uint64_t stored) const
{
    const std::size_t mask = table_.size() - 1;
    std::size_t i = std::size_t(scramble(stored)) & mask;
    while (table_[i] != 0 && table_[i] != stored) {
        i = (i + 1) & mask;
    }
    return i;
}

void DuplicateIndex::grow(std::size_t size)
{
    std::vector<std::uint64_t, HugePageAllocator<std::uint64_t>> old;
    old.swap(table_);
    table_.assign(size, 0);
    for (std::uint64_t stored : old) {
        if (stored != 0) {
            table_[slotOf(stored)] = stored;
        }
    }
}

void DuplicateIndex::reserve(std::size_t n)
{
    std::size_t wanted = 16;
    while (wanted < n * 2) {
        wanted *= 2;
    }
    if (wanted > table_.size()) {
        grow(wanted);
    }
}

bool DuplicateIndex::insertKey(std::uint64_t key)
{
    // Keep the table at most half full, so probes stay short.
    if ((keyCount_ + 1) * 2 > table_.size()) {
        grow(table_.empty() ? 16 : table_.size() * 2);
    }
    const std::uint64_t stored = key + 1;
    const std::size_t i = slotOf(stored);
    if (table_[i] == stored) {
        return false;
    }
    table_[i] = stored;
    ++keyCount_;
    return true;
}

void DuplicateIndex::insert(const std::vector<QString> &texts, std::vector<char> &fresh)
{
    std::vector<std::uint64_t> keys(texts.size(), kNoKey);
    const std::size_t mask = table_.empty() ? 0 : table_.size() - 1;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (const auto key = numberKey(texts[i])) {
            keys[i] = *key;
            if (mask != 0) {
                prefetch(&table_[std::size_t(scramble(*key + 1)) & mask]);
            }
        }
    }
    fresh.resize(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        fresh[i] = keys[i] != kNoKey ? insertKey(keys[i]) : insert(texts[i]);
    }
}

bool DuplicateIndex::insert(const QString &text)
{
    if (const auto key = numberKey(text)) {
        return insertKey(*key);
    }
    if (texts_.contains(text)) {
        return false;
    }
    texts_.insert(text);
    return true;
}

bool DuplicateIndex::contains(const QString &text) const
{
    if (const auto key = numberKey(text)) {
        return !table_.empty() && table_[slotOf(*key + 1)] == *key + 1;
    }
    return texts_.contains(text);
}

void DuplicateIndex::clear()
{
    decltype(table_)().swap(table_);
    keyCount_ = 0;
    texts_.clear();
}
