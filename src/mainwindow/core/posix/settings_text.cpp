#include "mainwindow/core/posix/settings_text.h"

#include <QDataStream>
#include <QDateTime>
#include <QIODevice>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QStringConverter>
#include <QStringList>

// Every rule below follows what Qt 6's settings classes do with an INI file, quirks included: a
// user's file was written by them, and what is written here must read back the same there.

namespace {

bool isBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

// Characters that end a run of plain text within a line.
bool isSpecial(char ch)
{
    return ch == '\n' || ch == '\r' || ch == '"' || ch == ';' || ch == '=' || ch == '\\';
}

// The next line from `pos`: comments (";" at a line's start) and blank lines skipped, a quoted
// part may span line ends, a ";" outside quotes ends the line. `equals` is the first "=" outside
// quotes, or -1.
bool nextLine(QByteArrayView data, qsizetype &pos, qsizetype &start, qsizetype &length,
              qsizetype &equals)
{
    const qsizetype size = data.size();
    bool quoted = false;
    equals = -1;
    start = pos;
    while (start < size && isBlank(data[start])) {
        ++start;
    }
    qsizetype i = start;
    while (i < size) {
        char ch = data[i];
        while (!isSpecial(ch)) {
            if (++i == size) {
                goto done;
            }
            ch = data[i];
        }
        ++i;
        if (ch == '=') {
            if (!quoted && equals == -1) {
                equals = i - 1;
            }
        } else if (ch == '\n' || ch == '\r') {
            if (i == start + 1) {
                ++start;
            } else if (!quoted) {
                --i;
                goto done;
            }
        } else if (ch == '\\') {
            if (i < size) {
                const char next = data[i++];
                if (i < size) {
                    const char after = data[i];
                    if ((next == '\n' && after == '\r') || (next == '\r' && after == '\n')) {
                        ++i;
                    }
                }
            }
        } else if (ch == '"') {
            quoted = !quoted;
        } else {  // ';'
            if (i == start + 1) {
                while (i < size && data[i] != '\n' && data[i] != '\r') {
                    ++i;
                }
                while (i < size && isBlank(data[i])) {
                    ++i;
                }
                start = i;
            } else if (!quoted) {
                --i;
                goto done;
            }
        }
    }
done:
    pos = i;
    length = i - start;
    return length > 0;
}

char hexDigit(uint value)
{
    return "0123456789ABCDEF"[value & 0xF];
}

void escapeKey(const QString &key, QByteArray &out)
{
    for (const QChar qc : key) {
        uint ch = qc.unicode();
        if (ch == '/') {
            out += '\\';
        } else if ((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') ||
                   (ch >= '0' && ch <= '9') || ch == '_' || ch == '-' || ch == '.') {
            out += char(ch);
        } else if (ch <= 0xFF) {
            out += '%';
            out += hexDigit(ch >> 4);
            out += hexDigit(ch);
        } else {
            out += "%U";
            out += hexDigit(ch >> 12);
            out += hexDigit(ch >> 8);
            out += hexDigit(ch >> 4);
            out += hexDigit(ch);
        }
    }
}

QString unescapeKey(QByteArrayView key)
{
    const QString text = QString::fromUtf8(key);
    const qsizetype size = text.size();
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const QChar ch = text[i];
        if (ch == u'\\') {
            out += u'/';
            ++i;
            continue;
        }
        if (ch != u'%' || i == size - 1) {
            out += ch;
            ++i;
            continue;
        }
        qsizetype first = i + 1;
        qsizetype digits = 2;
        if (text[i + 1] == u'U') {
            ++first;
            digits = 4;
        }
        bool ok = false;
        const ushort code =
            first + digits > size ? 0 : QStringView(text).sliced(first, digits).toUShort(&ok, 16);
        if (!ok) {
            out += u'%';
            ++i;
            continue;
        }
        out += QChar(code);
        i = first + digits;
    }
    return out;
}

// A string's value text, quoted when it holds a separator or starts or ends with a blank. Text
// is UTF-8, except in the forms that carry bytes (which are escaped beyond ASCII).
void escapeString(const QString &text, QByteArray &out)
{
    const bool utf8 = !text.startsWith(QLatin1String("@ByteArray(")) &&
                      !text.startsWith(QLatin1String("@Variant(")) &&
                      !text.startsWith(QLatin1String("@DateTime("));
    // One encoder for the whole text, so that a surrogate pair split by an escape between its
    // halves is encoded as Qt encodes it.
    QStringEncoder toUtf8(QStringEncoder::Utf8);
    const qsizetype start = out.size();
    out.reserve(start + text.size() + text.size() / 2);
    bool needsQuotes = false;
    bool escapeHexDigit = false;  // after "\x..", a hex digit would join the escape
    const QChar *units = text.unicode();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const uint ch = units[i].unicode();
        if (ch == ';' || ch == ',' || ch == '=') {
            needsQuotes = true;
        }
        if (escapeHexDigit &&
            ((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F'))) {
            out += "\\x" + QByteArray::number(ch, 16);
            ++i;
            continue;
        }
        escapeHexDigit = false;
        const char *named = nullptr;
        switch (ch) {
            case '\0':
                named = "\\0";
                escapeHexDigit = true;
                break;
            case '\a':
                named = "\\a";
                break;
            case '\b':
                named = "\\b";
                break;
            case '\f':
                named = "\\f";
                break;
            case '\n':
                named = "\\n";
                break;
            case '\r':
                named = "\\r";
                break;
            case '\t':
                named = "\\t";
                break;
            case '\v':
                named = "\\v";
                break;
            case '"':
                named = "\\\"";
                break;
            case '\\':
                named = "\\\\";
                break;
            default:
                break;
        }
        if (named != nullptr) {
            out += named;
            ++i;
            continue;
        }
        if (ch <= 0x1F || (ch >= 0x7F && !utf8)) {
            out += "\\x" + QByteArray::number(ch, 16);
            escapeHexDigit = true;
            ++i;
            continue;
        }
        if (!utf8) {
            out += char(ch);
            ++i;
            continue;
        }
        // A run of plain text goes to the encoder at once; separators only mark the quotes.
        qsizetype end = i + 1;
        while (end < size) {
            const uint next = units[end].unicode();
            if (next <= 0x1F || next == '"' || next == '\\') {
                break;
            }
            if (next == ';' || next == ',' || next == '=') {
                needsQuotes = true;
            }
            ++end;
        }
        out += toUtf8(QStringView(units + i, end - i));
        i = end;
    }
    if (needsQuotes ||
        (start < out.size() && (out.at(start) == ' ' || out.at(out.size() - 1) == ' '))) {
        out.insert(start, '"');
        out += '"';
    }
}

void chopTrailingBlanks(QString &text, qsizetype limit)
{
    qsizetype n = text.size() - 1;
    while (n >= limit && (text.at(n) == u' ' || text.at(n) == u'\t')) {
        text.truncate(n--);
    }
}

// A value's text: one string, or a list when it holds a "," outside quotes.
bool unescapeValue(QByteArrayView text, QString &single, QStringList &list)
{
    static const char kNamed[][2] = {{'a', '\a'}, {'b', '\b'},  {'f', '\f'}, {'n', '\n'},
                                     {'r', '\r'}, {'t', '\t'},  {'v', '\v'}, {'"', '"'},
                                     {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    bool isList = false;
    bool inQuotes = false;
    bool quoted = false;
    char16_t code = 0;
    qsizetype i = 0;
    qsizetype keep = 0;  // blanks before this point are the value's own
    char ch = 0;
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    const qsizetype size = text.size();

skipBlanks:
    while (i < size && ((ch = text[i]) == ' ' || ch == '\t')) {
        ++i;
    }
normal:
    keep = single.size();
    while (i < size) {
        switch (text[i]) {
            case '\\': {
                ++i;
                if (i >= size) {
                    goto end;
                }
                ch = text[i++];
                for (const auto &named : kNamed) {
                    if (ch == named[0]) {
                        single += QLatin1Char(named[1]);
                        goto normal;
                    }
                }
                if (ch == 'x') {
                    code = 0;
                    if (i >= size) {
                        goto end;
                    }
                    ch = text[i];
                    if ((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F') ||
                        (ch >= 'a' && ch <= 'f')) {
                        goto hexEscape;
                    }
                } else if (ch >= '0' && ch <= '7') {
                    code = char16_t(ch - '0');
                    goto octalEscape;
                } else if (ch == '\n' || ch == '\r') {
                    if (i < size) {
                        const char after = text[i];
                        if ((after == '\n' || after == '\r') && after != ch) {
                            ++i;
                        }
                    }
                }
                // any other escaped character is dropped
                keep = single.size();
                break;
            }
            case '"':
                ++i;
                quoted = true;
                inQuotes = !inQuotes;
                if (!inQuotes) {
                    goto skipBlanks;
                }
                break;
            case ',':
                if (!inQuotes) {
                    if (!quoted) {
                        chopTrailingBlanks(single, keep);
                    }
                    if (!isList) {
                        isList = true;
                        list.clear();
                        single.squeeze();
                    }
                    list.append(single);
                    single.clear();
                    quoted = false;
                    ++i;
                    goto skipBlanks;
                }
                [[fallthrough]];
            default: {
                qsizetype j = i + 1;
                while (j < size) {
                    ch = text[j];
                    if (ch == '\\' || ch == '"' || ch == ',') {
                        break;
                    }
                    ++j;
                }
                single += fromUtf8(text.sliced(i, j - i));
                i = j;
            }
        }
    }
    if (!quoted) {
        chopTrailingBlanks(single, keep);
    }
    goto end;

hexEscape:
    if (i >= size) {
        single += QChar(code);
        goto end;
    }
    ch = text[i];
    if (ch >= 'a') {
        ch = char(ch - ('a' - 'A'));
    }
    if ((ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'F')) {
        code = char16_t(code << 4);
        code = char16_t(code + (ch <= '9' ? ch - '0' : ch - 'A' + 10));
        ++i;
        goto hexEscape;
    }
    single += QChar(code);
    goto normal;

octalEscape:
    if (i >= size) {
        single += QChar(code);
        goto end;
    }
    ch = text[i];
    if (ch >= '0' && ch <= '7') {
        code = char16_t(code << 3);
        code = char16_t(code + (ch - '0'));
        ++i;
        goto octalEscape;
    }
    single += QChar(code);
    goto normal;

end:
    if (isList) {
        list.append(single);
    }
    return isList;
}

// The numbers of "@Size(1 2)" and its kin, from the "(" at `open`.
QStringList argumentsOf(const QString &text, qsizetype open)
{
    QStringList args;
    QString item;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u')') {
            args.append(item);
        } else if (c == u' ') {
            args.append(item);
            item.clear();
        } else {
            item.append(c);
        }
    }
    return args;
}

QVariant fromStream(const QString &text, qsizetype offset, QDataStream::Version version)
{
    QByteArray bytes = QStringView(text).sliced(offset).toLatin1();
    QDataStream stream(&bytes, QIODevice::ReadOnly);
    stream.setVersion(version);
    QVariant value;
    stream >> value;
    return value;
}

QVariant toVariant(const QString &text)
{
    if (!text.startsWith(u'@')) {
        return text;
    }
    if (text.endsWith(u')')) {
        if (text.startsWith(QLatin1String("@ByteArray("))) {
            return QStringView(text).sliced(11).chopped(1).toLatin1();
        }
        if (text.startsWith(QLatin1String("@String("))) {
            return QStringView(text).sliced(8).chopped(1).toString();
        }
        if (text.startsWith(QLatin1String("@Variant("))) {
            return fromStream(text, 9, QDataStream::Qt_4_0);
        }
        if (text.startsWith(QLatin1String("@DateTime("))) {
            return fromStream(text, 10, QDataStream::Qt_5_6);
        }
        if (text.startsWith(QLatin1String("@Rect("))) {
            const QStringList a = argumentsOf(text, 5);
            if (a.size() == 4) {
                return QRect(a[0].toInt(), a[1].toInt(), a[2].toInt(), a[3].toInt());
            }
        } else if (text.startsWith(QLatin1String("@Size("))) {
            const QStringList a = argumentsOf(text, 5);
            if (a.size() == 2) {
                return QSize(a[0].toInt(), a[1].toInt());
            }
        } else if (text.startsWith(QLatin1String("@Point("))) {
            const QStringList a = argumentsOf(text, 6);
            if (a.size() == 2) {
                return QPoint(a[0].toInt(), a[1].toInt());
            }
        } else if (text == QLatin1String("@Invalid()")) {
            return QVariant();
        }
    }
    if (text.startsWith(QLatin1String("@@"))) {
        return text.sliced(1);
    }
    return text;
}

QVariant listToVariant(const QStringList &list)
{
    QStringList strings = list;
    for (QString &s : strings) {
        if (!s.startsWith(u'@')) {
            continue;
        }
        if (s.size() < 2 || s.at(1) != u'@') {
            QVariantList values;
            values.reserve(list.size());
            for (const QString &item : list) {
                values.append(toVariant(item));
            }
            return values;
        }
        s.remove(0, 1);
    }
    return strings;
}

QString toText(const QVariant &value)
{
    switch (value.metaType().id()) {
        case QMetaType::UnknownType:
            return QStringLiteral("@Invalid()");
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return QLatin1String("@ByteArray(") + QLatin1String(bytes.constData(), bytes.size()) +
                   u')';
        }
        case QMetaType::QKeySequence:
        case QMetaType::QString:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Bool:
        case QMetaType::Float:
        case QMetaType::Double: {
            QString text = value.toString();
            if (text.contains(QChar::Null)) {
                return QLatin1String("@String(") + text + u')';
            }
            if (text.startsWith(u'@')) {
                text.prepend(u'@');
            }
            return text;
        }
        case QMetaType::QRect: {
            const QRect r = value.toRect();
            return QString::asprintf("@Rect(%d %d %d %d)", r.x(), r.y(), r.width(), r.height());
        }
        case QMetaType::QSize: {
            const QSize s = value.toSize();
            return QString::asprintf("@Size(%d %d)", s.width(), s.height());
        }
        case QMetaType::QPoint: {
            const QPoint p = value.toPoint();
            return QString::asprintf("@Point(%d %d)", p.x(), p.y());
        }
        default: {
            const bool dateTime = value.userType() == QMetaType::QDateTime;
            QByteArray bytes;
            {
                QDataStream stream(&bytes, QIODevice::WriteOnly);
                stream.setVersion(dateTime ? QDataStream::Qt_5_6 : QDataStream::Qt_4_0);
                stream << value;
            }
            return QLatin1String(dateTime ? "@DateTime(" : "@Variant(") +
                   QLatin1String(bytes.constData(), bytes.size()) + u')';
        }
    }
}

void escapeValue(const QVariant &value, QByteArray &out)
{
    const int type = value.metaType().id();
    if (type == QMetaType::QStringList ||
        (type == QMetaType::QVariantList && value.toList().size() != 1)) {
        const QVariantList items = value.toList();
        if (items.isEmpty()) {
            out += "@Invalid()";  // the empty list, which Qt reads back as one
            return;
        }
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (i != 0) {
                out += ", ";
            }
            escapeString(toText(items.at(i)), out);
        }
        return;
    }
    escapeString(toText(value), out);
}

}  // namespace

