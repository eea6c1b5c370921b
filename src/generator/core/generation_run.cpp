#include "generator/core/generation_run.h"

#include "generator/core/capacity.h"
#include "generator/core/numbers.h"
#include "generator/core/random_source.h"

#include <algorithm>

namespace {

// A million numbers fit the index as reserved at the start of a run. Reserving for the whole
// request would claim gigabytes for a large count before the first number, however early the
// run is stopped; beyond this the index grows as it fills.
constexpr int kIndexReservedAtMost = 1 << 20;

}  // namespace

std::optional<QString> refusalOf(int requested, const QStringList &prefixes)
{
    if (requested <= 0) {
        return std::nullopt;
    }
    // Each number costs memory in the list, the view and the index; far beyond what a calling
    // list or test data needs, a run would end only when memory does.
    if (requested > kMostNumbersPerRun) {
        return QStringLiteral(
                   "At most %L1 numbers can be generated in one run, so %L2 numbers "
                   "cannot be made. Lower the number of phone numbers to generate.")
            .arg(kMostNumbersPerRun)
            .arg(requested);
    }
    const std::uint64_t capacity = prefixCapacity(prefixes);
    if (std::uint64_t(requested) > capacity) {
        return QStringLiteral(
                   "The prefix list can give at most %1 different numbers, so %2 "
                   "different numbers cannot be made. Add prefixes or lower the number "
                   "of phone numbers to generate.")
            .arg(capacity)
            .arg(requested);
    }
    return std::nullopt;
}

GenerationRun::GenerationRun(int requested, RandomSource &source)
    : requested_(requested), source_(source)
{
    index_.reserve(std::size_t(std::clamp(requested, 0, kIndexReservedAtMost)));
}

void GenerationRun::setPrefixes(const QStringList &prefixes)
{
    prefixes_ = prefixes;
    rebuilt_.assign(std::size_t(prefixes.size()), QString());
    missLimit_.reset();
}

void GenerationRun::setResults(const QStringList &results)
{
    index_.clear();
    for (const QString &number : results) {
        index_.insert(number);
    }
}

const QString &GenerationRun::rebuilt(int position)
{
    QString &cached = rebuilt_[std::size_t(position - 1)];
    if (cached.isNull()) {
        cached = RebuildPrefix(prefixes_[position - 1]);
        if (cached.isNull()) {
            cached = QLatin1String("");  // made, even when empty
        }
    }
    return cached;
}

// Draws since the last new number after which a run gives up. Far beyond what finishing even the
// last free number of a full prefix list takes, so it only stops runs whose prefix list was
// changed under them to one that cannot give the rest.
std::uint64_t GenerationRun::missLimit()
{
    if (!missLimit_) {
        constexpr std::uint64_t kFloor = 10'000'000;
        const std::uint64_t capacity = prefixCapacity(prefixes_);
        missLimit_ = std::max(kFloor, capacity > UINT64_MAX / 30 ? UINT64_MAX : capacity * 30);
    }
    return *missLimit_;
}

void GenerationRun::draw()
{
    batch_.clear();
    const int c = int(prefixes_.size());
    if (c == 0) {
        return;
    }
    for (int b = std::min(kBatch, requested_ - added_); b > 0; --b) {
        const int k = int(RandomNumber(c, source_));
        batch_.push_back(CompleteNumber(rebuilt(k), source_));
    }
}

GenerationRun::Stop GenerationRun::keep(std::vector<QString> &fresh)
{
    fresh.clear();
    index_.insert(batch_, isNew_);
    for (std::size_t b = 0; b < batch_.size(); ++b) {
        if (isNew_[b]) {
            fresh.push_back(batch_[b]);
            ++added_;
            misses_ = 0;
        } else if (++misses_ > missLimit()) {
            return Stop::NoNewNumber;
        }
    }
    return added_ >= requested_ ? Stop::Finished : Stop::None;
}
