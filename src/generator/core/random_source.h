#pragma once

#include <cstdint>

// Seconds since midnight, with their fraction.
float TimeOfDaySeconds();

// The program's one random source: a 64-bit generator seeded once from the system's entropy.
// A reseed mixes its value into the state without resetting it, so reseeding with the same value
// twice never repeats earlier draws.
class RandomSource {
public:
    // The time of day the draws are reseeded with: seconds since midnight, with their fraction.
    using Clock = float (*)();

    RandomSource();
    // A source with a fixed start, and a clock of the caller's: tests pin both.
    explicit RandomSource(std::uint64_t state, Clock clock = TimeOfDaySeconds)
        : state_(state), clock_(clock)
    {
    }

    void reseed(float seed);
    // Reseeds with the time of day. As a single-precision number it only changes every few
    // milliseconds, so the clock is read once every 64 reseeds, which gives the same seeds at a
    // fraction of the cost.
    void reseedFromClock();
    // A single-precision value in [0, 1).
    float draw();

    static RandomSource &shared();

private:
    std::uint64_t state_;
    Clock clock_ = TimeOfDaySeconds;
    unsigned reseeds_ = 0;
    float seconds_ = 0;
    std::uint32_t lastSeedBits_ = 0;
    bool haveSeed_ = false;
    std::uint64_t lastSeedMix_ = 0;
};

// A whole number from 1 to n (1 for n = 0): reseeds from the time of day, then draws once.
double RandomNumber(int n, RandomSource &source);
