// The number generator's core: number forms, duplicates, capacity, the count box, and a whole
// run without its window.
#include "generator/core/capacity.h"
#include "generator/core/count_conversion.h"
#include "generator/core/duplicate_index.h"
#include "generator/core/generation_run.h"
#include "generator/core/numbers.h"
#include "generator/core/random_source.h"
#include "lists/number_form.h"
#include "shell/core/failure.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>
#include <unordered_set>

class TestGeneratorCore : public QObject {
    Q_OBJECT
private slots:
    void instrCountIsNonOverlapping();
    void numberForms_data();
    void numberForms();
    void longPrefixIsUsedUnchanged();
    void digitsAreUniform();
    void reseedWithSameValueDoesNotRepeat();
    void randomNumberStaysInRange();
    void duplicateIndexIsExact();
    void duplicateIndexAgreesWithASetAsItGrows();
    void capacity_data();
    void capacity();
    void countConversion_data();
    void countConversion();
    void countConversionFailures_data();
    void countConversionFailures();
    void runMakesTheCountOfDistinctNumbers();
    void largeRunMakesWhatDrawingOneByOneMakes();
    void runLeavesOutWhatTheResultsHold();
    void runGivesUpWhenThePrefixesCannotGiveMore();
    void refusals();
    void integerDrawsAreTheSameDraws();
};

void TestGeneratorCore::instrCountIsNonOverlapping()
{
    QCOMPARE(InstrCount(QStringLiteral("aaa"), QStringLiteral("aa")), 1);
    QCOMPARE(InstrCount(QStringLiteral("aaaa"), QStringLiteral("aa")), 2);
    QCOMPARE(InstrCount(QStringLiteral("800-281-2"), QStringLiteral("-")), 2);
    QCOMPARE(InstrCount(QStringLiteral("717"), QStringLiteral("-")), 0);
    QCOMPARE(InstrCount(QStringLiteral("717"), QString()), 0);
    QCOMPARE(InstrCount(QStringLiteral("AbA"), QStringLiteral("a")), 0);
}

void TestGeneratorCore::numberForms_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("rebuilt");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<int>("freeDigits");
    QTest::newRow("717") << "717"
                         << "717"
                         << "^717-\\d{3}-\\d{4}$" << 7;
    QTest::newRow("6034") << "6034"
                          << "603-4"
                          << "^603-4\\d{2}-\\d{4}$" << 6;
    QTest::newRow("603431") << "603431"
                            << "603-431"
                            << "^603-431-\\d{4}$" << 4;
    QTest::newRow("6034312") << "6034312"
                             << "603-431-2"
                             << "^603-431-2\\d{3}$" << 3;
    QTest::newRow("603-43") << "603-43"
                            << "603-43"
                            << "^603-43\\d-\\d{4}$" << 5;
    QTest::newRow("800-281-2") << "800-281-2"
                               << "800-281-2"
                               << "^800-281-2\\d{3}$" << 3;
    QTest::newRow("80-0281") << "80-0281"
                             << "80-0281"
                             << "^80-0281-\\d{4}$" << 4;
    QTest::newRow("6034312345") << "6034312345"
                                << "603-431-2345"
                                << "^603-431-2345$" << 0;
    QTest::newRow("empty") << ""
                           << ""
                           << "^\\d{3}-\\d{3}-\\d{4}$" << 10;
    QTest::newRow("letters") << "ab c"
                             << "ab -c"
                             << "^ab -c\\d\\d-\\d{4}$" << 6;
    // A character of two UTF-16 units is one character, and a dash never splits it.
    QTest::newRow("pair") << "ab📞cd"
                          << "ab📞-cd"
                          << "^ab📞-cd\\d-\\d{4}$" << 5;
    QTest::newRow("pairs at the 4th and 7th") << "abc📞ef📞"
                                              << "abc-📞ef-📞"
                                              << "^abc-📞ef-📞\\d{3}$" << 3;
    QTest::newRow("completed after pairs") << "📞📞📞-📞📞📞"
                                           << "📞📞📞-📞📞📞"
                                           << "^📞📞📞-📞📞📞-\\d{4}$" << 4;
}

