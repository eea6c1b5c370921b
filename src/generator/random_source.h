#pragma once

#include <cstdint>

// The program's one random source: a 64-bit generator seeded once from the system's entropy.
// A reseed mixes its value into the state without resetting it, so reseeding with the same value
// twice never repeats earlier draws.
class RandomSource {
public:
    RandomSource();
    explicit RandomSource(std::uint64_t state) : state_(state) {}

    void reseed(float seed);
    // A single-precision value in [0, 1).
    float draw();

    static RandomSource &shared();

private:
    std::uint64_t state_;
    std::uint32_t lastSeedBits_ = 0;
    bool haveSeed_ = false;
    std::uint64_t lastSeedMix_ = 0;
};

// Seconds since midnight, with their fraction.
float timeOfDaySeconds();

// A whole number from 1 to n (1 for n = 0): reseeds from the time of day, then draws once.
double RandomNumber(int n, RandomSource &source = RandomSource::shared());
