#include "generator/core/generation_run.h"

#include "generator/core/capacity.h"
#include "generator/core/random_source.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

namespace {

constexpr std::uint32_t kAreaCodes = DuplicateIndex::kAreaCodes;

// How many numbers a run of `requested` takes from each area code (the first three digits).
std::vector<std::uint64_t> numbersPerAreaCode(const std::vector<PrefixPlan> &plans, int requested)
{
    // Every prefix is drawn as often as any other, so each gives an equal share of the run, or all
    // it holds when that is less, and the others share what it cannot give. What a prefix holds
    // depends on its free digits alone, so shares go by free digits, fewest first.
    constexpr int kMostFree = 10;
    std::array<std::uint64_t, kMostFree + 1> prefixes{};
    for (const PrefixPlan &plan : plans) {
        ++prefixes[std::size_t(std::clamp(plan.freeDigits, 0, kMostFree))];
    }
    std::array<std::uint64_t, kMostFree + 1> share{};
    std::uint64_t left = std::uint64_t(std::max(requested, 0));
    std::uint64_t drawnFrom = plans.size();
    for (int free = 0; free <= kMostFree; ++free) {
        if (prefixes[free] > 0) {
            share[free] = std::min(powerOfTen(free), (left + drawnFrom - 1) / drawnFrom);
            left -= std::min(left, share[free] * prefixes[free]);
            drawnFrom -= prefixes[free];
        }
    }
    // A prefix of fewer than three digits spreads its share over the area codes it starts.
    std::vector<std::uint64_t> numbers(kAreaCodes, 0);
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::uint64_t> spread;  // first, count
    for (const PrefixPlan &plan : plans) {
        if (!plan.ofNumberForm) {
            continue;
        }
        const std::uint64_t s = share[std::size_t(std::clamp(plan.freeDigits, 0, kMostFree))];
        if (plan.freeDigits <= 7) {
            numbers[std::size_t(plan.digits / powerOfTen(7 - plan.freeDigits))] += s;
        } else {
            const std::uint64_t count = powerOfTen(plan.freeDigits - 7);
            spread[{plan.digits * count, count}] += s;
        }
    }
    for (const auto &[codes, s] : spread) {
        for (std::uint64_t areaCode = codes.first; areaCode < codes.first + codes.second;
             ++areaCode) {
            numbers[std::size_t(areaCode)] += (s + codes.second - 1) / codes.second;
        }
    }
    // Room for four standard deviations more than the share, so that chance seldom makes a
    // table grow.
    for (std::uint64_t &n : numbers) {
        if (n > 0) {
            n = std::min<std::uint64_t>(n + 4 * std::uint64_t(std::sqrt(double(n))) + 8,
                                        DuplicateIndex::kAreaCodeNumbers);
        }
    }
    return numbers;
}

}  // namespace

std::optional<QString> refusalOf(int requested, const std::vector<PrefixPlan> &plans)
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
    const std::uint64_t capacity = prefixCapacity(plans);
    if (std::uint64_t(requested) > capacity) {
        // More are asked for than it gives, so only the first count can be one.
        return QStringLiteral(
                   "The prefix list can give at most %1 different %2, so %3 "
                   "different numbers cannot be made. Add prefixes or lower the number "
                   "of phone numbers to generate.")
            .arg(capacity)
            .arg(capacity == 1 ? QStringLiteral("number") : QStringLiteral("numbers"))
            .arg(requested);
    }
    return std::nullopt;
}

GenerationRun::GenerationRun(int requested, RandomSource &source)
    : requested_(requested), source_(source)
{
}

void GenerationRun::setPrefixes(const QStringList &prefixes)
{
    plans_ = planPrefixes(prefixes);
    missLimit_.reset();
    indexPrepared_ = false;
}

// Room in the index for the numbers the run has still to make, before it takes any; a run that
// is refused never gets this far, so it claims nothing.
void GenerationRun::prepareIndex()
{
    index_.reserve(numbersPerAreaCode(plans_, requested_ - added_));
    indexPrepared_ = true;
}