void TestGeneratorCore::numberForms()
{
    QFETCH(QString, prefix);
    QFETCH(QString, rebuilt);
    QFETCH(QString, pattern);
    QFETCH(int, freeDigits);
    QCOMPARE(rebuildPrefix(prefix), rebuilt);
    QCOMPARE(::freeDigits(rebuilt), freeDigits);
    RandomSource source(42);
    const QRegularExpression re(pattern);
    for (int i = 0; i < 200; ++i) {
        const QString number = completeNumber(rebuildPrefix(prefix), source);
        QVERIFY2(re.match(number).hasMatch(), qPrintable(number));
    }
}

void TestGeneratorCore::longPrefixIsUsedUnchanged()
{
    RandomSource source(1);
    QCOMPARE(completeNumber(QStringLiteral("1234567890123"), source),
             QStringLiteral("1234567890123"));
    QCOMPARE(rebuildPrefix(QStringLiteral("123456789")), QStringLiteral("123-456-789"));
}

void TestGeneratorCore::digitsAreUniform()
{
    RandomSource source(7);
    int counts[10] = {};
    const int draws = 100000;
    for (int i = 0; i < draws; ++i) {
        const int d = int(RandomNumber(10, source)) - 1;
        QVERIFY(d >= 0 && d <= 9);
        ++counts[d];
    }
    for (int c : counts) {
        QVERIFY2(c > draws / 10 * 0.95 && c < draws / 10 * 1.05, qPrintable(QString::number(c)));
    }
}

void TestGeneratorCore::reseedWithSameValueDoesNotRepeat()
{
    RandomSource source(99);
    source.reseed(1.5f);
    const float a = source.draw();
    const float b = source.draw();
    source.reseed(1.5f);
    const float c = source.draw();
    const float d = source.draw();
    QVERIFY(!(a == c && b == d));
    QVERIFY(a >= 0.0f && a < 1.0f);
}

void TestGeneratorCore::randomNumberStaysInRange()
{
    RandomSource source(3);
    bool sawOne = false;
    bool sawThree = false;
    for (int i = 0; i < 1000; ++i) {
        const double k = RandomNumber(3, source);
        QVERIFY(k >= 1 && k <= 3 && k == int(k));
        sawOne |= k == 1;
        sawThree |= k == 3;
    }
    QVERIFY(sawOne && sawThree);
    QCOMPARE(RandomNumber(0, source), 1.0);
}

void TestGeneratorCore::duplicateIndexIsExact()
{
    DuplicateIndex index;
    QVERIFY(index.insert(QStringLiteral("717-555-1234")));
    QVERIFY(!index.insert(QStringLiteral("717-555-1234")));
    QVERIFY(index.insert(QStringLiteral("717-555-123")));
    QVERIFY(index.insert(QStringLiteral("717 555 1234")));
    QVERIFY(index.insert(QStringLiteral("ab-cde-fghi")));
    QVERIFY(index.insert(QStringLiteral("AB-cde-fghi")));
    QVERIFY(!index.insert(QStringLiteral("ab-cde-fghi")));
    QCOMPARE(index.size(), std::size_t(5));
    index.clear();
    QVERIFY(index.insert(QStringLiteral("717-555-1234")));
}

