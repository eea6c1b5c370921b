#include "generator/core/random_source.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <random>

namespace {

std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

}  // namespace

RandomSource::RandomSource()
{
    std::random_device device;
    state_ = (std::uint64_t(device()) << 32) ^ device();
}

void RandomSource::reseed(float seed)
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

void RandomSource::reseedFromClock()
{
    if ((reseeds_++ & 63u) == 0) {
        seconds_ = clock_();
    }
    reseed(seconds_);
}

float RandomSource::draw()
{
    state_ += 0x9E3779B97F4A7C15ULL;
    // The top 24 bits: every value is exact in single precision and below 1.
    return float(mix(state_) >> 40) * (1.0f / 16777216.0f);
}

RandomSource &RandomSource::shared()
{
    static RandomSource source;
    return source;
}

float TimeOfDaySeconds()
{
    using namespace std::chrono;
    const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return float(double(now % 86'400'000'000LL) / 1e6);
}

double RandomNumber(int n, RandomSource &source)
{
    source.reseedFromClock();
    const double r = source.draw();
    return std::floor(r * double(n)) + 1.0;
}