SettingsText::SettingsText(QByteArrayView data)
{
    // Sections by name, each with the text of all its parts; read in that order, so that of
    // two keys of the same name the one Qt keeps is kept. A section of one part is read where
    // it lies.
    struct Section {
        QByteArrayView text;
        QByteArray joined;
    };
    std::map<QString, Section> sections;
    QString current;
    qsizetype currentStart = 0;
    qsizetype pos = 0;
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1;
    const auto flush = [&] {
        const QByteArrayView part = data.sliced(currentStart, start - currentStart);
        auto [it, made] = sections.try_emplace(current);
        Section &section = it->second;
        if (made || section.text.isEmpty()) {
            section.text = part;
            return;
        }
        if (section.joined.isEmpty()) {
            section.joined = section.text.toByteArray();
        }
        section.joined += '\n';
        section.joined += part;
        section.text = section.joined;
    };
    if (data.size() >= 3 && uchar(data[0]) == 0xEF && uchar(data[1]) == 0xBB &&
        uchar(data[2]) == 0xBF) {
        pos = 3;  // a UTF-8 byte-order mark
    }
    while (nextLine(data, pos, start, length, equals)) {
        const QByteArrayView line = data.sliced(start, length);
        if (line.startsWith('[')) {
            flush();
            qsizetype close = line.indexOf(']');
            if (close < 0) {
                wellFormed_ = false;
                close = length;
            }
            const QByteArrayView name = line.first(close).sliced(1).trimmed();
            if (name.compare("general", Qt::CaseInsensitive) == 0) {
                current.clear();
            } else {
                if (name.compare("%general", Qt::CaseInsensitive) == 0) {
                    current = QString::fromLatin1(name.sliced(1));
                } else {
                    current = unescapeKey(name);
                }
                current += u'/';
            }
            currentStart = pos;
        }
    }
    flush();
    for (const auto &[prefix, section] : sections) {
        readSection(prefix, section.text);
    }
}