void TestGeneratorCore::duplicateIndexAgreesWithASetAsItGrows()
{
    // Batches as a run inserts them, through every stage of the index: tables growing from
    // nothing, a busy area code going over to its bits (with repeats of numbers its table held
    // before), one given room for many part way, and a quiet one staying in its table.
    DuplicateIndex index;
    std::unordered_set<std::uint64_t> seen;
    RandomSource source(2024);  // drawBits() never reads the clock
    std::vector<std::uint64_t> batch(64);
    for (int round = 0; round < 12000; ++round) {
        if (round == 200) {
            std::vector<std::uint64_t> many(DuplicateIndex::kAreaCodes, 0);
            many[603] = DuplicateIndex::kBitsFrom;
            index.reserve(many);
        }
        for (std::uint64_t &number : batch) {
            const std::uint32_t bits = source.drawBits();
            // Mostly 717, from a range small enough to repeat often; now and then 603 or 800.
            const std::uint32_t kind = bits & 7;
            number = kind == 0   ? 6'030'000'000ULL + bits % 5000
                     : kind == 1 ? 8'000'000'000ULL + bits % 5000
                                 : 7'170'000'000ULL + bits % 2'000'000;
            index.prefetch(number);
        }
        for (const std::uint64_t number : batch) {
            QCOMPARE(index.insertNumber(number), seen.insert(number).second);
        }
    }
    QCOMPARE(index.size(), seen.size());
    // 717 did come to take its bits.
    QVERIFY(std::count_if(seen.begin(), seen.end(), [](std::uint64_t n) {
                return n / 10'000'000 == 717;
            }) > std::ptrdiff_t(DuplicateIndex::kBitsFrom));
    for (std::uint64_t number = 7'169'999'990ULL; number < 7'172'000'010ULL; number += 7) {
        QCOMPARE(index.insertNumber(number), seen.insert(number).second);
    }
    for (const std::uint64_t number : {6'030'004'999ULL, 8'000'004'999ULL, 6'030'005'000ULL}) {
        QCOMPARE(index.insert(numberText(number)), seen.insert(number).second);
    }
}

void TestGeneratorCore::capacity_data()
{
    QTest::addColumn<QStringList>("prefixes");
    QTest::addColumn<quint64>("capacity");
    QTest::newRow("sample") << QStringList{"603-43", "800-281-2", "717"}
                            << quint64(100000 + 1000 + 10000000);
    QTest::newRow("duplicate prefix") << QStringList{"717", "717"} << quint64(10000000);
    QTest::newRow("same after dashes") << QStringList{"717555", "717-555"} << quint64(10000);
    QTest::newRow("nested") << QStringList{"717", "717-55", "7175551"} << quint64(10000000);
    QTest::newRow("empty covers all")
        << QStringList{"", "717", "80-0281"} << quint64(10000000000ULL + 10000);
    QTest::newRow("full number") << QStringList{"6034312345"} << quint64(1);
    QTest::newRow("full number inside prefix")
        << QStringList{"603", "6034312345"} << quint64(10000000);
    QTest::newRow("letters not nested")
        << QStringList{"717", "717-5x"} << quint64(10000000 + 100000);
    QTest::newRow("too long") << QStringList{"1234567890123", "123"} << quint64(1 + 10000000);
    QTest::newRow("nested after a pair") << QStringList{"📞", "📞12-4"} << quint64(1000000000);
    QTest::newRow("none") << QStringList{} << quint64(0);
}

void TestGeneratorCore::capacity()
{
    QFETCH(QStringList, prefixes);
    QFETCH(quint64, capacity);
    QCOMPARE(quint64(prefixCapacity(planPrefixes(prefixes))), capacity);
}

void TestGeneratorCore::countConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("plain") << "200" << 200;
    QTest::newRow("blanks") << "  500 " << 500;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-5" << -5;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("half to even down") << "2.5" << 2;
    QTest::newRow("half to even up") << "3.5" << 4;
    QTest::newRow("fraction") << "10.7" << 11;
    QTest::newRow("leading point") << ".5" << 0;
    QTest::newRow("exponent") << "1e3" << 1000;
    QTest::newRow("thousands") << "1,000,000" << 1000000;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("min") << "-2147483648" << int(-2147483648LL);
    QTest::newRow("tiny") << "1e-999" << 0;
}

void TestGeneratorCore::countConversion()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(convertCount(text), value);
}

