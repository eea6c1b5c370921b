#pragma once

#include <QString>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// A broken promise stops the fuzzer like a crash does, so the input is kept as an artifact.
#define FUZZ_REQUIRE(condition)                                                          \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: not so: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

// Text as the program might meet it: an odd first byte takes the rest as raw UTF-16 code units
// (lone surrogates and all), an even one as UTF-8 (invalid sequences included).
inline QString fuzzText(const uint8_t *data, size_t size)
{
    if (size == 0) {
        return {};
    }
    if ((data[0] & 1) != 0) {
        QString text(qsizetype((size - 1) / 2), Qt::Uninitialized);
        // Copied rather than cast: the bytes need not be aligned for char16_t.
        std::memcpy(text.data(), data + 1, std::size_t(text.size()) * 2);
        return text;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
}
