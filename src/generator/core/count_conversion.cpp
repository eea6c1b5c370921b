#include "generator/core/count_conversion.h"

#include "shell/core/failure.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <optional>
#include <system_error>

namespace {

// "&H1F" and "&O17": hexadecimal and octal, as the platform writes them, read as 32 bits, so that
// &H80000000 to &HFFFFFFFF are the negative numbers; above 32 bits is an overflow.
std::optional<int> radixCount(const QString &text)
{
    static const QRegularExpression radix(
        QStringLiteral("^[ \\t]*&([HhOo])([0-9A-Za-z]*)[ \\t]*\\z"));
    const QRegularExpressionMatch m = radix.match(text);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int base = m.captured(1).compare(QLatin1String("h"), Qt::CaseInsensitive) == 0 ? 16 : 8;
    const QString digits = m.captured(2);
    // No digits, or any letter that is no digit of the base, makes the text no number, however
    // long it is.
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]+\\z"));
    static const QRegularExpression octalDigits(QStringLiteral("^[0-7]+\\z"));
    if (!(base == 16 ? hexDigits : octalDigits).match(digits).hasMatch()) {
        throw Failure(QStringLiteral("Type mismatch"));
    }
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, base);
    if (!ok || value > 0xFFFFFFFFULL) {
        throw Failure(QStringLiteral("Overflow"));
    }
    return int(qint32(quint32(value)));
}

}  // namespace

int convertCount(const QString &text)
{
    if (const std::optional<int> value = radixCount(text)) {
        return *value;
    }
    // \z, not $: a $ would also match before a final line end and let "5\n" through.
    static const QRegularExpression number(QStringLiteral(
        "^[ \\t]*([+-]?)((?:[0-9][0-9,]*)?(?:\\.[0-9]*)?)(?:[eE]([+-]?[0-9]+))?[ \\t]*\\z"));
    const QRegularExpressionMatch m = number.match(text);
    QString mantissa = m.hasMatch() ? m.captured(2) : QString();
    mantissa.remove(QLatin1Char(','));
    const bool hasDigit = mantissa.contains(QRegularExpression(QStringLiteral("[0-9]")));
    if (!m.hasMatch() || !hasDigit) {
        throw Failure(QStringLiteral("Type mismatch"));
    }
    QString literal = (m.captured(1) == QLatin1String("-") ? QStringLiteral("-") : QString()) +
                      (mantissa.startsWith(QLatin1Char('.')) ? QStringLiteral("0") : QString()) +
                      mantissa;
    if (!m.captured(3).isEmpty()) {
        literal += QLatin1Char('e') + m.captured(3);
    }
    // from_chars reads the same whatever the user's locale says a decimal point is.
    const QByteArray latin = literal.toLatin1();
    double parsed = 0;
    const auto [end, error] =
        std::from_chars(latin.constData(), latin.constData() + latin.size(), parsed);
    (void)end;
    // Out of range with a negative exponent is a value too small to tell from 0.
    const bool tiny = error == std::errc::result_out_of_range && m.captured(3).startsWith('-');
    if (tiny) {
        parsed = 0;
    }
    const double value = std::nearbyint(parsed);
    if ((error != std::errc() && !tiny) || !std::isfinite(value) || value < -2147483648.0 ||
        value > 2147483647.0) {
        throw Failure(QStringLiteral("Overflow"));
    }
    return int(value);
}