void TestGeneratorCore::countConversionFailures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("description");
    QTest::newRow("letters") << "abc"
                             << "Type mismatch";
    QTest::newRow("empty") << ""
                           << "Type mismatch";
    QTest::newRow("blank") << "   "
                           << "Type mismatch";
    QTest::newRow("digits then letters") << "12abc"
                                         << "Type mismatch";
    QTest::newRow("two points") << "1.2.3"
                                << "Type mismatch";
    QTest::newRow("arabic digits") << QString::fromUtf8("\u0661\u0662") << "Type mismatch";
    QTest::newRow("too big") << "2147483648"
                             << "Overflow";
    QTest::newRow("rounds too big") << "2147483647.5"
                                    << "Overflow";
    QTest::newRow("too small") << "-2147483649"
                               << "Overflow";
    QTest::newRow("huge exponent") << "1e400"
                                   << "Overflow";
}

void TestGeneratorCore::countConversionFailures()
{
    QFETCH(QString, text);
    QFETCH(QString, description);
    try {
        convertCount(text);
        QFAIL("no failure");
    } catch (const Failure &f) {
        QCOMPARE(QString::fromUtf8(f.what()), description);
    }
}

namespace {

float noon()
{
    return 43200.0f;
}

// Clocks that move on at every reading, one for each of two sources that must draw alike.
int g_readingsA = 0;
int g_readingsB = 0;
float tickingA()
{
    return float(++g_readingsA) * 0.25f;
}
float tickingB()
{
    return float(++g_readingsB) * 0.25f;
}

// Runs to its end as the window would, with nothing else happening between batches.
GenerationRun::Stop runToEnd(GenerationRun &run, QStringList &made)
{
    ListEntries fresh;
    for (;;) {
        run.draw();
        const GenerationRun::Stop stop = run.keep(fresh);
        for (const std::uint64_t entry : fresh.entries) {
            made << (isTextEntry(entry) ? fresh.texts[textIndexOf(entry)] : numberText(entry));
        }
        if (stop != GenerationRun::Stop::None) {
            return stop;
        }
    }
}

}  // namespace

void TestGeneratorCore::runMakesTheCountOfDistinctNumbers()
{
    RandomSource source(20170405, noon);
    GenerationRun run(5000, source);
    run.setPrefixes({"603-43", "800-281-2", "717"});
    QStringList made;
    QCOMPARE(runToEnd(run, made), GenerationRun::Stop::Finished);
    QCOMPARE(made.size(), 5000);
    QCOMPARE(QSet<QString>(made.begin(), made.end()).size(), 5000);
    const QRegularExpression forms(
        QStringLiteral("^(717-\\d{3}-\\d{4}|603-43\\d-\\d{4}|800-281-2\\d{3})$"));
    for (const QString &n : made) {
        QVERIFY2(forms.match(n).hasMatch(), qPrintable(n));
    }
    QCOMPARE(run.progress(1250), 25.0);
}

