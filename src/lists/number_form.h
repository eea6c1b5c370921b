#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>
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
    // The three groups are cut apart first, so that their digits come out side by side rather
    // than in one chain of ten divisions: every output line goes through here.
    const auto area = std::uint32_t(key / 10'000'000);
    const auto rest = std::uint32_t(key % 10'000'000);
    const std::uint32_t exchange = rest / 10'000;
    const std::uint32_t line = rest % 10'000;
    out[0] = Char('0' + area / 100);
    out[1] = Char('0' + area / 10 % 10);
    out[2] = Char('0' + area % 10);
    out[3] = Char('-');
    out[4] = Char('0' + exchange / 100);
    out[5] = Char('0' + exchange / 10 % 10);
    out[6] = Char('0' + exchange % 10);
    out[7] = Char('-');
    out[8] = Char('0' + line / 1000);
    out[9] = Char('0' + line / 100 % 10);
    out[10] = Char('0' + line / 10 % 10);
    out[11] = Char('0' + line % 10);
}

// An entry of a list, in the lists' own form, is one word: a number as its digits, or a mark and
// the index of the entry's text, which is kept beside the entries.
namespace entry_form {
constexpr std::uint64_t kTextMark = std::uint64_t(1) << 63;
}  // namespace entry_form

inline bool isTextEntry(std::uint64_t entry)
{
    return entry >= entry_form::kTextMark;
}
// The entry of the text at this index.
inline std::uint64_t textEntry(std::size_t textIndex)
{
    return entry_form::kTextMark + textIndex;
}
// The index of a text entry's text.
inline std::size_t textIndexOf(std::uint64_t entry)
{
    return std::size_t(entry - entry_form::kTextMark);
}

inline QString numberText(std::uint64_t key)
{
    QString text(12, Qt::Uninitialized);
    writeNumber(key, reinterpret_cast<char16_t *>(text.data()));
    return text;
}
