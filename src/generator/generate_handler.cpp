#include "generator/generate_handler.h"

#include "generator/capacity.h"
#include "generator/count_conversion.h"
#include "generator/duplicate_index.h"
#include "generator/numbers.h"
#include "generator/random_source.h"
#include "mainwindow/form1.h"
#include "shell/error_trap.h"
#include "shell/yield.h"

#include <QLineEdit>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

std::optional<int> countIfValid(const QString &text)
{
    try {
        return convertCount(text);
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

// Draws since the last new number after which a run gives up. Far beyond what finishing even the
// last free number of a full prefix list takes, so it only stops runs whose prefix list was
// changed under them to one that cannot give the rest.
std::uint64_t missLimit(std::uint64_t capacity)
{
    constexpr std::uint64_t kFloor = 10'000'000;
    return std::max(kFloor, capacity > UINT64_MAX / 30 ? UINT64_MAX : capacity * 30);
}

// The prefix list as the run sees it: the rebuilt texts are made once per prefix, and made
// again when another action changes the list.
class PrefixView {
public:
    explicit PrefixView(const ListModel &list) : list_(list) {}

    const QString &rebuilt(int position)
    {
        refresh();
        QString &cached = rebuilt_[std::size_t(position - 1)];
        if (cached.isNull()) {
            cached = rebuildPrefix(list_.text(position));
            if (cached.isNull()) {
                cached = QLatin1String("");
            }
        }
        return cached;
    }

    std::uint64_t missLimit()
    {
        refresh();
        if (!limit_) {
            limit_ = ::missLimit(prefixCapacity(list_.texts()));
        }
        return *limit_;
    }

private:
    void refresh()
    {
        if (revision_ != list_.revision() || rebuilt_.size() != std::size_t(list_.count())) {
            revision_ = list_.revision();
            rebuilt_.assign(std::size_t(list_.count()), QString());
            limit_.reset();
        }
    }

    const ListModel &list_;
    quint64 revision_ = ~quint64(0);
    std::vector<QString> rebuilt_;
    std::optional<std::uint64_t> limit_;
};

// A million numbers fit the index as reserved at the start of a run.
constexpr int kIndexReservedAtMost = 1 << 20;

void rebuildIndex(DuplicateIndex &index, const ListModel &results)
{
    index.clear();
    for (int i = 1; i <= results.count(); ++i) {
        index.insert(results.text(i));
    }
}

}  // namespace

void PushButton2_Click(Form1 &form)
{
    Desktop &desktop = form.desktop();
    ErrorTrap trap(desktop, QStringLiteral("PushButton2_Click"));
    ListModel &prefixes = form.ListView1;
    ListModel &results = form.ListView2;

    bool empty = false;
    trap.step(100, [&] { empty = prefixes.count() == 0; });
    if (empty) {
        trap.step(162, [&] { desktop.message(QStringLiteral("No IP Addresses added.")); });
        return;
    }

    // A request the prefixes cannot satisfy would never end; refuse it before anything changes.
    const std::optional<int> requested = countIfValid(form.Text1->text());
    if (requested && *requested > 0) {
        const std::uint64_t capacity = prefixCapacity(prefixes.texts());
        // Each number costs memory in the list, the view and the index; far beyond what a
        // calling list or test data needs, a run would end only when memory does.
        if (*requested > kMostNumbersPerRun) {
            desktop.message(QStringLiteral("At most %L1 numbers can be generated in one run, so "
                                           "%L2 numbers cannot be made. Lower the number of "
                                           "phone numbers to generate.")
                                .arg(kMostNumbersPerRun)
                                .arg(*requested));
            return;
        }
        if (std::uint64_t(*requested) > capacity) {
            desktop.message(
                QStringLiteral("The prefix list can give at most %1 different numbers, so %2 "
                               "different numbers cannot be made. Add prefixes or lower the "
                               "number of phone numbers to generate.")
                    .arg(capacity)
                    .arg(*requested));
            return;
        }
    }

    trap.step(102, [&] { form.setMousePointer(kPointerBusy); });
    trap.step(104, [&] { results.clear(); });
    int n = 0;
    trap.step(106, [&] { n = convertCount(form.Text1->text()); });

    RandomSource &source = form.random();
    PrefixView view(prefixes);
    DuplicateIndex index;
    // Room for the first numbers only: the index grows as it fills, and reserving for the whole
    // request would claim gigabytes for a large count before the first number (or fail outright
    // and end the program) however early the run is stopped.
    index.reserve(std::size_t(std::clamp(n, 0, kIndexReservedAtMost)));
    quint64 seenRemovals = results.removals();
    std::uint64_t misses = 0;
    int added = 0;
    // Numbers are drawn a few dozen at a time between two turns of the event loop, which lets
    // the duplicate index fetch their table slots together. Nothing else can run inside a batch,
    // so the run is the same as drawing them one by one.
    constexpr int kBatch = 64;
    std::vector<QString> batch;
    std::vector<char> fresh;
    while (added < n) {
        form.ProgressBar1->setPercent(double(results.count()) / double(n) * 100.0);
        yieldToEventLoop();
        // Anything may have happened during the yield, including the result list being cleared
        // or a whole run started and finished.
        if (results.removals() != seenRemovals) {
            rebuildIndex(index, results);
            seenRemovals = results.removals();
        }
        const int c = prefixes.count();
        if (c == 0) {
            desktop.message(
                QStringLiteral("The prefix list was emptied while numbers were being "
                               "generated, so generating has stopped."));
            break;
        }
        batch.clear();
        const bool built = trap.step(114, [&] {
            for (int b = std::min(kBatch, n - added); b > 0; --b) {
                const int k = int(RandomNumber(c, source));
                batch.push_back(completeNumber(view.rebuilt(k), source));
            }
        });
        if (!built) {
            break;
        }
        bool stop = false;
        // Running out of memory is reported once and ends the run with what was made so far.
        const bool kept = trap.step(154, [&] {
            index.insert(batch, fresh);
            for (std::size_t b = 0; b < batch.size() && !stop; ++b) {
                if (fresh[b]) {
                    results.add(batch[b]);
                    ++added;
                    misses = 0;
                } else if (++misses > view.missLimit()) {
                    desktop.message(QStringLiteral("No new number was found in %1 tries, so "
                                                   "generating has stopped after %2 numbers.")
                                        .arg(misses)
                                        .arg(added));
                    stop = true;
                }
            }
        });
        if (stop || !kept) {
            break;
        }
    }

    results.publish();
    trap.step(156, [&] { form.ProgressBar1->setPercent(0); });
    trap.step(158, [&] { form.ProgressBar1->setCaption(QStringLiteral("Progress Bar")); });
    trap.step(160, [&] { form.setMousePointer(kPointerDefault); });
}
