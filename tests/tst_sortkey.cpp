// Values compared by what they mean, as a column is to be sorted by them.
#include "core/view/SortKey.h"

#include <QTest>

using tavrin::view::SortKey;

class TestSortKey : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Two shown values and how the first compares with the second: -1, 0 or 1.
    void comparesByMeaning_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        const auto row = [](const char* name, const char* a, const char* b, int order) {
            QTest::newRow(name) << QString::fromUtf8(a) << QString::fromUtf8(b) << order;
        };
        // Sizes with their unit, and plain byte counts.
        row("KB < MB", "512 KB", "700 MB", -1);
        row("MB < GB", "700 MB", "1.74 GB", -1);
        row("GB > MB", "1.74 GB", "999 MB", 1);
        row("GiB = GB", "1 GiB", "1 GB", 0);
        row("bytes < KB", "1000", "1 KB", -1);
        row("unit without space", "1.5GB", "1.4 GB", 1);
        row("terabytes", "1 TB", "1023 GB", 1);
        // Speeds and percentages.
        row("speeds", "1.75Kb/s", ".25Kb/s", 1);
        row("KB/s < MB/s", "900 KB/s", "1 MB/s", -1);
        row("percentages", "85.0%", "9.5%", 1);
        row("100%", "100.0%", "99.9%", 1);
        // Durations.
        row("seconds < minutes", "44s", "2m 01s", -1);
        row("minutes < hours", "2m 01s", "1h 29m", -1);
        row("days", "1d 2h", "23h 59m", 1);
        row("equal durations", "1h 0m", "60m", 0);
        // Counts and ratios.
        row("counts", "9", "10", -1);
        row("negative", "-1", "0", -1);
        row("ratios", "0.5", "1.25", -1);
        row("exponent", "1e3", "999", 1);
        // Nothing sorts after everything.
        row("dash after a number", "-", "0", 1);
        row("empty after text", "", "zzz", 1);
        row("dash equals empty", "-", " ", 0);
        // Numbers before text; text case-insensitive and naturally ordered.
        row("number before text", "12", "abc", -1);
        row("natural digits", "file2", "file10", -1);
        row("case", "Ubuntu", "ubuntu", 0);
        row("case and order", "apple", "Banana", -1);
        row("leading zeros tie", "file02", "file2", 0);
        row("digits before letters", "a1", "ab", -1);
        row("prefix first", "file", "file2", -1);
        row("beyond ASCII", "\xc3\xa9t\xc3\xa9", "zoo", 1);
        row("long digit runs", "v99999999999999999999", "v100000000000000000000", -1);
        // What looks like a number but is not one is text.
        row("unknown unit is text", "5 apples", "apples", -1);
        row("a version is text", "1.2.3", "1.10.0", -1);
        row("infinity is text", "inf", "1", 1);
    }
    void comparesByMeaning()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        const int seen = SortKey::compare(SortKey::of(a), SortKey::of(b));
        QCOMPARE((seen > 0) - (seen < 0), order);
        const int back = SortKey::compare(SortKey::of(b), SortKey::of(a));
        QCOMPARE((back > 0) - (back < 0), -order);
    }

    // What a value is read as.
    void kinds_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("number");
        using K = SortKey::Kind;
        QTest::newRow("size") << "2 KB" << int(K::Number) << 2048.0;
        QTest::newRow("duration") << "1h 29m" << int(K::Number) << 5340.0;
        QTest::newRow("percent") << "85.0%" << int(K::Number) << 85.0;
        QTest::newRow("text") << "WORKING" << int(K::Text) << 0.0;
        QTest::newRow("dash") << "-" << int(K::Missing) << 0.0;
        QTest::newRow("huge exponent") << "1e400" << int(K::Text) << 0.0;
        QTest::newRow("long duration") << "12345678901s" << int(K::Number) << 12345678901.0;
        QTest::newRow("m is minutes") << "5m" << int(K::Number) << 300.0;
        QTest::newRow("M is mega") << "5M" << int(K::Number) << 5242880.0;
        QTest::newRow("a speed as shown") << "1.75Kb/s" << int(K::Number) << 1792.0;
        QTest::newRow("a plain count") << "42" << int(K::Number) << 42.0;
        QTest::newRow("a point alone") << "." << int(K::Text) << 0.0;
        QTest::newRow("two points") << "1.2.3" << int(K::Text) << 0.0;
        QTest::newRow("a blank before") << " 7%" << int(K::Number) << 7.0;
        QTest::newRow("digits then letters") << "12abc" << int(K::Text) << 0.0;
    }
    // The same whether the text comes as characters or as the list's single bytes.
    void kinds()
    {
        QFETCH(QString, value);
        QFETCH(int, kind);
        QFETCH(double, number);
        for (const SortKey& key :
             {SortKey::of(QStringView(value)), SortKey::of(QByteArrayView(value.toLatin1()))}) {
            QCOMPARE(int(key.kind()), kind);
            QCOMPARE(key.number(), number);
        }
    }
};

QTEST_GUILESS_MAIN(TestSortKey)
#include "tst_sortkey.moc"
