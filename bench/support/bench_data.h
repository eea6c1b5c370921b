#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the benchmarks work on.

// The sample prefixes, which give 11,100,000 numbers between them.
inline const QStringList kSamplePrefixes = {"603-43", "800-281-2", "717"};

// Ten area codes, which give a hundred million numbers between them: a list that a run of ten
// million does not come near exhausting, so the time per number shows the program rather than the
// growing share of draws that find a number made already.
inline const QStringList kTenAreaCodes = {"201", "212", "305", "415", "503",
                                          "603", "717", "818", "904", "973"};

// The prefix lists the generator benchmarks run on, as functions: the area-code store's list can
// only be read once the program runs.
inline const QStringList &samplePrefixes()
{
    return kSamplePrefixes;
}
inline const QStringList &tenAreaCodes()
{
    return kTenAreaCodes;
}
// The 359 codes of the area-code store beside the program, which "Load Default Area Code
// Prefixes" loads: the program's own large workload, where each area code gets few numbers.
const QStringList &defaultAreaCodes();

// Result number i, distinct for every i below ten million: NNN-NNN-NNNN.
inline QString resultNumber(int i)
{
    return QString::asprintf("%03d-%03d-%04d", 200 + i % 700, i / 10000 % 1000, i % 10000);
}

// A list file of full numbers, the longest entries a list holds: the worst case for a given line
// count.
inline QByteArray listFileBytes(int lines)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(lines) * 14);
    for (int i = 0; i < lines; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(7, '0');
        bytes += "717-" + n.left(3) + '-' + n.mid(3) + "\r\n";
    }
    return bytes;
}

// A long prefix list of short prefixes, as a user who keeps many area codes and exchanges has.
inline QStringList manyPrefixes(int n)
{
    QStringList prefixes;
    prefixes.reserve(n);
    for (int i = 0; i < n; ++i) {
        prefixes.append(
            QStringLiteral("%1-%2").arg(200 + i % 800).arg(i % 1000, 3, 10, QLatin1Char('0')));
    }
    return prefixes;
}
