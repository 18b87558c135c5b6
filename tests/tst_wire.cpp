// The number rule and the bytes a link becomes on the wire.
#include "core/net/WireProtocol.h"
#include "core/platform/Numbers.h"

#include <QTest>

using namespace tavrin;

class TestWire : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numbers_data();
    void numbers();
    void linksOutsideLatin1_data();
    void linksOutsideLatin1();
};

// The one number rule behind the port, the refresh interval and the stored window size; an
// empty optional is a text that does not fit.
void TestWire::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("value");
    const auto row = [](const char* text, std::optional<int> v) {
        QTest::newRow(text) << text << v;
    };
    row("2.5", 2); // half to even
    row("3.5", 4);
    row("-2.5", -2);
    row("  +42 ", 42);
    row(".6", 1);
    row("5.", 5);
    row("1.5e3", 1500);
    row("2147483647", 2147483647);
    row("-2147483648", int(-2147483648LL));
    for (const char* bad : {"2147483648", "1e400", "x1", "", "NaN", "inf", "0x10", "1e", "1 000"})
        row(bad, std::nullopt);
}

void TestWire::numbers()
{
    QFETCH(QString, text);
    QFETCH(std::optional<int>, value);
    QCOMPARE(toInt32(text), value);
}

void TestWire::linksOutsideLatin1_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("latin-1 kept as single bytes")
        << QStringLiteral("magnet:?dn=caf\u00e9 x") << QByteArray("magnet:?dn=caf\xe9 x");
    QTest::newRow("cyrillic as utf-8")
        << QStringLiteral("magnet:?dn=\u0444\u0438\u043b\u044c\u043c")
        << QByteArray("magnet:?dn=%D1%84%D0%B8%D0%BB%D1%8C%D0%BC");
    QTest::newRow("surrogate pair is one character")
        << QStringLiteral("a\U0001F600b") << QByteArray("a%F0%9F%98%80b");
    QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QByteArray("%EF%BF%BD");
}

void TestWire::linksOutsideLatin1()
{
    QFETCH(QString, link);
    QFETCH(QByteArray, bytes);
    QCOMPARE(wire::linkBytes(link), bytes);
    QCOMPARE(wire::latin1(link).has_value(), link.toLatin1() == bytes);
}

QTEST_GUILESS_MAIN(TestWire)
#include "tst_wire.moc"
