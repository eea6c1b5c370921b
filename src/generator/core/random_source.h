#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

// Seconds since midnight, with their fraction.
float timeOfDaySeconds();

// The program's one random source: a 64-bit generator seeded once from the system's entropy.
// A reseed mixes its value into the state without resetting it, so reseeding with the same value
// twice never repeats earlier draws. Drawing is inline: a number takes several draws.
class RandomSource {
public:
    // The time of day the draws are reseeded with: seconds since midnight, with their fraction.
    using Clock = float (*)();

    RandomSource();
    // A source with a fixed start, and a clock of the caller's: tests pin both.
    explicit RandomSource(std::uint64_t state, Clock clock = timeOfDaySeconds)
        : state_(state), clock_(clock)
    {
    }

    void reseed(float seed)
    {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &seed, sizeof bits);
        // The time of day repeats for thousands of draws; mix each new value only once.
        if (bits != lastSeedBits_ || !haveSeed_) {
            lastSeedBits_ = bits;
            haveSeed_ = true;
            lastSeedMix_ = mix(bits ^ 0x5851F42D4C957F2DULL);
        }
        state_ += lastSeedMix_;
    }

    // Reseeds with the time of day. As a single-precision number it only changes every few
    // milliseconds for most of the day, while 256 reseeds take a few microseconds, so the clock
    // is read once every 256 reseeds, which gives the same seeds at a fraction of the cost.
    void reseedFromClock()
    {
        if ((reseeds_++ & 255u) == 0) {
            seconds_ = clock_();
        }
        reseed(seconds_);
    }

    // A single-precision value in [0, 1).
    float draw() { return float(drawBits()) * (1.0f / 16777216.0f); }
    // The same draw as a whole number below 2^24: draw() is exactly this over 2^24. The top 24
    // bits of the mixed state, so every value is exact in single precision.
    std::uint32_t drawBits()
    {
        state_ += kStep;
        return std::uint32_t(mix(state_) >> 40);
    }

    // count draws of randomWhole(10, *this) - 1, the same draws one after the other, appended to
    // digits as decimal digits.
    std::uint64_t appendDigits(std::uint64_t digits, int count)
    {
        const unsigned r = reseeds_ & 255u;
        std::uint32_t bits = 0;
        std::memcpy(&bits, &seconds_, sizeof bits);
        if (r == 0 || r + unsigned(count) > 256u || !haveSeed_ || bits != lastSeedBits_) {
            for (int d = 0; d < count; ++d) {
                reseedFromClock();
                digits = digits * 10 + ((std::uint64_t(drawBits()) * 10) >> 24);
            }
            return digits;
        }
        // None of these reseeds reads the clock, so each adds the same mix, and every draw moves
        // the state on by the same step: no draw waits for the one before it.
        const std::uint64_t step = lastSeedMix_ + kStep;
        for (int d = 1; d <= count; ++d) {
            const std::uint64_t k = mix(state_ + std::uint64_t(d) * step) >> 40;
            digits = digits * 10 + ((k * 10) >> 24);
        }
        state_ += std::uint64_t(count) * step;
        reseeds_ += unsigned(count);
        return digits;
    }

    static RandomSource &shared();

private:
    static constexpr std::uint64_t kStep = 0x9E3779B97F4A7C15ULL;

    static std::uint64_t mix(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    std::uint64_t state_;
    Clock clock_ = timeOfDaySeconds;
    unsigned reseeds_ = 0;
    float seconds_ = 0;
    std::uint32_t lastSeedBits_ = 0;
    bool haveSeed_ = false;
    std::uint64_t lastSeedMix_ = 0;
};

// A whole number from 1 to n (1 for n = 0): reseeds from the time of day, then draws once.
inline double RandomNumber(int n, RandomSource &source)
{
    source.reseedFromClock();
    const double r = source.draw();
    return std::floor(r * double(n)) + 1.0;
}

// RandomNumber for n >= 0, as an int and without floating point: r is k / 2^24 for the draw's
// bits k, and r * n is exact in double precision, so its floor is (k * n) >> 24.
inline int randomWhole(int n, RandomSource &source)
{
    source.reseedFromClock();
    return int((std::uint64_t(source.drawBits()) * std::uint64_t(n)) >> 24) + 1;
}
