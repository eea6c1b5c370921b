#pragma once

#include <cstdint>
#include <vector>

struct PrefixPlan;

// How many distinct numbers a list of prefixes can give. The numbers of one prefix either lie
// wholly inside those of another or share none with them, so each set is counted once: a prefix
// whose numbers another prefix already gives ("717" beside an empty prefix, "717-5" beside "717")
// adds nothing.
std::uint64_t prefixCapacity(const std::vector<PrefixPlan> &plans);

// Ten to the power of exponent (up to 19).
inline std::uint64_t powerOfTen(int exponent)
{
    std::uint64_t value = 1;
    for (int i = 0; i < exponent; ++i) {
        value *= 10;
    }
    return value;
}
