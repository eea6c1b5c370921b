#include "generator/core/generation_run.h"

#include "generator/core/capacity.h"
#include "generator/core/random_source.h"

#include <algorithm>
#include <map>

namespace {

// The area codes from which a run of `requested` numbers will take many: every prefix is drawn
// as often as any other, and an area code gives at most the numbers its prefixes hold. Each costs
// 1.25 MB in the index whether the guess comes true or not, so a prefix list spread over more
// area codes than that makes sense for gets none.
std::vector<std::uint32_t> busyAreaCodes(const std::vector<PrefixPlan> &plans, int requested)
{
    constexpr std::size_t kBusyAtMost = 80;
    struct AreaCode {
        int prefixes = 0;
        std::uint64_t holds = 0;
    };
    std::map<std::uint32_t, AreaCode> areaCodes;
    for (const PrefixPlan &plan : plans) {
        // A prefix of fewer than three digits spreads over many area codes.
        if (plan.ofNumberForm && plan.freeDigits <= 7) {
            AreaCode &a = areaCodes[std::uint32_t(plan.digits / powerOfTen(7 - plan.freeDigits))];
            ++a.prefixes;
            a.holds = std::min<std::uint64_t>(a.holds + powerOfTen(plan.freeDigits), 10'000'000);
        }
    }
    std::vector<std::uint32_t> busy;
    for (const auto &[areaCode, a] : areaCodes) {
        const double drawn = double(requested) * a.prefixes / double(plans.size());
        if (std::min(drawn, double(a.holds)) >= DuplicateIndex::kManyNumbers) {
            busy.push_back(areaCode);
        }
    }
    if (busy.size() > kBusyAtMost) {
        busy.clear();
    }
    return busy;
}

// The numbers a run of `requested` will put in the index's table: those of prefixes whose area
// code has no bits, at most all that each prefix holds. The table is sized for them once.
std::uint64_t tableNumbers(const std::vector<PrefixPlan> &plans, int requested,
                           const std::vector<std::uint32_t> &busy)
{
    std::uint64_t numbers = 0;
    for (const PrefixPlan &plan : plans) {
        const bool inBits =
            plan.ofNumberForm && plan.freeDigits <= 7 &&
            std::count(busy.begin(), busy.end(),
                       std::uint32_t(plan.digits / powerOfTen(7 - plan.freeDigits))) > 0;
        if (plan.ofNumberForm && !inBits) {
            numbers +=
                std::min<std::uint64_t>(powerOfTen(plan.freeDigits), std::uint64_t(requested));
        }
    }
    return std::min<std::uint64_t>(numbers,
                                   std::uint64_t(std::clamp(requested, 0, kMostNumbersPerRun)));
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
}

void GenerationRun::setPrefixes(const QStringList &prefixes)
{
    plans_ = planPrefixes(prefixes);
    missLimit_.reset();
    busyAreaCodes_ = busyAreaCodes(plans_, requested_);
    tableNumbers_ = tableNumbers(plans_, requested_, busyAreaCodes_);
    indexPrepared_ = false;
}

// The index takes its bits and its table's size before it takes numbers; a run that is refused
// never gets this far, so it claims nothing.
void GenerationRun::prepareIndex()
{
    for (const std::uint32_t areaCode : busyAreaCodes_) {
        index_.expectMany(areaCode);
    }
    index_.reserve(std::size_t(tableNumbers_));
    indexPrepared_ = true;
}

void GenerationRun::setResults(const ListSnapshot &results)
{
    index_.clear();
    prepareIndex();
    for (int i = 1; i <= results.count(); ++i) {
        if (results.isNumber(i)) {
            index_.insertNumber(results.number(i));
        } else {
            index_.insert(results.text(i));
        }
    }
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

void GenerationRun::readListsFrom(std::function<QStringList()> prefixes,
                                  std::function<ListSnapshot()> results)
{
    readPrefixes_ = std::move(prefixes);
    readResults_ = std::move(results);
}

void GenerationRun::draw()
{
    // However many changes came during the yield, each list is read again once.
    if (resultsTaken_ && readResults_) {
        resultsTaken_ = false;
        setResults(readResults_());
    }
    if (prefixesChanged_ && readPrefixes_) {
        prefixesChanged_ = false;
        setPrefixes(readPrefixes_());
    }
    // Once when the run starts, and again only when its lists changed under it.
    if (!indexPrepared_) {
        prepareIndex();
    }
    batch_.clear();
    numbers_.clear();
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
            numbers_.push_back(completeNumberDigits(p, source));
            if (!batch_.texts.empty()) {
                batch_.entries.push_back(numbers_.back());
            }
        } else {
            // Any other form stays text; it cannot equal a number of the form. A batch of
            // numbers alone needs no list of entries; from its first text on, it has one.
            if (batch_.texts.empty()) {
                batch_.entries.assign(numbers_.begin(), numbers_.end());
            }
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
    isNew_.resize(numbers_.size());
    index_.insertNumbers(numbers_.data(), numbers_.size(), isNew_.data());
    if (batch_.texts.empty()) {
        for (std::size_t i = 0; i < numbers_.size(); ++i) {
            if (isNew_[i]) {
                fresh.entries.push_back(numbers_[i]);
                ++added_;
                misses_ = 0;
            } else if (++misses_ > missLimit()) {
                return Stop::NoNewNumber;
            }
        }
        return added_ >= requested_ ? Stop::Finished : Stop::None;
    }
    std::size_t n = 0;
    for (const std::uint64_t entry : batch_.entries) {
        bool isNew = false;
        if (!isTextEntry(entry)) {
            isNew = isNew_[n++] != 0;
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
                       "numbers.")
                .arg(misses_)
                .arg(added_);
        case Stop::None:
        case Stop::Finished:
            break;
    }
    return {};
}