void GenerationRun::setResults(const ListSnapshot &results)
{
    index_.clear();
    std::vector<std::uint64_t> held(kAreaCodes, 0);
    for (int i = 1; i <= results.count(); ++i) {
        if (results.isNumber(i)) {
            ++held[DuplicateIndex::areaCodeOf(results.number(i))];
        }
    }
    index_.reserve(held);
    for (int i = 1; i <= results.count(); ++i) {
        if (results.isNumber(i)) {
            index_.insertNumber(results.number(i));
        } else {
            index_.insert(results.text(i));
        }
    }
    indexPrepared_ = false;
}

// Draws since the last new number after which a run gives up. Far beyond what finishing even the
// last free number of a full prefix list takes, so it only stops runs whose prefix list was
// changed under them to one that cannot give the rest.
std::uint64_t GenerationRun::missLimit()
{
    if (!missLimit_) {
        constexpr std::uint64_t kFloor = 10'000'000;
        const std::uint64_t capacity = prefixCapacity(plans_);
        missLimit_ = std::max(kFloor, capacity > UINT64_MAX / 30 ? UINT64_MAX : capacity * 30);
    }
    return *missLimit_;
}

void GenerationRun::draw()
{
    // Once when the run starts, and again only when its lists changed under it.
    if (!indexPrepared_) {
        prepareIndex();
    }
    batch_.clear();
    const int c = int(plans_.size());
    if (c == 0) {
        return;
    }
    // The source is worked on as a copy, which the compiler can keep in registers while the
    // batch is stored; the draws are the same.
    RandomSource source = source_;
    for (int b = std::min(kBatch, requested_ - added_); b > 0; --b) {
        const PrefixPlan &p = plans_[std::size_t(randomWhole(c, source) - 1)];
        if (p.ofNumberForm) {
            batch_.entries.push_back(completeNumberDigits(p, source));
        } else {
            // Any other form stays text; it cannot equal a number of the form.
            batch_.entries.push_back(textEntry(batch_.texts.size()));
            batch_.texts.push_back(completeNumber(p.rebuilt, source));
        }
    }
    source_ = source;
}

GenerationRun::Stop GenerationRun::keep(ListEntries &fresh)
{
    fresh.clear();
    if (plans_.empty()) {
        return Stop::NoPrefixes;
    }
    for (const std::uint64_t entry : batch_.entries) {
        if (!isTextEntry(entry)) {
            index_.prefetch(entry);
        }
    }
    for (const std::uint64_t entry : batch_.entries) {
        bool isNew = false;
        if (!isTextEntry(entry)) {
            isNew = index_.insertNumber(entry);
            if (isNew) {
                fresh.entries.push_back(entry);
            }
        } else {
            const QString &text = batch_.texts[textIndexOf(entry)];
            isNew = index_.insert(text);
            if (isNew) {
                fresh.entries.push_back(textEntry(fresh.texts.size()));
                fresh.texts.push_back(text);
            }
        }
        if (isNew) {
            ++added_;
            misses_ = 0;
        } else if (++misses_ > missLimit()) {
            return Stop::NoNewNumber;
        }
    }
    return added_ >= requested_ ? Stop::Finished : Stop::None;
}

QString GenerationRun::stopMessage(Stop stop) const
{
    switch (stop) {
        case Stop::NoPrefixes:
            return QStringLiteral(
                "The prefix list was emptied while numbers were being generated, so generating "
                "has stopped.");
        case Stop::NoNewNumber:
            return QStringLiteral(
                       "No new number was found in %1 tries, so generating has stopped after %2 "
                       "%3.")
                .arg(misses_)
                .arg(added_)
                .arg(added_ == 1 ? QStringLiteral("number") : QStringLiteral("numbers"));
        case Stop::None:
        case Stop::Finished:
            break;
    }
    return {};
}
