#pragma once

#include "generator/core/duplicate_index.h"
#include "generator/core/numbers.h"
#include "lists/list_snapshot.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

class RandomSource;

// The most numbers one run makes. Each costs 8 bytes in the list and about 3 in the
// duplicate index, so fifty million take well under a gigabyte.
constexpr int kMostNumbersPerRun = 50'000'000;

// Why a run of `requested` numbers from these prefixes is refused before anything changes, or
// nothing when it may go: one run makes at most kMostNumbersPerRun, and a request the prefixes
// cannot satisfy would never end.
std::optional<QString> refusalOf(int requested, const std::vector<PrefixPlan> &plans);

// One run of "Start Generating", without its window: numbers are drawn from the prefixes a batch
// at a time, and those the result list does not hold yet are kept, until the requested count is
// made. Between two batches the window lets other actions run; when they changed a list, the
// window gives the run that list again before its next batch.
class GenerationRun {
public:
    // Numbers drawn between two turns of the event loop. Nothing else runs inside a batch, so
    // the run is the same as drawing them one by one, while the duplicate index can fetch the
    // cells of a whole batch from memory at once.
    static constexpr int kBatch = 64;

    enum class Stop {
        None,         // more numbers to make
        Finished,     // the requested count is made
        NoNewNumber,  // the prefixes, changed under the run, give no new number any more
        NoPrefixes,   // the prefix list was emptied under the run
    };

    GenerationRun(int requested, RandomSource &source);

    int requested() const { return requested_; }
    // The progress bar's value with this many entries in the result list.
    double progress(int results) const { return double(results) / double(requested_) * 100.0; }

    // The prefix list as it stands now, planned here once. An empty list gives no batch.
    void setPrefixes(const QStringList &prefixes);
    // The entries the result list holds, all of which the run makes no number again.
    void setResults(const ListSnapshot &results);
    // Why a run of this count from these prefixes is refused before anything changes (refusalOf).
    std::optional<QString> refusal() const { return refusalOf(requested_, plans_); }

    // One batch: draw() makes up to kBatch numbers (no more than are still wanted), and keep()
    // passes on the new ones in order, in the list's own form, for the caller to append. keep()
    // stops early, at the draw where the run gives up.
    void draw();
    Stop keep(ListEntries &fresh);
    // What the user is told of a run that stopped before making its count; empty otherwise.
    QString stopMessage(Stop stop) const;

private:
    std::uint64_t missLimit();
    void prepareIndex();

    int requested_;
    RandomSource &source_;
    std::vector<PrefixPlan> plans_;
    std::optional<std::uint64_t> missLimit_;
    DuplicateIndex index_;
    bool indexPrepared_ = false;  // it has room for the numbers still to make
    // The batch in the list's form: numbers, and text entries of their index in texts.
    ListEntries batch_;
    int added_ = 0;
    std::uint64_t misses_ = 0;
};