void TestGeneratorCore::largeRunMakesWhatDrawingOneByOneMakes()
{
    // Large enough for two of the three area codes to take their bits in the index from the
    // start: the numbers and their order are still those of the texts' procedure.
    const QStringList prefixes{"603-43", "800-281-2", "717"};
    RandomSource source(4242, noon);
    GenerationRun run(200'000, source);
    run.setPrefixes(prefixes);
    QStringList made;
    QCOMPARE(runToEnd(run, made), GenerationRun::Stop::Finished);

    RandomSource again(4242, noon);
    QSet<QString> seen;
    QStringList expected;
    while (expected.size() < 200'000) {
        const int k = int(RandomNumber(int(prefixes.size()), again));
        const QString number = completeNumber(rebuildPrefix(prefixes[k - 1]), again);
        if (!seen.contains(number)) {
            seen.insert(number);
            expected << number;
        }
    }
    QCOMPARE(made, expected);
}

void TestGeneratorCore::runLeavesOutWhatTheResultsHold()
{
    // 1,000 numbers in all; 400 of them are in the result list already.
    RandomSource source(7, noon);
    GenerationRun run(600, source);
    run.setPrefixes({"800-281-2"});
    QStringList held;
    for (int i = 0; i < 400; ++i) {
        held << QStringLiteral("800-281-2%1").arg(i, 3, 10, QLatin1Char('0'));
    }
    ListSnapshot results;
    for (const QString &number : held) {
        results.append(number, true);
    }
    run.setResults(results);
    QStringList made;
    QCOMPARE(runToEnd(run, made), GenerationRun::Stop::Finished);
    QCOMPARE(made.size(), 600);
    for (const QString &n : made) {
        QVERIFY2(!held.contains(n), qPrintable(n));
    }
}

void TestGeneratorCore::runGivesUpWhenThePrefixesCannotGiveMore()
{
    // Another action leaves a prefix list that gives one number, and the run wants more.
    RandomSource source(11, noon);
    GenerationRun run(10, source);
    run.setPrefixes({"6034312345"});
    QStringList made;
    QCOMPARE(runToEnd(run, made), GenerationRun::Stop::NoNewNumber);
    QCOMPARE(made, QStringList{"603-431-2345"});
    QCOMPARE(run.stopMessage(GenerationRun::Stop::NoNewNumber),
             QStringLiteral("No new number was found in 10000001 tries, so generating has stopped "
                            "after 1 number."));
}

void TestGeneratorCore::refusals()
{
    QVERIFY(!refusalOf(1000, planPrefixes({"800-281-2"})));
    QVERIFY(!refusalOf(0, planPrefixes({})));
    QVERIFY(!refusalOf(-5, planPrefixes({"800-281-2"})));
    QCOMPARE(*refusalOf(1001, planPrefixes({"800-281-2", "800-281-2"})),
             QStringLiteral("The prefix list can give at most 1000 different numbers, so 1001 "
                            "different numbers cannot be made. Add prefixes or lower the number "
                            "of phone numbers to generate."));
    QCOMPARE(*refusalOf(2, planPrefixes({"800-281-2345"})),
             QStringLiteral("The prefix list can give at most 1 different number, so 2 "
                            "different numbers cannot be made. Add prefixes or lower the number "
                            "of phone numbers to generate."));
    QVERIFY(refusalOf(kMostNumbersPerRun + 1, planPrefixes({""}))
                ->startsWith(QStringLiteral("At most ")));
}

void TestGeneratorCore::integerDrawsAreTheSameDraws()
{
    // The whole-number draw and the digits-only numbers are the same draws as the ones the
    // program's texts describe, only made without floating point or text.
    for (const int n : {0, 1, 3, 10, 100, 12345, 2147483647}) {
        const std::uint64_t seed = std::uint64_t(n) * 31 + 7;
        RandomSource a(seed, noon);
        RandomSource b(seed, noon);
        for (int i = 0; i < 20000; ++i) {
            QCOMPARE(randomWhole(n, a), int(RandomNumber(n, b)));
        }
    }
    // Every count of free digits from one source, on a clock that stands still and on one that
    // moves at every reading, with reseeds of the caller's in between.
    std::vector<PrefixPlan> plans;
    for (const char *prefix : {"717", "603-43", "800-281-2", "", "6034312345", "603-431-2345"}) {
        plans.push_back(planPrefix(rebuildPrefix(QString::fromLatin1(prefix))));
        QVERIFY(plans.back().ofNumberForm);
    }
    for (const bool ticking : {false, true}) {
        g_readingsA = g_readingsB = 0;
        RandomSource a(99, ticking ? tickingA : noon);
        RandomSource b(99, ticking ? tickingB : noon);
        for (int i = 0; i < 20000; ++i) {
            if (i % 97 == 0) {
                a.reseed(float(i));
                b.reseed(float(i));
            }
            const PrefixPlan &plan = plans[std::size_t(i) % plans.size()];
            QCOMPARE(numberText(completeNumberDigits(plan, a)), completeNumber(plan.rebuilt, b));
        }
        QCOMPARE(g_readingsA, g_readingsB);
    }
    for (const char *prefix : {"80-0281", "71a", "7175551234567", "717--"}) {
        QVERIFY2(!planPrefix(rebuildPrefix(QString::fromLatin1(prefix))).ofNumberForm, prefix);
    }
}

QTEST_APPLESS_MAIN(TestGeneratorCore)
#include "test_generator_core.moc"
