// The stored prefix list: any stored text splits into entries that store and restore unchanged.
#include "fuzz_support.h"
#include "mainwindow/core/settings_format.h"

namespace {

QStringList restored(const QString &stored)
{
    QStringList prefixes;
    forEachStoredPrefix(stored, [&](QStringView piece) { prefixes.append(piece.toString()); });
    return prefixes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString stored = fuzzText(data, size);
    const QStringList prefixes = restored(stored);
    for (const QString &p : prefixes) {
        FUZZ_REQUIRE(!p.isEmpty() && !p.contains(u';'));
    }
    // Nothing but the separators is lost.
    FUZZ_REQUIRE(prefixes.join(QString()) == QString(stored).remove(u';'));
    // What was restored is stored as it is and comes back the same.
    const QString again = joinPrefixes(prefixes);
    FUZZ_REQUIRE(again.size() == prefixes.join(QString()).size() + prefixes.size());
    FUZZ_REQUIRE(restored(again) == prefixes);
    return 0;
}
