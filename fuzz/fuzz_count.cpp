// The count box's conversion: any text gives a value or one of its two failures.
#include "fuzz_support.h"
#include "generator/core/count_conversion.h"
#include "shell/core/failure.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzzText(data, size);
    try {
        const int value = convertCount(text);
        // A value reads back from its own decimal form, blanks around it or not.
        FUZZ_REQUIRE(convertCount(QString::number(value)) == value);
        FUZZ_REQUIRE(convertCount(QStringLiteral(" \t") + QString::number(value) + u' ') == value);
    } catch (const Failure &f) {
        FUZZ_REQUIRE(std::strcmp(f.what(), "Type mismatch") == 0 ||
                     std::strcmp(f.what(), "Overflow") == 0);
    }
    return 0;
}
