#include "generator/core/random_source.h"

#include <chrono>
#include <random>

RandomSource::RandomSource()
{
    std::random_device device;
    state_ = (std::uint64_t(device()) << 32) ^ device();
}

RandomSource &RandomSource::shared()
{
    static RandomSource source;
    return source;
}

float timeOfDaySeconds()
{
    using namespace std::chrono;
    const auto now = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return float(double(now % 86'400'000'000LL) / 1e6);
}
