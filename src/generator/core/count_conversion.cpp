#include "generator/core/count_conversion.h"

#include "shell/core/failure.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <system_error>

int convertCount(const QString &text)
{
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
