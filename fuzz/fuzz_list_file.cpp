// The prefix file reader: any bytes are decoded and cut into entries, and the entries account
// for every character between the line ends.
#include "fuzz_support.h"
#include "prefixes/core/list_file_text.h"

#include <QByteArray>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = decodeListFileText(bytes);

    // Valid UTF-8 comes back byte for byte, less a leading byte-order mark; anything else is
    // read as Windows-1252, one character per byte.
    const QByteArray bom("\xEF\xBB\xBF");
    const QByteArray unmarked = bytes.startsWith(bom) ? bytes.mid(bom.size()) : bytes;
    FUZZ_REQUIRE(text.toUtf8() == unmarked || text == fromWindows1252(bytes));
    FUZZ_REQUIRE(fromWindows1252(bytes).size() == bytes.size());

    QStringList entries;
    forEachListEntry(text, [&](QStringView entry) { entries.append(entry.toString()); });
    qsizetype characters = 0;
    for (const QString &entry : entries) {
        FUZZ_REQUIRE(!entry.contains(u'\r') && !entry.contains(u'\n'));
        characters += entry.size();
    }
    // Every line end closes one entry, CR LF counting once; text after the last end makes one
    // more.
    qsizetype ends = 0;
    qsizetype endCharacters = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            ++endCharacters;
            if (!(text[i] == u'\n' && i > 0 && text[i - 1] == u'\r')) {
                ++ends;
            }
        }
    }
    const qsizetype n = text.size();
    const bool textAtEnd = n > 0 && text[n - 1] != u'\r' && text[n - 1] != u'\n';
    FUZZ_REQUIRE(entries.size() == ends + (textAtEnd ? 1 : 0));
    FUZZ_REQUIRE(characters + endCharacters == text.size());
    return 0;
}
