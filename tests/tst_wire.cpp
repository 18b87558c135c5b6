// Error replies and the number rule, byte for byte.
#include "core/net/WireProtocol.h"
#include "core/platform/Numbers.h"

#include <QTest>

using namespace tavrin;

class TestWire : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void errorReplies_data();
    void errorReplies();
    void numbers_data();
    void numbers();
    void linksOutsideLatin1_data();
    void linksOutsideLatin1();
};

void TestWire::errorReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("isError");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("message") << QByteArray("Feedback\nError=No such torrent\n") << true
                             << QByteArray("No such torrent\n");
    QTest::newRow("empty message") << QByteArray("Feedback\nError=") << true << QByteArray();
    QTest::newRow("other case") << QByteArray("feedback\nerror=x") << false << QByteArray();
    QTest::newRow("short") << QByteArray("Feedback\nErr") << false << QByteArray();
    QTest::newRow("after text") << QByteArray("x\nFeedback\nError=y") << false << QByteArray();
    QTest::newRow("crlf") << QByteArray("Feedback\r\nError=y") << false << QByteArray();
}

void TestWire::errorReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, isError);
    QFETCH(QByteArray, message);
    const auto result = wire::errorMessage(reply);
    QCOMPARE(result.has_value(), isError);
    if (isError)
        QCOMPARE(*result, message);
}

// The one number rule behind the port, the refresh interval and the stored window size.
void TestWire::numbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("value");
    QTest::newRow("half to even down") << "2.5" << true << 2;
    QTest::newRow("half to even up") << "3.5" << true << 4;
    QTest::newRow("negative half") << "-2.5" << true << -2;
    QTest::newRow("blanks and sign") << "  +42 " << true << 42;
    QTest::newRow("leading point") << ".6" << true << 1;
    QTest::newRow("trailing point") << "5." << true << 5;
    QTest::newRow("exponent") << "1.5e3" << true << 1500;
    QTest::newRow("max") << "2147483647" << true << 2147483647;
    QTest::newRow("min") << "-2147483648" << true << int(-2147483648LL);
    QTest::newRow("over") << "2147483648" << false << 0;
    QTest::newRow("huge") << "1e400" << false << 0;
    QTest::newRow("text") << "x1" << false << 0;
    QTest::newRow("empty") << "" << false << 0;
    QTest::newRow("nan") << "NaN" << false << 0;
    QTest::newRow("inf") << "inf" << false << 0;
    QTest::newRow("hex") << "0x10" << false << 0;
    QTest::newRow("bare exponent") << "1e" << false << 0;
    QTest::newRow("inner blank") << "1 000" << false << 0;
}

void TestWire::numbers()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(int, value);
    const auto result = toInt32(text);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(*result, value);
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
