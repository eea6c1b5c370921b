#include "prefixes/core/list_file_text.h"

#include "lists/list_snapshot.h"
#include "shell/core/file_helpers.h"
#include "shell/core/file_io.h"
#include "shell/core/line_file.h"

#include <QDir>
#include <QStringDecoder>

QString fromWindows1252(const QByteArray &bytes)
{
    // 0x80 to 0x9F; the rest of the code page is Latin-1.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kHigh[byte - 0x80]) : QChar(byte);
    }
    return text;
}

QString decodeListFileText(const QByteArray &bytes)
{
    // Stateless makes a sequence cut short at the end of the file count as invalid.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        return text;
    }
    return fromWindows1252(bytes);
}

void forEachListEntry(QStringView text, const std::function<void(QStringView)> &add)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n') {
            continue;
        }
        add(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < size && text[i + 1] == u'\n') {
            ++i;
        }
        start = i + 1;
    }
    if (start < size) {
        add(text.mid(start));
    }
}

std::optional<QString> readListFile(const QString &path,
                                    const std::function<void(QStringView)> &add)
{
    if (!FileExists(path)) {
        return QStringLiteral("File not found");
    }
    // A folder or a device named in the dialog is told at once: reading it would fail, or never
    // end.
    switch (pathKindOf(path)) {
        case PathKind::Folder:
            return QStringLiteral("%1 is a folder, not a list file, and was not loaded.").arg(path);
        case PathKind::Special:
            return QStringLiteral(
                       "%1 is not a plain file (it is a device, a pipe or a socket), "
                       "and was not loaded.")
                .arg(path);
        default:
            break;
    }
    const std::optional<QByteArray> bytes = readWholeFile(path, kMaxListFileBytes);
    if (!bytes) {
        return QStringLiteral(
                   "%1 is larger than %2 MB, too large for a list of prefixes, and was "
                   "not loaded.")
            .arg(path)
            .arg(kMaxListFileBytes / (1024 * 1024));
    }
    forEachListEntry(decodeListFileText(*bytes), add);
    return std::nullopt;
}

QString joinChosenPath(const QString &folder, const QString &name)
{
    const QChar separator = QDir::separator();
    const QString pair(2, separator);
    const QString path = folder + separator + name;
    // Only a folder that starts with the pair is a network path; "\\" joined to a name is not.
    const qsizetype kept =
        (separator == QLatin1Char('\\') && folder.startsWith(pair)) ? pair.size() : 0;
    QString rest = path.mid(kept);
    rest.replace(pair, QString(separator));
    return path.left(kept) + rest;
}

void appendListFileLine(LineBytes &out, const ListSnapshot &list, int position)
{
    if (list.isNumber(position)) {
        char *line = out.room(14);
        writeNumber(list.number(position), line);
        line[12] = '\r';
        line[13] = '\n';
    } else {
        const QByteArray text = list.text(position).toUtf8();
        out.append(text.constData(), text.size());
        out.append("\r\n", 2);
    }
}
