#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>

// The form of nearly every result entry, NNN-NNN-NNNN, kept as the number its ten digits make
// (34 bits) rather than as text: a million numbers then take 8 MB, and comparing, hashing and
// writing them out costs next to nothing. Texts of any other form are kept as they are.

// No number: the text is of another form.
constexpr std::uint64_t kNotANumber = ~std::uint64_t(0);

// The number of NNN-NNN-NNNN, or kNotANumber for any other text.
inline std::uint64_t numberKey(QStringView text)
{
    if (text.size() != 12) {
        return kNotANumber;
    }
    std::uint64_t key = 0;
    for (int i = 0; i < 12; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 3 || i == 7) {
            if (c != u'-') {
                return kNotANumber;
            }
        } else if (c >= u'0' && c <= u'9') {
            key = key * 10 + (c - u'0');
        } else {
            return kNotANumber;
        }
    }
    return key;
}

// Writes the twelve characters of a number's text, NNN-NNN-NNNN, as char or char16_t.
template <typename Char>
inline void writeNumber(std::uint64_t key, Char *out)
{
    for (int i = 11; i >= 0; --i) {
        if (i == 3 || i == 7) {
            out[i] = Char('-');
        } else {
            out[i] = Char('0' + key % 10);
            key /= 10;
        }
    }
}

inline QString numberText(std::uint64_t key)
{
    QString text(12, Qt::Uninitialized);
    writeNumber(key, reinterpret_cast<char16_t *>(text.data()));
    return text;
}