void SettingsText::readSection(const QString &prefix, QByteArrayView text)
{
    qsizetype pos = 0;
    qsizetype start = 0;
    qsizetype length = 0;
    qsizetype equals = -1;
    while (nextLine(text, pos, start, length, equals)) {
        if (equals == -1) {
            continue;  // a line that is no key; Qt reads past it too
        }
        const QByteArrayView line = text.sliced(start, length);
        const QByteArrayView key = line.first(equals - start).trimmed();
        const QByteArrayView valueText = line.sliced(equals - start + 1);
        QString single;  // not reserved: a value decoded in one piece is then taken, not copied
        QStringList list;
        values_[prefix + unescapeKey(key)] =
            unescapeValue(valueText, single, list) ? listToVariant(list) : toVariant(single);
    }
}

QList<std::pair<QString, QVariant>> SettingsText::keysIn(const QString &group) const
{
    const QString prefix = group + u'/';
    QList<std::pair<QString, QVariant>> keys;
    for (auto it = values_.lower_bound(prefix); it != values_.end() && it->first.startsWith(prefix);
         ++it) {
        const QString name = it->first.sliced(prefix.size());
        if (!name.contains(u'/')) {
            keys.append({name, it->second});
        }
    }
    return keys;
}

void SettingsText::setValue(const QString &key, const QVariant &value)
{
    values_[key] = value;
}

QByteArray SettingsText::toBytes() const
{
    // A section is a key's first part. Sections, and the keys within each, go in order of name.
    std::map<QString, std::map<QString, const QVariant *>> sections;
    for (const auto &[path, value] : values_) {
        const qsizetype slash = path.indexOf(u'/');
        if (slash < 0) {
            sections[QString()][path] = &value;
        } else {
            sections[path.first(slash)][path.sliced(slash + 1)] = &value;
        }
    }
    QByteArray out;
    for (const auto &[name, keys] : sections) {
        QByteArray header;
        escapeKey(name, header);
        if (header.isEmpty()) {
            header = "[General]";
        } else if (header.compare("general", Qt::CaseInsensitive) == 0) {
            header = "[%General]";
        } else {
            header = '[' + header + ']';
        }
        if (!out.isEmpty()) {
            out += '\n';
        }
        out += header;
        out += '\n';
        for (const auto &[key, value] : keys) {
            escapeKey(key, out);
            out += '=';
            escapeValue(*value, out);
            out += '\n';
        }
    }
    return out;
}
